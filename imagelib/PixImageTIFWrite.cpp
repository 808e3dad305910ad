// Writing TIFF pages, and the format's registry entry.
#include "imagelib/PixImageTIF.h"

#include "imagelib/PixStream.h"

#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr const char* kNoStream = "null file handler";
constexpr const char* kNoImage = "null image!!!";
constexpr const char* kOpenFailed = "initialization fail";
constexpr const char* kPageFailed = "Error saving TIFF file";
constexpr const char* kDirectoryFailed = "Error saving TIFF directory";

// The ramp a grey picture of this depth has (SetGrayRamp's): only such a palette may be written as
// min-is-black, which readers stretch over the full range whatever the depth.
bool IsGreyRampFor(const CPixImage& image)
{
    const DWORD entries = image.GetHeader().biClrUsed;
    if (entries < 2)
        return false;
    const DWORD step = 255 / (entries - 1);
    for (DWORD i = 0; i < entries; ++i) {
        const PixColor c = image.GetPaletteEntry(static_cast<BYTE>(i));
        const auto level = static_cast<BYTE>(i * step);
        if (PixRed(c) != level || PixGreen(c) != level || PixBlue(c) != level)
            return false;
    }
    return true;
}

} // namespace

bool CPixImageTIF::Encode(CPixStream* stream, bool append)
{
    try {
        if (!stream)
            throw kNoStream;
        if (!m_pDib)
            throw kNoImage;
        if (!m_tif) {
            // Appends a page to a stream that already holds a TIFF; starts a new file otherwise.
            m_tif = CPixTiffOpen(stream, "a");
            if (!m_tif)
                throw kOpenFailed;
        }
        if (append || m_pagesWritten > 0)
            m_multiPage = 1;
        const int page = m_pagesWritten + 1;
        if (!WritePage(m_tif, m_multiPage != 0, page, page))
            throw kPageFailed;
        m_pagesWritten = page;
        if (append) {
            if (!TIFFWriteDirectory(m_tif))
                throw kDirectoryFailed;
        } else {
            CloseHandle();
            m_multiPage = 0;
            m_pagesWritten = 0;
        }
        return true;
    } catch (const char* message) {
        SetLastErrorText(message);
    }
    CloseHandle();
    m_multiPage = 0;
    m_pagesWritten = 0;
    return false;
}

bool CPixImageTIF::WritePage(TIFF* tif, bool multiPage, int page, int pageCount)
{
    const WORD bpp = GetBpp();
    const auto width = static_cast<std::uint32_t>(GetWidth());
    const auto height = static_cast<std::uint32_t>(GetHeight());
    const bool alpha = HasAlpha() && (bpp == 24 || bpp == 8);
    const WORD samples = bpp == 24 ? (alpha ? 4 : 3) : (alpha ? 2 : 1);
    const WORD bits = bpp == 24 || alpha ? 8 : bpp;

    WORD photometric = PHOTOMETRIC_RGB;
    if (bpp == 1) {
        photometric = PHOTOMETRIC_MINISWHITE;
        // Bit 0 must be white: a palette whose entry 0 is the darker one is swapped and every pixel
        // inverted, so the picture looks the same.
        RGBQUAD* palette = GetPalette();
        if (CompareLuminance(reinterpret_cast<const BYTE*>(&palette[0]), reinterpret_cast<const BYTE*>(&palette[1]))
            < 0) {
            std::swap(palette[0], palette[1]);
            InvalidateNearestCache();
            BYTE* pixels = GetRowPointer(0);
            for (std::size_t i = 0, n = std::size_t {GetStride()} * height; i < n; ++i)
                pixels[i] = static_cast<BYTE>(~pixels[i]);
        }
    } else if (bpp == 4 || bpp == 8) {
        photometric = IsGreyRampFor(*this) ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_PALETTE;
    }

    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    if (alpha) {
        const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<float>(GetDpiX()));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<float>(GetDpiY()));
    if (multiPage) {
        char name[32];
        std::snprintf(name, sizeof name, "Page %d", page);
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, static_cast<std::uint16_t>(page), static_cast<std::uint16_t>(pageCount));
        TIFFSetField(tif, TIFFTAG_PAGENAME, name);
    } else {
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
    }

    if (photometric == PHOTOMETRIC_PALETTE) {
        std::array<std::uint16_t, 256> red {};
        std::array<std::uint16_t, 256> green {};
        std::array<std::uint16_t, 256> blue {};
        for (DWORD i = 0; i < GetHeader().biClrUsed && i < 256; ++i) {
            const PixColor c = GetPaletteEntry(static_cast<BYTE>(i));
            red[i] = static_cast<std::uint16_t>(PixRed(c) * 257);
            green[i] = static_cast<std::uint16_t>(PixGreen(c) * 257);
            blue[i] = static_cast<std::uint16_t>(PixBlue(c) * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }

    WORD compression = COMPRESSION_NONE;
    if (m_info.codecOption != 0)
        compression = static_cast<WORD>(m_info.codecOption);
    else if (bpp == 1)
        compression = COMPRESSION_CCITTFAX4;
    else if (bpp == 8)
        compression = COMPRESSION_PACKBITS;
    else if (bpp == 24)
        compression = COMPRESSION_JPEG;
    if (TIFFSetField(tif, TIFFTAG_COMPRESSION, compression) != 1)
        return false;
    std::uint32_t rowsPerStrip = TIFFDefaultStripSize(tif, 0);
    // libtiff refuses a predictor on samples below 8 bits.
    if (compression == COMPRESSION_LZW && bits == 8)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (compression == COMPRESSION_JPEG) {
        TIFFSetField(tif, TIFFTAG_JPEGQUALITY, static_cast<int>(m_info.jpegQuality));
        rowsPerStrip = (rowsPerStrip + 7) / 8 * 8;
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);

    // Rows go out from the top; colour rows in red, green, blue (and alpha) order.
    std::vector<BYTE> line(std::size_t {samples} * bits * width / 8 + 8);
    for (std::uint32_t y = 0; y < height; ++y) {
        const DWORD row = height - 1 - y;
        const BYTE* pixels = GetRowPointer(row);
        const BYTE* alphaRow = alpha ? m_pAlpha + std::size_t {row} * width : nullptr;
        if (bpp == 24) {
            for (std::uint32_t x = 0; x < width; ++x) {
                BYTE* out = line.data() + std::size_t {samples} * x;
                out[0] = pixels[3 * x + 2];
                out[1] = pixels[3 * x + 1];
                out[2] = pixels[3 * x];
                if (alphaRow)
                    out[3] = alphaRow[x];
            }
        } else if (alphaRow) {
            for (std::uint32_t x = 0; x < width; ++x) {
                line[2 * x] = pixels[x];
                line[2 * x + 1] = alphaRow[x];
            }
        } else {
            std::copy_n(pixels, std::min<std::size_t>(GetStride(), line.size()), line.data());
        }
        if (TIFFWriteScanline(tif, line.data(), y, 0) < 0)
            return false;
    }
    return true;
}

PixFormat PixTifFormat()
{
    PixFormat format;
    format.create = []() -> std::unique_ptr<CPixImage> {
        return std::unique_ptr<CPixImage>(new (std::nothrow) CPixImageTIF);
    };
    format.decode = [](CPixImage& image, CPixStream* stream, LONG) {
        return static_cast<CPixImageTIF&>(image).Decode(stream);
    };
    format.encode = [](CPixImage& image, CPixStream* stream, LONG) {
        return static_cast<CPixImageTIF&>(image).Encode(stream, false);
    };
    format.multiFrame = true;
    return format;
}
