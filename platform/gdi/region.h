// An area of device pixels made of rectangles, for clipping.
#pragma once

#include <vector>

#include "platform/win32/types.h"

namespace zv::gdi {

// The rectangles never overlap and are never empty, so walking them visits each pixel once.
// Neighbours that together form a rectangle are merged, so a region that is one rectangle is
// held as one.
class Region {
public:
    Region() = default;
    // An empty rectangle gives an empty region.
    explicit Region(const RECT& rect);

    // The area the rectangles cover together (they may overlap).
    static Region FromRects(const std::vector<RECT>& rects);
    static Region Intersect(const Region& a, const Region& b);
    static Region Union(const Region& a, const Region& b);
    // The part of a outside b.
    static Region Subtract(const Region& a, const Region& b);
    // The same area moved by (dx, dy).
    Region Offset(int dx, int dy) const;

    const std::vector<RECT>& Rects() const { return rects_; }
    bool IsEmpty() const { return rects_.empty(); }
    // The smallest rectangle around the region; all zero when it is empty.
    RECT Box() const;
    // NULLREGION, SIMPLEREGION or COMPLEXREGION.
    int Kind() const;
    bool Overlaps(const RECT& rect) const;
    bool Contains(int x, int y) const;

private:
    void MergeNeighbours();

    std::vector<RECT> rects_;
};

} // namespace zv::gdi
