// Input from the display: hit testing, mouse and key messages, double clicks and key states.
#include "platform/user/input.h"
#include "platform/user/input_events.h"
#include "platform/user/system_metrics.h"
#include "platform/user/thread_queue.h"
#include "platform/user/timer_clock.h"
#include "platform/user/window_model.h"

#include <algorithm>
#include <array>
#include <functional>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <vector>

namespace zv::user {
namespace {

// The text of a key press, waiting for its message to be retrieved.
struct TypedKey {
    HWND hwnd;
    UINT key;
    DWORD time;
    std::string text;
};

struct PointerState {
    std::mutex mutex;
    POINT position{0, 0};
    std::array<BYTE, 256> keys{}; // 0x80: down, 0x01: toggled
    // The last press, for double clicks.
    UINT lastButton = 0;
    HWND lastWindow = nullptr;
    POINT lastPoint{0, 0};
    std::uint64_t lastTime = 0;
    bool lastWasDouble = false;
    // Oldest first; entries whose message was never retrieved (its window went) are dropped
    // when a later one is, or when too many wait.
    std::deque<TypedKey> typed;
    // Key messages the desktop delivered and no thread has retrieved yet, oldest first.
    std::deque<MSG> keysOnTheirWay;
};

PointerState& Pointer()
{
    static auto* state = new PointerState();
    return *state;
}

// The key state as of the last input message this thread retrieved.
thread_local std::array<BYTE, 256> t_keys{};
// The key message this thread retrieved last and the text it typed, if the display said.
thread_local MSG t_typedMessage{};
thread_local std::optional<std::string> t_typedText;

bool SameMessage(const MSG& a, const MSG& b)
{
    return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam &&
           a.time == b.time;
}

void Press(std::array<BYTE, 256>& keys, UINT key, bool repeat)
{
    keys[key] = static_cast<BYTE>((repeat ? keys[key] : keys[key] ^ 0x01) | 0x80);
}

void Release(std::array<BYTE, 256>& keys, UINT key) { keys[key] &= 0x01; }

// What a retrieved message says about the keys and buttons.
void FollowKeys(const MSG& msg)
{
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (msg.wParam <= 0xFF)
            Press(t_keys, static_cast<UINT>(msg.wParam), (msg.lParam & (LPARAM{1} << 30)) != 0);
        return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (msg.wParam <= 0xFF)
            Release(t_keys, static_cast<UINT>(msg.wParam));
        return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: Press(t_keys, VK_LBUTTON, false); return;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: Press(t_keys, VK_RBUTTON, false); return;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: Press(t_keys, VK_MBUTTON, false); return;
    case WM_LBUTTONUP: Release(t_keys, VK_LBUTTON); return;
    case WM_RBUTTONUP: Release(t_keys, VK_RBUTTON); return;
    case WM_MBUTTONUP: Release(t_keys, VK_MBUTTON); return;
    default: return;
    }
}

// Either side's key counts for the generic Shift and Control keys.
SHORT StateOf(const std::array<BYTE, 256>& keys, int key)
{
    BYTE state = keys[static_cast<std::size_t>(key)];
    if (key == VK_SHIFT)
        state |= (keys[VK_LSHIFT] | keys[VK_RSHIFT]) & 0x80;
    if (key == VK_CONTROL)
        state |= (keys[VK_LCONTROL] | keys[VK_RCONTROL]) & 0x80;
    return static_cast<SHORT>(((state & 0x80) ? 0xFF80 : 0) | (state & 0x01));
}

bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

RECT ClientOnScreenLocked(WindowTable& table, const WindowRecord& record)
{
    const POINT origin = ClientOriginOnScreenLocked(table, record);
    const RECT client = ClientAreaInWindow(record);
    return RECT{origin.x, origin.y, origin.x + client.right - client.left, origin.y + client.bottom - client.top};
}

RECT WindowOnScreenLocked(WindowTable& table, const WindowRecord& record)
{
    const POINT origin = WindowOriginOnScreenLocked(table, record);
    return RECT{origin.x, origin.y, origin.x + record.rect.right - record.rect.left,
                origin.y + record.rect.bottom - record.rect.top};
}

// The windows that may take the mouse at the point, in the order an HTTRANSPARENT answer passes
// it on: the deepest window first, then the windows below it among its siblings (each deepest
// first), then its parent, up to the top-level window, then the top-level windows below. A
// disabled child gives its clicks to its parent; a disabled top-level window swallows them.
std::vector<HWND> HitCandidatesLocked(WindowTable& table, POINT at)
{
    std::vector<HWND> order;
    std::function<void(const WindowRecord&)> collect = [&](const WindowRecord& record) {
        if (Contains(ClientOnScreenLocked(table, record), at)) {
            for (HWND child : record.children) {
                const WindowRecord* c = table.Find(child);
                if (!c || !(c->style & WS_VISIBLE) || !Contains(WindowOnScreenLocked(table, *c), at))
                    continue;
                if (c->style & WS_DISABLED)
                    break;
                collect(*c);
            }
        }
        order.push_back(record.handle);
    };
    for (HWND top : table.TopLevels()) {
        const WindowRecord* record = table.Find(top);
        if (!record || !(record->style & WS_VISIBLE) || (record->style & WS_MINIMIZE) ||
            !Contains(WindowOnScreenLocked(table, *record), at))
            continue;
        if (record->style & WS_DISABLED)
            break;
        collect(*record);
    }
    return order;
}

// The window the geometry alone puts under the point (no window is asked); for the wheel.
WindowRecord* WindowUnderLocked(WindowTable& table, POINT at)
{
    const std::vector<HWND> candidates = HitCandidatesLocked(table, at);
    return candidates.empty() ? nullptr : table.Find(candidates.front());
}

struct MouseTarget {
    HWND hwnd = nullptr;
    int hit = HTNOWHERE;
};

LPARAM PointParam(int x, int y) { return MAKELPARAM(static_cast<unsigned>(x), static_cast<unsigned>(y)); }

// The capturing window (as its client area), else the first window under the point that does not
// answer WM_NCHITTEST with HTTRANSPARENT. The mouse passes on only among the windows of the thread
// that owns the first one. Called without locks: the windows are asked.
MouseTarget FindMouseTarget(POINT at)
{
    std::vector<HWND> candidates;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        if (table.Find(table.Input().capture))
            return MouseTarget{table.Input().capture, HTCLIENT};
        candidates = HitCandidatesLocked(table, at);
        if (candidates.empty())
            return {};
        const DWORD thread = table.Find(candidates.front())->threadId;
        std::erase_if(candidates, [&](HWND hwnd) { return table.Find(hwnd)->threadId != thread; });
    }
    for (HWND hwnd : candidates) {
        const auto hit = static_cast<int>(SendMessageA(hwnd, WM_NCHITTEST, 0, PointParam(at.x, at.y)));
        if (hit == HTTRANSPARENT)
            continue;
        if (hit == HTERROR)
            return {};
        return MouseTarget{hwnd, hit};
    }
    return {};
}

