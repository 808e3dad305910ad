// Pixel storage behind every bitmap and the screen.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/win32/types.h"

namespace zv::gdi {

enum class PixelFormat {
    Mono1,  // 1 bit per pixel, leftmost pixel in the high bit; 1 is white
    Bgr24,  // blue, green, red
    Bgrx32, // blue, green, red, unused
};

// Device bitmaps keep their rows top-down; DIBs of positive height keep them bottom-up.
enum class RowOrder { TopDown, BottomUp };

// The one rule that turns picture row y (counted from the top) of a picture `height` rows high into
// its row in memory. Surfaces and the DIBs callers hand in both go through it.
constexpr std::size_t MemoryRowOf(RowOrder order, int height, int y)
{
    return static_cast<std::size_t>(order == RowOrder::TopDown ? y : height - 1 - y);
}

class Surface {
public:
    // Null for a size that is not positive or too large to address, or when memory runs out.
    // Rows are padded to rowAlignment bytes (2 for device bitmaps, 4 for DIBs). Starts black.
    static std::unique_ptr<Surface> Create(int width, int height, PixelFormat format, RowOrder order,
                                           int rowAlignment);

    int Width() const { return width_; }
    int Height() const { return height_; }
    PixelFormat Format() const { return format_; }
    RowOrder Order() const { return order_; }
    int BitsPerPixel() const;
    int Stride() const { return stride_; }
    bool IsMonochrome() const { return format_ == PixelFormat::Mono1; }
    RECT Bounds() const { return RECT{0, 0, width_, height_}; }

    // The whole block as laid out in memory.
    BYTE* Bits() { return storage_.data(); }
    const BYTE* Bits() const { return storage_.data(); }
    std::size_t ByteCount() const { return storage_.size(); }

    // Row y of the picture, counted from the top whatever the memory order.
    BYTE* Row(int y) { return storage_.data() + MemoryRow(y) * static_cast<std::size_t>(stride_); }
    const BYTE* Row(int y) const { return storage_.data() + MemoryRow(y) * static_cast<std::size_t>(stride_); }

    // Pixel access in picture coordinates; the caller keeps x and y inside the surface.
    COLORREF GetPixel(int x, int y) const;
    void SetPixel(int x, int y, COLORREF colour);
    // Mixes colour over the pixel by coverage (0..255). Monochrome pixels take the colour when
    // coverage reaches half and are left alone otherwise, so they never get grey levels.
    void BlendPixel(int x, int y, COLORREF colour, BYTE coverage);
    // Fills the part of the rectangle inside the surface.
    void FillRect(const RECT& rect, COLORREF colour);

    // The monochrome value (lit or not) a colour maps to: whichever of white and black is nearer.
    static bool IsLightColour(COLORREF colour);

private:
    Surface(int width, int height, PixelFormat format, RowOrder order, int stride);
    std::size_t MemoryRow(int y) const { return MemoryRowOf(order_, height_, y); }

    int width_;
    int height_;
    PixelFormat format_;
    RowOrder order_;
    int stride_;
    std::vector<BYTE> storage_;
};

// Intersection of two rectangles; empty (right <= left or bottom <= top) when they do not meet.
RECT IntersectRects(const RECT& a, const RECT& b);
bool IsEmptyRect(const RECT& r);

} // namespace zv::gdi
