#include "platform/gdi/area_fill.h"

namespace zv::gdi {

AreaFill::AreaFill(std::shared_ptr<const Brush> brush, const ContextState& state) : brush_(std::move(brush))
{
    if (!brush_)
        return;
    text_ = state.textColour;
    back_ = state.bkColour;
    opaque_ = state.bkMode != TRANSPARENT;
    origin_ = state.origin;
    pattern_ = brush_->Pattern();
    if (!pattern_)
        solid_ = brush_->ColourIn(state.dcBrushColour);
}

std::optional<COLORREF> AreaFill::CellColour(int x, int y) const
{
    const auto wrap = [](long long value, int size) { return static_cast<int>(((value % size) + size) % size); };
    const int column = wrap(static_cast<long long>(x) + origin_.x, pattern_->width);
    const int row = wrap(static_cast<long long>(y) + origin_.y, pattern_->height);
    const std::size_t at = static_cast<std::size_t>(row) * pattern_->width + column;
    switch (pattern_->cells[at]) {
    case BrushPattern::Cell::Fixed: return pattern_->colours[at];
    case BrushPattern::Cell::Text: return text_;
    case BrushPattern::Cell::Background: return back_;
    case BrushPattern::Cell::Gap: break;
    }
    return opaque_ ? std::optional<COLORREF>(back_) : std::nullopt;
}

std::optional<COLORREF> AreaFill::ColourAt(int x, int y) const
{
    if (pattern_)
        return CellColour(x, y);
    return solid_;
}

void AreaFill::Fill(Painter& painter, const RECT& rect) const
{
    if (solid_) {
        painter.Fill(rect, *solid_);
        return;
    }
    if (!pattern_)
        return;
    painter.ForEachPixel(rect, [&](int x, int y) {
        if (const std::optional<COLORREF> colour = CellColour(x, y))
            painter.SetPixelAt(x, y, *colour);
    });
}

void AreaFill::Plot(Painter& painter, int x, int y) const
{
    if (solid_) {
        painter.Plot(x, y, *solid_);
        return;
    }
    if (!pattern_ || !painter.IsVisible(x, y))
        return;
    if (const std::optional<COLORREF> colour = CellColour(x, y))
        painter.SetPixelAt(x, y, *colour);
}

} // namespace zv::gdi
