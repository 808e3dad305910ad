// WaitForInputIdle for programs started with CreateProcessA: "idle" is when the process first shows
// a top-level window, as the machine's window registry (ZV_ROOT/run/windows) tells. A program that
// never shows one makes the wait run out.
#pragma once

#include "platform/user/user_types.h"

// 0 once the process shows a window; WAIT_TIMEOUT when `milliseconds` pass first; WAIT_FAILED
// (last error set) for a handle that is no process, or when the process ends without a window.
DWORD WaitForInputIdle(HANDLE process, DWORD milliseconds);
