// PatBlt: a rectangle painted from the context's brush and the pixels already there.
#include "platform/gdi/area_fill.h"
#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop)
{
    if (rop != PATCOPY && rop != PATINVERT && rop != DSTINVERT && rop != BLACKNESS && rop != WHITENESS) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    ContextState state;
    if (!ReadPaintState(hdc, state))
        return FALSE;
    // A negative size reaches back from x or y.
    RECT rect = RectAt(x, y, width, height);
    if (width < 0)
        rect = RECT{x + width, rect.top, x, rect.bottom};
    if (height < 0)
        rect = RECT{rect.left, y + height, rect.right, y};
    Painter painter(*state.target, state.Visible(), state.origin);
    switch (rop) {
    case BLACKNESS: painter.Fill(rect, RGB(0, 0, 0)); return TRUE;
    case WHITENESS: painter.Fill(rect, RGB(255, 255, 255)); return TRUE;
    case DSTINVERT: painter.Invert(rect); return TRUE;
    default: break;
    }
    const AreaFill fill(state.brush, state);
    if (rop == PATCOPY) {
        fill.Fill(painter, rect);
        return TRUE;
    }
    painter.ForEachPixel(rect, [&](int px, int py) {
        if (const std::optional<COLORREF> colour = fill.ColourAt(px, py))
            painter.SetPixelAt(px, py, (painter.PixelAt(px, py) ^ *colour) & 0x00FFFFFF);
    });
    return TRUE;
}
