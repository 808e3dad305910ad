// Critical sections: a lock for the threads of one process that the owning thread may take again
// (it must leave as often as it entered). Waiting for one does not serve sent messages.
#pragma once

#include "platform/win32/types.h"

#include <mutex>

struct CRITICAL_SECTION {
    // Made by InitializeCriticalSection, freed by DeleteCriticalSection.
    std::recursive_mutex* lock = nullptr;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

void InitializeCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
// TRUE when the calling thread now holds the section (it may already have held it).
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
