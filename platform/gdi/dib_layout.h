// The DIBs callers hand to GDI or ask it to fill: described by a BITMAPINFO, pixels in the
// caller's memory.
#pragma once

#include <cstddef>
#include <optional>

#include "platform/gdi/gdi_types.h"
#include "platform/gdi/surface.h"

namespace zv::gdi {

// An uncompressed (BI_RGB) DIB of 1, 4, 8 or 24 bits per pixel whose palette, for the palette
// depths, follows the header as RGB colours. Rows are padded to 4 bytes; a positive height puts
// them bottom-up, a negative one top-down.
class DibLayout {
public:
    // Nothing for another kind of DIB, DIB_PAL_COLORS, or a size that cannot be addressed.
    static std::optional<DibLayout> Describe(const BITMAPINFO* info, UINT usage);
    // What a DIB that is only read from may also be: 16 or 32 bits per pixel, BI_RGB (5-5-5 and
    // 8-8-8) or BI_BITFIELDS with the three masks at byte 40 of the header. Compressed DIBs are
    // expanded first (dib_rle.h).
    static std::optional<DibLayout> DescribeSource(const BITMAPINFO* info, UINT usage);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitsPerPixel() const { return bitsPerPixel_; }
    RowOrder Order() const { return order_; }
    std::size_t Stride() const { return stride_; }
    // Entries the palette holds: biClrUsed, or all the depth can index when that is 0.
    int PaletteSize() const { return paletteSize_; }

    // The colour of a 16- or 32-bit pixel value.
    COLORREF ColourOfPixel(DWORD value) const;

private:
    DibLayout() = default;
    static std::optional<DibLayout> DescribeAny(const BITMAPINFO* info, UINT usage, bool source);

    struct Channel {
        DWORD mask = 0;
        int shift = 0;
        DWORD largest = 0; // mask >> shift
        BYTE Of(DWORD value) const
        {
            return largest == 0 ? 0 : static_cast<BYTE>(((value & mask) >> shift) * 255u / largest);
        }
    };
    static Channel ChannelOf(DWORD mask);

    Channel red_, green_, blue_;
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    RowOrder order_ = RowOrder::BottomUp;
    std::size_t stride_ = 0;
    int paletteSize_ = 0;
};

// Reads the colours of a DIB whose memory holds the scan lines [firstScan, firstScan + scanCount)
// (scan lines count in memory order: from the bottom for a bottom-up DIB).
class DibReader {
public:
    DibReader(const DibLayout& layout, const BITMAPINFO* info, const void* bits, std::size_t firstScan,
              std::size_t scanCount);

    // False when (x, y) (y counted from the top) lies outside the DIB or its scan lines.
    bool Read(int x, int y, COLORREF& colour) const;

private:
    DibLayout layout_;
    const RGBQUAD* palette_;
    const BYTE* bits_;
    std::size_t firstScan_;
    std::size_t scanCount_;
};

// Pixel values in one row of a DIB: a palette index below 24 bits, blue-green-red at 24.
BYTE IndexAt(const BYTE* row, int bitsPerPixel, int x);
void StoreIndex(BYTE* row, int bitsPerPixel, int x, BYTE index);

// The palette entries a DIB of this layout carries after its header.
inline RGBQUAD* PaletteOf(BITMAPINFO* info)
{
    return reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(info) + info->bmiHeader.biSize);
}
inline const RGBQUAD* PaletteOf(const BITMAPINFO* info)
{
    return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) + info->bmiHeader.biSize);
}

} // namespace zv::gdi
