#include "imagelib/PixImagePNG.h"

#include "imagelib/PixFormatOf.h"
#include "imagelib/PixStream.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

// libpng reports errors by longjmp. Every call into it runs inside RunGuarded, and while it runs
// no object with a destructor lives in RunGuarded's frame or in the frames between it and the
// library: the C++ objects (buffers, the library's structures) belong to Decode and Encode, which
// call RunGuarded and never setjmp themselves. No callback lets an exception into the library.

namespace {

constexpr const char* kCreateFailed = "Failed to create PNG structure";
constexpr const char* kInfoFailed = "Failed to initialize PNG info structure";
constexpr const char* kSaveFailed = "Error saving PNG file";
constexpr const char* kReadError = "Read Error";
constexpr const char* kNoMemory = "Can't allocate memory";
constexpr const char* kCancelled = "Cancelled";
constexpr png_uint_16 kFallbackBackground = 192;
// Deflate codes a 258-byte match in two bits at best, so one compressed byte yields at most 1032.
constexpr std::uint64_t kMaxInflateRatio = 1032;

void CPixPngReadProc(png_structp png, png_bytep data, size_t length)
{
    auto* stream = static_cast<CPixStream*>(png_get_io_ptr(png));
    if (stream->Read(data, 1, length) != length)
        png_error(png, kReadError);
}

void CPixPngWriteProc(png_structp png, png_bytep data, size_t length)
{
    auto* stream = static_cast<CPixStream*>(png_get_io_ptr(png));
    if (stream->Write(data, 1, length) != length)
        png_error(png, "Write Error");
}

void CPixPngFlushProc(png_structp png)
{
    auto* stream = static_cast<CPixStream*>(png_get_io_ptr(png));
    if (!stream->Flush())
        png_error(png, "Flush Error");
}

// The error pointer is the image being decoded, which keeps the library's message; the encoder
// has none and reports its own.
void CPixPngErrorProc(png_structp png, png_const_charp message)
{
    if (auto* image = static_cast<CPixImage*>(png_get_error_ptr(png)))
        image->SetLastErrorText(message);
    png_longjmp(png, 1);
}

// Warnings (an ancillary chunk with a bad CRC, say) do not stop a load and are not printed.
void IgnorePngWarning(png_structp, png_const_charp) {}

// Runs `step` with the library's jump buffer armed: a library error comes back here as false.
template <typename Step>
bool RunGuarded(png_structp png, const Step& step)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    step();
    return true;
}

constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

class PngReadHandle {
public:
    explicit PngReadHandle(CPixImage* errorTarget)
        : png(png_create_read_struct(PNG_LIBPNG_VER_STRING, errorTarget, CPixPngErrorProc, IgnorePngWarning))
        , info(png ? png_create_info_struct(png) : nullptr)
    {
        // No single chunk of a picture file needs more than a few megabytes; without a cap a few
        // hundred bytes can make libpng ask for gigabytes (a chunk's stated length, or text and
        // profile chunks that inflate). Chunks the decoder never reads are skipped unread.
        if (png) {
            png_set_chunk_malloc_max(png, kMaxChunkBytes);
            static const png_byte kSkipped[] = "sPLT\0iCCP\0iTXt\0tEXt\0zTXt\0eXIf\0hIST\0sCAL\0pCAL\0oFFs\0tIME\0sBIT";
            png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
            png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped, 12);
        }
    }
    ~PngReadHandle() { png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr); }
    PngReadHandle(const PngReadHandle&) = delete;
    PngReadHandle& operator=(const PngReadHandle&) = delete;

    png_structp png;
    png_infop info;
};

class PngWriteHandle {
public:
    PngWriteHandle()
        : png(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, CPixPngErrorProc, IgnorePngWarning))
        , info(png ? png_create_info_struct(png) : nullptr)
    {
    }
    ~PngWriteHandle() { png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr); }
    PngWriteHandle(const PngWriteHandle&) = delete;
    PngWriteHandle& operator=(const PngWriteHandle&) = delete;

    png_structp png;
    png_infop info;
};

