#include "imagelib/PixImageTGA.h"

#include "imagelib/PixFormatOf.h"
#include "imagelib/PixLittleEndian.h"
#include "imagelib/PixStream.h"
#include "imagelib/PixStreamExact.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr std::size_t kHeaderBytes = 18;
constexpr const char* kCorrupted = "corrupted TGA";
constexpr const char* kWriteFailed = "Error writing TGA";
constexpr BYTE kColorMapped = 1;
constexpr BYTE kTrueColor = 2;
constexpr BYTE kGrey = 3;
constexpr BYTE kRunLength = 8; // added to a type number
constexpr BYTE kRightToLeft = 0x10;
constexpr BYTE kTopDown = 0x20;
// A packet holds at most 128 pixels.
constexpr std::uint64_t kMaxPacketPixels = 128;

bool DepthFitsType(BYTE baseType, BYTE depth)
{
    if (baseType == kTrueColor)
        return depth == 15 || depth == 16 || depth == 24 || depth == 32;
    return depth == 8;
}

} // namespace

bool CPixImageTGA::Decode(CPixStream* stream)
{
    return PixRunCodec(*this, [&] {
        if (!stream)
            throw "Not a TGA";
        BYTE header[kHeaderBytes];
        PixReadExactly(stream, header, sizeof header, "Not a TGA");
        const BYTE type = header[2];
        const BYTE baseType = type & 0x07;
        if ((type & ~kRunLength) == 0 || (type & ~kRunLength) > kGrey)
            throw "Unknown TGA image type";
        const bool runLength = (type & kRunLength) != 0;
        const WORD mapLength = LoadLE16(header + 5);
        const DWORD width = LoadLE16(header + 12);
        const DWORD height = LoadLE16(header + 14);
        const BYTE depth = header[16];
        const BYTE descriptor = header[17];
        if (width == 0 || height == 0 || mapLength > 256 || !DepthFitsType(baseType, depth))
            throw "bad TGA header";

        // Skip the image id; the colour map is read before the pixels whatever the type.
        if (header[0] != 0 && !stream->Seek(header[0], 1))
            throw kCorrupted;
        const int bytes = (depth + 7) / 8;
        const std::uint64_t pixels = std::uint64_t{width} * height;
        const std::int64_t left = stream->BytesLeft();
        // Plain data must all be there; a run-length packet of at least a header and one pixel
        // stands for at most 128 pixels.
        if (left >= 0 && !runLength && pixels * static_cast<std::uint64_t>(bytes) > static_cast<std::uint64_t>(left))
            throw kCorrupted;
        if (left >= 0 && runLength &&
            pixels > (static_cast<std::uint64_t>(left) / static_cast<std::uint64_t>(1 + bytes) + 1) * kMaxPacketPixels)
            throw kCorrupted;

        if (!Create(width, height, depth, PIXIMAGE_TGA))
            throw "TGA Create failed";
        if (depth == 32 && !AllocAlpha())
            throw "TGA Create failed";
        if (m_info.escape)
            throw "Cancelled";
        ReadColorMap(stream, header);
        if (baseType == kGrey || (baseType == kColorMapped && header[1] == 0))
            SetGrayRamp();
        ReadPixels(stream, runLength, bytes, (descriptor & kTopDown) != 0, (descriptor & kRightToLeft) != 0);
        return true;
    });
}

void CPixImageTGA::ReadColorMap(CPixStream* stream, const BYTE* header)
{
    if (header[1] == 0)
        return;
    const WORD first = LoadLE16(header + 3);
    const WORD length = LoadLE16(header + 5);
    const BYTE entryBits = header[7];
    const std::size_t entryBytes = (entryBits + 7u) / 8u;
    std::vector<BYTE> map(entryBytes * length);
    PixReadExactly(stream, map.data(), map.size(), kCorrupted);
    // A true-colour picture may carry a map for other readers: only indices look it up.
    if (m_header.biBitCount != 8 || (header[2] & 0x07) != kColorMapped)
        return;
    for (std::size_t i = 0; i < length && first + i < 256; ++i) {
        const BYTE* entry = map.data() + i * entryBytes;
        BYTE red = 0;
        BYTE green = 0;
        BYTE blue = 0;
        if (entryBytes >= 3) {
            blue = entry[0];
            green = entry[1];
            red = entry[2];
        } else if (entryBytes == 2) {
            const unsigned v = LoadLE16(entry);
            blue = static_cast<BYTE>((v & 0x1F) << 3);
            green = static_cast<BYTE>((v >> 2) & 0xF8);
            red = static_cast<BYTE>((v >> 7) & 0xF8);
        } else {
            continue; // no colours in entries this small
        }
        SetPaletteEntry(static_cast<BYTE>(first + i), red, green, blue);
    }
}

