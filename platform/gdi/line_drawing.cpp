#include "platform/gdi/line_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>

#include "platform/gdi/context_state.h"
#include "platform/gdi/paint_objects.h"

namespace zv::gdi {
namespace {

// Dash patterns in pixels, alternately drawn and left out.
constexpr int kDash[] = {6, 2};
constexpr int kDot[] = {1, 1};
constexpr int kDashDot[] = {6, 2, 1, 2};
constexpr int kDashDotDot[] = {6, 2, 1, 2, 1, 2};

std::span<const int> PatternOf(int style)
{
    switch (style) {
    case PS_DASH:
        return kDash;
    case PS_DOT:
        return kDot;
    case PS_DASHDOT:
        return kDashDot;
    case PS_DASHDOTDOT:
        return kDashDotDot;
    default:
        return {};
    }
}

} // namespace

std::optional<LineStyle> LineStyle::Of(const Pen& pen, const ContextState& state)
{
    const std::optional<COLORREF> colour = pen.ColourIn(state.dcPenColour);
    if (!colour)
        return std::nullopt;
    LineStyle style;
    style.colour = *colour;
    style.width = pen.Width();
    // Wide pens are always solid.
    style.style = style.width == 1 ? pen.Style() : PS_SOLID;
    if (state.bkMode == OPAQUE)
        style.gapColour = state.bkColour;
    return style;
}

std::optional<COLORREF> LineDrawer::ColourAt(long long position) const
{
    const std::span<const int> pattern = PatternOf(style_.style);
    if (pattern.empty())
        return style_.colour;
    int period = 0;
    for (const int length : pattern)
        period += length;
    int at = static_cast<int>(position % period);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (at < pattern[i])
            return i % 2 == 0 ? std::optional<COLORREF>(style_.colour) : style_.gapColour;
        at -= pattern[i];
    }
    return style_.colour;
}

void LineDrawer::Stamp(int x, int y, COLORREF colour)
{
    if (style_.width == 1) {
        painter_.Plot(x, y, colour);
        return;
    }
    // A square of the pen's width centred on the point.
    const int before = (style_.width - 1) / 2;
    painter_.Fill(RECT{x - before, y - before, x - before + style_.width, y - before + style_.width}, colour);
}

void LineDrawer::Segment(POINT from, POINT to)
{
    // Step along the longer axis one pixel at a time; the other coordinate is rounded from the
    // exact line. Only the steps that can reach the visible box are taken, so far-off end points
    // cost nothing.
    const long long dx = static_cast<long long>(to.x) - from.x;
    const long long dy = static_cast<long long>(to.y) - from.y;
    const bool alongX = std::llabs(dx) >= std::llabs(dy);
    const long long steps = alongX ? std::llabs(dx) : std::llabs(dy);
    const long long majorStart = alongX ? from.x : from.y;
    const long long minorStart = alongX ? from.y : from.x;
    const long long minorDelta = alongX ? dy : dx;
    const int direction = (alongX ? dx : dy) < 0 ? -1 : 1;

    const RECT box = painter_.Visible().Box();
    const long long reach = style_.width;
    const long long low = (alongX ? box.left : box.top) - reach;
    const long long high = (alongX ? box.right : box.bottom) + reach;
    long long first = direction > 0 ? low - majorStart : majorStart - high;
    long long last = direction > 0 ? high - majorStart : majorStart - low;
    first = std::max(first, 0LL);
    last = std::min(last, steps - 1);

    for (long long i = first; i <= last; ++i) {
        const std::optional<COLORREF> colour = ColourAt(phase_ + i);
        if (!colour)
            continue;
        const long long major = majorStart + direction * i;
        const long long minor =
            minorStart + std::llround(static_cast<long double>(i) * minorDelta / static_cast<long double>(steps));
        Stamp(static_cast<int>(alongX ? major : minor), static_cast<int>(alongX ? minor : major), *colour);
    }
    phase_ += steps;
}

void LineDrawer::Path(const std::vector<POINT>& points, bool closed)
{
    for (std::size_t i = 1; i < points.size(); ++i)
        Segment(points[i - 1], points[i]);
    if (closed && points.size() > 1)
        Segment(points.back(), points.front());
}

} // namespace zv::gdi
