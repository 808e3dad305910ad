// The pixels inside closed polygons, row by row: what polygon fills and polygon regions share.
#pragma once

#include <vector>

#include "platform/gdi/region.h"

namespace zv::gdi {

using Polygons = std::vector<std::vector<POINT>>;

// Appends one-row rectangles for the runs of pixels within `bounds` whose centres lie inside the
// polygons: inside an odd number of edges (ALTERNATE) or with a non-zero winding number (WINDING).
void PolygonSpans(const Polygons& polygons, int mode, const RECT& bounds, std::vector<RECT>& spans);

// The polygons' inside as a region, cut to `bounds`.
Region PolygonRegion(const Polygons& polygons, int mode, const RECT& bounds);

// Calls span(y, from, to) for each run of PolygonSpans.
template <class Span> void ForEachPolygonSpan(const Polygons& polygons, int mode, const RECT& bounds, Span span)
{
    std::vector<RECT> spans;
    PolygonSpans(polygons, mode, bounds, spans);
    for (const RECT& run : spans)
        span(run.top, run.left, run.right);
}

} // namespace zv::gdi
