// The object behind an icon or cursor handle: its pixels, drawn with transparency.
#pragma once

#include <vector>

#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/painter.h"

namespace zv::gdi {

// Pixels of an icon, rows from the top.
struct IconPixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> colour; // the XOR image
    std::vector<BYTE> mask;       // 1 where the screen shows through (the AND mask)
    std::vector<BYTE> alpha;      // empty, or the opacity of each pixel, which then wins over the mask

    std::size_t At(int x, int y) const { return static_cast<std::size_t>(y) * width + x; }
    // Nearest-pixel copy at another size (both positive).
    IconPixels Resized(int newWidth, int newHeight) const;
};

// Never changes once made, so drawing shares it without a lock.
class Icon : public GdiObject {
public:
    Icon(IconPixels pixels, bool isIcon, POINT hotspot, bool monochrome)
        : pixels_(std::move(pixels)), isIcon_(isIcon), hotspot_(hotspot), monochrome_(monochrome)
    {
    }

    const IconPixels& Pixels() const { return pixels_; }
    bool IsIcon() const { return isIcon_; }
    POINT Hotspot() const { return hotspot_; }
    // Made from black-and-white images only: GetIconInfo then gives a mask alone.
    bool IsMonochrome() const { return monochrome_; }

    // Draws the DI_MASK and DI_IMAGE parts (flags) stretched over cx x cy pixels at (x, y).
    void Draw(Painter& painter, int x, int y, int cx, int cy, UINT flags) const;

private:
    IconPixels pixels_;
    bool isIcon_;
    POINT hotspot_;
    bool monochrome_;
};

// Puts a new icon into the handle table. Call without the table's mutex.
HICON AddIcon(IconPixels pixels, bool isIcon, POINT hotspot, bool monochrome);
// The icon or cursor behind a handle; null when it is none.
std::shared_ptr<const Icon> FindIcon(HICON handle);

} // namespace zv::gdi
