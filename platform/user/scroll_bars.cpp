// Window scroll bars: their settings, geometry, drawing and the mouse tracking that drives them.
#include "platform/user/scroll_bars.h"

#include "platform/gdi/gdi.h"
#include "platform/user/control_look.h"
#include "platform/user/input.h"
#include "platform/user/non_client.h"
#include "platform/user/paint.h"
#include "platform/user/system_metrics.h"
#include "platform/user/window_model.h"
#include "platform/win32/last_error.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace zv::user {
namespace {

struct BarSettings {
    int min = 0;
    int max = 100;
    UINT page = 0;
    int pos = 0;
    int trackPos = 0;
    UINT disabledArrows = ESB_ENABLE_BOTH;
    bool disabledForNoScroll = false; // SIF_DISABLENOSCROLL kept it while nothing scrolls
};

struct WindowBars {
    BarSettings bars[2]; // SB_HORZ, SB_VERT
};

std::mutex& BarsMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::map<HWND, WindowBars>& AllBars()
{
    static auto* bars = new std::map<HWND, WindowBars>;
    return *bars;
}

BarSettings SettingsOf(HWND hwnd, int bar)
{
    std::lock_guard lock(BarsMutex());
    const auto found = AllBars().find(hwnd);
    return found == AllBars().end() ? BarSettings{} : found->second.bars[bar];
}

void Store(HWND hwnd, int bar, const BarSettings& settings)
{
    std::lock_guard lock(BarsMutex());
    AllBars()[hwnd].bars[bar] = settings;
}

int MaxPosition(const BarSettings& s) { return std::max(s.min, s.max - std::max(0, static_cast<int>(s.page) - 1)); }

bool HasSomethingToScroll(const BarSettings& s)
{
    return s.max > s.min && static_cast<long long>(s.page) <= static_cast<long long>(s.max) - s.min;
}

bool ValidBar(HWND hwnd, int bar)
{
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (bar != SB_HORZ && bar != SB_VERT) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

DWORD StyleBit(int bar) { return bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }

// Adds or removes the bars' style bits in one placement, so that the window hears of its new
// client size.
void ChangeBarStyles(HWND hwnd, DWORD add, DWORD remove)
{
    const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    if (((style | add) & ~remove) == style)
        return;
    PlaceWindow(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED,
                [add, remove](WindowRecord& record) { record.style = (record.style | add) & ~remove; });
    if (IsWindowVisible(hwnd))
        SendMessageA(hwnd, WM_NCPAINT, 1, 0); // the frame, the bars and the corner between them
}

void Repaint(HWND hwnd)
{
    if (!IsWindowVisible(hwnd))
        return;
    if (HDC hdc = GetWindowDC(hwnd)) {
        PaintScrollBars(hwnd, hdc);
        ReleaseDC(hwnd, hdc);
    }
}

// The bar's geometry in client coordinates: along is the coordinate that runs along the bar.
struct BarLayout {
    RECT box{};            // the whole bar
    int start = 0;         // where the bar begins along its length
    int length = 0;
    int arrow = 0;         // each arrow's length
    int thumbStart = 0;    // along, from the bar's start; thumbLength 0: no thumb
    int thumbLength = 0;
};

BarLayout LayoutOf(HWND hwnd, int bar, const BarSettings& s)
{
    BarLayout layout;
    RECT client;
    GetClientRect(hwnd, &client);
    if (bar == SB_VERT) {
        layout.box = RECT{client.right, 0, client.right + GetSystemMetrics(SM_CXVSCROLL), client.bottom};
        layout.start = 0;
        layout.length = client.bottom;
        layout.arrow = std::min(GetSystemMetrics(SM_CYVSCROLL), layout.length / 2);
    } else {
        layout.box = RECT{0, client.bottom, client.right, client.bottom + GetSystemMetrics(SM_CYHSCROLL)};
        layout.start = 0;
        layout.length = client.right;
        layout.arrow = std::min(GetSystemMetrics(SM_CXHSCROLL), layout.length / 2);
    }
    const int track = layout.length - 2 * layout.arrow;
    if (!HasSomethingToScroll(s) || s.disabledArrows == ESB_DISABLE_BOTH)
        return layout;
    const long long range = static_cast<long long>(s.max) - s.min + 1;
    const int minimum = std::max(8, layout.arrow / 2);
    int thumb = s.page ? static_cast<int>(track * static_cast<long long>(s.page) / range) : layout.arrow;
    thumb = std::max(thumb, minimum);
    if (thumb > track)
        return layout;
    const int span = MaxPosition(s) - s.min;
    const int travel = track - thumb;
    layout.thumbLength = thumb;
    layout.thumbStart =
        layout.arrow + (span > 0 ? static_cast<int>(static_cast<long long>(travel) * (s.pos - s.min) / span) : 0);
    return layout;
}

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

RECT Shifted(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

RECT Shrunk(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right - dx, r.bottom - dy}; }

int Along(int bar, POINT p) { return bar == SB_VERT ? p.y : p.x; }

void PaintBar(HWND hwnd, HDC hdc, int bar, POINT clientOrigin)
{
    const BarSettings s = SettingsOf(hwnd, bar);
    const BarLayout layout = LayoutOf(hwnd, bar, s);
    const RECT box = Shifted(layout.box, clientOrigin.x, clientOrigin.y);
    const bool vertical = bar == SB_VERT;
    const auto part = [&](int from, int to) {
        return vertical ? RECT{box.left, box.top + from, box.right, box.top + to}
                        : RECT{box.left + from, box.top, box.left + to, box.bottom};
    };
    SetDCBrushColor(hdc, RGB(0xF0, 0xF0, 0xF0));
    FillRect(hdc, &box, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    const bool active = HasSomethingToScroll(s);
    // The arrows: a small solid triangle each, grey while disabled.
    for (int which = 0; which < 2; ++which) {
        const RECT arrow = which == 0 ? part(0, layout.arrow) : part(layout.length - layout.arrow, layout.length);
        const bool disabled = !active || (s.disabledArrows & (which == 0 ? ESB_DISABLE_LTUP : ESB_DISABLE_RTDN));
        const int cx = (arrow.left + arrow.right) / 2;
        const int cy = (arrow.top + arrow.bottom) / 2;
        // A flat triangle: 4 pixels from its middle to each base corner, 2 to the tip.
        const int sign = which == 0 ? -1 : 1;
        POINT tip[3];
        if (vertical) {
            tip[0] = {cx, cy + 2 * sign};
            tip[1] = {cx - 4, cy - 2 * sign};
            tip[2] = {cx + 4, cy - 2 * sign};
        } else {
            tip[0] = {cx + 2 * sign, cy};
            tip[1] = {cx - 2 * sign, cy - 4};
            tip[2] = {cx - 2 * sign, cy + 4};
        }
        const COLORREF ink = disabled ? RGB(0xBF, 0xBF, 0xBF) : RGB(0x60, 0x60, 0x60);
        look::Triangle(hdc, tip, ink);
    }
    if (layout.thumbLength > 0) {
        const RECT whole = part(layout.thumbStart, layout.thumbStart + layout.thumbLength);
        const RECT thumb = vertical ? Shrunk(whole, 3, 1) : Shrunk(whole, 1, 3);
        SetDCBrushColor(hdc, RGB(0xC2, 0xC2, 0xC2));
        FillRect(hdc, &thumb, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
}

void Send(HWND hwnd, int bar, WORD code, int position = 0)
{
    SendMessageA(hwnd, bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL,
                 MAKEWPARAM(code, static_cast<unsigned>(position) & 0xFFFF), 0);
}

// The thumb's position for a point along the bar while it is dragged by `grab` pixels from its
// start.
int PositionForThumbAt(const BarLayout& layout, const BarSettings& s, int along, int grab)
{
    const int travel = layout.length - 2 * layout.arrow - layout.thumbLength;
    if (travel <= 0)
        return s.min;
    const int offset = std::clamp(along - grab - layout.arrow, 0, travel);
    return s.min + static_cast<int>(static_cast<long long>(offset) * (MaxPosition(s) - s.min) / travel);
}

} // namespace

int ScrollBarHit(HWND hwnd, POINT p)
{
    const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    for (int bar : {SB_VERT, SB_HORZ}) {
        if (!(style & StyleBit(bar)))
            continue;
        const RECT box = LayoutOf(hwnd, bar, SettingsOf(hwnd, bar)).box;
        if (Inside(box, p))
            return bar == SB_VERT ? HTVSCROLL : HTHSCROLL;
    }
    return HTNOWHERE;
}

void PaintScrollBars(HWND hwnd, HDC windowDc)
{
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    RECT window;
    GetWindowRect(hwnd, &window);
    const POINT clientOrigin{origin.x - window.left, origin.y - window.top};
    const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    for (int bar : {SB_VERT, SB_HORZ}) {
        if (style & StyleBit(bar))
            PaintBar(hwnd, windowDc, bar, clientOrigin);
    }
}

void TrackScrollBar(HWND hwnd, int hitCode, POINT screenPoint)
{
    const int bar = hitCode == HTVSCROLL ? SB_VERT : SB_HORZ;
    BarSettings s = SettingsOf(hwnd, bar);
    if (!HasSomethingToScroll(s) || s.disabledArrows == ESB_DISABLE_BOTH)
        return;
    POINT point = screenPoint;
    ScreenToClient(hwnd, &point);
    const BarLayout layout = LayoutOf(hwnd, bar, s);
    const int along = Along(bar, point);
    const bool onThumb = layout.thumbLength > 0 && along >= layout.thumbStart &&
                         along < layout.thumbStart + layout.thumbLength;
    const int grab = along - layout.thumbStart;
    if (!onThumb) {
        WORD code = SB_PAGEUP;
        if (along < layout.arrow)
            code = SB_LINEUP;
        else if (along >= layout.length - layout.arrow)
            code = SB_LINEDOWN;
        else if (along >= layout.thumbStart + layout.thumbLength)
            code = SB_PAGEDOWN;
        if ((code == SB_LINEUP && (s.disabledArrows & ESB_DISABLE_LTUP)) ||
            (code == SB_LINEDOWN && (s.disabledArrows & ESB_DISABLE_RTDN)))
            return;
        Send(hwnd, bar, code);
    }
    // Follow the mouse until the button comes up.
    s.trackPos = s.pos;
    Store(hwnd, bar, s);
    int lastPosition = s.pos;
    FollowPress(
        hwnd,
        [&](POINT onScreen) {
            if (!onThumb)
                return;
            POINT at = onScreen;
            ScreenToClient(hwnd, &at);
            const int position = PositionForThumbAt(layout, SettingsOf(hwnd, bar), Along(bar, at), grab);
            if (position == lastPosition)
                return;
            lastPosition = position;
            BarSettings current = SettingsOf(hwnd, bar);
            current.trackPos = position;
            Store(hwnd, bar, current);
            Send(hwnd, bar, SB_THUMBTRACK, position);
        },
        nullptr);
    if (onThumb)
        Send(hwnd, bar, SB_THUMBPOSITION, lastPosition);
    Send(hwnd, bar, SB_ENDSCROLL);
}

void ForgetScrollBars(HWND hwnd)
{
    std::lock_guard lock(BarsMutex());
    AllBars().erase(hwnd);
}

} // namespace zv::user

using namespace zv::user;

int SetScrollInfo(HWND hwnd, int nBar, LPCSCROLLINFO lpsi, BOOL redraw)
{
    if (!ValidBar(hwnd, nBar))
        return 0;
    if (!lpsi || (lpsi->cbSize != sizeof(SCROLLINFO) && lpsi->cbSize != sizeof(SCROLLINFO) - sizeof(int))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    BarSettings s = SettingsOf(hwnd, nBar);
    if (lpsi->fMask & SIF_RANGE) {
        s.min = lpsi->nMin;
        s.max = std::max(lpsi->nMin, lpsi->nMax);
    }
    if (lpsi->fMask & SIF_PAGE)
        s.page = lpsi->nPage;
    const long long span = static_cast<long long>(s.max) - s.min + 1;
    if (static_cast<long long>(s.page) > span)
        s.page = static_cast<UINT>(span);
    if (lpsi->fMask & SIF_POS)
        s.pos = lpsi->nPos;
    s.pos = std::clamp(s.pos, s.min, MaxPosition(s));
    if (lpsi->fMask & (SIF_RANGE | SIF_PAGE)) {
        const bool scrolls = HasSomethingToScroll(s);
        s.disabledForNoScroll = !scrolls && (lpsi->fMask & SIF_DISABLENOSCROLL);
        Store(hwnd, nBar, s);
        if (scrolls || s.disabledForNoScroll)
            ChangeBarStyles(hwnd, StyleBit(nBar), 0);
        else
            ChangeBarStyles(hwnd, 0, StyleBit(nBar));
    } else {
        Store(hwnd, nBar, s);
    }
    if (redraw)
        Repaint(hwnd);
    return s.pos;
}

BOOL GetScrollInfo(HWND hwnd, int nBar, LPSCROLLINFO lpsi)
{
    if (!ValidBar(hwnd, nBar))
        return FALSE;
    if (!lpsi) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const BarSettings s = SettingsOf(hwnd, nBar);
    if (lpsi->fMask & SIF_RANGE) {
        lpsi->nMin = s.min;
        lpsi->nMax = s.max;
    }
    if (lpsi->fMask & SIF_PAGE)
        lpsi->nPage = s.page;
    if (lpsi->fMask & SIF_POS)
        lpsi->nPos = s.pos;
    if (lpsi->fMask & SIF_TRACKPOS)
        lpsi->nTrackPos = s.trackPos;
    return TRUE;
}

int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw)
{
    if (!ValidBar(hWnd, nBar))
        return 0;
    const int previous = GetScrollPos(hWnd, nBar);
    SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, nPos, 0};
    SetScrollInfo(hWnd, nBar, &info, bRedraw);
    return previous;
}

int GetScrollPos(HWND hWnd, int nBar)
{
    SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, 0, 0};
    return GetScrollInfo(hWnd, nBar, &info) ? info.nPos : 0;
}

BOOL SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw)
{
    if (!ValidBar(hWnd, nBar))
        return FALSE;
    SCROLLINFO info{sizeof info, SIF_RANGE, nMinPos, nMaxPos, 0, 0, 0};
    SetScrollInfo(hWnd, nBar, &info, bRedraw);
    return TRUE;
}

