// The objects behind GDI handles.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/gdi_types.h"
#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"

namespace zv::gdi {

class Brush;
class Font;
class Pen;

class GdiObject {
public:
    virtual ~GdiObject() = default;
};

class Bitmap : public GdiObject {
public:
    Bitmap(std::shared_ptr<Surface> pixels, bool dibSection) : pixels_(std::move(pixels)), dibSection_(dibSection) {}

    const std::shared_ptr<Surface>& Pixels() const { return pixels_; }
    // A DIB section's memory is the caller's to read and write directly.
    bool IsDibSection() const { return dibSection_; }

    // Handle of the memory context it is selected into, 0 when none. Guarded by the handle
    // table's lock.
    std::uintptr_t selectedInto = 0;

private:
    std::shared_ptr<Surface> pixels_;
    bool dibSection_;
};

// A logical palette. Surfaces hold true colour, so a selected palette changes no pixel; it is kept
// for the calls that read it back.
class Palette : public GdiObject {
public:
    explicit Palette(std::vector<PALETTEENTRY> entries) : entries_(std::move(entries)) {}
    const std::vector<PALETTEENTRY>& Entries() const { return entries_; }

private:
    std::vector<PALETTEENTRY> entries_;
};

class RegionObject : public GdiObject {
public:
    explicit RegionObject(Region area) : area_(std::move(area)) {}
    // Read and replaced under the handle table's lock only.
    const Region& Area() const { return area_; }
    void Replace(Region area) { area_ = std::move(area); }

private:
    Region area_;
};

// State of a device context. Every field is guarded by the handle table's lock; drawing takes a
// copy (DrawState) under the lock and then works on the surface without it.
class DeviceContext : public GdiObject {
public:
    bool isMemory = false;
    std::shared_ptr<Surface> screen; // the surface of a screen or window context
    std::uintptr_t bitmapId = 0;     // a memory context's selected bitmap
    std::shared_ptr<Bitmap> bitmap;
    std::uintptr_t fontId = 0;
    std::shared_ptr<Font> font;
    std::uintptr_t brushId = 0;
    std::shared_ptr<const Brush> brush;
    std::uintptr_t penId = 0;
    std::shared_ptr<const Pen> pen;
    COLORREF dcBrushColour = RGB(255, 255, 255); // what DC_BRUSH paints
    COLORREF dcPenColour = RGB(0, 0, 0);         // what DC_PEN draws
    POINT position{0, 0};                        // the current position of MoveToEx and LineTo
    UINT textAlign = 0;                          // TA_* flags of TextOutA
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF bkColour = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int polyFillMode = ALTERNATE;
    std::uintptr_t paletteId = 0; // the selected logical palette; 0 for the default one
    // Null while the context has no clip region: then everything on its surface is visible.
    // Replaced, never changed in place, so a drawing call can keep the one it started with.
    std::shared_ptr<const Region> clip;
    bool fromGetDC = false; // given out by GetDC: ReleaseDC frees it
    // A window context: the window, where its (0, 0) lies on the surface and the part of the
    // surface the window system lets it paint (null: all of it). The clip region above is kept in
    // surface pixels and always lies within the window's part.
    HWND window = nullptr;
    POINT origin{0, 0};
    std::shared_ptr<const Region> systemClip;

    std::shared_ptr<Surface> Target() const { return isMemory ? (bitmap ? bitmap->Pixels() : nullptr) : screen; }
};

// A new region handle for the area.
HRGN NewRegionHandle(Region area);
// a combined with b by RGN_AND, RGN_OR, RGN_XOR or RGN_DIFF; a itself for any other mode.
Region CombineRegions(const Region& a, const Region& b, int mode);

inline std::uintptr_t HandleId(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

template <class Handle> Handle MakeHandle(std::uintptr_t id) { return reinterpret_cast<Handle>(id); }

} // namespace zv::gdi
