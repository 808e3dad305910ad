#include "platform/gdi/region.h"

#include <algorithm>

#include "platform/gdi/gdi_types.h"
#include "platform/gdi/surface.h"

namespace zv::gdi {
namespace {

// The parts of a that lie outside b: at most a band above, a band below and two pieces beside.
void AddDifference(const RECT& a, const RECT& b, std::vector<RECT>& out)
{
    const RECT overlap = IntersectRects(a, b);
    if (IsEmptyRect(overlap)) {
        out.push_back(a);
        return;
    }
    const RECT pieces[] = {
        {a.left, a.top, a.right, overlap.top},
        {a.left, overlap.bottom, a.right, a.bottom},
        {a.left, overlap.top, overlap.left, overlap.bottom},
        {overlap.right, overlap.top, a.right, overlap.bottom},
    };
    for (const RECT& piece : pieces)
        if (!IsEmptyRect(piece))
            out.push_back(piece);
}

// Two rectangles that share a whole edge, as the rectangle they form together.
bool Merge(const RECT& a, const RECT& b, RECT& merged)
{
    if (a.left == b.left && a.right == b.right && (a.bottom == b.top || b.bottom == a.top)) {
        merged = RECT{a.left, std::min(a.top, b.top), a.right, std::max(a.bottom, b.bottom)};
        return true;
    }
    if (a.top == b.top && a.bottom == b.bottom && (a.right == b.left || b.right == a.left)) {
        merged = RECT{std::min(a.left, b.left), a.top, std::max(a.right, b.right), a.bottom};
        return true;
    }
    return false;
}

} // namespace

Region::Region(const RECT& rect)
{
    if (!IsEmptyRect(rect))
        rects_.push_back(rect);
}

Region Region::FromRects(const std::vector<RECT>& rects)
{
    // Joined in pairs, so each union stays small.
    std::vector<Region> parts;
    parts.reserve(rects.size());
    for (const RECT& rect : rects)
        parts.emplace_back(rect);
    while (parts.size() > 1) {
        std::vector<Region> joined;
        joined.reserve((parts.size() + 1) / 2);
        for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
            joined.push_back(Union(parts[i], parts[i + 1]));
        if (parts.size() % 2)
            joined.push_back(std::move(parts.back()));
        parts = std::move(joined);
    }
    return parts.empty() ? Region() : std::move(parts.front());
}

Region Region::Intersect(const Region& a, const Region& b)
{
    Region result;
    for (const RECT& ra : a.rects_)
        for (const RECT& rb : b.rects_)
            if (const RECT overlap = IntersectRects(ra, rb); !IsEmptyRect(overlap))
                result.rects_.push_back(overlap);
    result.MergeNeighbours();
    return result;
}

Region Region::Union(const Region& a, const Region& b)
{
    // Only the parts of b that a does not cover yet are added, so nothing overlaps.
    Region result = a;
    const Region added = Subtract(b, a);
    result.rects_.insert(result.rects_.end(), added.rects_.begin(), added.rects_.end());
    result.MergeNeighbours();
    return result;
}

Region Region::Subtract(const Region& a, const Region& b)
{
    Region result;
    for (const RECT& ra : a.rects_) {
        std::vector<RECT> pieces{ra};
        for (const RECT& rb : b.rects_) {
            std::vector<RECT> left;
            for (const RECT& piece : pieces)
                AddDifference(piece, rb, left);
            pieces = std::move(left);
        }
        result.rects_.insert(result.rects_.end(), pieces.begin(), pieces.end());
    }
    result.MergeNeighbours();
    return result;
}

Region Region::Offset(int dx, int dy) const
{
    Region moved = *this;
    for (RECT& r : moved.rects_)
        r = RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
    return moved;
}

void Region::MergeNeighbours()
{
    bool merged = true;
    while (merged) {
        merged = false;
        for (std::size_t i = 0; i < rects_.size() && !merged; ++i) {
            for (std::size_t j = i + 1; j < rects_.size(); ++j) {
                RECT both{};
                if (Merge(rects_[i], rects_[j], both)) {
                    rects_[i] = both;
                    rects_.erase(rects_.begin() + static_cast<std::ptrdiff_t>(j));
                    merged = true;
                    break;
                }
            }
        }
    }
}

RECT Region::Box() const
{
    if (rects_.empty())
        return RECT{0, 0, 0, 0};
    RECT box = rects_.front();
    for (const RECT& r : rects_) {
        box.left = std::min(box.left, r.left);
        box.top = std::min(box.top, r.top);
        box.right = std::max(box.right, r.right);
        box.bottom = std::max(box.bottom, r.bottom);
    }
    return box;
}

int Region::Kind() const
{
    if (rects_.empty())
        return NULLREGION;
    return rects_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool Region::Overlaps(const RECT& rect) const
{
    return std::any_of(rects_.begin(), rects_.end(),
                       [&rect](const RECT& r) { return !IsEmptyRect(IntersectRects(r, rect)); });
}

bool Region::Contains(int x, int y) const
{
    return std::any_of(rects_.begin(), rects_.end(),
                       [x, y](const RECT& r) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; });
}

} // namespace zv::gdi
