#include "imagelib/PixImageTIF.h"

#include "imagelib/PixStream.h"

#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr const char* kOpenFailed = "Error encountered while opening TIFF file";
constexpr const char* kNoPage = "Error: page not present in TIFF file";
constexpr const char* kCancelled = "Cancelled";
constexpr const char* kCreateFailed = "CPixImageTIF can't create image";
constexpr const char* kNoRaster = "No space for raster buffer";
constexpr const char* kCorrupted = "Corrupted TIFF file!";
constexpr const char* kCorruptedTiles = "Corrupted tiled TIFF file!";
constexpr const char* kUnsupported = "Unsupported TIFF sample layout";
constexpr const char* kNoBuffer = "Unable to allocate TIFF buffer";

// The reading buffers hold encoded rows of a picture no bigger than a picture may be; anything
// larger comes from a broken header.
constexpr std::uint64_t kMaxBufferBytes = 4 * PIXIMAGE_MAX_MEMORY;

// Writers pad small pictures into tiles of a fixed size (256 x 256 is common), but no writer makes a
// tile side beyond both the picture's padded side and 4096: such a tile comes from a broken header, and
// the library would allocate it in full before reading a byte.
bool TileSideFits(std::uint32_t tileSide, std::uint32_t pictureSide)
{
    constexpr std::uint64_t kCommonTileSide = 4096;
    const std::uint64_t padded = (std::uint64_t {pictureSide} + 15) / 16 * 16;
    return tileSide <= std::max(padded, kCommonTileSide);
}

std::vector<BYTE> MakeBuffer(std::uint64_t bytes)
{
    if (bytes == 0 || bytes > kMaxBufferBytes)
        throw kCorrupted;
    try {
        return std::vector<BYTE>(static_cast<std::size_t>(bytes));
    } catch (const std::bad_alloc&) {
        throw kNoBuffer;
    }
}

// Resolution and position tags hold any float; out-of-range values become the nearest integer.
LONG TruncateToLong(float value)
{
    if (std::isnan(value))
        return 0;
    const double clamped = std::clamp(static_cast<double>(value), double {std::numeric_limits<LONG>::min()},
        double {std::numeric_limits<LONG>::max()});
    return static_cast<LONG>(clamped);
}

// Samples narrower than a byte (2-bit grey, a 1- or 2-bit palette) widened to one byte each; grey
// levels are stretched to 0-255, palette indices stay as they are.
void WidenSamples(const BYTE* packed, BYTE* out, DWORD count, WORD bits, bool scale)
{
    const unsigned top = (1u << bits) - 1;
    for (DWORD i = 0; i < count; ++i) {
        const std::size_t bit = static_cast<std::size_t>(i) * bits;
        const unsigned value = (packed[bit / 8] >> (8 - bits - bit % 8)) & top;
        out[i] = static_cast<BYTE>(scale ? value * 255 / top : value);
    }
}

// 16-bit samples (in the machine's order, as libtiff delivers them) cut to their high byte.
void NarrowSamples(BYTE* row, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        std::uint16_t sample;
        std::memcpy(&sample, row + 2 * i, sizeof sample);
        row[i] = static_cast<BYTE>(sample >> 8);
    }
}

BYTE LabChannel(double linear)
{
    const double c = linear > 0.00304 ? 1.055 * std::pow(linear, 0.41667) - 0.055 : 12.92 * linear;
    return static_cast<BYTE>(std::clamp(static_cast<int>(c * 255), 0, 255));
}

// One CIE L*a*b* pixel (D65 white) to sRGB, blue first as the pixel area holds it.
void LabToBgr(const BYTE* lab, BYTE* bgr)
{
    const double fy = (lab[0] * 100.0 / 255 + 16) / 116;
    const double fx = fy + static_cast<signed char>(lab[1]) / 500.0;
    const double fz = fy - static_cast<signed char>(lab[2]) / 200.0;
    const double x = 0.95047 * fx * fx * fx;
    const double y = fy * fy * fy;
    const double z = 1.0883 * fz * fz * fz;
    bgr[2] = LabChannel(3.240479 * x - 1.53715 * y - 0.498535 * z);
    bgr[1] = LabChannel(-0.969256 * x + 1.875992 * y + 0.041556 * z);
    bgr[0] = LabChannel(0.055648 * x - 0.204043 * y + 1.057311 * z);
}

