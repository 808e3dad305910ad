// Painting an area with a context's brush: one colour for plain brushes, cell by cell for
// hatched and patterned ones (cells repeat from the surface's origin, so neighbouring fills line
// up).
#pragma once

#include <optional>

#include "platform/gdi/context_state.h"
#include "platform/gdi/paint_objects.h"
#include "platform/gdi/painter.h"

namespace zv::gdi {

class AreaFill {
public:
    // Paints nothing.
    AreaFill() = default;
    // The brush as the context paints it (null brush: nothing).
    AreaFill(std::shared_ptr<const Brush> brush, const ContextState& state);

    bool Paints() const { return solid_.has_value() || pattern_ != nullptr; }
    // The visible pixels of the rectangle (context coordinates).
    void Fill(Painter& painter, const RECT& rect) const;
    void Plot(Painter& painter, int x, int y) const;
    // The colour over context pixel (x, y); nothing where the brush leaves it alone.
    std::optional<COLORREF> ColourAt(int x, int y) const;

private:
    std::optional<COLORREF> CellColour(int x, int y) const;

    std::optional<COLORREF> solid_;
    std::shared_ptr<const Brush> brush_; // keeps pattern_ alive
    const BrushPattern* pattern_ = nullptr;
    COLORREF text_ = 0;
    COLORREF back_ = 0;
    bool opaque_ = true;
    POINT origin_{0, 0};
};

} // namespace zv::gdi
