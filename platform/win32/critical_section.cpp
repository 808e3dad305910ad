#include "platform/win32/critical_section.h"

void InitializeCriticalSection(LPCRITICAL_SECTION section)
{
    section->lock = new std::recursive_mutex();
}

void DeleteCriticalSection(LPCRITICAL_SECTION section)
{
    delete section->lock;
    section->lock = nullptr;
}

void EnterCriticalSection(LPCRITICAL_SECTION section)
{
    section->lock->lock();
}

void LeaveCriticalSection(LPCRITICAL_SECTION section)
{
    section->lock->unlock();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section)
{
    return section->lock->try_lock() ? TRUE : FALSE;
}
