#include "platform/gdi/dib_layout.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace zv::gdi {
namespace {

// Largest DIB we address; keeps every offset well inside size_t arithmetic.
constexpr std::int64_t kMaxBytes = std::int64_t{1} << 31;

} // namespace

std::optional<DibLayout> DibLayout::Describe(const BITMAPINFO* info, UINT usage)
{
    return DescribeAny(info, usage, false);
}

std::optional<DibLayout> DibLayout::DescribeSource(const BITMAPINFO* info, UINT usage)
{
    return DescribeAny(info, usage, true);
}

DibLayout::Channel DibLayout::ChannelOf(DWORD mask)
{
    Channel channel;
    if (mask == 0)
        return channel;
    channel.mask = mask;
    while (((mask >> channel.shift) & 1) == 0)
        ++channel.shift;
    channel.largest = mask >> channel.shift;
    return channel;
}

COLORREF DibLayout::ColourOfPixel(DWORD value) const
{
    return RGB(red_.Of(value), green_.Of(value), blue_.Of(value));
}

std::optional<DibLayout> DibLayout::DescribeAny(const BITMAPINFO* info, UINT usage, bool source)
{
    if (info == nullptr || usage != DIB_RGB_COLORS)
        return std::nullopt;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const int bits = header.biBitCount;
    const bool packed = source && (bits == 16 || bits == 32);
    const bool compressionKnown =
        header.biCompression == BI_RGB || (packed && header.biCompression == BI_BITFIELDS);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 || !compressionKnown ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 24 && !packed) || header.biWidth <= 0 ||
        header.biHeight == 0 || header.biHeight == INT32_MIN)
        return std::nullopt;
    const std::int64_t stride = (std::int64_t{header.biWidth} * bits + 31) / 32 * 4;
    const std::int64_t height = std::llabs(header.biHeight);
    if (stride * height > kMaxBytes)
        return std::nullopt;
    const int fullPalette = bits <= 8 ? 1 << bits : 0;
    DibLayout layout;
    if (packed) {
        DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
        if (bits == 32) {
            masks[0] = 0xFF0000;
            masks[1] = 0xFF00;
            masks[2] = 0xFF;
        }
        if (header.biCompression == BI_BITFIELDS)
            std::memcpy(masks, reinterpret_cast<const BYTE*>(info) + sizeof(BITMAPINFOHEADER), sizeof masks);
        for (DWORD& mask : masks)
            if (bits == 16)
                mask &= 0xFFFF;
        layout.red_ = ChannelOf(masks[0]);
        layout.green_ = ChannelOf(masks[1]);
        layout.blue_ = ChannelOf(masks[2]);
    }
    layout.width_ = header.biWidth;
    layout.height_ = static_cast<int>(height);
    layout.bitsPerPixel_ = bits;
    layout.order_ = header.biHeight > 0 ? RowOrder::BottomUp : RowOrder::TopDown;
    layout.stride_ = static_cast<std::size_t>(stride);
    layout.paletteSize_ = header.biClrUsed != 0 && header.biClrUsed < static_cast<DWORD>(fullPalette)
                              ? static_cast<int>(header.biClrUsed)
                              : fullPalette;
    return layout;
}

DibReader::DibReader(const DibLayout& layout, const BITMAPINFO* info, const void* bits, std::size_t firstScan,
                     std::size_t scanCount)
    : layout_(layout), palette_(PaletteOf(info)), bits_(static_cast<const BYTE*>(bits)), firstScan_(firstScan),
      scanCount_(scanCount)
{
}

bool DibReader::Read(int x, int y, COLORREF& colour) const
{
    if (x < 0 || y < 0 || x >= layout_.Width() || y >= layout_.Height())
        return false;
    const std::size_t scan = MemoryRowOf(layout_.Order(), layout_.Height(), y);
    if (scan < firstScan_ || scan - firstScan_ >= scanCount_)
        return false;
    const BYTE* row = bits_ + (scan - firstScan_) * layout_.Stride();
    switch (layout_.BitsPerPixel()) {
    case 24:
        colour = RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
        return true;
    case 16:
        colour = layout_.ColourOfPixel(DWORD(row[x * 2]) | DWORD(row[x * 2 + 1]) << 8);
        return true;
    case 32: {
        const BYTE* p = row + std::size_t(x) * 4;
        colour = layout_.ColourOfPixel(DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24);
        return true;
    }
    default:
        break;
    }
    const BYTE index = IndexAt(row, layout_.BitsPerPixel(), x);
    // An index past the palette paints black.
    if (index >= layout_.PaletteSize()) {
        colour = RGB(0, 0, 0);
        return true;
    }
    const RGBQUAD& entry = palette_[index];
    colour = RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
    return true;
}

BYTE IndexAt(const BYTE* row, int bitsPerPixel, int x)
{
    switch (bitsPerPixel) {
    case 1:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
        return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
    default:
        return row[x];
    }
}

void StoreIndex(BYTE* row, int bitsPerPixel, int x, BYTE index)
{
    switch (bitsPerPixel) {
    case 1: {
        const BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
        row[x / 8] = static_cast<BYTE>((index & 1) ? row[x / 8] | bit : row[x / 8] & ~bit);
        return;
    }
    case 4:
        row[x / 2] = static_cast<BYTE>(x % 2 == 0 ? (row[x / 2] & 0x0F) | ((index & 0x0F) << 4)
                                                  : (row[x / 2] & 0xF0) | (index & 0x0F));
        return;
    default:
        row[x] = index;
        return;
    }
}

} // namespace zv::gdi
