// Waiting for kernel objects, and Sleep.
//
// Every wait blocks through the thread's ThreadWaiter, so a thread that owns windows keeps serving
// the messages other threads send to it while it waits.
#pragma once

#include "platform/win32/types.h"

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_ABANDONED_0 = WAIT_ABANDONED;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Wait for any (the lowest signalled index wins) or for all at once; no handle may appear twice.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

// Sleeps, serving sent messages like any other wait; Sleep(0) gives up the rest of the time slice.
void Sleep(DWORD milliseconds);
