#include "platform/gdi/dib_rle.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/gdi/dib_layout.h"

namespace zv::gdi {
namespace {

// Expanded pictures beyond this many bytes are refused: a few compressed bytes can describe a huge
// empty picture.
constexpr std::uint64_t kMaxExpandedBytes = std::uint64_t{1} << 28;

} // namespace

std::optional<ExpandedDib> ExpandRleDib(const BITMAPINFO* info, const BYTE* data, std::size_t size)
{
    if (info == nullptr || data == nullptr)
        return std::nullopt;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const int bits = header.biBitCount;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || !((header.biCompression == BI_RLE8 && bits == 8) ||
                                                       (header.biCompression == BI_RLE4 && bits == 4)) ||
        header.biWidth <= 0 || header.biHeight <= 0)
        return std::nullopt;
    const std::uint64_t width = std::uint64_t(header.biWidth);
    const std::uint64_t height = std::uint64_t(header.biHeight);
    const std::uint64_t stride = (width * bits + 31) / 32 * 4;
    if (stride * height > kMaxExpandedBytes)
        return std::nullopt;

    const std::size_t colours = header.biClrUsed != 0 ? std::min<DWORD>(header.biClrUsed, 1u << bits) : 1u << bits;
    ExpandedDib out;
    out.info.resize(sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD));
    BITMAPINFOHEADER plain = header;
    plain.biSize = sizeof(BITMAPINFOHEADER);
    plain.biCompression = BI_RGB;
    plain.biSizeImage = 0;
    plain.biClrUsed = static_cast<DWORD>(colours);
    std::memcpy(out.info.data(), &plain, sizeof plain);
    std::memcpy(out.info.data() + sizeof plain, PaletteOf(info), colours * sizeof(RGBQUAD));
    out.bits.assign(std::size_t(stride * height), 0);

    std::uint64_t x = 0, y = 0;
    auto put = [&](BYTE index) {
        if (x < width && y < height)
            StoreIndex(out.bits.data() + y * stride, bits, static_cast<int>(x), index);
        ++x;
    };
    std::size_t at = 0;
    while (at + 1 < size && y < height) {
        const BYTE count = data[at];
        const BYTE value = data[at + 1];
        at += 2;
        if (count > 0) { // a run of one value (two alternating nibbles at 4 bits)
            for (int i = 0; i < count && x < width; ++i)
                put(bits == 8 ? value : BYTE(i % 2 == 0 ? value >> 4 : value & 0x0F));
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of picture
            return out;
        case 2: // move right and up
            if (at + 1 >= size)
                return out;
            x += data[at];
            y += data[at + 1];
            at += 2;
            break;
        default: { // literal pixels, padded to a whole number of 16-bit words
            const std::size_t bytes = bits == 8 ? value : (std::size_t(value) + 1) / 2;
            if (bytes > size - at)
                return out;
            for (int i = 0; i < value; ++i)
                put(bits == 8 ? data[at + std::size_t(i)]
                              : BYTE(i % 2 == 0 ? data[at + std::size_t(i / 2)] >> 4 : data[at + std::size_t(i / 2)] & 0x0F));
            at += (bytes + 1) & ~std::size_t(1);
            break;
        }
        }
    }
    return out;
}

} // namespace zv::gdi