bool IsRgbaLayout(WORD bits, WORD photometric)
{
    switch (photometric) {
    case PHOTOMETRIC_RGB: return bits >= 8;
    case PHOTOMETRIC_SEPARATED:
    case PHOTOMETRIC_YCBCR:
    case PHOTOMETRIC_LOGL:
    case PHOTOMETRIC_LOGLUV: return true;
    default: return false;
    }
}

DWORD LayoutBpp(WORD samples, WORD bits, WORD photometric)
{
    if (IsRgbaLayout(bits, photometric) || samples >= 3)
        return 24;
    if ((photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK) && bits == 1)
        return 1;
    return bits == 4 ? 4 : 8;
}

// The layouts the strip reader handles: one sample of 1, 2, 4, 8 or 16 bits (16 only for grey, a
// palette has at most 256 entries), index and alpha, and three or four samples of CIE L*a*b*, each
// of 8 or 16 bits.
bool IsBandLayout(WORD samples, WORD bits, WORD photometric, WORD planar)
{
    if (samples == 1)
        return bits == 1 || bits == 2 || bits == 4 || bits == 8 || (bits == 16 && photometric != PHOTOMETRIC_PALETTE);
    return samples <= 4 && (bits == 8 || bits == 16) && planar == PLANARCONFIG_CONTIG;
}

} // namespace

CPixImageTIF::~CPixImageTIF()
{
    CloseHandle();
}

void CPixImageTIF::CloseHandle()
{
    if (m_tif)
        TIFFClose(m_tif);
    m_tif = nullptr;
}

bool CPixImageTIF::Decode(CPixStream* stream)
{
    try {
        m_tif = CPixTiffOpen(stream, "rb");
        if (!m_tif)
            throw kOpenFailed;
        TIFF* tif = m_tif;
        m_info.frameCount = static_cast<WORD>(TIFFNumberOfDirectories(tif));
        const LONG page = m_info.frame;
        if (page < 0 || page >= m_info.frameCount || !TIFFSetDirectory(tif, static_cast<tdir_t>(page)))
            throw kNoPage;

        std::uint32_t width = 0;
        std::uint32_t height = 0;
        std::uint32_t rowsPerStrip = std::numeric_limits<std::uint32_t>::max();
        WORD samples = 1;
        WORD bits = 1;
        WORD photometric = PHOTOMETRIC_MINISWHITE;
        WORD orientation = ORIENTATION_TOPLEFT;
        WORD planar = PLANARCONFIG_CONTIG;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
        TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation);
        TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &planar);
        float value = 0;
        if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &value))
            SetDpiX(TruncateToLong(value));
        if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &value))
            SetDpiY(TruncateToLong(value));
        if (TIFFGetField(tif, TIFFTAG_XPOSITION, &value))
            m_info.xOffset = TruncateToLong(value);
        if (TIFFGetField(tif, TIFFTAG_YPOSITION, &value))
            m_info.yOffset = TruncateToLong(value);

        m_info.transparentIndex = -1;
        if (TIFFIsTiled(tif)) {
            std::uint32_t tileWidth = 0;
            std::uint32_t tileLength = 0;
            TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
            TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileLength);
            if (!TileSideFits(tileWidth, width) || !TileSideFits(tileLength, height))
                throw kCorruptedTiles;
        }
        // Tiles have no strips: setting rows per strip on a tiled page would spoil its tile size.
        if (rowsPerStrip > height && !TIFFIsTiled(tif)) {
            rowsPerStrip = height;
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        }
        const bool rgba = IsRgbaLayout(bits, photometric);
        if (!rgba && !IsBandLayout(samples, bits, photometric, planar))
            throw kUnsupported;

        if (m_info.escape)
            throw kCancelled;
        if (!Create(width, height, LayoutBpp(samples, bits, photometric), PIXIMAGE_TIF))
            throw kCreateFailed;
        if ((samples == 4 || (samples == 2 && bits >= 8)) && !AllocAlpha())
            throw kCreateFailed;

        if (rgba)
            ReadRgba(tif, samples == 4);
        else
            ReadBands(tif, samples, bits, photometric, rowsPerStrip);
        if (!rgba)
            SetPageOrientation(orientation);
        CloseHandle();
        return true;
    } catch (const char* message) {
        SetLastErrorText(message);
    }
    CloseHandle();
    return false;
}

