// Canvas and orientation operations of CPixImage: Crop, Expand, Flip, Mirror and the quarter turns.
#include "imagelib/PixImage.h"
#include "imagelib/PixImageScratch.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace {

std::size_t Bytes(LONG pixels, WORD bpp)
{
    return static_cast<std::size_t>(pixels) * bpp / 8;
}

// Each byte with the order of the 1- or 4-bit pixels in it reversed.
std::array<BYTE, 256> PixelsReversedInByte(WORD bpp)
{
    const unsigned bits = bpp == 4 ? 4 : 1;
    const unsigned mask = (1u << bits) - 1;
    std::array<BYTE, 256> reversed{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned out = 0;
        for (unsigned at = 0; at < 8; at += bits)
            out |= ((byte >> at) & mask) << (8 - bits - at);
        reversed[byte] = static_cast<BYTE>(out);
    }
    return reversed;
}

// A row of 1- or 4-bit pixels, mirrored a byte at a time: the bytes in reverse order with their
// pixels reversed, then moved back by the unused pixels the row's last byte had.
void MirrorPackedRow(const BYTE* in, BYTE* out, LONG width, WORD bpp, const std::array<BYTE, 256>& reversed)
{
    const std::size_t bytes = (static_cast<std::size_t>(width) * bpp + 7) / 8;
    const unsigned spareBits = static_cast<unsigned>(bytes * 8 - static_cast<std::size_t>(width) * bpp);
    if (spareBits == 0) {
        for (std::size_t i = 0; i < bytes; ++i)
            out[i] = reversed[in[bytes - 1 - i]];
        return;
    }
    // Result byte i: the reversed byte bytes - 1 - i moved up, the top of the one before it below.
    for (std::size_t i = 0; i + 1 < bytes; ++i)
        out[i] = static_cast<BYTE>((reversed[in[bytes - 1 - i]] << spareBits) |
                                   (reversed[in[bytes - 2 - i]] >> (8 - spareBits)));
    out[bytes - 1] = static_cast<BYTE>(reversed[in[0]] << spareBits);
}

BYTE* Row(const CPixImage& image, LONG y)
{
    return image.GetRowPointer(static_cast<DWORD>(y));
}

// Fills every pixel with one colour: the nearest palette index below 24 bpp.
void FillCanvas(CPixImage& image, PixColor canvas)
{
    const WORD bpp = image.GetBpp();
    if (bpp == 24) {
        BYTE* first = Row(image, 0);
        for (LONG x = 0; x < image.GetWidth(); ++x) {
            first[3 * x] = PixBlue(canvas);
            first[3 * x + 1] = PixGreen(canvas);
            first[3 * x + 2] = PixRed(canvas);
        }
        for (LONG y = 1; y < image.GetHeight(); ++y)
            std::memcpy(Row(image, y), first, image.GetStride());
        return;
    }
    const BYTE index = image.FindNearestIndex(canvas);
    switch (bpp) {
    case 8: image.Clear(index); break;
    case 4: image.Clear(static_cast<BYTE>((index << 4) | (index & 0x0F))); break;
    default: image.Clear((index & 1) ? 0xFF : 0x00); break;
    }
}

// Calls visit(top, bottom, left, right) for each tile of a width x height result, a band of
// `tileRows` rows at a time, and reports the progress once per band.
template <typename Visit>
void ForEachTile(LONG width, LONG height, LONG tileRows, LONG tileColumns, CPixImageInfo& progress, Visit visit)
{
    for (LONG top = 0; top < height; top += tileRows) {
        const LONG bottom = std::min(height, top + tileRows);
        pix_scratch::Tick(progress, static_cast<std::uint64_t>(bottom - 1), static_cast<std::uint64_t>(height));
        for (LONG left = 0; left < width; left += tileColumns)
            visit(top, bottom, left, std::min(width, left + tileColumns));
    }
}

