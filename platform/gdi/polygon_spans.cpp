#include "platform/gdi/polygon_spans.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/gdi_types.h"

namespace zv::gdi {

void PolygonSpans(const Polygons& polygons, int mode, const RECT& bounds, std::vector<RECT>& spans)
{
    LONG top = bounds.bottom;
    LONG bottom = bounds.top;
    for (const std::vector<POINT>& points : polygons)
        for (const POINT& p : points) {
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
        }
    top = std::max(top, bounds.top);
    bottom = std::min(bottom, bounds.bottom);
    struct Crossing {
        double x;
        int direction; // +1 for an edge going down, -1 going up
    };
    std::vector<Crossing> crossings;
    for (LONG y = top; y < bottom; ++y) {
        const double centre = y + 0.5;
        crossings.clear();
        for (const std::vector<POINT>& points : polygons)
            for (std::size_t i = 0; i < points.size(); ++i) {
                const POINT& a = points[i];
                const POINT& b = points[(i + 1) % points.size()];
                if ((a.y <= centre) == (b.y <= centre))
                    continue;
                crossings.push_back({a.x + (centre - a.y) * (static_cast<double>(b.x) - a.x) / (b.y - a.y),
                                     b.y > a.y ? 1 : -1});
            }
        std::sort(crossings.begin(), crossings.end(), [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
        int winding = 0;
        for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += mode == WINDING ? crossings[i].direction : (winding == 0 ? 1 : -1);
            if (winding == 0)
                continue;
            // Pixels whose centres lie between this crossing and the next.
            const double from = std::max<double>(std::ceil(crossings[i].x - 0.5), bounds.left);
            const double to = std::min<double>(std::ceil(crossings[i + 1].x - 0.5), bounds.right);
            if (from < to) {
                // Runs that touch (WINDING with overlapping polygons) join.
                if (!spans.empty() && spans.back().top == y && spans.back().right >= static_cast<LONG>(from))
                    spans.back().right = std::max(spans.back().right, static_cast<LONG>(to));
                else
                    spans.push_back(RECT{static_cast<LONG>(from), y, static_cast<LONG>(to), y + 1});
            }
        }
    }
}

Region PolygonRegion(const Polygons& polygons, int mode, const RECT& bounds)
{
    std::vector<RECT> spans;
    PolygonSpans(polygons, mode, bounds, spans);
    return Region::FromRects(spans);
}

} // namespace zv::gdi
