// Bit-depth conversions of CPixImage: IncreaseBpp keeps every colour, DecreaseBpp maps colours onto
// a palette, optionally spreading each pixel's error onto its unvisited neighbours.
#include "imagelib/PixImage.h"
#include "imagelib/PixImageScratch.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace {

using pix_scratch::Tick;

// Blue, green, red of one row, as the error-diffusing quantiser updates them.
using ColorRow = std::vector<std::array<int, 3>>;

void LoadRow(const CPixImage& image, LONG y, ColorRow& row)
{
    for (LONG x = 0; x < image.GetWidth(); ++x) {
        const PixColor c = image.GetColorAt(x, y);
        row[static_cast<std::size_t>(x)] = {PixBlue(c), PixGreen(c), PixRed(c)};
    }
}

void AddError(std::array<int, 3>& pixel, const int error[3], int weight)
{
    for (int k = 0; k < 3; ++k)
        pixel[static_cast<std::size_t>(k)] =
            std::clamp(pixel[static_cast<std::size_t>(k)] + ((error[k] * weight) >> 4), 0, 255);
}

// Maps every pixel of src onto dst's palette with error diffusion: 7/16 to the right, 2/16
// below-left, 4/16 below and 1/16 below-right ("below" being the next row processed).
void QuantiseDiffused(const CPixImage& src, CPixImage& dst, CPixImageInfo& progress)
{
    const LONG width = src.GetWidth();
    const LONG height = src.GetHeight();
    const std::size_t w = static_cast<std::size_t>(width);
    ColorRow current(w);
    ColorRow next(w);
    LoadRow(src, 0, current);
    if (height > 1)
        LoadRow(src, 1, next);
    for (LONG y = 0; y < height; ++y) {
        if (!Tick(progress, static_cast<std::uint64_t>(y), static_cast<std::uint64_t>(height)))
            return;
        const bool hasNext = y + 1 < height;
        for (std::size_t x = 0; x < w; ++x) {
            const std::array<int, 3>& c = current[x];
            const BYTE index = dst.FindNearestIndex(
                MakePixColor(static_cast<BYTE>(c[2]), static_cast<BYTE>(c[1]), static_cast<BYTE>(c[0])));
            dst.SetIndexAt(static_cast<LONG>(x), y, index);
            const PixColor chosen = dst.GetPaletteEntry(index);
            const int error[3] = {c[0] - PixBlue(chosen), c[1] - PixGreen(chosen), c[2] - PixRed(chosen)};
            if (x + 1 < w)
                AddError(current[x + 1], error, 7);
            if (hasNext) {
                if (x > 0)
                    AddError(next[x - 1], error, 2);
                AddError(next[x], error, 4);
                if (x + 1 < w)
                    AddError(next[x + 1], error, 1);
            }
        }
        std::swap(current, next);
        if (y + 2 < height)
            LoadRow(src, y + 2, next);
    }
}

void QuantiseNearest(const CPixImage& src, CPixImage& dst, CPixImageInfo& progress)
{
    const LONG width = src.GetWidth();
    const LONG height = src.GetHeight();
    for (LONG y = 0; y < height; ++y) {
        if (!Tick(progress, static_cast<std::uint64_t>(y), static_cast<std::uint64_t>(height)))
            return;
        for (LONG x = 0; x < width; ++x)
            dst.SetIndexAt(x, y, dst.FindNearestIndex(src.GetColorAt(x, y)));
    }
}

// Gives the result the selection and alpha planes of the source.
bool CopyPlanes(CPixImage& source, CPixImage& result)
{
    if ((source.HasSelection() && !result.CopySelection(source)) || (source.HasAlpha() && !result.CopyAlpha(source))) {
        source.SetLastErrorText("CPixImage::Create can't allocate memory");
        return false;
    }
    return true;
}

} // namespace

