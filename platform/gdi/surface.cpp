#include "platform/gdi/surface.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>

namespace zv::gdi {
namespace {

// Largest pixel block we hand out; keeps every offset well inside int and size_t arithmetic.
constexpr std::int64_t kMaxBytes = std::int64_t{1} << 31;

int BitsOf(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Mono1:
        return 1;
    case PixelFormat::Bgr24:
        return 24;
    case PixelFormat::Bgrx32:
        return 32;
    }
    return 0;
}

} // namespace

std::unique_ptr<Surface> Surface::Create(int width, int height, PixelFormat format, RowOrder order,
                                         int rowAlignment)
{
    if (width <= 0 || height <= 0 || rowAlignment <= 0)
        return nullptr;
    const std::int64_t rowBits = std::int64_t{width} * BitsOf(format);
    const std::int64_t rowBytes = (rowBits + 7) / 8;
    const std::int64_t stride = (rowBytes + rowAlignment - 1) / rowAlignment * rowAlignment;
    if (stride * height > kMaxBytes)
        return nullptr;
    try {
        return std::unique_ptr<Surface>(new Surface(width, height, format, order, static_cast<int>(stride)));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

Surface::Surface(int width, int height, PixelFormat format, RowOrder order, int stride)
    : width_(width), height_(height), format_(format), order_(order), stride_(stride),
      storage_(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), BYTE{0})
{
}

int Surface::BitsPerPixel() const { return BitsOf(format_); }

bool Surface::IsLightColour(COLORREF colour)
{
    return GetRValue(colour) + GetGValue(colour) + GetBValue(colour) >= 383;
}

COLORREF Surface::GetPixel(int x, int y) const
{
    const BYTE* row = Row(y);
    switch (format_) {
    case PixelFormat::Mono1:
        return (row[x / 8] & (0x80 >> (x % 8))) ? RGB(255, 255, 255) : RGB(0, 0, 0);
    case PixelFormat::Bgr24:
        return RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
    case PixelFormat::Bgrx32:
        return RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
    }
    return 0;
}

void Surface::SetPixel(int x, int y, COLORREF colour)
{
    BYTE* row = Row(y);
    switch (format_) {
    case PixelFormat::Mono1: {
        const BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
        if (IsLightColour(colour))
            row[x / 8] |= bit;
        else
            row[x / 8] &= static_cast<BYTE>(~bit);
        return;
    }
    case PixelFormat::Bgr24:
        row[x * 3] = GetBValue(colour);
        row[x * 3 + 1] = GetGValue(colour);
        row[x * 3 + 2] = GetRValue(colour);
        return;
    case PixelFormat::Bgrx32:
        row[x * 4] = GetBValue(colour);
        row[x * 4 + 1] = GetGValue(colour);
        row[x * 4 + 2] = GetRValue(colour);
        row[x * 4 + 3] = 0;
        return;
    }
}

void Surface::BlendPixel(int x, int y, COLORREF colour, BYTE coverage)
{
    if (coverage == 0)
        return;
    if (format_ == PixelFormat::Mono1) {
        if (coverage >= 128)
            SetPixel(x, y, colour);
        return;
    }
    if (coverage == 255) {
        SetPixel(x, y, colour);
        return;
    }
    const COLORREF old = GetPixel(x, y);
    const auto mix = [coverage](BYTE over, BYTE under) {
        return static_cast<BYTE>((over * coverage + under * (255 - coverage) + 127) / 255);
    };
    SetPixel(x, y,
             RGB(mix(GetRValue(colour), GetRValue(old)), mix(GetGValue(colour), GetGValue(old)),
                 mix(GetBValue(colour), GetBValue(old))));
}

void Surface::FillRect(const RECT& rect, COLORREF colour)
{
    const RECT r = IntersectRects(rect, Bounds());
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x)
            SetPixel(x, y, colour);
}

RECT IntersectRects(const RECT& a, const RECT& b)
{
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

} // namespace zv::gdi
