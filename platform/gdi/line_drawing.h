// Drawing lines with a pen: one-pixel Bresenham lines, square stamps for wider pens, dash
// patterns for the dashed styles.
#pragma once

#include <optional>
#include <vector>

#include "platform/gdi/painter.h"

namespace zv::gdi {

class Pen;
struct ContextState;

// A pen as one drawing call uses it in its context.
struct LineStyle {
    COLORREF colour = 0;
    int width = 1;
    int style = 0;                    // PS_*
    std::optional<COLORREF> gapColour; // dash gaps in OPAQUE mode; TRANSPARENT leaves them

    // Nothing for a null pen.
    static std::optional<LineStyle> Of(const Pen& pen, const ContextState& state);
};

// Draws a path of connected segments. Each segment leaves out its end point, so the last point
// of an open path is not drawn; a dash pattern runs on across the segments.
class LineDrawer {
public:
    LineDrawer(Painter& painter, const LineStyle& style) : painter_(painter), style_(style) {}

    void Segment(POINT from, POINT to);
    void Path(const std::vector<POINT>& points, bool closed);

private:
    void Stamp(int x, int y, COLORREF colour);
    // The colour of the pixel at this distance along the path; nothing for a gap left alone.
    std::optional<COLORREF> ColourAt(long long position) const;

    Painter& painter_;
    LineStyle style_;
    long long phase_ = 0; // pixels of the path drawn before this segment
};

} // namespace zv::gdi
