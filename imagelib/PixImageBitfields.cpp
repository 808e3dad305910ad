// Expansion of 16- and 32-bit bit-field pixels into the 24-bit pixel area.
#include "imagelib/PixImage.h"

#include "imagelib/PixLittleEndian.h"

#include <bit>
#include <cstddef>

namespace {

// Where a colour channel sits in a pixel value. The masks come from files, so nothing is assumed
// about them: each is taken from its lowest to its highest set bit.
struct Channel {
    DWORD mask = 0;
    int low = 0;
    int span = 0;
};

Channel DescribeMask(DWORD mask)
{
    Channel c;
    if (mask == 0)
        return c;
    c.mask = mask;
    c.low = std::countr_zero(mask);
    c.span = 32 - std::countl_zero(mask) - c.low;
    return c;
}

// The channel's value with its top bit at bit 7 (a 5-bit 31 gives 248, as a 5-5-5 pixel should).
BYTE Extract(DWORD pixel, const Channel& c)
{
    if (c.mask == 0)
        return 0;
    const DWORD value = (pixel & c.mask) >> c.low;
    if (c.span >= 8)
        return static_cast<BYTE>(value >> (c.span - 8));
    return static_cast<BYTE>(value << (8 - c.span));
}

} // namespace

void CPixImage::UnpackBitfields(const BYTE* source, DWORD redMask, DWORD greenMask, DWORD blueMask, WORD depth)
{
    if (!m_pDib || !source || m_header.biBitCount != 24 || (depth != 16 && depth != 32))
        return;
    const Channel red = DescribeMask(redMask);
    const Channel green = DescribeMask(greenMask);
    const Channel blue = DescribeMask(blueMask);
    const std::size_t width = static_cast<std::size_t>(m_header.biWidth);
    const std::size_t height = static_cast<std::size_t>(m_header.biHeight);
    const std::size_t sourceStride = depth == 16 ? (width + 1) / 2 * 4 : width * 4;

    // Last row and last pixel first: at 16 bits the source may be the pixel area itself, and each
    // 3-byte pixel then lands at or after the 2 bytes it came from.
    for (std::size_t row = height; row-- > 0;) {
        const BYTE* src = source + row * sourceStride;
        BYTE* dst = m_pPixels + row * m_info.stride;
        for (std::size_t x = width; x-- > 0;) {
            const DWORD pixel = depth == 16 ? LoadLE16(src + 2 * x) : LoadLE32(src + 4 * x);
            dst[3 * x] = Extract(pixel, blue);
            dst[3 * x + 1] = Extract(pixel, green);
            dst[3 * x + 2] = Extract(pixel, red);
        }
    }
}
