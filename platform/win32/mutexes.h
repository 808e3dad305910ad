// Mutexes, unnamed and named, owned by threads as on Windows: the owner may take its mutex again
// and must release it as often; a mutex whose owning thread (or, when named, owning process) ended
// without releasing it goes to the next waiter with WAIT_ABANDONED.
//
// A named mutex is shared by every process of the same ZV_ROOT. CreateMutexA reports
// ERROR_ALREADY_EXISTS only while a live process holds the name open.
#pragma once

#include "platform/win32/types.h"

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
BOOL ReleaseMutex(HANDLE mutex);

namespace zv::win32 {
// Abandons the mutexes the calling thread still owns; run by a thread of the layer as it ends
// (other threads do it when their thread-local storage goes).
void AbandonMutexesOfCurrentThread();
} // namespace zv::win32