void CPixImageTIF::ReadRgba(TIFF* tif, bool withAlpha)
{
    const auto width = static_cast<std::size_t>(GetWidth());
    const auto height = static_cast<std::size_t>(GetHeight());
    std::vector<std::uint32_t> raster;
    try {
        raster.resize(width * height);
    } catch (const std::bad_alloc&) {
        throw kNoRaster;
    }
    if (!TIFFReadRGBAImage(
            tif, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), raster.data(), 1))
        throw kCorrupted;
    // Both the raster and the pixel area start at the bottom row.
    for (std::size_t y = 0; y < height; ++y) {
        if (m_info.escape)
            throw kCancelled;
        BYTE* row = GetRowPointer(static_cast<DWORD>(y));
        const std::uint32_t* source = raster.data() + y * width;
        for (std::size_t x = 0; x < width; ++x) {
            row[3 * x] = static_cast<BYTE>(TIFFGetB(source[x]));
            row[3 * x + 1] = static_cast<BYTE>(TIFFGetG(source[x]));
            row[3 * x + 2] = static_cast<BYTE>(TIFFGetR(source[x]));
            if (withAlpha && m_pAlpha)
                m_pAlpha[y * width + x] = static_cast<BYTE>(TIFFGetA(source[x]));
        }
    }
}

