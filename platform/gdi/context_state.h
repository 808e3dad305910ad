// What a drawing call needs of a device context, copied under the handle table's lock so the
// drawing itself runs without it.
#pragma once

#include <memory>

#include "platform/gdi/gdi_objects.h"

namespace zv::gdi {

struct ContextState {
    std::shared_ptr<Surface> target; // null for a context without a surface
    std::shared_ptr<const Region> clip;
    std::shared_ptr<const Region> systemClip;
    POINT origin{0, 0}; // where a window context's (0, 0) lies on the surface
    std::shared_ptr<Font> font;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF bkColour = RGB(255, 255, 255);
    int bkMode = OPAQUE;

    // The pixels drawing may touch: the clip region inside the surface.
    Region Visible() const;
    // A rectangle in the context's coordinates as surface pixels.
    RECT ToSurface(const RECT& r) const
    {
        return RECT{r.left + origin.x, r.top + origin.y, r.right + origin.x, r.bottom + origin.y};
    }
};

// False when hdc is no device context; the caller sets the last error.
bool ReadContextState(HDC hdc, ContextState& state);

// The visible part of a surface under the window system's clip and a clip region (null: none).
Region VisiblePart(const Surface* target, const Region* systemClip, const Region* clip);

} // namespace zv::gdi
