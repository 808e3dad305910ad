// DrawEdge and DrawFocusRect: the 3-D frames and focus marks that controls draw.
#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/painter.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

struct RingColours {
    COLORREF topLeft;
    COLORREF bottomRight;
};

// The colours of the outer and inner ring for the edge kind and flags.
void ChooseColours(UINT edge, UINT flags, RingColours& outer, RingColours& inner)
{
    if (flags & (BF_FLAT | BF_MONO)) {
        const COLORREF frame = GetSysColor((flags & BF_MONO) ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW);
        const COLORREF face = GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE);
        outer = RingColours{frame, frame};
        inner = RingColours{face, face};
        return;
    }
    const COLORREF light = GetSysColor(COLOR_3DLIGHT);
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF darkShadow = GetSysColor(COLOR_3DDKSHADOW);
    const bool soft = (flags & BF_SOFT) != 0;
    outer = (edge & BDR_RAISEDOUTER) ? RingColours{soft ? highlight : light, darkShadow}
                                     : RingColours{shadow, highlight};
    inner = (edge & BDR_RAISEDINNER) ? RingColours{soft ? light : highlight, shadow}
                                     : RingColours{darkShadow, light};
}

// One ring along the flagged sides of r: the top and left sides stop short of the far corners,
// which belong to the bottom and right sides. Returns r shrunk by the sides drawn.
RECT DrawRing(Painter& painter, const RECT& r, UINT flags, const RingColours& colours)
{
    if (flags & BF_TOP)
        painter.Fill(RECT{r.left, r.top, r.right - 1, r.top + 1}, colours.topLeft);
    if (flags & BF_LEFT)
        painter.Fill(RECT{r.left, r.top, r.left + 1, r.bottom - 1}, colours.topLeft);
    if (flags & BF_BOTTOM)
        painter.Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, colours.bottomRight);
    if (flags & BF_RIGHT)
        painter.Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, colours.bottomRight);
    return RECT{r.left + ((flags & BF_LEFT) ? 1 : 0), r.top + ((flags & BF_TOP) ? 1 : 0),
                r.right - ((flags & BF_RIGHT) ? 1 : 0), r.bottom - ((flags & BF_BOTTOM) ? 1 : 0)};
}

} // namespace

BOOL DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags)
{
    if (flags & BF_DIAGONAL) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    ContextState state;
    if (!ReadPaintState(hdc, rect, state))
        return FALSE;
    RingColours outer{};
    RingColours inner{};
    ChooseColours(edge, flags, outer, inner);
    Painter painter(*state.target, state.Visible(), state.origin);
    RECT inside = *rect;
    if (edge & BDR_OUTER)
        inside = DrawRing(painter, inside, flags, outer);
    if (edge & BDR_INNER)
        inside = DrawRing(painter, inside, flags, inner);
    if (flags & BF_MIDDLE)
        painter.Fill(inside, GetSysColor((flags & (BF_FLAT | BF_MONO)) ? COLOR_WINDOW : COLOR_BTNFACE));
    if (flags & BF_ADJUST)
        *rect = inside;
    return TRUE;
}

BOOL DrawFocusRect(HDC hdc, const RECT* rect)
{
    ContextState state;
    if (!ReadPaintState(hdc, rect, state))
        return FALSE;
    const RECT& r = *rect;
    if (IsEmptyRect(r))
        return TRUE;
    Painter painter(*state.target, state.Visible(), state.origin);
    // Each frame pixel once, every other one along the way, starting at the top-left corner.
    const RECT inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    painter.ForEachPixel(r, [&](int x, int y) {
        const bool onFrame = x < inner.left || x >= inner.right || y < inner.top || y >= inner.bottom;
        if (onFrame && (x - r.left + y - r.top) % 2 == 0)
            painter.InvertPixel(x, y);
    });
    return TRUE;
}