bool CPixImage::IncreaseBpp(DWORD newBpp)
{
    if (!m_pDib)
        return false;
    const DWORD bpp = m_header.biBitCount;
    const LONG width = m_header.biWidth;
    const LONG height = m_header.biHeight;
    const std::uint64_t rows = static_cast<std::uint64_t>(height);
    if (newBpp == 4 || newBpp == 8) {
        if (bpp == newBpp)
            return true;
        if (bpp > newBpp)
            return false;
        CPixImage scratch;
        if (!pix_scratch::Start(*this, scratch, static_cast<std::uint64_t>(width), rows, newBpp, false))
            return false;
        std::memcpy(scratch.GetPalette(), GetPalette(), GetPaletteBytes());
        if (!CopyPlanes(*this, scratch))
            return false;
        for (LONG y = 0; y < height; ++y) {
            if (!Tick(m_info, static_cast<std::uint64_t>(y), rows))
                break;
            for (LONG x = 0; x < width; ++x)
                scratch.SetIndexAt(x, y, GetIndexAt(x, y));
        }
        scratch.m_info.progress = m_info.progress;
        Transfer(scratch);
        return true;
    }
    if (newBpp != 24)
        return false;
    if (bpp == 24)
        return true;

    CPixImage scratch;
    if (!pix_scratch::Start(*this, scratch, static_cast<std::uint64_t>(width), rows, 24, false))
        return false;
    if (!CopyPlanes(*this, scratch))
        return false;
    if (m_info.transparentIndex >= 0)
        scratch.SetTransparentColor(GetPaletteEntry(static_cast<BYTE>(m_info.transparentIndex)));
    // Palette alpha becomes a per-pixel plane, as 24 bpp has no palette to hold it.
    if (HasPaletteAlpha() && !m_pAlpha && !pix_scratch::StartAlpha(*this, scratch))
        return false;
    const RGBQUAD* palette = GetPalette();
    BYTE* alpha = scratch.m_pAlpha;
    for (LONG y = 0; y < height; ++y) {
        if (!Tick(m_info, static_cast<std::uint64_t>(y), rows))
            break;
        BYTE* out = scratch.GetRowPointer(static_cast<DWORD>(y));
        for (LONG x = 0; x < width; ++x, out += 3) {
            const RGBQUAD& q = palette[GetIndexAt(x, y)];
            out[0] = q.rgbBlue;
            out[1] = q.rgbGreen;
            out[2] = q.rgbRed;
            if (alpha) {
                const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x);
                alpha[at] = m_pAlpha ? m_pAlpha[at] : q.rgbReserved;
            }
        }
    }
    scratch.m_info.progress = m_info.progress;
    Transfer(scratch);
    return true;
}

bool CPixImage::DecreaseBpp(DWORD newBpp, bool errorDiffusion, const RGBQUAD* palette, DWORD importantColors)
{
    if (!m_pDib)
        return false;
    const DWORD bpp = m_header.biBitCount;
    if (bpp < newBpp)
        return false;
    if (bpp == newBpp &&
        (importantColors == 0 || (m_header.biClrImportant != 0 && m_header.biClrImportant < importantColors)))
        return true;
    if (newBpp != 1 && newBpp != 4 && newBpp != 8)
        return false;

    CPixImage scratch;
    if (!pix_scratch::Start(*this, scratch, static_cast<std::uint64_t>(m_header.biWidth),
                            static_cast<std::uint64_t>(m_header.biHeight), newBpp, false))
        return false;
    if (importantColors)
        scratch.SetClrImportant(importantColors);
    if (!CopyPlanes(*this, scratch))
        return false;
    if (palette) {
        for (DWORD i = 0; i < scratch.GetHeader().biClrUsed; ++i) {
            const RGBQUAD& q = palette[i];
            scratch.SetPaletteEntry(static_cast<BYTE>(i), q.rgbRed, q.rgbGreen, q.rgbBlue, q.rgbReserved);
        }
    } else if (newBpp == 1) {
        scratch.SetPaletteEntry(0, 0, 0, 0);
        scratch.SetPaletteEntry(1, 255, 255, 255);
    } else {
        scratch.SetStdPalette();
    }

    if (errorDiffusion) {
        // Two rows of working colours; a failure to get them is a failure, not an exception.
        try {
            QuantiseDiffused(*this, scratch, m_info);
        } catch (const std::bad_alloc&) {
            SetLastErrorText("CPixImage::Create can't allocate memory");
            return false;
        }
    } else {
        QuantiseNearest(*this, scratch, m_info);
    }
    scratch.m_info.progress = m_info.progress;
    Transfer(scratch);
    return true;
}
