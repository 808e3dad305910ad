// Brushes and pens: what a context paints areas and lines with.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_objects.h"

namespace zv::gdi {

// The cells of a hatched or patterned brush, repeated from the surface's origin.
struct BrushPattern {
    enum class Cell : BYTE {
        Fixed,      // the cell's own colour
        Text,       // the context's text colour (monochrome patterns)
        Background, // the context's background colour (monochrome patterns)
        Gap,        // between hatch lines: the background colour in OPAQUE mode, else untouched
    };
    int width = 0;
    int height = 0;
    std::vector<Cell> cells;       // row by row from the top
    std::vector<COLORREF> colours; // for Fixed cells
};

// Never changes once made, so drawing calls share it without a lock.
class Brush : public GdiObject {
public:
    enum class Kind {
        Solid,
        Hollow,
        ContextColour, // DC_BRUSH: the context's brush colour
        Hatched,
        Pattern,
    };

    Brush(Kind kind, COLORREF colour) : kind_(kind), colour_(colour) {}
    Brush(Kind kind, COLORREF colour, UINT hatch, BrushPattern pattern)
        : kind_(kind), colour_(colour), hatch_(hatch), pattern_(std::move(pattern))
    {
    }

    Kind GetKind() const { return kind_; }
    // The one colour painted in a context whose DC brush colour is given; nothing for a hollow
    // brush. A hatched or patterned brush gives its colour here; AreaFill paints its cells.
    std::optional<COLORREF> ColourIn(COLORREF contextColour) const
    {
        switch (kind_) {
        case Kind::Solid:
        case Kind::Hatched:
        case Kind::Pattern:
            return colour_;
        case Kind::ContextColour:
            return contextColour;
        case Kind::Hollow:
            break;
        }
        return std::nullopt;
    }
    const BrushPattern* Pattern() const { return pattern_.width > 0 ? &pattern_ : nullptr; }
    LOGBRUSH Describe() const
    {
        switch (kind_) {
        case Kind::Hollow: return LOGBRUSH{BS_NULL, colour_, 0};
        case Kind::Hatched: return LOGBRUSH{BS_HATCHED, colour_, hatch_};
        case Kind::Pattern: return LOGBRUSH{BS_PATTERN, 0, 0};
        default: return LOGBRUSH{BS_SOLID, colour_, 0};
        }
    }

private:
    Kind kind_;
    COLORREF colour_;
    UINT hatch_ = 0;
    BrushPattern pattern_;
};

// Never changes once made, like Brush.
class Pen : public GdiObject {
public:
    Pen(int style, int width, COLORREF colour, bool contextColour)
        : style_(style), width_(width < 1 ? 1 : width), colour_(colour), contextColour_(contextColour)
    {
    }

    int Style() const { return style_; }
    int Width() const { return width_; }
    // The colour drawn in a context whose DC pen colour is given; nothing for a null pen.
    std::optional<COLORREF> ColourIn(COLORREF contextColour) const
    {
        if (style_ == PS_NULL)
            return std::nullopt;
        return contextColour_ ? contextColour : colour_;
    }
    LOGPEN Describe() const
    {
        return LOGPEN{static_cast<UINT>(style_), POINT{width_, 0}, colour_};
    }

private:
    int style_;
    int width_;
    COLORREF colour_;
    bool contextColour_; // DC_PEN
};

// The brush behind a handle, or behind a system colour's number (COLOR_* + 1); null for neither.
// Call without the handle table's mutex.
std::shared_ptr<const Brush> FindBrush(HBRUSH handle);

} // namespace zv::gdi