// ---- Reading ----

// What the decoder needs of a file's header chunks, copied out before the library's transformations
// get to work on them (compositing rewrites the library's own palette).
struct FileLayout {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colorType;
    unsigned pixelDepth; // bits per pixel in the file
    bool hasBackground;
    png_color_16 background;
    int paletteCount;
    png_color palette[PNG_MAX_PALETTE_LENGTH];
    int transCount;
    int transAlphaCount; // palette files only: alpha values for the first entries
    png_byte transAlpha[PNG_MAX_PALETTE_LENGTH];
    png_uint_32 physX;
    png_uint_32 physY;
    int physUnit;
    bool withAlpha; // rows arrive as blue, green, red, alpha
    int passes;
    size_t rowBytes; // of a delivered row
};

// The fixed background in the file's own sample scale: a low-bit grey file is composited before
// its samples are widened, so 192 must first become the nearest level of that depth.
png_color_16 FallbackBackground(const FileLayout& f)
{
    png_color_16 background{0, kFallbackBackground, kFallbackBackground, kFallbackBackground, kFallbackBackground};
    if ((f.colorType & PNG_COLOR_MASK_COLOR) == 0 && f.bitDepth < 8) {
        const unsigned top = (1u << f.bitDepth) - 1;
        background.gray = static_cast<png_uint_16>((kFallbackBackground * top + 127) / 255);
    }
    return background;
}

