// Retrieving, translating and dispatching the calling thread's messages, and posting.
#include "platform/user/input.h"
#include "platform/user/input_events.h"
#include "platform/user/remote_windows.h"
#include "platform/user/thread_queue.h"
#include "platform/user/timer_clock.h"
#include "platform/user/virtual_keys.h"
#include "platform/user/window_table.h"
#include "platform/win32/last_error.h"

using zv::user::MessageFilter;
using zv::user::ThreadQueue;
using zv::user::WindowTable;

namespace {

bool IsValidWindowFilter(HWND hWnd)
{
    return hWnd == nullptr || hWnd == reinterpret_cast<HWND>(-1) || IsWindow(hWnd);
}

// The character a key gives; Shift and Caps Lock choose the case of letters.
char CharacterOfKey(WPARAM key)
{
    if (key >= '0' && key <= '9')
        return static_cast<char>(key);
    if (key >= 'A' && key <= 'Z') {
        // Ctrl with a letter gives its control character (Ctrl+A is 0x01), as editors expect.
        if (GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0)
            return static_cast<char>(key - 'A' + 1);
        const bool upper = (GetKeyState(VK_SHIFT) < 0) != ((GetKeyState(VK_CAPITAL) & 1) != 0);
        return static_cast<char>(upper ? key : key - 'A' + 'a');
    }
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)
        return static_cast<char>('0' + (key - VK_NUMPAD0));
    switch (key) {
    case VK_BACK: return '\b';
    case VK_TAB: return '\t';
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return '\x1b';
    case VK_SPACE: return ' ';
    default: return '\0';
    }
}

} // namespace

BOOL GetMessageA(LPMSG msg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (!msg || !IsValidWindowFilter(hWnd)) {
        SetLastError(msg ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return -1;
    }
    const std::shared_ptr<ThreadQueue> queue = ThreadQueue::ForCurrentThread();
    zv::win32::ThreadWaiter& waiter = zv::win32::ThreadWaiter::Current();
    const MessageFilter filter{hWnd, wMsgFilterMin, wMsgFilterMax};
    for (;;) {
        // Count first, then look, then block only while nothing new came in.
        const std::uint64_t epoch = waiter.Epoch();
        waiter.ServeIfRequested();
        if (queue->Take(msg, filter, true)) {
            zv::user::OnMessageRetrieved(*msg);
            return msg->message == WM_QUIT ? 0 : 1;
        }
        waiter.Block(epoch, queue->NextTimerDeadline(filter));
    }
}

BOOL PeekMessageA(LPMSG msg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (!msg || !IsValidWindowFilter(hWnd)) {
        SetLastError(msg ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::shared_ptr<ThreadQueue> queue = ThreadQueue::ForCurrentThread();
    zv::win32::ThreadWaiter::Current().ServeIfRequested();
    const MessageFilter filter{hWnd, wMsgFilterMin, wMsgFilterMax};
    if (!queue->Take(msg, filter, (wRemoveMsg & PM_REMOVE) != 0))
        return FALSE;
    if (wRemoveMsg & PM_REMOVE)
        zv::user::OnMessageRetrieved(*msg);
    return TRUE;
}

BOOL TranslateMessage(const MSG* msg)
{
    if (!msg)
        return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        if (const std::optional<std::string> typed = zv::user::TypedTextOf(*msg)) {
            // Each byte in turn, before anything posted earlier.
            for (auto byte = typed->rbegin(); byte != typed->rend(); ++byte) {
                MSG character = *msg;
                character.message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
                character.wParam = static_cast<unsigned char>(*byte);
                ThreadQueue::ForCurrentThread()->PostFront(character);
            }
            return TRUE;
        }
        const char c = CharacterOfKey(msg->wParam);
        if (c != '\0') {
            // Read next, before anything posted earlier.
            MSG character = *msg;
            character.message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
            character.wParam = static_cast<unsigned char>(c);
            ThreadQueue::ForCurrentThread()->PostFront(character);
        }
        return TRUE;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT DispatchMessageA(const MSG* msg)
{
    if (!msg)
        return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        // Only a callback that a timer of this thread really has; a forged one is not called.
        auto callback = reinterpret_cast<TIMERPROC>(msg->lParam);
        ThreadQueue* queue = ThreadQueue::CurrentOrNull();
        if (queue && queue->HasTimerCallback(msg->hwnd, msg->wParam, callback))
            callback(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    if (!msg->hwnd)
        return 0;
    WNDPROC procedure = nullptr;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        zv::user::WindowRecord* record = table.Find(msg->hwnd);
        if (!record) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (record->threadId != zv::user::CurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
        procedure = record->wndProc;
    }
    return procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int nExitCode)
{
    auto queue = ThreadQueue::ForCurrentThread();
    queue->PostQuit(nExitCode);
}

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    const MSG msg{hWnd, Msg, wParam, lParam, static_cast<DWORD>(zv::user::TimerClockNow()), {}};
    std::shared_ptr<ThreadQueue> queue;
    if (!hWnd) {
        // A thread message to the calling thread.
        queue = ThreadQueue::ForCurrentThread();
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        queue->PostLocked(msg);
    } else {
        if (!zv::user::IsLocalWindow(hWnd))
            return zv::user::PostRemoteMessage(hWnd, Msg, wParam, lParam);
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        zv::user::WindowRecord* record = table.Find(hWnd);
        // A window that is gone takes no messages; posting to it is harmless.
        if (!record || !record->queue->PostLocked(msg)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        queue = record->queue;
    }
    queue->Wake();
    return TRUE;
}
