// MoveToEx, LineTo and Polyline: lines with the context's pen.
#include <vector>

#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/line_drawing.h"
#include "platform/gdi/paint_objects.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

void DrawPath(const ContextState& state, const std::vector<POINT>& points)
{
    if (!state.pen)
        return;
    const std::optional<LineStyle> style = LineStyle::Of(*state.pen, state);
    if (!style)
        return;
    Painter painter(*state.target, state.Visible(), state.origin);
    LineDrawer(painter, *style).Path(points, false);
}

} // namespace

BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous)
{
    ContextState state;
    if (!MoveCurrentPosition(hdc, POINT{x, y}, &state))
        return FALSE;
    if (previous != nullptr)
        *previous = state.position;
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y)
{
    ContextState state;
    if (!MoveCurrentPosition(hdc, POINT{x, y}, &state))
        return FALSE;
    if (!state.target) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DrawPath(state, {state.position, POINT{x, y}});
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count)
{
    if (points == nullptr || count < 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ContextState state;
    if (!ReadPaintState(hdc, state))
        return FALSE;
    DrawPath(state, std::vector<POINT>(points, points + count));
    return TRUE;
}