WPARAM MouseKeyFlags(const std::array<BYTE, 256>& keys)
{
    WPARAM flags = 0;
    const auto down = [&](UINT vk) { return (keys[vk] & 0x80) != 0; };
    if (down(VK_LBUTTON)) flags |= MK_LBUTTON;
    if (down(VK_RBUTTON)) flags |= MK_RBUTTON;
    if (down(VK_MBUTTON)) flags |= MK_MBUTTON;
    if (down(VK_SHIFT)) flags |= MK_SHIFT;
    if (down(VK_CONTROL)) flags |= MK_CONTROL;
    return flags;
}

// WM_NCMOUSEMOVE .. WM_NCMBUTTONDBLCLK lie this far below WM_MOUSEMOVE .. WM_MBUTTONDBLCLK.
constexpr UINT kClientToNonClient = WM_MOUSEMOVE - WM_NCMOUSEMOVE;

void PostLocked(WindowRecord& record, UINT message, WPARAM wParam, LPARAM lParam, POINT at,
                DWORD time = static_cast<DWORD>(TimerClockNow()))
{
    const MSG msg{record.handle, message, wParam, lParam, time, at};
    if (record.queue->PostLocked(msg))
        record.queue->Wake();
}

// Client mouse messages carry client coordinates and the key flags; their non-client
// counterparts the hit code and the screen point.
void PostMouseLocked(WindowTable& table, WindowRecord& target, int hit, UINT clientMessage, WPARAM keyFlags, POINT at)
{
    if (hit == HTCLIENT) {
        const POINT origin = ClientOriginOnScreenLocked(table, target);
        PostLocked(target, clientMessage, keyFlags, PointParam(at.x - origin.x, at.y - origin.y), at);
        return;
    }
    PostLocked(target, clientMessage - kClientToNonClient, static_cast<WPARAM>(hit), PointParam(at.x, at.y), at);
}