// Result pixel (x, y) takes source pixel map(x, y), for colours and alpha alike.
template <typename Map>
void Remap(const CPixImage& src, CPixImage& dst, Map map, CPixImageInfo& progress)
{
    const LONG width = dst.GetWidth();
    const LONG height = dst.GetHeight();
    const WORD bpp = src.GetBpp();
    const BYTE* srcAlpha = src.GetAlphaPlane();
    BYTE* dstAlpha = dst.GetAlphaPlane();
    const std::size_t srcAlphaStride = static_cast<std::size_t>(src.GetWidth());
    std::vector<const BYTE*> srcRows(static_cast<std::size_t>(src.GetHeight()));
    for (LONG y = 0; y < src.GetHeight(); ++y)
        srcRows[static_cast<std::size_t>(y)] = Row(src, y);
    // In square tiles: a turn reads the source across its rows, and a tile's reads stay in cache.
    constexpr LONG kTile = 64;
    ForEachTile(width, height, kTile, kTile, progress, [&](LONG top, LONG bottom, LONG left, LONG right) {
        for (LONG y = top; y < bottom; ++y) {
            BYTE* out = Row(dst, y);
            for (LONG x = left; x < right; ++x) {
                const auto [sx, sy] = map(x, y);
                const BYTE* inRow = srcRows[static_cast<std::size_t>(sy)];
                if (bpp == 24) {
                    std::memcpy(out + 3 * static_cast<std::size_t>(x), inRow + 3 * static_cast<std::size_t>(sx), 3);
                } else if (bpp == 8) {
                    out[x] = inRow[sx];
                } else if (bpp == 4) {
                    const BYTE in = inRow[sx >> 1];
                    const BYTE pixel = (sx & 1) ? (in & 0x0F) : (in >> 4);
                    BYTE& to = out[x >> 1];
                    to = (x & 1) ? static_cast<BYTE>((to & 0xF0) | pixel)
                                 : static_cast<BYTE>((to & 0x0F) | (pixel << 4));
                } else if (bpp == 1) {
                    const BYTE bit = static_cast<BYTE>(0x80 >> (x & 7));
                    if ((inRow[sx >> 3] >> (7 - (sx & 7))) & 1)
                        out[x >> 3] |= bit;
                    else
                        out[x >> 3] &= static_cast<BYTE>(~bit);
                } else {
                    dst.SetIndexAt(x, y, src.GetIndexAt(sx, sy));
                }
                if (dstAlpha)
                    dstAlpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                             static_cast<std::size_t>(x)] =
                        srcAlpha[static_cast<std::size_t>(sy) * srcAlphaStride + static_cast<std::size_t>(sx)];
            }
        }
    });
}

// Eight 1-bit pixels of a row from pixel `start` on, the first in the top bit; pixels outside the
// row's `width` read as 0.
unsigned EightBitsAt(const BYTE* row, LONG start, LONG width)
{
    unsigned bits = 0;
    for (LONG at = start; at < start + 8; ++at) {
        const bool set = at >= 0 && at < width && ((row[at >> 3] >> (7 - (at & 7))) & 1) != 0;
        bits = (bits << 1) | (set ? 1u : 0u);
    }
    return bits;
}

