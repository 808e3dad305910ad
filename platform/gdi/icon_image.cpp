// Decoding the DIB image of an icon or cursor and making the icon from it.
#include "platform/gdi/icon_image.h"

#include <cstdint>
#include <cstring>
#include <optional>

#include "platform/gdi/dib_layout.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/icon.h"
#include "platform/win32/last_error.h"

namespace zv::gdi {
namespace {

constexpr BYTE kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Palettes beyond this are damage, whatever the depth.
constexpr std::uint64_t kMaxPaletteEntries = 256;

struct DecodedImage {
    IconPixels pixels;
    bool monochrome = false;
};

std::uint64_t RowBytes(std::uint64_t width, int bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

COLORREF ColourAt(const BYTE* row, int bitsPerPixel, int x, const BYTE* palette, std::uint64_t paletteSize)
{
    switch (bitsPerPixel) {
    case 24:
        return RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
    case 32:
        return RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
    default:
        break;
    }
    const BYTE index = IndexAt(row, bitsPerPixel, x);
    if (index >= paletteSize)
        return RGB(0, 0, 0); // an index past the palette paints black
    const BYTE* entry = palette + index * 4;
    return RGB(entry[2], entry[1], entry[0]);
}

// Every field is checked against the others and against size before a byte is read.
std::optional<DecodedImage> Decode(const BYTE* image, std::size_t size)
{
    if (IsPngImage(image, size)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return std::nullopt;
    }
    BITMAPINFOHEADER header{};
    if (size < sizeof header) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    std::memcpy(&header, image, sizeof header);
    const int bits = header.biBitCount;
    const bool knownDepth = bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
    if (header.biCompression != BI_RGB || !knownDepth) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return std::nullopt;
    }
    const std::uint64_t paletteSize = header.biClrUsed != 0 ? header.biClrUsed : bits <= 8 ? (1u << bits) : 0;
    if (header.biSize < sizeof header || header.biSize > size || header.biPlanes != 1 || header.biWidth <= 0 ||
        header.biHeight <= 0 || header.biHeight % 2 != 0 || header.biWidth > kMaxIconImageSide ||
        header.biHeight / 2 > kMaxIconImageSide || paletteSize > kMaxPaletteEntries ||
        (bits <= 8 && paletteSize > (1u << bits))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    const int width = header.biWidth;
    const int height = header.biHeight / 2;
    const std::uint64_t paletteStart = header.biSize;
    const std::uint64_t colourStart = paletteStart + paletteSize * 4;
    const std::uint64_t colourStride = RowBytes(static_cast<std::uint64_t>(width), bits);
    const std::uint64_t maskStart = colourStart + colourStride * static_cast<std::uint64_t>(height);
    const std::uint64_t maskStride = RowBytes(static_cast<std::uint64_t>(width), 1);
    const std::uint64_t end = maskStart + maskStride * static_cast<std::uint64_t>(height);
    // A 32-bit image may do without its mask: its alpha says it all.
    const bool hasMask = end <= size;
    if (maskStart > size || (!hasMask && bits != 32)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }

    DecodedImage decoded;
    decoded.monochrome = bits == 1;
    IconPixels& p = decoded.pixels;
    p.width = width;
    p.height = height;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    p.colour.resize(count);
    p.mask.resize(count, 0);
    std::vector<BYTE> alpha(bits == 32 ? count : 0);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        // Rows run bottom-up.
        const std::size_t memoryRow = MemoryRowOf(RowOrder::BottomUp, height, y);
        const BYTE* colourRow = image + colourStart + memoryRow * colourStride;
        const BYTE* maskRow = image + maskStart + memoryRow * maskStride;
        for (int x = 0; x < width; ++x) {
            const std::size_t i = p.At(x, y);
            p.colour[i] = ColourAt(colourRow, bits, x, image + paletteStart, paletteSize);
            if (hasMask)
                p.mask[i] = IndexAt(maskRow, 1, x);
            if (bits == 32) {
                alpha[i] = colourRow[x * 4 + 3];
                anyAlpha = anyAlpha || alpha[i] != 0;
            }
        }
    }
    if (anyAlpha) {
        p.alpha = std::move(alpha);
    } else if (!hasMask) {
        SetLastError(ERROR_INVALID_PARAMETER); // neither alpha nor mask: nothing says what shows
        return std::nullopt;
    }
    return decoded;
}

} // namespace

bool IsPngImage(const BYTE* image, std::size_t size)
{
    return size >= sizeof kPngSignature && std::memcmp(image, kPngSignature, sizeof kPngSignature) == 0;
}

HICON CreateIconFromImage(const BYTE* image, std::size_t size, bool isIcon, POINT hotspot, int cx, int cy,
                          UINT flags)
{
    if (cx < 0 || cy < 0 || cx > kMaxIconImageSide || cy > kMaxIconImageSide) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::optional<DecodedImage> decoded = Decode(image, size);
    if (!decoded)
        return nullptr;
    IconPixels& pixels = decoded->pixels;
    const bool defaultSize = (flags & LR_DEFAULTSIZE) != 0;
    const int width = cx != 0 ? cx : defaultSize ? kDefaultIconSize : pixels.width;
    const int height = cy != 0 ? cy : defaultSize ? kDefaultIconSize : pixels.height;
    if (width != pixels.width || height != pixels.height) {
        // The hotspot moves with the picture.
        hotspot = POINT{static_cast<LONG>(static_cast<long long>(hotspot.x) * width / pixels.width),
                        static_cast<LONG>(static_cast<long long>(hotspot.y) * height / pixels.height)};
        pixels = pixels.Resized(width, height);
    }
    if (isIcon)
        hotspot = POINT{width / 2, height / 2};
    return AddIcon(std::move(pixels), isIcon, hotspot, decoded->monochrome);
}

} // namespace zv::gdi

HICON CreateIconFromResourceEx(const BYTE* bits, DWORD size, BOOL icon, DWORD version, int cx, int cy, UINT flags)
{
    if (flags & ~(LR_DEFAULTSIZE | LR_SHARED)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    // A cursor's image follows its hotspot.
    const std::size_t prefix = icon ? 0 : 2 * sizeof(WORD);
    if (bits == nullptr || version != kIconResourceVersion || size < prefix) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    POINT hotspot{0, 0};
    if (!icon) {
        WORD spot[2];
        std::memcpy(spot, bits, sizeof spot);
        hotspot = POINT{spot[0], spot[1]};
    }
    return zv::gdi::CreateIconFromImage(bits + prefix, size - prefix, icon != FALSE, hotspot, cx, cy, flags);
}
