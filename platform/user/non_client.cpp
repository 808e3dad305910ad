#include "platform/user/non_client.h"

#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_icons.h"
#include "platform/gdi/gdi_shapes.h"
#include "platform/gdi/gdi_text.h"
#include "platform/user/control_look.h"
#include "platform/user/input.h"
#include "platform/user/menu.h"
#include "platform/user/scroll_bars.h"
#include "platform/user/system_metrics.h"
#include "platform/user/virtual_keys.h"
#include "platform/user/window_model.h"
#include "platform/win32/last_error.h"

#include <algorithm>
#include <functional>
#include <string>

namespace zv::user {
namespace {

bool HasCaption(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION; }

// The frame's own thickness, without the caption and the client edges.
int FrameWidth(DWORD style, DWORD exStyle)
{
    if (style & WS_THICKFRAME)
        return GetSystemMetrics(SM_CXFRAME);
    if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        return GetSystemMetrics(SM_CXDLGFRAME);
    return (style & WS_BORDER) ? GetSystemMetrics(SM_CXBORDER) : 0;
}

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

struct FrameFacts {
    DWORD style = 0;
    DWORD exStyle = 0;
    SIZE size{};
    RECT client{}; // window coordinates
    RECT onScreen{};
    bool active = false;
    HICON icon = nullptr;
    std::string title;
    bool noClose = false;
};

bool ReadFacts(HWND hwnd, FrameFacts& facts)
{
    return WithWindow<bool>(hwnd, false, [&](WindowTable& table, WindowRecord& record) {
        facts.style = record.style;
        facts.exStyle = record.exStyle;
        facts.size = SIZE{record.rect.right - record.rect.left, record.rect.bottom - record.rect.top};
        facts.client = ClientAreaInWindow(record);
        const POINT origin = WindowOriginOnScreenLocked(table, record);
        facts.onScreen = RECT{origin.x, origin.y, origin.x + facts.size.cx, origin.y + facts.size.cy};
        facts.active = record.captionActive;
        facts.icon = record.smallIcon ? record.smallIcon : record.windowClass->icon;
        facts.title = record.text;
        facts.noClose = (record.windowClass->style & CS_NOCLOSE) != 0;
        return true;
    });
}

// The edges and corners of a sizing frame; corners reach a caption's height along both edges.
int SizingEdgeHit(SIZE window, int frame, POINT at)
{
    const int corner = GetSystemMetrics(SM_CYCAPTION);
    const bool left = at.x < frame;
    const bool right = at.x >= window.cx - frame;
    const bool top = at.y < frame;
    const bool bottom = at.y >= window.cy - frame;
    const bool nearLeft = at.x < corner;
    const bool nearRight = at.x >= window.cx - corner;
    const bool nearTop = at.y < corner;
    const bool nearBottom = at.y >= window.cy - corner;
    if ((top && nearLeft) || (left && nearTop))
        return HTTOPLEFT;
    if ((top && nearRight) || (right && nearTop))
        return HTTOPRIGHT;
    if ((bottom && nearLeft) || (left && nearBottom))
        return HTBOTTOMLEFT;
    if ((bottom && nearRight) || (right && nearBottom))
        return HTBOTTOMRIGHT;
    if (left)
        return HTLEFT;
    if (right)
        return HTRIGHT;
    if (top)
        return HTTOP;
    if (bottom)
        return HTBOTTOM;
    return HTBORDER;
}

HFONT CaptionFont()
{
    static HFONT font = [] {
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        return CreateFontIndirectA(&metrics.lfCaptionFont);
    }();
    return font;
}

// The glyphs of the caption boxes, drawn in the middle of their rectangles.
void PaintBoxGlyph(HDC hdc, const RECT& box, int hit, COLORREF colour)
{
    const int size = 10;
    const int left = (box.left + box.right - size) / 2;
    const int top = (box.top + box.bottom - size) / 2;
    switch (hit) {
    case HTCLOSE:
        look::Line(hdc, left, top, left + size, top + size, colour);
        look::Line(hdc, left + size - 1, top, left - 1, top + size, colour);
        break;
    case HTMAXBUTTON:
        look::Outline(hdc, RECT{left, top, left + size, top + size}, colour);
        look::Line(hdc, left, top + 1, left + size, top + 1, colour);
        break;
    default: // minimise
        look::Line(hdc, left, top + size - 1, left + size, top + size - 1, colour, 2);
        break;
    }
}

void PaintCaption(HDC hdc, const FrameFacts& facts, COLORREF background, COLORREF text)
{
    const CaptionParts parts = CaptionPartsOf(facts.style, facts.exStyle, facts.size);
    look::Fill(hdc, parts.bar, background);
    int textLeft = parts.bar.left + 6;
    if (!gdi::IsEmptyRect(parts.icon)) {
        const int iconSize = GetSystemMetrics(SM_CXSMICON);
        if (facts.icon)
            DrawIconEx(hdc, parts.icon.left + (parts.icon.right - parts.icon.left - iconSize) / 2,
                       parts.icon.top + (parts.icon.bottom - parts.icon.top - iconSize) / 2, facts.icon, iconSize,
                       iconSize, 0, nullptr, DI_NORMAL);
        textLeft = parts.icon.right + 2;
    }
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    int textRight = parts.bar.right;
    const std::pair<const RECT*, int> boxes[] = {{&parts.close, HTCLOSE}, {&parts.maximise, HTMAXBUTTON},
                                                 {&parts.minimise, HTMINBUTTON}};
    for (const auto& [box, hit] : boxes) {
        if (gdi::IsEmptyRect(*box))
            continue;
        const bool allowed = hit == HTCLOSE        ? !facts.noClose
                             : hit == HTMAXBUTTON ? (facts.style & WS_MAXIMIZEBOX) != 0
                                                  : (facts.style & WS_MINIMIZEBOX) != 0;
        PaintBoxGlyph(hdc, *box, hit, allowed ? text : grey);
        textRight = std::min<int>(textRight, box->left);
    }
    const RECT title{textLeft, parts.bar.top, textRight - 4, parts.bar.bottom};
    look::Text(hdc, CaptionFont(), facts.title.c_str(), title,
               DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS, text);
}

// The caption drag: the window follows the pointer; Escape puts it back.
void MoveWithPointer(HWND hwnd, POINT start)
{
    RECT startRect{};
    if (!GetWindowRect(hwnd, &startRect))
        return;
    // A child's position counts from its parent's client area.
    const HWND parent = (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr;
    POINT parentOrigin{0, 0};
    if (parent)
        ClientToScreen(parent, &parentOrigin);
    const auto placeAt = [&](RECT rect) {
        SetWindowPos(hwnd, nullptr, rect.left - parentOrigin.x, rect.top - parentOrigin.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    const bool completed = FollowPress(
        hwnd,
        [&](POINT at) {
            RECT rect{startRect.left + at.x - start.x, startRect.top + at.y - start.y,
                      startRect.right + at.x - start.x, startRect.bottom + at.y - start.y};
            SendMessageA(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&rect));
            placeAt(rect);
        },
        nullptr);
    if (!completed)
        placeAt(startRect);
}

// A press on a caption box acts when the button comes up over the same box.
void PressBox(HWND hwnd, int hit, UINT command)
{
    POINT released{};
    if (!FollowPress(hwnd, [](POINT) {}, &released))
        return;
    if (DefaultHitTest(hwnd, MAKELPARAM(static_cast<unsigned>(released.x), static_cast<unsigned>(released.y))) == hit)
        SendMessageA(hwnd, WM_SYSCOMMAND, command, MAKELPARAM(static_cast<unsigned>(released.x), static_cast<unsigned>(released.y)));
}

} // namespace

bool FollowPress(HWND hwnd, const std::function<void(POINT)>& moved, POINT* released)
{
    SetCapture(hwnd);
    bool completed = false;
    MSG msg;
    while (GetCapture() == hwnd) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.hwnd == hwnd && msg.message == WM_LBUTTONUP) {
            if (released)
                *released = msg.pt;
            completed = true;
            break;
        }
        if (msg.hwnd == hwnd && msg.message == WM_MOUSEMOVE) {
            moved(msg.pt);
            continue;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE)
            break;
        if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
            continue; // the press has the mouse
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (GetCapture() == hwnd)
        ReleaseCapture();
    return completed;
}

RECT FrameThickness(DWORD style, DWORD exStyle)
{
    const int frame = FrameWidth(style, exStyle);
    RECT thickness{frame, frame, frame, frame};
    if (HasCaption(style))
        thickness.top += GetSystemMetrics(SM_CYCAPTION);
    int edges = 0;
    if (exStyle & WS_EX_CLIENTEDGE)
        edges += GetSystemMetrics(SM_CXEDGE);
    if (exStyle & WS_EX_STATICEDGE)
        edges += GetSystemMetrics(SM_CXBORDER);
    thickness.left += edges;
    thickness.top += edges;
    thickness.right += edges;
    thickness.bottom += edges;
    return thickness;
}

CaptionParts CaptionPartsOf(DWORD style, DWORD exStyle, SIZE window)
{
    CaptionParts parts;
    if (!HasCaption(style))
        return parts;
    const int frame = FrameWidth(style, exStyle);
    const int height = GetSystemMetrics(SM_CYCAPTION);
    parts.bar = RECT{frame, frame, std::max(frame, static_cast<int>(window.cx) - frame), frame + height};
    if (!(style & WS_SYSMENU))
        return parts;
    const int boxWidth = GetSystemMetrics(SM_CXSIZE);
    int right = parts.bar.right;
    const auto nextBox = [&] {
        const RECT box{std::max<int>(parts.bar.left, right - boxWidth), parts.bar.top, right, parts.bar.bottom};
        right = box.left;
        return box;
    };
    parts.close = nextBox();
    // Tool windows have only the close box; the other two come together when either is asked for.
    if (!(exStyle & WS_EX_TOOLWINDOW) && (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) {
        parts.maximise = nextBox();
        parts.minimise = nextBox();
    }
    if (!(exStyle & (WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME)))
        parts.icon = RECT{parts.bar.left, parts.bar.top, std::min<int>(right, parts.bar.left + height), parts.bar.bottom};
    return parts;
}

int FrameHitTest(DWORD style, DWORD exStyle, SIZE window, const RECT& client, POINT at)
{
    if (!Inside(RECT{0, 0, window.cx, window.cy}, at))
        return HTNOWHERE;
    if (Inside(client, at))
        return HTCLIENT;
    if ((style & WS_VSCROLL) &&
        Inside(RECT{client.right, client.top, client.right + GetSystemMetrics(SM_CXVSCROLL), client.bottom}, at))
        return HTVSCROLL;
    if ((style & WS_HSCROLL) &&
        Inside(RECT{client.left, client.bottom, client.right, client.bottom + GetSystemMetrics(SM_CYHSCROLL)}, at))
        return HTHSCROLL;
    const CaptionParts parts = CaptionPartsOf(style, exStyle, window);
    const int frame = FrameWidth(style, exStyle);
    const bool onFrame = at.x < frame || at.y < frame || at.x >= window.cx - frame || at.y >= window.cy - frame;
    if (!onFrame && Inside(parts.bar, at)) {
        const std::pair<const RECT*, int> boxes[] = {{&parts.close, HTCLOSE}, {&parts.maximise, HTMAXBUTTON},
                                                     {&parts.minimise, HTMINBUTTON}, {&parts.icon, HTSYSMENU}};
        for (const auto& [box, hit] : boxes) {
            if (Inside(*box, at))
                return hit;
        }
        return HTCAPTION;
    }
    // A maximised window cannot be sized.
    if (onFrame && (style & WS_THICKFRAME) && !(style & WS_MAXIMIZE))
        return SizingEdgeHit(window, frame, at);
    return HTBORDER;
}

LRESULT DefaultHitTest(HWND hwnd, LPARAM lParam)
{
    FrameFacts facts;
    if (!ReadFacts(hwnd, facts))
        return HTNOWHERE;
    const POINT at{GET_X_LPARAM(lParam) - facts.onScreen.left, GET_Y_LPARAM(lParam) - facts.onScreen.top};
    return FrameHitTest(facts.style, facts.exStyle, facts.size, facts.client, at);
}

LRESULT PaintFrame(HWND hwnd)
{
    FrameFacts facts;
    if (!ReadFacts(hwnd, facts))
        return 0;
    const int frame = FrameWidth(facts.style, facts.exStyle);
    const bool caption = HasCaption(facts.style);
    const RECT window{0, 0, facts.size.cx, facts.size.cy};
    if (frame == 0 && !caption && !(facts.exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) &&
        !(facts.style & (WS_VSCROLL | WS_HSCROLL)))
        return 0;
    HDC hdc = GetWindowDC(hwnd);
    if (!hdc)
        return 0;
    const COLORREF captionColour = GetSysColor(facts.active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    if (frame > 0) {
        // A framed dialog or main window wears its caption's colour all round; a plain border is a line.
        const bool wide = frame > GetSystemMetrics(SM_CXBORDER);
        if (wide) {
            const RECT sides[] = {{0, 0, window.right, frame},
                                  {0, window.bottom - frame, window.right, window.bottom},
                                  {0, frame, frame, window.bottom - frame},
                                  {window.right - frame, frame, window.right, window.bottom - frame}};
            for (const RECT& side : sides)
                look::Fill(hdc, side, caption ? captionColour : GetSysColor(COLOR_BTNFACE));
        }
        look::Outline(hdc, window, GetSysColor(COLOR_WINDOWFRAME));
    }
    if (caption)
        PaintCaption(hdc, facts, captionColour,
                     GetSysColor(facts.active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    const RECT outer = FrameThickness(facts.style, facts.exStyle & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
    RECT ring{outer.left, outer.top, window.right - outer.right, window.bottom - outer.bottom};
    if (facts.exStyle & WS_EX_CLIENTEDGE)
        DrawEdge(hdc, &ring, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    if (facts.exStyle & WS_EX_STATICEDGE)
        DrawEdge(hdc, &ring, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    // The corner between two bars, then the bars.
    if ((facts.style & WS_VSCROLL) && (facts.style & WS_HSCROLL)) {
        const RECT corner{facts.client.right, facts.client.bottom, ring.right, ring.bottom};
        FillRect(hdc, &corner, SysColourBrushValue(COLOR_BTNFACE));
    }
    PaintScrollBars(hwnd, hdc);
    ReleaseDC(hwnd, hdc);
    return 0;
}

LRESULT ShowCaptionActive(HWND hwnd, bool active)
{
    const bool repaint = WithWindow<bool>(hwnd, false, [&](WindowTable&, WindowRecord& record) {
        const bool changed = record.captionActive != active;
        record.captionActive = active;
        return changed && HasCaption(record.style);
    });
    if (repaint)
        PaintFrame(hwnd);
    return TRUE;
}

LRESULT NonClientPress(HWND hwnd, UINT message, WPARAM hit, LPARAM lParam)
{
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const auto style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    if (hit == HTVSCROLL || hit == HTHSCROLL) {
        TrackScrollBar(hwnd, static_cast<int>(hit), at);
        return 0;
    }
    if (message == WM_NCLBUTTONDBLCLK) {
        // A double click on the caption maximises or restores; on the icon it closes.
        if (hit == HTCAPTION && (style & WS_MAXIMIZEBOX))
            SendMessageA(hwnd, WM_SYSCOMMAND, (style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, lParam);
        else if (hit == HTSYSMENU)
            SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
        return 0;
    }
    switch (hit) {
    case HTCAPTION:
        SendMessageA(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
        break;
    case HTCLOSE: PressBox(hwnd, HTCLOSE, SC_CLOSE); break;
    case HTMINBUTTON:
        if (style & WS_MINIMIZEBOX)
            PressBox(hwnd, HTMINBUTTON, SC_MINIMIZE);
        break;
    case HTMAXBUTTON:
        if (style & WS_MAXIMIZEBOX)
            PressBox(hwnd, HTMAXBUTTON, (style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE);
        break;
    default: break;
    }
    return 0;
}

LRESULT SystemCommand(HWND hwnd, WPARAM command, LPARAM lParam)
{
    switch (command & 0xFFF0) {
    case SC_CLOSE: {
        FrameFacts facts;
        if (ReadFacts(hwnd, facts) && !facts.noClose)
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); return 0;
    case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); return 0;
    case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); return 0;
    case SC_MOVE: {
        // From the caption the press point comes along; from elsewhere the pointer is where it is.
        POINT start{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if ((command & 0x000F) != HTCAPTION)
            GetCursorPos(&start);
        if (!(GetWindowLongA(hwnd, GWL_STYLE) & WS_MAXIMIZE))
            MoveWithPointer(hwnd, start);
        return 0;
    }
    default: return 0;
    }
}

} // namespace zv::user

BOOL AdjustWindowRectEx(RECT* lpRect, DWORD dwStyle, BOOL /*bMenu*/, DWORD dwExStyle)
{
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const RECT thickness = zv::user::FrameThickness(dwStyle, dwExStyle);
    lpRect->left -= thickness.left;
    lpRect->top -= thickness.top;
    lpRect->right += thickness.right;
    lpRect->bottom += thickness.bottom;
    return TRUE;
}

BOOL AdjustWindowRect(RECT* lpRect, DWORD dwStyle, BOOL bMenu)
{
    return AdjustWindowRectEx(lpRect, dwStyle, bMenu, 0);
}