// Result rows top to top + 7 (those the picture has), columns left to right (a multiple of 8
// apart, or the picture's end), of a 1-bit quarter turn: `first` is the source column of result
// row top, the next rows' columns rise from it (or fall, `upwards`); result column x reads
// rows[x], a source row.
void TurnBitsRowOfBlocks(const CPixImage& src, CPixImage& dst, LONG first, bool upwards, LONG top, LONG left,
                         LONG right, const std::vector<const BYTE*>& rows)
{
    const LONG srcWidth = src.GetWidth();
    const LONG blockRows = std::min<LONG>(8, dst.GetHeight() - top);
    std::array<BYTE*, 8> out{};
    for (LONG j = 0; j < blockRows; ++j)
        out[static_cast<std::size_t>(j)] = Row(dst, top + j);
    // The eight source columns from `start` on: mostly all inside the source row, where they are
    // one or two bytes.
    const LONG start = upwards ? first - 7 : first;
    const bool inside = start >= 0 && start + 8 <= srcWidth;
    const std::size_t byte = inside ? static_cast<std::size_t>(start) >> 3 : 0;
    const unsigned shift = inside ? static_cast<unsigned>(start & 7) : 0;
    for (; left < right; left += 8) {
        const BYTE* const* from = rows.data() + left;
        std::uint64_t block = 0; // source row k of the block in byte 7 - k, column c in bit 7 - c
        if (inside && shift == 0) {
            for (int k = 0; k < 8; ++k)
                block = (block << 8) | from[k][byte];
        } else if (inside) {
            for (int k = 0; k < 8; ++k)
                block = (block << 8) |
                        ((((static_cast<unsigned>(from[k][byte]) << 8) | from[k][byte + 1]) >> (8 - shift)) & 0xFF);
        } else {
            for (int k = 0; k < 8; ++k)
                block = (block << 8) | EightBitsAt(from[k], start, srcWidth);
        }
        // The 8 x 8 bit transpose: row c then holds source column start + c, source row k in bit 7 - k.
        std::uint64_t t = (block ^ (block >> 7)) & 0x00AA00AA00AA00AAULL;
        block ^= t ^ (t << 7);
        t = (block ^ (block >> 14)) & 0x0000CCCC0000CCCCULL;
        block ^= t ^ (t << 14);
        t = (block ^ (block >> 28)) & 0x00000000F0F0F0F0ULL;
        block ^= t ^ (t << 28);
        // Result row j takes column start + j, or start + 7 - j when upwards.
        for (LONG j = 0; j < blockRows; ++j)
            out[static_cast<std::size_t>(j)][left >> 3] = static_cast<BYTE>(upwards ? block >> (8 * j) : block >> (56 - 8 * j));
    }
}

// A quarter turn of a 1-bit picture without alpha, eight by eight pixels at a time: each result
// block takes one byte of each of eight source rows, and its bits are transposed in one word.
// `map` is a quarter turn: its source column depends on y only, its source row on x only.
template <typename Map>
void TurnBits(const CPixImage& src, CPixImage& dst, Map map, CPixImageInfo& progress)
{
    const LONG width = dst.GetWidth();
    const LONG height = dst.GetHeight();
    const LONG srcWidth = src.GetWidth();
    const bool upwards = map(0, 1).first < map(0, 0).first; // source columns fall as y rises
    // Result column x reads source row map(x, 0).second; the columns past the result's width
    // (up to the block's end) read a row of zeros.
    const std::vector<BYTE> zeros(static_cast<std::size_t>(srcWidth) / 8 + 2, 0);
    std::vector<const BYTE*> rows(static_cast<std::size_t>(width + 8), zeros.data());
    for (LONG x = 0; x < width; ++x)
        rows[static_cast<std::size_t>(x)] = Row(src, map(x, 0).second);
    // In tiles of 64 result rows by 512 result columns: a tile reads one cache line of each of
    // its 512 source rows and writes 64 bytes of each of its rows, all of it at hand until done.
    ForEachTile(width, height, 64, 512, progress, [&](LONG tileTop, LONG tileBottom, LONG left, LONG right) {
        for (LONG top = tileTop; top < tileBottom; top += 8)
            TurnBitsRowOfBlocks(src, dst, map(0, top).first, upwards, top, left, right, rows);
    });
}

// A quarter turn: 1-bit pictures without alpha a block at a time, the others pixel by pixel.
template <typename Map>
void Turn(const CPixImage& src, CPixImage& dst, Map map, CPixImageInfo& progress)
{
    if (src.GetBpp() == 1 && src.GetAlphaPlane() == nullptr)
        TurnBits(src, dst, map, progress);
    else
        Remap(src, dst, map, progress);
}

} // namespace

