// What every blit shares: raster operations, the colours a source takes on the way to its
// destination, and the nearest-pixel stretch.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/gdi/gdi_types.h"
#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"

namespace zv::gdi {

// The result of a raster operation from a source and a destination colour.
using RasterOp = COLORREF (*)(COLORREF source, COLORREF destination);
// Null for a raster code this layer does not perform.
RasterOp FindRasterOp(DWORD code);

// How a device bitmap's pixels change on their way between surfaces of different kinds. A
// monochrome source paints its black pixels in the destination context's text colour and its white
// ones in its background colour; a colour source gives a monochrome destination white where it has
// the source context's background colour and black everywhere else.
struct ColourConversion {
    bool sourceMonochrome;
    bool destinationMonochrome;
    COLORREF sourceBackground;
    COLORREF destinationText;
    COLORREF destinationBackground;

    COLORREF operator()(COLORREF colour) const;
};

// A rectangle by origin and size, wide enough that origin + size never wraps.
struct PixelRect {
    std::int64_t x;
    std::int64_t y;
    std::int64_t width;
    std::int64_t height;
};

// Paints the part of `to` inside `visible`, each pixel from the nearest pixel of `from`: whole
// pixels are dropped or repeated, as COLORONCOLOR stretching does. Destination column i takes
// source column from.x + i * from.width / to.width, rows alike. read(x, y, colour) gives a source
// pixel as the destination takes it, or false to leave the destination pixel as it is. Both
// rectangles have positive sizes.
template <class Read>
void StretchPixels(Surface& destination, const Region& visible, const PixelRect& to, const PixelRect& from,
                   RasterOp op, Read read)
{
    for (const RECT& clip : visible.Rects()) {
        const std::int64_t left = std::max<std::int64_t>(clip.left, to.x);
        const std::int64_t right = std::min<std::int64_t>(clip.right, to.x + to.width);
        const std::int64_t top = std::max<std::int64_t>(clip.top, to.y);
        const std::int64_t bottom = std::min<std::int64_t>(clip.bottom, to.y + to.height);
        for (std::int64_t y = top; y < bottom; ++y) {
            const std::int64_t sourceY = from.y + (y - to.y) * from.height / to.height;
            for (std::int64_t x = left; x < right; ++x) {
                const std::int64_t sourceX = from.x + (x - to.x) * from.width / to.width;
                COLORREF colour = 0;
                if (sourceX < INT32_MIN || sourceX > INT32_MAX || sourceY < INT32_MIN || sourceY > INT32_MAX ||
                    !read(static_cast<int>(sourceX), static_cast<int>(sourceY), colour))
                    continue;
                const int dx = static_cast<int>(x);
                const int dy = static_cast<int>(y);
                destination.SetPixel(dx, dy, op(colour, destination.GetPixel(dx, dy)));
            }
        }
    }
}

} // namespace zv::gdi
