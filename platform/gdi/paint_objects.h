// Brushes and pens: what a context paints areas and lines with.
#pragma once

#include <memory>
#include <optional>

#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_objects.h"

namespace zv::gdi {

// Never changes once made, so drawing calls share it without a lock.
class Brush : public GdiObject {
public:
    enum class Kind {
        Solid,
        Hollow,
        ContextColour, // DC_BRUSH: the context's brush colour
    };

    Brush(Kind kind, COLORREF colour) : kind_(kind), colour_(colour) {}

    Kind GetKind() const { return kind_; }
    // The colour painted in a context whose DC brush colour is given; nothing for a hollow brush.
    std::optional<COLORREF> ColourIn(COLORREF contextColour) const
    {
        switch (kind_) {
        case Kind::Solid:
            return colour_;
        case Kind::ContextColour:
            return contextColour;
        case Kind::Hollow:
            break;
        }
        return std::nullopt;
    }
    LOGBRUSH Describe() const
    {
        return LOGBRUSH{kind_ == Kind::Hollow ? BS_NULL : BS_SOLID, colour_, 0};
    }

private:
    Kind kind_;
    COLORREF colour_;
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