bool CPixImage::Crop(LONG left, LONG top, LONG right, LONG bottom, CPixImage* destination)
{
    if (!m_pDib)
        return false;
    const LONG width = m_header.biWidth;
    const LONG height = m_header.biHeight;
    left = std::clamp<LONG>(left, 0, width);
    right = std::clamp<LONG>(right, 0, width);
    top = std::clamp<LONG>(top, 0, height);
    bottom = std::clamp<LONG>(bottom, 0, height);
    if (left == right || top == bottom)
        return false;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);

    const LONG newWidth = right - left;
    const LONG newHeight = bottom - top;
    const WORD bpp = m_header.biBitCount;
    CPixImage scratch;
    if (!pix_scratch::Start(*this, scratch, static_cast<std::uint64_t>(newWidth), static_cast<std::uint64_t>(newHeight),
                            bpp, true))
        return false;
    // Top and bottom count from the top; rows from the bottom.
    const LONG firstRow = height - bottom;
    for (LONG y = 0; y < newHeight; ++y) {
        if (bpp >= 8) {
            std::memcpy(Row(scratch, y), Row(*this, firstRow + y) + Bytes(left, bpp), Bytes(newWidth, bpp));
            continue;
        }
        for (LONG x = 0; x < newWidth; ++x)
            scratch.SetIndexAt(x, y, GetIndexAt(left + x, firstRow + y));
    }
    if (m_pAlpha) {
        if (!pix_scratch::StartAlpha(*this, scratch))
            return false;
        for (LONG y = 0; y < newHeight; ++y) {
            const BYTE* in = m_pAlpha + static_cast<std::size_t>(firstRow + y) * static_cast<std::size_t>(width) +
                static_cast<std::size_t>(left);
            std::memcpy(scratch.m_pAlpha + static_cast<std::size_t>(y) * static_cast<std::size_t>(newWidth), in,
                        static_cast<std::size_t>(newWidth));
        }
    }
    pix_scratch::Deliver(*this, destination, scratch);
    return true;
}

bool CPixImage::Expand(LONG left, LONG top, LONG right, LONG bottom, PixColor canvas, CPixImage* destination)
{
    if (!m_pDib || left < 0 || top < 0 || right < 0 || bottom < 0)
        return false;
    const LONG width = m_header.biWidth;
    const LONG height = m_header.biHeight;
    const WORD bpp = m_header.biBitCount;
    const std::uint64_t newWidth = static_cast<std::uint64_t>(width) + static_cast<std::uint64_t>(left) +
        static_cast<std::uint64_t>(right);
    const std::uint64_t newHeight = static_cast<std::uint64_t>(height) + static_cast<std::uint64_t>(top) +
        static_cast<std::uint64_t>(bottom);
    CPixImage scratch;
    if (!pix_scratch::Start(*this, scratch, newWidth, newHeight, bpp, true))
        return false;
    FillCanvas(scratch, canvas);
    // The picture's bottom row lands on result row `bottom`, its left column on column `left`.
    for (LONG y = 0; y < height; ++y) {
        if (bpp >= 8) {
            std::memcpy(Row(scratch, bottom + y) + Bytes(left, bpp), Row(*this, y), Bytes(width, bpp));
            continue;
        }
        for (LONG x = 0; x < width; ++x)
            scratch.SetIndexAt(left + x, bottom + y, GetIndexAt(x, y));
    }
    pix_scratch::Deliver(*this, destination, scratch);
    return true;
}

bool CPixImage::Expand(LONG width, LONG height, PixColor canvas, CPixImage* destination)
{
    if (!m_pDib || width < m_header.biWidth || height < m_header.biHeight)
        return false;
    // Integer halves: the odd pixel goes to the right and the bottom.
    const LONG left = (width - m_header.biWidth) / 2;
    const LONG top = (height - m_header.biHeight) / 2;
    const LONG right = width - m_header.biWidth - left;
    const LONG bottom = height - m_header.biHeight - top;
    return Expand(left, top, right, bottom, canvas, destination);
}

