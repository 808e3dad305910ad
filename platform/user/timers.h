// Window timers and the clock they run on.
//
// A timer of a window makes WM_TIMER (wParam: the timer id, lParam: the callback or 0) due every
// period. Like the system's timers they coalesce: a due timer is one pending WM_TIMER however many
// periods have passed, retrieved only when no other message is queued; the next period counts from
// its retrieval.
#pragma once

#include "platform/user/user_types.h"

#include <cstdint>

// Starts or restarts timer nIDEvent of the window with a period of uElapse ms (at least 10).
// Returns the id (1 for id 0), or 0 when there is no such window: timers always belong to a window. With lpTimerFunc, DispatchMessageA hands
// WM_TIMER to that callback instead of the window procedure.
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
// Stops the timer and drops its pending WM_TIMER. FALSE when there is no such timer.
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);

namespace zv::user {

// Replaces real time for timers, so tests decide when timers fall due. Install before setting the
// timers under test; the virtual time starts where real time stood.
class VirtualClock {
public:
    static void Install();
    // Back to real time.
    static void Uninstall();
    static bool Installed();
    // Moves virtual time forward and wakes every queue, so due timers become pending.
    static void Advance(std::uint32_t milliseconds);
};

} // namespace zv::user
