// The up-down control. Its buddy, when it has UDS_ARROWKEYS, is subclassed so that the Up and
// Down keys step the control.
#include "platform/user/up_down.h"

#include "platform/gdi/gdi.h"
#include "platform/user/control_look.h"
#include "platform/user/control_support.h"
#include "platform/user/input.h"
#include "platform/user/paint.h"
#include "platform/user/scroll_bars.h"
#include "platform/user/window.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

namespace zv::user {
namespace {

struct UpDownState {
    int low = 100; // the documented default range runs from 100 down to 0
    int high = 0;
    int pos = 0;
    HWND buddy = nullptr;
    int pressed = 0; // +1 the up (right) button, -1 the down (left) one, 0 none
};

// Buddies taking arrow keys: buddy -> (up-down control, the buddy's own procedure).
struct KeyedBuddy {
    HWND upDown;
    WNDPROC original;
};

std::mutex& BuddiesMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::map<HWND, KeyedBuddy>& Buddies()
{
    static auto* buddies = new std::map<HWND, KeyedBuddy>;
    return *buddies;
}

UpDownState* StateOf(HWND hwnd) { return ControlState<UpDownState>(hwnd); }

int Clamp(const UpDownState& s, int value) { return std::clamp(value, std::min(s.low, s.high), std::max(s.low, s.high)); }

std::string FormatPosition(int value, bool thousands)
{
    const std::string digits = std::to_string(value < 0 ? -static_cast<long long>(value) : value);
    std::string shown = value < 0 ? "-" : "";
    for (size_t i = 0; i < digits.size(); ++i) {
        if (thousands && i > 0 && (digits.size() - i) % 3 == 0)
            shown += ',';
        shown += digits[i];
    }
    return shown;
}

// The number the buddy shows, if it shows one (thousands separators allowed).
bool ParseBuddy(HWND buddy, int& value)
{
    char text[64] = {};
    GetWindowTextA(buddy, text, sizeof text);
    std::string digits;
    for (const char* c = text; *c; ++c) {
        if (*c != ',' && *c != ' ')
            digits += *c;
    }
    if (digits.empty())
        return false;
    char* end = nullptr;
    const long parsed = std::strtol(digits.c_str(), &end, 10);
    if (*end != '\0')
        return false;
    value = static_cast<int>(std::clamp<long>(parsed, INT32_MIN, INT32_MAX));
    return true;
}

void ShowInBuddy(HWND hwnd)
{
    const UpDownState* s = StateOf(hwnd);
    if (s->buddy && (StyleOf(hwnd) & UDS_SETBUDDYINT))
        SetWindowTextA(s->buddy, FormatPosition(s->pos, !(StyleOf(hwnd) & UDS_NOTHOUSANDS)).c_str());
}

void SendScroll(HWND hwnd, WORD code, int pos)
{
    SendMessageA(GetParent(hwnd), (StyleOf(hwnd) & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL,
                 MAKEWPARAM(code, static_cast<unsigned>(pos) & 0xFFFF), reinterpret_cast<LPARAM>(hwnd));
}

// One step towards the range's upper end (+1) or its lower end (-1), as the parent allows.
void Step(HWND hwnd, int towardsHigh)
{
    UpDownState* s = StateOf(hwnd);
    if (s->buddy && (StyleOf(hwnd) & UDS_SETBUDDYINT))
        ParseBuddy(s->buddy, s->pos);
    const int delta = (s->high >= s->low) ? towardsHigh : -towardsHigh;
    NMUPDOWN notice{};
    notice.iPos = s->pos;
    notice.iDelta = delta;
    if (NotifyParent(hwnd, UDN_DELTAPOS, &notice.hdr))
        return; // the parent refused the step
    s = StateOf(hwnd);
    if (!s)
        return;
    const int lowest = std::min(s->low, s->high);
    const int highest = std::max(s->low, s->high);
    long long next = static_cast<long long>(s->pos) + notice.iDelta;
    if (next < lowest || next > highest) {
        if (!(StyleOf(hwnd) & UDS_WRAP))
            next = std::clamp<long long>(next, lowest, highest);
        else
            next = next < lowest ? highest : lowest;
    }
    s->pos = static_cast<int>(next);
    ShowInBuddy(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);
    SendScroll(hwnd, SB_THUMBPOSITION, s->pos);
}

LRESULT CALLBACK BuddyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    KeyedBuddy keyed{};
    {
        std::lock_guard lock(BuddiesMutex());
        const auto found = Buddies().find(hwnd);
        if (found == Buddies().end())
            return DefWindowProcA(hwnd, message, wParam, lParam);
        keyed = found->second;
        if (message == WM_NCDESTROY)
            Buddies().erase(found);
    }
    if (message == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN) && IsWindow(keyed.upDown)) {
        Step(keyed.upDown, wParam == VK_UP ? 1 : -1);
        SendScroll(keyed.upDown, SB_ENDSCROLL, StateOf(keyed.upDown)->pos);
        return 0;
    }
    return CallWindowProcA(keyed.original, hwnd, message, wParam, lParam);
}

void ReleaseBuddy(HWND hwnd)
{
    UpDownState* s = StateOf(hwnd);
    if (!s->buddy)
        return;
    std::lock_guard lock(BuddiesMutex());
    const auto found = Buddies().find(s->buddy);
    if (found != Buddies().end() && found->second.upDown == hwnd) {
        if (IsWindow(s->buddy))
            SetWindowLongPtrA(s->buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(found->second.original));
        Buddies().erase(found);
    }
}

// Takes the buddy: places the control at its side, shows the position in it and hooks its keys.
HWND SetBuddy(HWND hwnd, HWND buddy)
{
    UpDownState* s = StateOf(hwnd);
    const HWND previous = s->buddy;
    ReleaseBuddy(hwnd);
    s->buddy = IsWindow(buddy) ? buddy : nullptr;
    if (!s->buddy)
        return previous;
    const DWORD style = StyleOf(hwnd);
    if (style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT)) {
        RECT buddyRect, own;
        GetWindowRect(s->buddy, &buddyRect);
        GetWindowRect(hwnd, &own);
        MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&buddyRect), 2);
        const int width = own.right - own.left;
        const int height = buddyRect.bottom - buddyRect.top;
        const int buddyWidth = std::max(0, static_cast<int>(buddyRect.right - buddyRect.left) - width);
        if (style & UDS_ALIGNRIGHT) {
            MoveWindow(s->buddy, buddyRect.left, buddyRect.top, buddyWidth, height, TRUE);
            MoveWindow(hwnd, buddyRect.left + buddyWidth, buddyRect.top, width, height, TRUE);
        } else {
            MoveWindow(hwnd, buddyRect.left, buddyRect.top, width, height, TRUE);
            MoveWindow(s->buddy, buddyRect.left + width, buddyRect.top, buddyWidth, height, TRUE);
        }
    }
    if (style & UDS_ARROWKEYS) {
        std::lock_guard lock(BuddiesMutex());
        const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(s->buddy, GWLP_WNDPROC));
        if (original != BuddyProc) {
            Buddies()[s->buddy] = KeyedBuddy{hwnd, original};
            SetWindowLongPtrA(s->buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BuddyProc));
        }
    }
    ShowInBuddy(hwnd);
    return previous;
}