void ReadLayout(png_structp png, png_infop info, FileLayout& f)
{
    png_read_info(png, info);
    f.width = png_get_image_width(png, info);
    f.height = png_get_image_height(png, info);
    f.bitDepth = png_get_bit_depth(png, info);
    f.colorType = png_get_color_type(png, info);
    f.pixelDepth = static_cast<unsigned>(f.bitDepth) * png_get_channels(png, info);

    png_color_16p background = nullptr;
    f.hasBackground = png_get_bKGD(png, info, &background) != 0 && background;
    if (f.hasBackground)
        f.background = *background;
    png_colorp palette = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &palette, &count) != 0 && palette) {
        f.paletteCount = std::clamp(count, 0, PNG_MAX_PALETTE_LENGTH);
        std::copy_n(palette, f.paletteCount, f.palette);
    }
    png_bytep alpha = nullptr;
    png_color_16p transColor = nullptr;
    if (png_get_tRNS(png, info, &alpha, &f.transCount, &transColor) != 0 && alpha) {
        f.transAlphaCount = std::clamp(f.transCount, 0, PNG_MAX_PALETTE_LENGTH);
        std::copy_n(alpha, f.transAlphaCount, f.transAlpha);
    }
    png_get_pHYs(png, info, &f.physX, &f.physY, &f.physUnit);

    // Transparency is composited onto a background, except in 8-bit RGBA and 16-bit grey plus
    // alpha, which keep it as an alpha plane.
    if (f.pixelDepth != 32) {
        if (f.hasBackground) {
            png_set_background(png, &f.background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
        } else {
            const png_color_16 fixed = FallbackBackground(f);
            png_set_background(png, &fixed, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
        }
    }
    if (f.bitDepth == 16)
        png_set_strip_16(png);
    f.withAlpha = f.colorType == PNG_COLOR_TYPE_RGB_ALPHA ||
        (f.colorType == PNG_COLOR_TYPE_GRAY_ALPHA && f.pixelDepth == 32);
    if (f.withAlpha) {
        if (f.colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            png_set_gray_to_rgb(png);
            png_set_expand(png);
        }
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    if ((f.colorType & PNG_COLOR_MASK_COLOR) != 0)
        png_set_bgr(png);
    f.passes = png_get_interlace_type(png, info) == PNG_INTERLACE_NONE ? 1 : png_set_interlace_handling(png);
    png_read_update_info(png, info);
    f.rowBytes = png_get_rowbytes(png, info);
}

// A file too short to hold the picture it claims is refused before the picture is allocated.
// Streams of unknown length are left to run dry while reading.
void CheckDataCanHold(CPixStream* stream, const FileLayout& f)
{
    const std::int64_t left = stream->BytesLeft();
    if (left < 0)
        return;
    const std::uint64_t producible = (static_cast<std::uint64_t>(left) + 1) * kMaxInflateRatio * 8;
    const std::uint64_t pixels = static_cast<std::uint64_t>(f.width) * f.height; // below 2^62
    if (pixels > producible / f.pixelDepth)
        throw kReadError;
}

// Where the rows go: the image's bottom-up pixel rows and, for files with alpha, its alpha plane.
struct RowTarget {
    BYTE* pixels;
    size_t stride;
    BYTE* alpha;
    size_t width;
    size_t height;
    const LONG* escape;
};

// 2-bit samples, packed four to a byte, become 4-bit ones in place, from the last pixel back.
void Widen2To4(BYTE* row, size_t width)
{
    for (size_t x = width; x-- > 0;) {
        const BYTE value = (row[x / 4] >> (6 - 2 * (x % 4))) & 0x03;
        BYTE& out = row[x / 2];
        out = (x % 2 == 0) ? static_cast<BYTE>((out & 0x0F) | (value << 4)) : static_cast<BYTE>((out & 0xF0) | value);
    }
}

void SplitAlpha(const BYTE* bgra, size_t width, BYTE* pixels, BYTE* alpha)
{
    for (size_t x = 0; x < width; ++x) {
        std::memcpy(pixels + 3 * x, bgra + 4 * x, 3);
        alpha[x] = bgra[4 * x + 3];
    }
}

void JoinAlpha(const BYTE* pixels, const BYTE* alpha, size_t width, BYTE* bgra)
{
    for (size_t x = 0; x < width; ++x) {
        std::memcpy(bgra + 4 * x, pixels + 3 * x, 3);
        bgra[4 * x + 3] = alpha[x];
    }
}

// Reads every pass into the picture; false when cancelled. Rows without alpha are read straight
// into the picture, so an interlaced pass adds its pixels to those of the earlier ones.
bool ReadRows(png_structp png, const FileLayout& f, const RowTarget& target, BYTE* bgra)
{
    for (int pass = 0; pass < f.passes; ++pass) {
        const bool lastPass = pass == f.passes - 1;
        for (size_t fromTop = 0; fromTop < target.height; ++fromTop) {
            if (*target.escape)
                return false;
            const size_t y = target.height - 1 - fromTop;
            BYTE* pixels = target.pixels + y * target.stride;
            if (target.alpha) {
                BYTE* alpha = target.alpha + y * target.width;
                if (pass > 0)
                    JoinAlpha(pixels, alpha, target.width, bgra);
                png_read_row(png, bgra, nullptr);
                SplitAlpha(bgra, target.width, pixels, alpha);
            } else {
                png_read_row(png, pixels, nullptr);
                if (f.bitDepth == 2 && lastPass)
                    Widen2To4(pixels, target.width);
            }
        }
    }
    png_read_end(png, nullptr);
    return true;
}

LONG DotsPerInch(png_uint_32 value, int unit, LONG current)
{
    if (unit == PNG_RESOLUTION_UNKNOWN)
        return static_cast<LONG>(std::min<png_uint_32>(value, PNG_UINT_31_MAX));
    if (unit == PNG_RESOLUTION_METER)
        return static_cast<LONG>(std::floor(value * 0.0254 + 0.5));
    return current;
}

// ---- Writing ----

// Everything the encoder decides before the library runs; the image itself is only read.
struct WritePlan {
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    png_color_16 background{0, 255, 255, 255, 0};
    png_uint_32 pixelsPerMeterX = 0;
    png_uint_32 pixelsPerMeterY = 0;
    std::vector<png_color> palette;
    std::vector<png_byte> transAlpha;
    // Palette images whose transparent index moves to 0: image index -> file index.
    bool remap = false;
    std::array<BYTE, 256> indexMap{};
    // RGBA rows: alpha plane scaled by this, and pixels that show the transparent colour or index
    // written with alpha 0.
    BYTE alphaMax = 255;
    LONG transparentIndex = -1;
    RGBQUAD transparentColor{};
    std::vector<BYTE> row;
};

void RemapIndices(BYTE* row, size_t width, WORD bpp, const std::array<BYTE, 256>& map)
{
    if (bpp == 8) {
        for (size_t x = 0; x < width; ++x)
            row[x] = map[row[x]];
        return;
    }
    const unsigned perByte = 8 / bpp;
    const unsigned mask = (1u << bpp) - 1;
    for (size_t x = 0; x < width; ++x) {
        const unsigned shift = (perByte - 1 - x % perByte) * bpp;
        BYTE& byte = row[x / perByte];
        const unsigned index = (byte >> shift) & mask;
        byte = static_cast<BYTE>((byte & ~(mask << shift)) | (map[index] << shift));
    }
}

void MakeRgbaRow(const CPixImage& image, const WritePlan& plan, LONG y, BYTE* out)
{
    const LONG width = image.GetWidth();
    const BYTE* pixels = image.GetRowPointer(static_cast<DWORD>(y));
    const BYTE* alpha = image.HasAlpha() ? image.GetAlphaPlane() + static_cast<size_t>(y) * width : nullptr;
    const bool palette = image.GetBpp() <= 8;
    const RGBQUAD& key = plan.transparentColor;
    for (LONG x = 0; x < width; ++x) {
        BYTE* rgba = out + 4 * static_cast<size_t>(x);
        bool transparent = false;
        if (palette) {
            const BYTE index = image.GetIndexAt(x, y);
            const PixColor color = image.GetPaletteEntry(index);
            rgba[0] = PixRed(color);
            rgba[1] = PixGreen(color);
            rgba[2] = PixBlue(color);
            transparent = index == plan.transparentIndex;
        } else {
            const BYTE* bgr = pixels + 3 * static_cast<size_t>(x);
            rgba[0] = bgr[2];
            rgba[1] = bgr[1];
            rgba[2] = bgr[0];
            transparent = plan.transparentIndex >= 0 && bgr[0] == key.rgbBlue && bgr[1] == key.rgbGreen &&
                bgr[2] == key.rgbRed;
        }
        const unsigned opacity = alpha ? alpha[x] : 255;
        rgba[3] = transparent ? 0 : static_cast<BYTE>(opacity * plan.alphaMax / 255);
    }
}

void WriteImage(png_structp png, png_infop info, const CPixImage& image, WritePlan& plan)
{
    const auto width = static_cast<png_uint_32>(image.GetWidth());
    const auto height = static_cast<png_uint_32>(image.GetHeight());
    png_set_IHDR(png, info, width, height, plan.bitDepth, plan.colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_bKGD(png, info, &plan.background);
    png_set_pHYs(png, info, plan.pixelsPerMeterX, plan.pixelsPerMeterY, PNG_RESOLUTION_METER);
    if (!plan.palette.empty())
        png_set_PLTE(png, info, plan.palette.data(), static_cast<int>(plan.palette.size()));
    if (!plan.transAlpha.empty())
        png_set_tRNS(png, info, plan.transAlpha.data(), static_cast<int>(plan.transAlpha.size()), nullptr);
    png_write_info(png, info);
    if (plan.colorType == PNG_COLOR_TYPE_RGB)
        png_set_bgr(png);

    const size_t stride = image.GetStride();
    for (LONG y = image.GetHeight() - 1; y >= 0; --y) {
        const BYTE* pixels = image.GetRowPointer(static_cast<DWORD>(y));
        if (plan.colorType == PNG_COLOR_TYPE_RGB_ALPHA) {
            MakeRgbaRow(image, plan, y, plan.row.data());
            pixels = plan.row.data();
        } else if (plan.remap) {
            std::memcpy(plan.row.data(), pixels, stride);
            RemapIndices(plan.row.data(), width, image.GetBpp(), plan.indexMap);
            pixels = plan.row.data();
        }
        png_write_row(png, pixels);
    }
    png_write_end(png, info);
}

} // namespace

bool CPixImagePNG::Decode(CPixStream* stream)
{
    try {
        if (!stream)
            throw "null file handler";
        PngReadHandle handle(this);
        if (!handle.png)
            throw kCreateFailed;
        if (!handle.info)
            throw kInfoFailed;

        // After a library error its message is already the last-error text: the empty message
        // below keeps it.
        FileLayout layout{};
        if (!RunGuarded(handle.png, [&] {
                png_set_read_fn(handle.png, stream, CPixPngReadProc);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
                // Mutated input hardly ever keeps its checksums right: without this a fuzzer never
                // gets past the first chunk it touches.
                png_set_crc_action(handle.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
                png_set_option(handle.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
                ReadLayout(handle.png, handle.info, layout);
            }))
            throw "";
        CheckDataCanHold(stream, layout);

        const DWORD bpp = layout.pixelDepth == 16 ? 8 : layout.pixelDepth > 16 ? 24 : layout.pixelDepth;
        if (!Create(layout.width, layout.height, bpp, PIXIMAGE_PNG))
            throw ""; // Create said why
        // Rows are read straight into the picture, or into a buffer of 4 bytes a pixel.
        const size_t alphaRowBytes = 4 * static_cast<size_t>(layout.width);
        if (layout.withAlpha ? layout.rowBytes != alphaRowBytes : layout.rowBytes > m_info.stride)
            throw "Unsupported PNG pixel layout";
        SetDpiX(DotsPerInch(layout.physX, layout.physUnit, m_info.dpiX));
        SetDpiY(DotsPerInch(layout.physY, layout.physUnit, m_info.dpiY));

        const DWORD entries = m_header.biClrUsed;
        if (layout.paletteCount > 0) {
            RGBQUAD* palette = GetPalette();
            for (DWORD i = 0; i < std::min<DWORD>(layout.paletteCount, entries); ++i)
                palette[i] = RGBQUAD{layout.palette[i].blue, layout.palette[i].green, layout.palette[i].red, 0};
        } else if (layout.bitDepth == 2) {
            for (BYTE i = 0; i < 4; ++i)
                SetPaletteEntry(i, 85 * i, 85 * i, 85 * i);
        } else {
            SetGrayRamp();
        }
        // Grey files with tRNS have been composited; only palette files keep per-entry alpha.
        if (layout.transAlphaCount > 0 && entries > 0) {
            RGBQUAD* palette = GetPalette();
            const DWORD given = std::min<DWORD>(layout.transAlphaCount, entries);
            for (DWORD i = 0; i < given; ++i)
                palette[i].rgbReserved = layout.transAlpha[i];
            if (layout.transCount == 1 && layout.transAlpha[0] == 0) {
                m_info.transparentIndex = 0;
            } else {
                m_info.paletteHasAlpha = 1;
                for (DWORD i = given; i < entries; ++i)
                    palette[i].rgbReserved = 255;
            }
        }
        if (layout.pixelDepth == 32 && layout.hasBackground)
            SetTransparentColor(MakePixColor(static_cast<BYTE>(layout.background.red),
                                             static_cast<BYTE>(layout.background.green),
                                             static_cast<BYTE>(layout.background.blue)));
        if (layout.withAlpha && !AllocAlpha())
            throw kNoMemory;
        if (m_info.escape)
            throw kCancelled;
        // Interlaced passes fill the picture bit by bit; what no pass reaches (pad bits) is defined.
        if (layout.passes > 1)
            Clear(0);

        std::vector<BYTE> bgra(layout.withAlpha ? layout.rowBytes + 10 : 0);
        const RowTarget target{m_pPixels, m_info.stride, m_pAlpha, layout.width, layout.height, &m_info.escape};
        bool finished = false;
        if (!RunGuarded(handle.png, [&] { finished = ReadRows(handle.png, layout, target, bgra.data()); }))
            throw "";
        if (!finished)
            throw kCancelled;
        return true;
    } catch (const char* message) {
        if (*message)
            SetLastErrorText(message);
        return false;
    } catch (const std::bad_alloc&) {
        SetLastErrorText(kNoMemory);
        return false;
    }
}

bool CPixImagePNG::Encode(CPixStream* stream)
{
    if (CheckEncodeArgs(stream))
        return false;
    try {
        const LONG width = m_header.biWidth;
        const LONG height = m_header.biHeight;
        const WORD bpp = m_header.biBitCount;
        const DWORD entries = m_header.biClrUsed;
        const LONG transparentIndex = m_info.transparentIndex;
        const bool hasPalette = bpp <= 8 && GetPalette();

        WritePlan plan;
        if (transparentIndex >= 0) {
            const RGBQUAD& key = m_info.transparentColor;
            plan.background = png_color_16{0, key.rgbRed, key.rgbGreen, key.rgbBlue, 0};
        }
        plan.pixelsPerMeterX = static_cast<png_uint_32>(std::max<LONG>(m_header.biXPelsPerMeter, 0));
        plan.pixelsPerMeterY = static_cast<png_uint_32>(std::max<LONG>(m_header.biYPelsPerMeter, 0));
        // An index outside the palette marks nothing.
        const bool indexInPalette = transparentIndex >= 0 && static_cast<DWORD>(transparentIndex) < entries;

        if (m_pAlpha || (!hasPalette && transparentIndex >= 0)) {
            plan.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
            plan.alphaMax = m_info.alphaMax;
            plan.transparentIndex = hasPalette && !indexInPalette ? -1 : transparentIndex;
            plan.transparentColor = m_info.transparentColor;
            plan.row.resize(4 * static_cast<size_t>(width) + 10);
        } else if (hasPalette) {
            plan.colorType = PNG_COLOR_TYPE_PALETTE;
            plan.bitDepth = bpp;
            std::array<RGBQUAD, 256> colors{};
            std::copy_n(GetPalette(), entries, colors.begin());
            for (size_t i = 0; i < plan.indexMap.size(); ++i)
                plan.indexMap[i] = static_cast<BYTE>(i);
            // The transparent entry goes first, so one tRNS entry covers it; in the file only.
            if (indexInPalette && transparentIndex != 0) {
                plan.remap = true;
                std::swap(plan.indexMap[0], plan.indexMap[static_cast<size_t>(transparentIndex)]);
                std::swap(colors[0], colors[static_cast<size_t>(transparentIndex)]);
                plan.row.resize(m_info.stride);
            }
            DWORD count = entries;
            if (entries > 2 && static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) < 65536) {
                BYTE highest = 0;
                for (LONG y = 0; y < height; ++y)
                    for (LONG x = 0; x < width; ++x)
                        highest = std::max(highest, plan.indexMap[GetIndexAt(x, y)]);
                count = highest + 1u;
            }
            for (DWORD i = 0; i < count; ++i)
                plan.palette.push_back(png_color{colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue});
            if (m_info.paletteHasAlpha) {
                for (DWORD i = 0; i < count; ++i)
                    plan.transAlpha.push_back(colors[i].rgbReserved);
            } else if (indexInPalette) {
                plan.transAlpha.push_back(0);
            }
        }

        PngWriteHandle handle;
        if (!handle.png)
            throw kCreateFailed;
        if (!handle.info)
            throw kInfoFailed;
        if (!RunGuarded(handle.png, [&] {
                png_set_write_fn(handle.png, stream, CPixPngWriteProc, CPixPngFlushProc);
                WriteImage(handle.png, handle.info, *this, plan);
            }))
            throw kSaveFailed;
        return true;
    } catch (const char* message) {
        SetLastErrorText(message);
        return false;
    } catch (const std::bad_alloc&) {
        SetLastErrorText(kNoMemory);
        return false;
    }
}

PixFormat PixPngFormat()
{
    return PixFormatOf<CPixImagePNG>();
}
