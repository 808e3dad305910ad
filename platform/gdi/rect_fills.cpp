// FillRect, FrameRect and InvertRect.
#include "platform/gdi/area_fill.h"
#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/paint_objects.h"
#include "platform/gdi/painter.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

// Paints with the brush in the context: paint(painter, fill). False, with the last error set,
// for a bad context, rectangle or brush.
template <class Paint> int PaintWithBrush(HDC hdc, const RECT* rect, HBRUSH handle, Paint paint)
{
    const std::shared_ptr<const Brush> brush = FindBrush(handle);
    ContextState state;
    if (!ReadPaintState(hdc, rect, state))
        return FALSE;
    if (!brush) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const AreaFill fill(brush, state);
    if (!fill.Paints())
        return TRUE; // a hollow brush paints nothing
    Painter painter(*state.target, state.Visible(), state.origin);
    paint(painter, fill);
    return TRUE;
}

} // namespace

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    return PaintWithBrush(hdc, rect, brush, [rect](Painter& painter, const AreaFill& fill) { fill.Fill(painter, *rect); });
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    return PaintWithBrush(hdc, rect, brush, [rect](Painter& painter, const AreaFill& fill) {
        const RECT& r = *rect;
        if (IsEmptyRect(r))
            return;
        fill.Fill(painter, RECT{r.left, r.top, r.right, r.top + 1});
        fill.Fill(painter, RECT{r.left, r.bottom - 1, r.right, r.bottom});
        fill.Fill(painter, RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1});
        fill.Fill(painter, RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1});
    });
}

BOOL InvertRect(HDC hdc, const RECT* rect)
{
    ContextState state;
    if (!ReadPaintState(hdc, rect, state))
        return FALSE;
    Painter(*state.target, state.Visible(), state.origin).Invert(*rect);
    return TRUE;
}