// +1 for a point on the up (right) button, -1 on the down (left) one.
int ButtonAt(HWND hwnd, POINT p)
{
    RECT client;
    GetClientRect(hwnd, &client);
    if (StyleOf(hwnd) & UDS_HORZ)
        return p.x >= client.right / 2 ? 1 : -1;
    return p.y < client.bottom / 2 ? 1 : -1;
}

void Paint(HWND hwnd)
{
    const UpDownState* s = StateOf(hwnd);
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    const bool horizontal = (StyleOf(hwnd) & UDS_HORZ) != 0;
    const bool enabled = IsWindowEnabled(hwnd);
    for (int button : {1, -1}) {
        RECT box = client;
        if (horizontal)
            (button > 0 ? box.left : box.right) = client.right / 2;
        else
            (button > 0 ? box.bottom : box.top) = client.bottom / 2;
        SetDCBrushColor(hdc, s->pressed == button ? RGB(0xCC, 0xE4, 0xF7) : RGB(0xF0, 0xF0, 0xF0));
        FillRect(hdc, &box, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        FrameRect(hdc, &box, GetSysColorBrush(COLOR_3DLIGHT));
        const int cx = (box.left + box.right) / 2;
        const int cy = (box.top + box.bottom) / 2;
        POINT tip[3];
        if (horizontal) {
            tip[0] = {cx + 2 * button, cy};
            tip[1] = {cx - 2 * button, cy - 3};
            tip[2] = {cx - 2 * button, cy + 3};
        } else {
            tip[0] = {cx, cy - 2 * button};
            tip[1] = {cx - 3, cy + 2 * button};
            tip[2] = {cx + 3, cy + 2 * button};
        }
        const COLORREF ink = enabled ? RGB(0x40, 0x40, 0x40) : RGB(0xA0, 0xA0, 0xA0);
        look::Triangle(hdc, tip, ink);
    }
    EndPaint(hwnd, &paint);
}

LRESULT CALLBACK UpDownProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    UpDownState* s = StateOf(hwnd);
    if (!s && message != WM_NCCREATE)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(new UpDownState));
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_CREATE:
        if (StyleOf(hwnd) & UDS_AUTOBUDDY)
            SetBuddy(hwnd, GetWindow(hwnd, GW_HWNDPREV));
        return 0;
    case WM_NCDESTROY:
        ReleaseBuddy(hwnd);
        SetWindowLongPtrA(hwnd, 0, 0);
        delete s;
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        s->pressed = ButtonAt(hwnd, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        SetCapture(hwnd);
        InvalidateRect(hwnd, nullptr, TRUE);
        Step(hwnd, s->pressed);
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (s->pressed) {
            s->pressed = 0;
            if (GetCapture() == hwnd)
                ReleaseCapture();
            InvalidateRect(hwnd, nullptr, TRUE);
            SendScroll(hwnd, SB_ENDSCROLL, s->pos);
        }
        return 0;
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case UDM_SETRANGE:
        s->low = static_cast<short>(HIWORD(static_cast<DWORD>(lParam)));
        s->high = static_cast<short>(LOWORD(static_cast<DWORD>(lParam)));
        s->pos = Clamp(*s, s->pos);
        return 0;
    case UDM_SETRANGE32:
        s->low = static_cast<int>(wParam);
        s->high = static_cast<int>(lParam);
        s->pos = Clamp(*s, s->pos);
        return 0;
    case UDM_GETRANGE:
        return static_cast<LRESULT>(MAKELONG(static_cast<unsigned>(s->high) & 0xFFFF, static_cast<unsigned>(s->low) & 0xFFFF));
    case UDM_GETRANGE32:
        if (wParam)
            *reinterpret_cast<int*>(wParam) = s->low;
        if (lParam)
            *reinterpret_cast<int*>(lParam) = s->high;
        return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
        const int previous = s->pos;
        s->pos = Clamp(*s, message == UDM_SETPOS ? static_cast<short>(LOWORD(static_cast<DWORD>(lParam)))
                                                 : static_cast<int>(lParam));
        ShowInBuddy(hwnd);
        return previous;
    }
    case UDM_GETPOS:
    case UDM_GETPOS32: {
        // A buddy showing the number may have been edited by the user since.
        bool invalid = false;
        if (s->buddy && (StyleOf(hwnd) & UDS_SETBUDDYINT)) {
            int shown = 0;
            invalid = !ParseBuddy(s->buddy, shown) || shown != Clamp(*s, shown);
            if (!invalid)
                s->pos = shown;
        }
        if (message == UDM_GETPOS32) {
            if (lParam)
                *reinterpret_cast<BOOL*>(lParam) = invalid;
            return s->pos;
        }
        return static_cast<LRESULT>(MAKELONG(static_cast<unsigned>(s->pos) & 0xFFFF, invalid ? 1u : 0u));
    }
    case UDM_SETBUDDY:
        return reinterpret_cast<LRESULT>(SetBuddy(hwnd, reinterpret_cast<HWND>(wParam)));
    case UDM_GETBUDDY:
        return reinterpret_cast<LRESULT>(s->buddy);
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

} // namespace

bool RegisterUpDownClass()
{
    return RegisterControlClass(kUpDownClassName, UpDownProc, IDC_ARROW);
}

} // namespace zv::user