BOOL GetScrollRange(HWND hWnd, int nBar, int* lpMinPos, int* lpMaxPos)
{
    SCROLLINFO info{sizeof info, SIF_RANGE, 0, 0, 0, 0, 0};
    if (!lpMinPos || !lpMaxPos || !GetScrollInfo(hWnd, nBar, &info))
        return FALSE;
    *lpMinPos = info.nMin;
    *lpMaxPos = info.nMax;
    return TRUE;
}

BOOL ShowScrollBar(HWND hWnd, int wBar, BOOL bShow)
{
    if (!ValidBar(hWnd, wBar == SB_BOTH ? SB_VERT : wBar))
        return FALSE;
    const DWORD bits = wBar == SB_BOTH ? (WS_VSCROLL | WS_HSCROLL) : StyleBit(wBar);
    ChangeBarStyles(hWnd, bShow ? bits : 0, bShow ? 0 : bits);
    return TRUE;
}

BOOL EnableScrollBar(HWND hWnd, UINT wSBflags, UINT wArrows)
{
    const int first = wSBflags == SB_BOTH ? SB_HORZ : static_cast<int>(wSBflags);
    const int last = wSBflags == SB_BOTH ? SB_VERT : static_cast<int>(wSBflags);
    if (!ValidBar(hWnd, first) || !ValidBar(hWnd, last) || wArrows > ESB_DISABLE_BOTH)
        return FALSE;
    for (int bar = first; bar <= last; ++bar) {
        BarSettings s = SettingsOf(hWnd, bar);
        s.disabledArrows = wArrows;
        Store(hWnd, bar, s);
    }
    Repaint(hWnd);
    return TRUE;
}