struct ButtonMessages {
    UINT key;
    UINT down;
    UINT up;
    UINT doubleClick;
};

ButtonMessages MessagesOf(MouseButton button)
{
    switch (button) {
    case MouseButton::Right: return {VK_RBUTTON, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK};
    case MouseButton::Middle: return {VK_MBUTTON, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK};
    default: return {VK_LBUTTON, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK};
    }
}

} // namespace

void DeliverMouseMove(int x, int y)
{
    PointerState& pointer = Pointer();
    WPARAM flags = 0;
    {
        std::lock_guard lock(pointer.mutex);
        pointer.position = POINT{x, y};
        flags = MouseKeyFlags(pointer.keys);
    }
    const MouseTarget target = FindMouseTarget(POINT{x, y});
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    if (WindowRecord* record = table.Find(target.hwnd))
        PostMouseLocked(table, *record, target.hit, WM_MOUSEMOVE, flags, POINT{x, y});
}

void DeliverMouseButton(MouseButton button, bool down)
{
    const ButtonMessages messages = MessagesOf(button);
    PointerState& pointer = Pointer();
    POINT at{};
    {
        std::lock_guard pointerLock(pointer.mutex);
        if (down)
            Press(pointer.keys, messages.key, false);
        else
            Release(pointer.keys, messages.key);
        at = pointer.position;
    }
    // The windows are asked where the point lies before any lock is taken again.
    const MouseTarget target = FindMouseTarget(at);
    std::lock_guard pointerLock(pointer.mutex);
    const WPARAM flags = MouseKeyFlags(pointer.keys);
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    WindowRecord* record = table.Find(target.hwnd);
    if (!record)
        return;
    UINT message = down ? messages.down : messages.up;
    if (down) {
        const std::uint64_t now = TimerClockNow();
        const bool nearby = std::abs(at.x - pointer.lastPoint.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                            std::abs(at.y - pointer.lastPoint.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
        // The frame and caption take double clicks whatever the class says.
        const bool classTakesDouble = target.hit != HTCLIENT || (record->windowClass->style & CS_DBLCLKS);
        const bool isDouble = !pointer.lastWasDouble && pointer.lastButton == messages.key &&
                              pointer.lastWindow == record->handle && nearby &&
                              now - pointer.lastTime <= kDoubleClickTime && classTakesDouble;
        if (isDouble)
            message = messages.doubleClick;
        // A third press starts counting anew.
        pointer.lastWasDouble = isDouble;
        pointer.lastButton = messages.key;
        pointer.lastWindow = record->handle;
        pointer.lastPoint = at;
        pointer.lastTime = now;
    }
    PostMouseLocked(table, *record, target.hit, message, flags, at);
}

void DeliverMouseWheel(int delta)
{
    PointerState& pointer = Pointer();
    POINT at{};
    WPARAM flags = 0;
    {
        std::lock_guard lock(pointer.mutex);
        at = pointer.position;
        flags = MouseKeyFlags(pointer.keys);
    }
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    WindowRecord* target = WindowUnderLocked(table, at);
    if (!target)
        target = table.Find(table.Input().focus);
    if (!target)
        return;
    // The wheel message carries screen coordinates.
    PostLocked(*target, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<unsigned>(flags), static_cast<unsigned>(delta)),
               PointParam(at.x, at.y), at);
}

void DeliverKey(UINT virtualKey, bool down, std::optional<std::string> typed)
{
    if (virtualKey == 0 || virtualKey > 0xFF)
        return;
    PointerState& pointer = Pointer();
    std::lock_guard pointerLock(pointer.mutex);
    const bool wasDown = (pointer.keys[virtualKey] & 0x80) != 0;
    if (down)
        Press(pointer.keys, virtualKey, wasDown);
    else
        Release(pointer.keys, virtualKey);
    const bool alt = (pointer.keys[VK_MENU] & 0x80) != 0;
    const POINT at = pointer.position;

    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    WindowRecord* target = table.Find(table.Input().focus);
    if (!target && table.Input().appHasAttention)
        target = table.Find(table.Input().active);
    if (!target)
        return;
    // Alt turns keys into system keys, as does a key without a focus window.
    const bool system = alt || virtualKey == VK_MENU || target->handle != table.Input().focus;
    const UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    // Repeat count 1; bit 30: the key was down before; bit 31: it is being released.
    LPARAM flags = 1;
    if (wasDown)
        flags |= LPARAM{1} << 30;
    if (!down)
        flags |= LPARAM{1} << 31;
    if (alt)
        flags |= LPARAM{1} << 29;
    const auto time = static_cast<DWORD>(TimerClockNow());
    if (down && typed) {
        constexpr std::size_t kMostWaiting = 64;
        if (pointer.typed.size() == kMostWaiting)
            pointer.typed.pop_front();
        pointer.typed.push_back(TypedKey{target->handle, virtualKey, time, std::move(*typed)});
    }
    constexpr std::size_t kMostOnTheirWay = 256;
    if (pointer.keysOnTheirWay.size() == kMostOnTheirWay)
        pointer.keysOnTheirWay.pop_front();
    pointer.keysOnTheirWay.push_back(MSG{target->handle, message, virtualKey, flags, time, at});
    PostLocked(*target, message, virtualKey, flags, at, time);
}

void DeliverAppAttention(bool attention)
{
    HWND window = nullptr;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        if (table.Input().appHasAttention == attention)
            return;
        window = attention ? table.Input().inactive : table.Input().active;
    }
    if (attention) {
        ActivateTopLevel(window, WA_ACTIVE);
        return;
    }
    // As when another program's window becomes active; the window comes back with the user.
    ActivateTopLevel(nullptr, WA_INACTIVE);
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    table.Input().appHasAttention = false;
    table.Input().inactive = table.Find(window) ? window : nullptr;
}