void CPixImageTGA::ReadPixels(CPixStream* stream, bool runLength, int bytes, bool topDown, bool rightToLeft)
{
    const std::uint64_t width = static_cast<std::uint64_t>(m_header.biWidth);
    const std::uint64_t total = width * static_cast<std::uint64_t>(m_header.biHeight);
    std::vector<BYTE> row(static_cast<std::size_t>(width) * static_cast<std::size_t>(bytes));
    std::uint64_t index = 0;
    while (index < total) {
        if (index % width == 0 && m_info.escape)
            throw "Cancelled";
        if (!runLength) {
            PixReadExactly(stream, row.data(), row.size(), kCorrupted);
            for (std::uint64_t x = 0; x < width; ++x, ++index)
                PutPixel(index, row.data() + x * static_cast<std::size_t>(bytes), bytes, topDown, rightToLeft);
            continue;
        }
        BYTE packet = 0;
        PixReadExactly(stream, &packet, 1, kCorrupted);
        const std::uint64_t count = (packet & 0x7F) + 1u;
        BYTE value[4];
        if (packet & 0x80)
            PixReadExactly(stream, value, static_cast<std::size_t>(bytes), kCorrupted);
        // A packet may run on into the next row, never past the picture's end.
        for (std::uint64_t i = 0; i < count; ++i, ++index) {
            if (!(packet & 0x80))
                PixReadExactly(stream, value, static_cast<std::size_t>(bytes), kCorrupted);
            if (index < total)
                PutPixel(index, value, bytes, topDown, rightToLeft);
        }
    }
}

void CPixImageTGA::PutPixel(std::uint64_t index, const BYTE* value, int bytes, bool topDown, bool rightToLeft)
{
    const std::uint64_t width = static_cast<std::uint64_t>(m_header.biWidth);
    const LONG fileRow = static_cast<LONG>(index / width);
    LONG x = static_cast<LONG>(index % width);
    if (rightToLeft)
        x = m_header.biWidth - 1 - x;
    const LONG y = topDown ? m_header.biHeight - 1 - fileRow : fileRow;
    BYTE* row = GetRowPointer(static_cast<DWORD>(y));
    switch (bytes) {
    case 1:
        row[x] = value[0];
        break;
    case 2: {
        const unsigned v = LoadLE16(value);
        row[3 * x] = static_cast<BYTE>((v & 0x1F) << 3);
        row[3 * x + 1] = static_cast<BYTE>((v >> 2) & 0xF8);
        row[3 * x + 2] = static_cast<BYTE>((v >> 7) & 0xF8);
        break;
    }
    default:
        std::memcpy(row + 3 * x, value, 3);
        if (bytes == 4)
            SetAlphaAt(x, y, value[3]);
        break;
    }
}

bool CPixImageTGA::Encode(CPixStream* stream)
{
    if (CheckEncodeArgs(stream))
        return false;
    return PixRunCodec(*this, [&] {
        const WORD bits = m_header.biBitCount;
        if (bits != 8 && bits != 24)
            throw "Bit depth must be 8 or 24";
        if (m_header.biWidth > 0xFFFF || m_header.biHeight > 0xFFFF)
            throw "Image too large for TGA";
        const bool mapped = bits == 8;
        const bool withAlpha = bits == 24 && m_pAlpha;
        BYTE header[kHeaderBytes] = {};
        header[1] = mapped ? 1 : 0;
        header[2] = mapped ? kColorMapped : kTrueColor;
        if (mapped) {
            StoreLE16(header + 5, 256);
            header[7] = 24;
        }
        StoreLE16(header + 12, static_cast<WORD>(m_header.biWidth));
        StoreLE16(header + 14, static_cast<WORD>(m_header.biHeight));
        header[16] = static_cast<BYTE>(withAlpha ? 32 : bits);
        PixWriteExactly(stream, header, sizeof header, kWriteFailed);
        if (mapped) {
            BYTE map[256 * 3];
            const RGBQUAD* palette = GetPalette();
            for (int i = 0; i < 256; ++i) {
                map[3 * i] = palette[i].rgbBlue;
                map[3 * i + 1] = palette[i].rgbGreen;
                map[3 * i + 2] = palette[i].rgbRed;
            }
            PixWriteExactly(stream, map, sizeof map, kWriteFailed);
        }
        const std::size_t width = static_cast<std::size_t>(m_header.biWidth);
        std::vector<BYTE> row(width * 4);
        for (LONG y = 0; y < m_header.biHeight; ++y) {
            const BYTE* pixels = GetRowPointer(static_cast<DWORD>(y));
            if (!withAlpha) {
                PixWriteExactly(stream, pixels, width * (bits / 8), kWriteFailed);
                continue;
            }
            for (std::size_t x = 0; x < width; ++x) {
                std::memcpy(&row[4 * x], pixels + 3 * x, 3);
                row[4 * x + 3] = static_cast<BYTE>(GetAlphaAt(static_cast<LONG>(x), y) * m_info.alphaMax / 255);
            }
            PixWriteExactly(stream, row.data(), row.size(), kWriteFailed);
        }
        return true;
    });
}

PixFormat PixTgaFormat()
{
    return PixFormatOf<CPixImageTGA>();
}
