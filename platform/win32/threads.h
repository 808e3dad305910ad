// Threads: CreateThread, the runtime's _beginthreadex, exit codes and thread ids.
//
// A thread handle is signalled once the thread has ended. Threads run detached on std::thread; the
// requested stack size is accepted and the platform's default used.
#pragma once

#include "platform/win32/types.h"

#include <cstdint>

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);

constexpr DWORD STILL_ACTIVE = 259;
constexpr DWORD CREATE_SUSPENDED = 0x00000004;

// Starts `start(parameter)` on a new thread; the handle waits for its end. Creation flags other
// than 0 are refused (ERROR_NOT_SUPPORTED): the system starts every thread at once.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD creationFlags, LPDWORD threadId);

// The runtime's variant: the handle comes back as an integer, 0 on failure (errno set too).
std::uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned (*start)(void*), void* argument,
                              unsigned initFlags, unsigned* threadId);

// STILL_ACTIVE while the thread runs, then the value its start routine returned.
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);

// The calling thread's id: unique among the threads of the process, never 0.
DWORD GetCurrentThreadId();

// A handle that always stands for the calling thread; it needs no closing.
HANDLE GetCurrentThread();

constexpr int THREAD_PRIORITY_IDLE = -15;
constexpr int THREAD_PRIORITY_LOWEST = -2;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;
constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7fffffff;

// Priorities are the thread's nice value (TIME_CRITICAL = -20 ... IDLE = 19), which the system
// lets an unprivileged process lower but not raise: a raise it refuses fails with
// ERROR_ACCESS_DENIED and leaves the thread as it was. Works on GetCurrentThread() and on the
// handles of threads this process started while they run.
BOOL SetThreadPriority(HANDLE thread, int priority);
// The level nearest to the thread's nice value; THREAD_PRIORITY_ERROR_RETURN on failure.
int GetThreadPriority(HANDLE thread);
