// Rectangle, Ellipse and Polygon: an area filled with the context's brush and outlined with its
// pen.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/line_drawing.h"
#include "platform/gdi/paint_objects.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

struct ShapeTools {
    ContextState state;
    std::optional<COLORREF> fill;    // nothing for a hollow brush
    std::optional<LineStyle> outline; // nothing for a null pen
};

bool ReadShapeTools(HDC hdc, ShapeTools& tools)
{
    if (!ReadPaintState(hdc, tools.state))
        return false;
    if (tools.state.brush)
        tools.fill = tools.state.brush->ColourIn(tools.state.dcBrushColour);
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

// Even-odd fill: pixels whose centres lie inside an odd number of edges of the polygon.
void FillPolygon(Painter& painter, const std::vector<POINT>& points, COLORREF colour)
{
    const RECT visible = painter.Visible().Box();
    LONG top = visible.bottom;
    LONG bottom = visible.top;
    for (const POINT& p : points) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    top = std::max(top, visible.top);
    bottom = std::min(bottom, visible.bottom);
    std::vector<double> crossings;
    for (LONG y = top; y < bottom; ++y) {
        const double centre = y + 0.5;
        crossings.clear();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const POINT& a = points[i];
            const POINT& b = points[(i + 1) % points.size()];
            if ((a.y <= centre) == (b.y <= centre))
                continue;
            crossings.push_back(a.x + (centre - a.y) * (static_cast<double>(b.x) - a.x) / (b.y - a.y));
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            // Pixels whose centres lie between the two crossings.
            const double from = std::max<double>(std::ceil(crossings[i] - 0.5), visible.left);
            const double to = std::min<double>(std::ceil(crossings[i + 1] - 0.5), visible.right);
            if (from < to)
                painter.Fill(RECT{static_cast<LONG>(from), y, static_cast<LONG>(to), y + 1}, colour);
        }
    }
}

} // namespace

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    return PaintShape(hdc, left, top, right, bottom, [](Painter& painter, const ShapeTools& tools, const RECT& box) {
        if (tools.fill)
            painter.Fill(box, *tools.fill);
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
                if (tools.fill)
                    painter.Plot(x, y, *tools.fill);
            } else {
                painter.Plot(x, y, tools.outline->colour); // outlines of ellipses are solid
            }
        });
    });
}

BOOL Polygon(HDC hdc, const POINT* points, int count)
{
    if (points == nullptr || count < 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ShapeTools tools;
    if (!ReadShapeTools(hdc, tools))
        return FALSE;
    const std::vector<POINT> corners(points, points + count);
    Painter painter(*tools.state.target, tools.state.Visible(), tools.state.origin);
    if (tools.fill)
        FillPolygon(painter, corners, *tools.fill);
    if (tools.outline)
        LineDrawer(painter, *tools.outline).Path(corners, true);
    return TRUE;
}
