// Rectangle, Ellipse and Polygon: an area filled with the context's brush and outlined with its
// pen.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gdi/area_fill.h"
#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/line_drawing.h"
#include "platform/gdi/paint_objects.h"
#include "platform/gdi/polygon_spans.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

struct ShapeTools {
    ContextState state;
    AreaFill fill;
    std::optional<LineStyle> outline; // nothing for a null pen
};

bool ReadShapeTools(HDC hdc, ShapeTools& tools)
{
    if (!ReadPaintState(hdc, tools.state))
        return false;
    tools.fill = AreaFill(tools.state.brush, tools.state);
    if (tools.state.pen)
        tools.outline = LineStyle::Of(*tools.state.pen, tools.state);
    return true;
}

RECT Ordered(int left, int top, int right, int bottom)
{
    return RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

// Without a pen the shape loses its right and bottom outline pixels; with one, a PS_INSIDEFRAME
// pen keeps its whole width inside the box.
RECT OutlineBox(RECT box, const ShapeTools& tools)
{
    if (!tools.outline)
        return RECT{box.left, box.top, box.right - 1, box.bottom - 1};
    if (tools.state.pen->Style() == PS_INSIDEFRAME) {
        const int half = tools.outline->width / 2;
        return RECT{box.left + half, box.top + half, box.right - half, box.bottom - half};
    }
    return box;
}

// Paints a shape inside the box: paint(painter, tools, box) with the box the outline allows.
// FALSE, with the last error set, for a context that cannot paint.
template <class Paint> BOOL PaintShape(HDC hdc, int left, int top, int right, int bottom, Paint paint)
{
    if (!InCoordinateRange(left) || !InCoordinateRange(top) || !InCoordinateRange(right) ||
        !InCoordinateRange(bottom)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ShapeTools tools;
    if (!ReadShapeTools(hdc, tools))
        return FALSE;
    const RECT box = OutlineBox(Ordered(left, top, right, bottom), tools);
    if (IsEmptyRect(box))
        return TRUE;
    Painter painter(*tools.state.target, tools.state.Visible(), tools.state.origin);
    paint(painter, tools, box);
    return TRUE;
}

// Whether the centre of pixel (x, y) lies inside the ellipse that fills the box.
bool InEllipse(const RECT& box, int x, int y)
{
    const double rx = (box.right - box.left) / 2.0;
    const double ry = (box.bottom - box.top) / 2.0;
    if (rx <= 0 || ry <= 0)
        return false;
    const double nx = (x + 0.5 - (box.left + rx)) / rx;
    const double ny = (y + 0.5 - (box.top + ry)) / ry;
    return nx * nx + ny * ny <= 1.0;
}

// Fills the pixels whose centres lie inside the closed polygons by the fill mode.
void FillPolygons(Painter& painter, const Polygons& polygons, int mode, const AreaFill& fill)
{
    ForEachPolygonSpan(polygons, mode, painter.Visible().Box(),
                       [&](LONG y, LONG from, LONG to) { fill.Fill(painter, RECT{from, y, to, y + 1}); });
}

} // namespace

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    return PaintShape(hdc, left, top, right, bottom, [](Painter& painter, const ShapeTools& tools, const RECT& box) {
        tools.fill.Fill(painter, box);
        if (tools.outline) {
            const std::vector<POINT> corners = {{box.left, box.top},
                                                {box.right - 1, box.top},
                                                {box.right - 1, box.bottom - 1},
                                                {box.left, box.bottom - 1}};
            LineDrawer(painter, *tools.outline).Path(corners, true);
        }
    });
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom)
{
    return PaintShape(hdc, left, top, right, bottom, [](Painter& painter, const ShapeTools& tools, const RECT& box) {
        const int band = tools.outline ? tools.outline->width : 0;
        const RECT inner{box.left + band, box.top + band, box.right - band, box.bottom - band};
        painter.ForEachPixel(box, [&](int x, int y) {
            if (!InEllipse(box, x, y))
                return;
            if (InEllipse(inner, x, y)) {
                tools.fill.Plot(painter, x, y);
            } else {
                painter.Plot(x, y, tools.outline->colour); // outlines of ellipses are solid
            }
        });
    });
}

BOOL Polygon(HDC hdc, const POINT* points, int count)
{
    const INT counts[1] = {count};
    return PolyPolygon(hdc, points, counts, 1);
}

BOOL PolyPolygon(HDC hdc, const POINT* points, const INT* counts, int polygons)
{
    if (points == nullptr || counts == nullptr || polygons < 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Polygons shapes;
    for (int i = 0; i < polygons; ++i) {
        if (counts[i] < 2) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        shapes.emplace_back(points, points + counts[i]);
        points += counts[i];
    }
    ShapeTools tools;
    if (!ReadShapeTools(hdc, tools))
        return FALSE;
    Painter painter(*tools.state.target, tools.state.Visible(), tools.state.origin);
    FillPolygons(painter, shapes, tools.state.polyFillMode, tools.fill);
    if (tools.outline)
        for (const std::vector<POINT>& corners : shapes)
            LineDrawer(painter, *tools.outline).Path(corners, true);
    return TRUE;
}
