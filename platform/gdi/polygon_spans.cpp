#include "platform/gdi/polygon_spans.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/gdi_types.h"

namespace zv::gdi {

void PolygonSpans(const Polygons& polygons, int mode, const RECT& bounds, std::vector<RECT>& spans)
{
    // Every edge that spans some pixel centre, by its first row; rows then walk the edges active
    // on them only.
    struct Edge {
        LONG firstRow; // the first row whose centre the edge crosses
        LONG endRow;   // one past the last
        POINT from;
        POINT to;
        int direction; // +1 going down, -1 going up
        double XAt(double y) const { return from.x + (y - from.y) * (static_cast<double>(to.x) - from.x) / (to.y - from.y); }
    };
    std::vector<Edge> edges;
    for (const std::vector<POINT>& points : polygons)
        for (std::size_t i = 0; i < points.size(); ++i) {
            POINT a = points[i];
            POINT b = points[(i + 1) % points.size()];
            if (a.y == b.y)
                continue;
            const int direction = b.y > a.y ? 1 : -1;
            if (a.y > b.y)
                std::swap(a, b);
            // Rows y with a.y <= y + 0.5 < b.y.
            const LONG first = static_cast<LONG>(std::ceil(a.y - 0.5));
            const LONG end = static_cast<LONG>(std::ceil(b.y - 0.5));
            const LONG clippedFirst = std::max(first, bounds.top);
            const LONG clippedEnd = std::min(end, bounds.bottom);
            if (clippedFirst < clippedEnd)
                edges.push_back({clippedFirst, clippedEnd, a, b, direction});
        }
    if (edges.empty())
        return;
    std::sort(edges.begin(), edges.end(), [](const Edge& l, const Edge& r) { return l.firstRow < r.firstRow; });
    struct Crossing {
        double x;
        int direction;
    };
    std::vector<const Edge*> active;
    std::vector<Crossing> crossings;
    std::size_t next = 0;
    for (LONG y = edges.front().firstRow; y < bounds.bottom && (next < edges.size() || !active.empty()); ++y) {
        active.erase(std::remove_if(active.begin(), active.end(), [y](const Edge* e) { return e->endRow <= y; }),
                     active.end());
        while (next < edges.size() && edges[next].firstRow <= y)
            active.push_back(&edges[next++]);
        if (active.empty()) {
            if (next < edges.size())
                y = edges[next].firstRow - 1;
            continue;
        }
        const double centre = y + 0.5;
        crossings.clear();
        for (const Edge* edge : active)
            crossings.push_back({edge->XAt(centre), edge->direction});
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
