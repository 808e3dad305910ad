// Activation, keyboard focus, mouse capture and enabling windows.
#include "platform/user/input.h"
#include "platform/user/remote_windows.h"
#include "platform/user/window_model.h"
#include "platform/win32/last_error.h"

#include <algorithm>

namespace zv::user {
namespace {

struct WindowFacts {
    DWORD thread = 0;
    bool iconic = false;
};

bool FactsOf(HWND hwnd, WindowFacts& facts)
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    const WindowRecord* record = table.Find(hwnd);
    if (!record)
        return false;
    facts.thread = record->threadId;
    facts.iconic = (record->style & WS_MINIMIZE) != 0;
    return true;
}

// The top-level windows of one thread.
std::vector<HWND> TopLevelsOfThread(DWORD thread)
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    std::vector<HWND> windows;
    for (HWND hwnd : table.TopLevels()) {
        if (table.Find(hwnd)->threadId == thread)
            windows.push_back(hwnd);
    }
    return windows;
}

// Whether `hwnd` is `ancestor` or lies inside it.
bool IsWithinLocked(WindowTable& table, HWND hwnd, HWND ancestor)
{
    for (const WindowRecord* r = table.Find(hwnd); r;) {
        if (r->handle == ancestor)
            return true;
        if (!r->IsChild())
            return false;
        r = table.Find(r->parent);
    }
    return false;
}

// Another thread's window hears of a change without this thread waiting for it.
void Tell(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    SendNotifyMessageA(hwnd, message, wParam, lParam);
}

// Moves the focus; activation is the caller's business.
HWND ChangeFocus(HWND hwnd)
{
    HWND old = nullptr;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        old = table.Input().focus;
        if (old == hwnd)
            return old;
        table.Input().focus = hwnd;
    }
    if (old && IsWindow(old))
        Tell(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd)
        Tell(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND ChangeCapture(HWND hwnd)
{
    HWND old = nullptr;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        old = table.Input().capture;
        table.Input().capture = hwnd;
    }
    if (old && old != hwnd && IsWindow(old))
        Tell(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return old;
}

} // namespace

void ActivateTopLevel(HWND hwnd, WORD how)
{
    HWND old = nullptr;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        old = table.Input().active;
        if (old == hwnd && (!hwnd || table.Input().appHasAttention))
            return;
        table.Input().active = hwnd;
        if (hwnd) {
            table.Input().appHasAttention = true;
            table.Input().inactive = nullptr;
        }
    }
    WindowFacts oldFacts;
    WindowFacts newFacts;
    const bool hadOld = old && FactsOf(old, oldFacts);
    const bool hasNew = hwnd && FactsOf(hwnd, newFacts);
    const bool threadChanges = !hadOld || !hasNew || oldFacts.thread != newFacts.thread;
    if (hadOld && old != hwnd) {
        if (threadChanges) {
            for (HWND w : TopLevelsOfThread(oldFacts.thread))
                Tell(w, WM_ACTIVATEAPP, FALSE, static_cast<LPARAM>(hasNew ? newFacts.thread : 0));
        }
        Tell(old, WM_NCACTIVATE, FALSE, 0);
        Tell(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, oldFacts.iconic), reinterpret_cast<LPARAM>(hwnd));
    }
    if (!hasNew) {
        // Nothing of ours is active: the focus goes too.
        ChangeFocus(nullptr);
        return;
    }
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (threadChanges) {
        for (HWND w : TopLevelsOfThread(newFacts.thread))
            Tell(w, WM_ACTIVATEAPP, TRUE, static_cast<LPARAM>(hadOld ? oldFacts.thread : 0));
    }
    Tell(hwnd, WM_NCACTIVATE, TRUE, 0);
    Tell(hwnd, WM_ACTIVATE, MAKEWPARAM(how, newFacts.iconic), reinterpret_cast<LPARAM>(old));
}

bool IsActiveTopLevel(HWND hwnd)
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    return hwnd && table.Input().active == hwnd;
}

HWND WindowForDesktopFocus(HWND hwnd)
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    const WindowRecord* record = table.Find(hwnd);
    if (!record || record->IsChild())
        return nullptr;
    // The window at the head of a top-level window's chain of owners.
    const auto rootOwner = [&table](HWND window) {
        for (const WindowRecord* r = table.Find(window); r; r = table.Find(r->parent)) {
            window = r->handle;
            if (r->IsChild())
                return window;
        }
        return window;
    };
    // Whether `window` is `owner` or one of the windows it owns, directly or further down.
    const auto ownedBy = [&table](HWND window, HWND owner) {
        for (const WindowRecord* r = table.Find(window); r && !r->IsChild(); r = table.Find(r->parent)) {
            if (r->handle == owner)
                return true;
        }
        return false;
    };
    const auto usable = [](const WindowRecord& r) {
        return (r.style & WS_VISIBLE) && !(r.style & WS_DISABLED) && !(r.style & WS_MINIMIZE);
    };
    // A modal window of the same family waits for the user: the highest one takes the focus
    // unless the desktop gave it to that window or to one of the windows it owns.
    const HWND root = rootOwner(hwnd);
    for (HWND other : table.TopLevels()) {
        const WindowRecord* candidate = table.Find(other);
        if (!candidate || !candidate->modal || !usable(*candidate) || rootOwner(other) != root)
            continue;
        return ownedBy(hwnd, other) && usable(*record) ? hwnd : other;
    }
    return usable(*record) ? hwnd : nullptr;
}