namespace {

// A key goes to the window that has the focus when its thread reads it, as typed-ahead keys
// do: a field that hands the focus on while keys wait must not keep the ones meant for the
// next field. Keys posted by a program keep their window.
void RouteDeliveredKey(MSG& msg)
{
    if (msg.message < WM_KEYDOWN || msg.message > WM_SYSKEYUP)
        return;
    {
        PointerState& pointer = Pointer();
        std::lock_guard lock(pointer.mutex);
        const auto found = std::find_if(pointer.keysOnTheirWay.begin(), pointer.keysOnTheirWay.end(), [&](const MSG& key) {
            return key.hwnd == msg.hwnd && key.message == msg.message && key.wParam == msg.wParam &&
                   key.lParam == msg.lParam && key.time == msg.time;
        });
        if (found == pointer.keysOnTheirWay.end())
            return;
        pointer.keysOnTheirWay.erase(found);
    }
    const std::shared_ptr<ThreadQueue> queue = ThreadQueue::ForCurrentThread();
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    const WindowRecord* focus = table.Find(table.Input().focus);
    if (!focus || focus->handle == msg.hwnd || focus->queue != queue)
        return;
    msg.hwnd = focus->handle;
    // A key delivered while no window had the focus came as a system key; with a focus window
    // it is a plain one unless Alt is part of it.
    const bool alt = (msg.lParam & (LPARAM{1} << 29)) != 0 || msg.wParam == VK_MENU;
    if (!alt && msg.message == WM_SYSKEYDOWN)
        msg.message = WM_KEYDOWN;
    else if (!alt && msg.message == WM_SYSKEYUP)
        msg.message = WM_KEYUP;
}

// Takes the text that waits for the key message, if any; `deliveredTo` is the window the
// desktop's key was first meant for.
void FollowTypedText(const MSG& msg, HWND deliveredTo)
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)
        return;
    t_typedMessage = msg;
    t_typedText.reset();
    PointerState& pointer = Pointer();
    std::lock_guard lock(pointer.mutex);
    const auto found = std::find_if(pointer.typed.begin(), pointer.typed.end(), [&](const TypedKey& typed) {
        return typed.hwnd == deliveredTo && typed.key == msg.wParam && typed.time == msg.time;
    });
    if (found == pointer.typed.end())
        return;
    t_typedText = std::move(found->text);
    // Those of the same window that came before were never retrieved.
    std::deque<TypedKey> kept;
    for (auto it = pointer.typed.begin(); it != pointer.typed.end(); ++it) {
        if (it > found || it->hwnd != deliveredTo)
            kept.push_back(std::move(*it));
    }
    pointer.typed = std::move(kept);
}

} // namespace