bool CPixImage::Flip()
{
    if (!m_pDib)
        return false;
    const LONG width = m_header.biWidth;
    const LONG height = m_header.biHeight;
    CPixImage scratch;
    if (!pix_scratch::Start(*this, scratch, static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height),
                            m_header.biBitCount, true))
        return false;
    for (LONG y = 0; y < height; ++y)
        std::memcpy(Row(scratch, height - 1 - y), Row(*this, y), m_info.stride);
    if (m_pAlpha) {
        if (!pix_scratch::StartAlpha(*this, scratch))
            return false;
        const std::size_t w = static_cast<std::size_t>(width);
        for (LONG y = 0; y < height; ++y)
            std::memcpy(scratch.m_pAlpha + static_cast<std::size_t>(height - 1 - y) * w,
                        m_pAlpha + static_cast<std::size_t>(y) * w, w);
    }
    pix_scratch::Deliver(*this, nullptr, scratch);
    return true;
}

bool CPixImage::Mirror()
{
    if (!m_pDib)
        return false;
    const LONG width = m_header.biWidth;
    const LONG height = m_header.biHeight;
    const WORD bpp = m_header.biBitCount;
    CPixImage scratch;
    if (!pix_scratch::Start(*this, scratch, static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height), bpp,
                            true))
        return false;
    const std::array<BYTE, 256> reversed = bpp < 8 ? PixelsReversedInByte(bpp) : std::array<BYTE, 256>{};
    for (LONG y = 0; y < height; ++y) {
        const BYTE* in = Row(*this, y);
        BYTE* out = Row(scratch, y);
        if (bpp == 1 || bpp == 4) {
            MirrorPackedRow(in, out, width, bpp, reversed);
            continue;
        }
        if (bpp == 8) {
            std::reverse_copy(in, in + width, out);
            continue;
        }
        for (LONG x = 0; x < width; ++x) {
            const LONG from = width - 1 - x;
            if (bpp == 24)
                std::memcpy(out + 3 * static_cast<std::size_t>(x), in + 3 * static_cast<std::size_t>(from), 3);
            else
                scratch.SetIndexAt(x, y, GetIndexAt(from, y));
        }
    }
    if (m_pAlpha) {
        if (!pix_scratch::StartAlpha(*this, scratch))
            return false;
        const std::size_t w = static_cast<std::size_t>(width);
        for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y)
            std::reverse_copy(m_pAlpha + y * w, m_pAlpha + (y + 1) * w, scratch.m_pAlpha + y * w);
    }
    pix_scratch::Deliver(*this, nullptr, scratch);
    return true;
}

bool CPixImage::RotateLeft(CPixImage* destination)
{
    if (!m_pDib)
        return false;
    const LONG height = m_header.biHeight;
    CPixImage scratch;
    if (!pix_scratch::Start(*this, scratch, static_cast<std::uint64_t>(height),
                            static_cast<std::uint64_t>(m_header.biWidth), m_header.biBitCount, true))
        return false;
    if (m_pAlpha && !pix_scratch::StartAlpha(*this, scratch))
        return false;
    // A quarter turn anticlockwise with y pointing up.
    Turn(*this, scratch, [height](LONG x, LONG y) { return std::pair<LONG, LONG>{y, height - 1 - x}; }, m_info);
    scratch.m_info.progress = m_info.progress;
    pix_scratch::Deliver(*this, destination, scratch);
    return true;
}

bool CPixImage::RotateRight(CPixImage* destination)
{
    if (!m_pDib)
        return false;
    const LONG width = m_header.biWidth;
    CPixImage scratch;
    if (!pix_scratch::Start(*this, scratch, static_cast<std::uint64_t>(m_header.biHeight),
                            static_cast<std::uint64_t>(width), m_header.biBitCount, true))
        return false;
    if (m_pAlpha && !pix_scratch::StartAlpha(*this, scratch))
        return false;
    // A quarter turn clockwise with y pointing up.
    Turn(*this, scratch, [width](LONG x, LONG y) { return std::pair<LONG, LONG>{width - 1 - y, x}; }, m_info);
    scratch.m_info.progress = m_info.progress;
    pix_scratch::Deliver(*this, destination, scratch);
    return true;
}
