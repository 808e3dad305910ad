#include "platform/user/timers.h"

#include "platform/user/thread_queue.h"
#include "platform/user/window_table.h"
#include "platform/win32/last_error.h"

#include <algorithm>

namespace {
// Shorter periods are raised to this, as the system does.
constexpr UINT kMinimumPeriod = 10;
constexpr UINT kMaximumPeriod = 0x7FFFFFFF;
} // namespace

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc)
{
    std::shared_ptr<zv::user::ThreadQueue> queue;
    {
        auto& table = zv::user::WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        zv::user::WindowRecord* record = hWnd ? table.Find(hWnd) : nullptr;
        if (!record) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        queue = record->queue;
        queue->SetTimerLocked(hWnd, nIDEvent, std::clamp(uElapse, kMinimumPeriod, kMaximumPeriod), lpTimerFunc);
    }
    // The owning thread may be waiting with an earlier deadline.
    queue->Wake();
    return nIDEvent != 0 ? nIDEvent : 1;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    auto& table = zv::user::WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    zv::user::WindowRecord* record = hWnd ? table.Find(hWnd) : nullptr;
    if (!record) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return record->queue->KillTimerLocked(hWnd, uIDEvent) ? TRUE : FALSE;
}