std::optional<std::string> TypedTextOf(const MSG& msg)
{
    return SameMessage(msg, t_typedMessage) ? t_typedText : std::nullopt;
}

void OnMessageRetrieved(MSG& msg)
{
    const HWND deliveredTo = msg.hwnd;
    RouteDeliveredKey(msg);
    FollowKeys(msg);
    FollowTypedText(msg, deliveredTo);
    const bool client = msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST && msg.message != WM_MOUSEWHEEL;
    const bool nonClient = msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK;
    if (!(client || nonClient) || !msg.hwnd)
        return;
    const UINT asClient = nonClient ? msg.message + kClientToNonClient : msg.message;
    const bool press = asClient == WM_LBUTTONDOWN || asClient == WM_RBUTTONDOWN || asClient == WM_MBUTTONDOWN ||
                       asClient == WM_LBUTTONDBLCLK || asClient == WM_RBUTTONDBLCLK || asClient == WM_MBUTTONDBLCLK;
    HWND top = nullptr;
    bool activate = false;
    bool captured = false;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        const WindowRecord* record = table.TopLevelOf(msg.hwnd);
        if (!record)
            return;
        top = record->handle;
        activate = press && (table.Input().active != top || !table.Input().appHasAttention) &&
                   !(record->exStyle & WS_EX_NOACTIVATE);
        captured = table.Input().capture != nullptr;
    }
    if (activate)
        ActivateTopLevel(top, WA_CLICKACTIVE);
    if (!captured) {
        const WPARAM hit = nonClient ? msg.wParam : static_cast<WPARAM>(HTCLIENT);
        SendMessageA(msg.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(msg.hwnd),
                     MAKELPARAM(static_cast<unsigned>(hit), msg.message));
    }
}

} // namespace zv::user

SHORT GetKeyState(int nVirtKey)
{
    if (nVirtKey <= 0 || nVirtKey > 0xFF)
        return 0;
    return zv::user::StateOf(zv::user::t_keys, nVirtKey);
}

SHORT GetAsyncKeyState(int vKey)
{
    if (vKey <= 0 || vKey > 0xFF)
        return 0;
    zv::user::PointerState& pointer = zv::user::Pointer();
    std::lock_guard lock(pointer.mutex);
    return static_cast<SHORT>(zv::user::StateOf(pointer.keys, vKey) & 0xFF80);
}

BOOL GetCursorPos(POINT* lpPoint)
{
    if (!lpPoint)
        return FALSE;
    zv::user::PointerState& pointer = zv::user::Pointer();
    std::lock_guard lock(pointer.mutex);
    *lpPoint = pointer.position;
    return TRUE;
}

BOOL SetCursorPos(int X, int Y)
{
    zv::user::DeliverMouseMove(X, Y);
    return TRUE;
}
