// Paints pixels of one surface inside a visible region: the shared engine of the brush, line,
// shape and icon calls. It works in the context's coordinates; a window context's origin moves
// them onto the surface.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"

namespace zv::gdi {

class Painter {
public:
    // `visible` is in surface pixels; `origin` is where the context's (0, 0) lies on the surface.
    Painter(Surface& surface, const Region& visible, POINT origin = {0, 0})
        : surface_(surface), visible_(visible.Offset(-origin.x, -origin.y)), origin_(origin)
    {
    }

    // In the context's coordinates.
    const Region& Visible() const { return visible_; }
    bool IsVisible(int x, int y) const { return visible_.Contains(x, y); }

    // The visible part of the rectangle (right and bottom edges excluded).
    void Fill(const RECT& rect, COLORREF colour);
    void Invert(const RECT& rect);
    // A single pixel, when it is visible.
    void Plot(int x, int y, COLORREF colour);
    // Pixel access for pixels ForEachPixel gave (visible ones), in the context's coordinates.
    COLORREF PixelAt(int x, int y) const { return surface_.GetPixel(x + origin_.x, y + origin_.y); }
    void SetPixelAt(int x, int y, COLORREF colour) { surface_.SetPixel(x + origin_.x, y + origin_.y, colour); }
    void BlendPixelAt(int x, int y, COLORREF colour, BYTE coverage)
    {
        surface_.BlendPixel(x + origin_.x, y + origin_.y, colour, coverage);
    }
    void InvertPixel(int x, int y);

    // Calls paint(x, y) for every visible pixel of the rectangle (context coordinates).
    template <class Paint> void ForEachPixel(const RECT& rect, Paint paint) const
    {
        for (const RECT& clip : visible_.Rects()) {
            const RECT part = IntersectRects(clip, rect);
            for (LONG y = part.top; y < part.bottom; ++y)
                for (LONG x = part.left; x < part.right; ++x)
                    paint(static_cast<int>(x), static_cast<int>(y));
        }
    }

private:
    Surface& surface_;
    Region visible_; // in the context's coordinates
    POINT origin_;
};

// The rectangle of this origin and size; its far edges stop at the end of the int range.
inline RECT RectAt(int x, int y, int width, int height)
{
    const auto end = [](int from, int length) {
        return static_cast<LONG>(std::min<long long>(static_cast<long long>(from) + length, INT32_MAX));
    };
    return RECT{x, y, end(x, width), end(y, height)};
}

// White for black and the like: every colour channel inverted.
constexpr COLORREF InvertedColour(COLORREF colour) { return ~colour & 0x00FFFFFF; }

} // namespace zv::gdi
