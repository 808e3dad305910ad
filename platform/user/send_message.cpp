// Sending a message: a plain call on the window's own thread, a hand-over to the owning thread and
// a wait for its answer otherwise.
#include "platform/user/await_serving.h"
#include "platform/user/remote_windows.h"
#include "platform/user/thread_queue.h"
#include "platform/user/window_table.h"
#include "platform/win32/last_error.h"

#include <chrono>
#include <optional>

using zv::user::SentMessage;
using zv::user::ThreadQueue;
using zv::user::WindowTable;

namespace {

// SendMessageA's road, with a bound on the wait for another thread (none: no bound) and whether
// messages sent to this thread are served meanwhile. `answered` tells whether the window handled it.
LRESULT SendBounded(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, std::optional<std::chrono::milliseconds> bound,
                    bool serve, bool& answered)
{
    answered = false;
    const DWORD thisThread = zv::user::CurrentThreadId();
    auto sent = std::make_shared<SentMessage>();
    std::shared_ptr<ThreadQueue> owner;
    WNDPROC directProcedure = nullptr;
    bool otherProcess = false;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        zv::user::WindowRecord* record = table.Find(hWnd);
        if (!record) {
            otherProcess = true;
        } else if (record->threadId == thisThread) {
            directProcedure = record->wndProc;
        } else {
            sent->hwnd = hWnd;
            sent->message = Msg;
            sent->wParam = wParam;
            sent->lParam = lParam;
            sent->sender = zv::win32::ThreadWaiter::FromToken(zv::win32::CurrentThreadToken());
            if (!record->queue->EnqueueSentLocked(sent)) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return 0;
            }
            owner = record->queue;
        }
    }
    if (otherProcess)
        return zv::user::SendRemoteMessage(hWnd, Msg, wParam, lParam, bound, serve, &answered);
    if (directProcedure) {
        answered = true;
        return directProcedure(hWnd, Msg, wParam, lParam);
    }
    owner->WakeForService();
    // Messages sent to this thread meanwhile are served, so two threads that send to each other
    // do not deadlock. A send that is given up stays queued; its answer then goes nowhere.
    std::optional<zv::win32::ThreadWaiter::Clock::time_point> deadline;
    if (bound)
        deadline = zv::win32::ThreadWaiter::Clock::now() + *bound;
    if (!zv::user::AwaitServing(sent->done, deadline, serve)) {
        SetLastError(ERROR_TIMEOUT);
        return 0;
    }
    answered = true;
    return sent->result;
}

} // namespace

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    bool answered = false;
    return SendBounded(hWnd, Msg, wParam, lParam, std::nullopt, true, answered);
}

LRESULT SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags, UINT uTimeout,
                            DWORD_PTR* lpdwResult)
{
    bool answered = false;
    const LRESULT result = SendBounded(hWnd, Msg, wParam, lParam, std::chrono::milliseconds(uTimeout),
                                       (fuFlags & SMTO_BLOCK) == 0, answered);
    if (!answered)
        return 0;
    if (lpdwResult)
        *lpdwResult = static_cast<DWORD_PTR>(result);
    return 1;
}

BOOL SendNotifyMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<ThreadQueue> owner;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        zv::user::WindowRecord* record = table.Find(hWnd);
        if (!record) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (record->threadId != zv::user::CurrentThreadId()) {
            // Nobody waits for the answer.
            auto sent = std::make_shared<SentMessage>();
            sent->hwnd = hWnd;
            sent->message = Msg;
            sent->wParam = wParam;
            sent->lParam = lParam;
            if (!record->queue->EnqueueSentLocked(std::move(sent))) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return FALSE;
            }
            owner = record->queue;
        }
    }
    if (!owner) {
        zv::user::CallWindowProcedure(hWnd, Msg, wParam, lParam);
        return TRUE;
    }
    owner->WakeForService();
    return TRUE;
}