void CPixImageTIF::ReadBands(TIFF* tif, WORD samples, WORD bits, WORD photometric, DWORD rowsPerStrip)
{
    const auto width = static_cast<DWORD>(GetWidth());
    const auto height = static_cast<DWORD>(GetHeight());

    if (GetBpp() <= 8) {
        std::array<RGBQUAD, 256> palette {};
        const DWORD entries = m_header.biClrUsed;
        if (bits == 1 && photometric <= PHOTOMETRIC_MINISBLACK) {
            RGBQUAD& white = palette[photometric == PHOTOMETRIC_MINISBLACK ? 1 : 0];
            white = RGBQUAD {255, 255, 255, 0};
        } else if (photometric <= PHOTOMETRIC_MINISBLACK) {
            const DWORD step = 255 / (entries - 1);
            for (DWORD i = 0; i < entries; ++i) {
                const auto level
                    = static_cast<BYTE>(photometric == PHOTOMETRIC_MINISBLACK ? i * step : (i * step) ^ 255);
                palette[i] = RGBQUAD {level, level, level, 0};
            }
        } else if (photometric == PHOTOMETRIC_PALETTE) {
            std::uint16_t* red = nullptr;
            std::uint16_t* green = nullptr;
            std::uint16_t* blue = nullptr;
            if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) && red && green && blue) {
                const DWORD count = std::min<DWORD>(1u << bits, 256);
                bool wide = false;
                for (DWORD i = 0; i < count; ++i)
                    wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
                auto level = [wide](std::uint16_t v) {
                    return static_cast<BYTE>(wide ? v * 255u / 65535u : v & 0xFF);
                };
                for (DWORD i = 0; i < count; ++i)
                    palette[i] = RGBQUAD {level(blue[i]), level(green[i]), level(red[i]), 0};
            }
        }
        std::memcpy(GetPalette(), palette.data(), 4 * std::min<DWORD>(entries, 256));
        InvalidateNearestCache();
    }

    // Buffers are sized from the file's own rows, which hold up to 16 bits per sample.
    const std::uint64_t lineSize = (std::uint64_t {samples} * bits * width + 7) / 8;
    const bool tiled = TIFFIsTiled(tif) != 0;
    std::uint32_t tileWidth = 0;
    std::uint32_t tileLength = 0;
    std::vector<BYTE> tile;
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileLength);
        if (tileWidth == 0 || tileLength == 0)
            throw kCorruptedTiles;
        rowsPerStrip = tileLength;
        tile = MakeBuffer(std::max<std::uint64_t>(TIFFTileSize64(tif), TIFFTileRowSize64(tif) * tileLength));
    }
    if (rowsPerStrip == 0)
        throw kCorrupted;
    const std::uint64_t bandRows = std::min<std::uint64_t>(rowsPerStrip, height);
    std::vector<BYTE> band = MakeBuffer(std::max<std::uint64_t>(tiled ? 0 : TIFFStripSize64(tif), lineSize * bandRows));
    std::vector<BYTE> widened(width);
    const bool narrowFirst = bits == 16;
    const bool widen = bits < 8 && GetBpp() == 8;
    const std::size_t rowBytes = std::min<std::size_t>(GetStride(), static_cast<std::size_t>(lineSize));
    const std::size_t tileRowBytes = tiled ? static_cast<std::size_t>(TIFFTileRowSize64(tif)) : 0;

    for (DWORD ys = 0; ys < height; ys += rowsPerStrip) {
        if (m_info.escape)
            throw kCancelled;
        const DWORD rows = std::min<DWORD>(rowsPerStrip, height - ys);
        if (tiled) {
            std::size_t offset = 0;
            for (DWORD x = 0; x < width; x += tileWidth, offset += tileRowBytes) {
                if (TIFFReadTile(tif, tile.data(), x, ys, 0, 0) < 0)
                    throw kCorruptedTiles;
                const std::size_t copy
                    = std::min<std::size_t>(tileRowBytes, static_cast<std::size_t>(lineSize) - offset);
                for (DWORD k = 0; k < rows; ++k)
                    std::memcpy(band.data() + k * lineSize + offset, tile.data() + k * tileRowBytes, copy);
            }
        } else if (TIFFReadEncodedStrip(
                       tif, TIFFComputeStrip(tif, ys, 0), band.data(), static_cast<tmsize_t>(rows * lineSize))
            < 0) {
            throw kCorrupted;
        }

        for (DWORD k = 0; k < rows; ++k) {
            BYTE* source = band.data() + k * lineSize;
            const DWORD imageRow = height - 1 - ys - k;
            BYTE* target = GetRowPointer(imageRow);
            if (narrowFirst)
                NarrowSamples(source, std::size_t {samples} * width);
            if (samples == 1) {
                if (widen) {
                    WidenSamples(source, widened.data(), width, bits, photometric != PHOTOMETRIC_PALETTE);
                    std::memcpy(target, widened.data(), width);
                } else {
                    std::memcpy(target, source, narrowFirst ? width : rowBytes);
                }
            } else if (samples == 2) {
                for (DWORD x = 0; x < width; ++x) {
                    target[x] = source[2 * x];
                    m_pAlpha[std::size_t {imageRow} * width + x] = source[2 * x + 1];
                }
            } else {
                for (DWORD x = 0; x < width; ++x) {
                    LabToBgr(source + std::size_t {samples} * x, target + 3 * x);
                    if (samples == 4)
                        m_pAlpha[std::size_t {imageRow} * width + x] = source[4 * x + 3];
                }
            }
        }
    }
}

// Turns the page so its first row is the top: right-top pages turn clockwise, left-bottom ones
// anticlockwise.
void CPixImageTIF::SetPageOrientation(WORD orientation)
{
    switch (orientation) {
    case ORIENTATION_TOPRIGHT: Mirror(); break;
    case ORIENTATION_BOTRIGHT:
        Flip();
        Mirror();
        break;
    case ORIENTATION_BOTLEFT: Flip(); break;
    case ORIENTATION_LEFTTOP:
        RotateRight();
        Mirror();
        break;
    case ORIENTATION_RIGHTTOP: RotateRight(); break;
    case ORIENTATION_RIGHTBOT:
        RotateLeft();
        Mirror();
        break;
    case ORIENTATION_LEFTBOT: RotateLeft(); break;
    default: break;
    }
}