void ReleaseInputOf(HWND hwnd)
{
    bool focusInside = false;
    bool captureInside = false;
    bool wasActive = false;
    HWND next = nullptr;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        InputState& input = table.Input();
        focusInside = input.focus && IsWithinLocked(table, input.focus, hwnd);
        captureInside = input.capture && IsWithinLocked(table, input.capture, hwnd);
        wasActive = input.active == hwnd;
        if (wasActive) {
            // The owner takes over when it shows, as a dialog's owner does when the dialog ends.
            const WindowRecord* record = table.Find(hwnd);
            const WindowRecord* owner = record ? table.Find(record->parent) : nullptr;
            if (owner && !owner->IsChild() && (owner->style & WS_VISIBLE) && !(owner->style & WS_DISABLED) &&
                !owner->destroying)
                next = owner->handle;
        }
    }
    if (captureInside)
        ChangeCapture(nullptr);
    if (focusInside && !wasActive)
        ChangeFocus(nullptr);
    if (wasActive)
        ActivateTopLevel(next, WA_ACTIVE);
}

} // namespace zv::user

using zv::user::WindowRecord;
using zv::user::WindowTable;

BOOL SetForegroundWindow(HWND hWnd)
{
    if (!zv::user::IsLocalWindow(hWnd) && hWnd != zv::user::kDesktopWindow)
        return zv::user::ForwardToOwner(hWnd, zv::user::remote::RequestKind::SetForeground);
    const HWND top = zv::user::WithWindow<HWND>(
        hWnd, nullptr, [&](WindowTable& table, WindowRecord&) { return table.TopLevelOf(hWnd)->handle; });
    if (!top)
        return FALSE;
    zv::user::ActivateTopLevel(top, WA_ACTIVE);
    return TRUE;
}

HWND GetForegroundWindow()
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    return table.Input().appHasAttention ? table.Input().active : nullptr;
}

HWND GetActiveWindow()
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    const WindowRecord* active = table.Find(table.Input().active);
    return active && active->threadId == zv::user::CurrentThreadId() ? active->handle : nullptr;
}

HWND SetActiveWindow(HWND hWnd)
{
    const HWND old = GetActiveWindow();
    if (hWnd && !IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (hWnd)
        SetForegroundWindow(hWnd);
    else
        zv::user::ActivateTopLevel(nullptr, WA_INACTIVE);
    return old;
}

HWND SetFocus(HWND hWnd)
{
    HWND top = nullptr;
    HWND active = nullptr;
    if (hWnd) {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        WindowRecord* record = table.Find(hWnd);
        if (!record) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        // A disabled window, or one inside a disabled window, takes no keys.
        if (!zv::user::IsEnabledLocked(table, *record))
            return nullptr;
        top = table.TopLevelOf(hWnd)->handle;
        active = table.Input().active;
    }
    if (top && top != active)
        zv::user::ActivateTopLevel(top, WA_ACTIVE);
    return zv::user::ChangeFocus(hWnd);
}

HWND GetFocus()
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    const WindowRecord* focus = table.Find(table.Input().focus);
    return focus && focus->threadId == zv::user::CurrentThreadId() ? focus->handle : nullptr;
}

HWND SetCapture(HWND hWnd)
{
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    const HWND old = zv::user::ChangeCapture(hWnd);
    return old;
}

BOOL ReleaseCapture()
{
    zv::user::ChangeCapture(nullptr);
    return TRUE;
}

HWND GetCapture()
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    const WindowRecord* capture = table.Find(table.Input().capture);
    return capture && capture->threadId == zv::user::CurrentThreadId() ? capture->handle : nullptr;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable)
{
    bool wasDisabled = false;
    if (!zv::user::WithWindow<bool>(hWnd, false, [&](WindowTable&, WindowRecord& record) {
            wasDisabled = (record.style & WS_DISABLED) != 0;
            if (bEnable)
                record.style &= ~WS_DISABLED;
            else
                record.style |= WS_DISABLED;
            return true;
        }))
        return FALSE;
    if (wasDisabled == !bEnable)
        return wasDisabled ? TRUE : FALSE;
    if (!bEnable) {
        // A disabled window keeps neither the keys nor the mouse; it may stay active (a modal
        // dialog's owner does).
        WindowTable& table = WindowTable::Instance();
        bool focusInside = false;
        bool captureInside = false;
        {
            std::lock_guard lock(table.Mutex());
            focusInside = table.Input().focus && zv::user::IsWithinLocked(table, table.Input().focus, hWnd);
            captureInside = table.Input().capture && zv::user::IsWithinLocked(table, table.Input().capture, hWnd);
        }
        if (captureInside)
            zv::user::ChangeCapture(nullptr);
        if (focusInside)
            zv::user::ChangeFocus(nullptr);
    }
    SendMessageA(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hWnd)
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    WindowRecord* record = table.Find(hWnd);
    return record && !(record->style & WS_DISABLED) ? TRUE : FALSE;
}
