// What a drawing call needs of a device context, copied under the handle table's lock so the
// drawing itself runs without it.
#pragma once

#include <memory>
#include <mutex>

#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/handle_table.h"
#include "platform/win32/last_error.h"

namespace zv::gdi {

struct ContextState {
    std::shared_ptr<Surface> target; // null for a context without a surface
    std::shared_ptr<const Region> clip;
    std::shared_ptr<const Region> systemClip;
    POINT origin{0, 0}; // where a window context's (0, 0) lies on the surface
    std::shared_ptr<Font> font;
    std::shared_ptr<const Brush> brush;
    std::shared_ptr<const Pen> pen;
    COLORREF dcBrushColour = RGB(255, 255, 255);
    COLORREF dcPenColour = RGB(0, 0, 0);
    POINT position{0, 0};
    UINT textAlign = 0;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF bkColour = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int polyFillMode = ALTERNATE;
    // Held for a screen context while the call draws or reads: the display composes the screen
    // on other threads.
    std::unique_lock<std::recursive_mutex> screenPixels;
    bool onScreen = false; // the screen context of GetDC(NULL) or "DISPLAY"

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
// Runs change on the context's state under the table's lock; false, with the last error set, when
// hdc is no context.
template <class Change> bool ChangeContext(HDC hdc, Change change)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const std::shared_ptr<DeviceContext> dc = table.FindAs<DeviceContext>(HandleId(hdc));
    if (!dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    change(*dc);
    return true;
}

// Reads the state (as it was before) and sets the current position in one step; false, with the
// last error set, when hdc is no device context. state may be null.
bool MoveCurrentPosition(HDC hdc, POINT to, ContextState* state);
// For the calls that paint: false, with the last error set, when hdc is no device context or has
// no surface.
bool ReadPaintState(HDC hdc, ContextState& state);
// The same for the calls that paint in a rectangle: a null one fails too.
bool ReadPaintState(HDC hdc, const RECT* rect, ContextState& state);

// The visible part of a surface under the window system's clip and a clip region (null: none).
Region VisiblePart(const Surface* target, const Region* systemClip, const Region* clip);

} // namespace zv::gdi
