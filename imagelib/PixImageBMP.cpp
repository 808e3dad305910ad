#include "imagelib/PixImageBMP.h"

#include "imagelib/PixFormatOf.h"
#include "imagelib/PixImageIterator.h"
#include "imagelib/PixLittleEndian.h"
#include "imagelib/PixStream.h"
#include "imagelib/PixStreamExact.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

constexpr WORD kBmpSignature = 0x4D42; // "BM"
constexpr DWORD kFileHeaderBytes = 14;
constexpr DWORD kInfoHeaderBytes = 40;
constexpr DWORD kCoreHeaderBytes = 12;
constexpr DWORD kRle8 = 1;
constexpr DWORD kRle4 = 2;
constexpr DWORD kBitfields = 3;
constexpr const char* kTruncated = "Error reading BMP data";

// Bytes of `rows` rows of `bits`-bit pixels padded to 4 bytes, for any size a file may claim: a
// negative width counts as no data, and a product beyond 64 bits is held at the largest value.
std::uint64_t PlainBytes(WORD bits, LONG width, std::int64_t rows)
{
    if (width < 0 || rows < 0)
        return 0;
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(bits) * static_cast<std::uint64_t>(width) + 31) / 32 * 4;
    const std::uint64_t count = static_cast<std::uint64_t>(rows);
    if (count != 0 && rowBytes > std::numeric_limits<std::uint64_t>::max() / count)
        return std::numeric_limits<std::uint64_t>::max();
    return rowBytes * count;
}

// Pixels a run-length stream places outside the picture are dropped. Positions are 64-bit so that
// no amount of input makes them wrap.
class RleTarget {
public:
    explicit RleTarget(CPixImage* image)
        : m_width(image->GetWidth())
        , m_height(image->GetHeight())
        , m_bits(image->GetBpp())
    {
        m_rows.Attach(image);
    }

    void Put(std::int64_t x, std::int64_t y, BYTE index)
    {
        if (x < 0 || x >= m_width || y < 0 || y >= m_height)
            return;
        BYTE* row = m_rows.SetRow(static_cast<LONG>(y));
        if (m_bits == 8) {
            row[x] = index;
        } else {
            BYTE& pair = row[x / 2];
            pair = (x % 2 == 0) ? static_cast<BYTE>((pair & 0x0F) | (index << 4))
                                : static_cast<BYTE>((pair & 0xF0) | (index & 0x0F));
        }
    }

    // Rows only ever move up, so once past the top nothing more can be drawn.
    bool PastTop(std::int64_t y) const { return y >= m_height; }

private:
    CPixImageIterator m_rows;
    std::int64_t m_width;
    std::int64_t m_height;
    WORD m_bits;
};

// The second byte of a run-length escape (a zero count).
constexpr BYTE kEndOfLine = 0;
constexpr BYTE kEndOfBitmap = 1;
constexpr BYTE kDelta = 2;
// A delta (escape, code, dx, dy) moves up at most 255 rows.
constexpr std::int64_t kDeltaBytes = 4;
constexpr std::int64_t kDeltaMaxRows = 255;

} // namespace

bool CPixImageBMP::ReadInfoHeader(CPixStream* stream, BITMAPINFOHEADER& header)
{
    if (!stream)
        return false;
    BYTE raw[kInfoHeaderBytes];
    // Only the size is read first: a core header with its palette may be shorter than 40 bytes.
    if (stream->Read(raw, 1, 4) != 4)
        return false;
    const DWORD size = LoadLE32(raw);
    if (size == kCoreHeaderBytes) {
        if (stream->Read(raw + 4, 1, 8) != 8)
            return false;
        header = BITMAPINFOHEADER{};
        header.biSize = kCoreHeaderBytes;
        header.biWidth = LoadLE16(raw + 4);
        header.biHeight = LoadLE16(raw + 6);
        header.biPlanes = LoadLE16(raw + 8);
        header.biBitCount = LoadLE16(raw + 10);
    } else {
        if (stream->Read(raw + 4, 1, kInfoHeaderBytes - 4) != kInfoHeaderBytes - 4)
            return false;
        header = LoadInfoHeader(raw);
        const std::uint64_t plainImageBytes =
            PlainBytes(header.biBitCount, header.biWidth, std::abs(static_cast<std::int64_t>(header.biHeight)));
        if (size == 64) {
            // OS/2 2.x: the fields past the Windows ones are not used.
            if (!stream->Seek(24, 1))
                return false;
        } else if (size > kInfoHeaderBytes) {
            // A longer Windows header is read as its first 40 bytes only when nothing in the rest
            // (masks, colour space) can matter.
            if (header.biSizeImage != plainImageBytes || header.biPlanes != 1 || header.biCompression != BI_RGB ||
                header.biClrUsed != 0)
                return false;
            if (size - kInfoHeaderBytes > static_cast<DWORD>(std::numeric_limits<int32_t>::max()) ||
                !stream->Seek(static_cast<int32_t>(size - kInfoHeaderBytes), 1))
                return false;
        } else if (size != kInfoHeaderBytes) {
            return false;
        }
    }
    if (header.biSizeImage == 0) {
        header.biSizeImage = static_cast<DWORD>(
            PlainBytes(header.biBitCount, header.biWidth, std::abs(static_cast<std::int64_t>(header.biHeight))));
    }
    if (header.biClrUsed == 0 && header.biBitCount <= 8)
        header.biClrUsed = 1u << header.biBitCount;
    return true;
}

bool CPixImageBMP::Decode(CPixStream* stream)
{
    try {
        if (!stream)
            throw "Not a BMP";
        const int32_t start = stream->Tell();
        BYTE fileHeader[kFileHeaderBytes];
        PixReadExactly(stream, fileHeader, sizeof fileHeader, "Not a BMP");
        // Without the signature the data is a packed DIB that starts with its info header.
        DWORD dataOffset = 0;
        if (LoadLE16(fileHeader) == kBmpSignature)
            dataOffset = LoadLE32(fileHeader + 10);
        else if (start < 0 || !stream->Seek(start, 0))
            throw "Not a BMP";

        BITMAPINFOHEADER bih{};
        if (!ReadInfoHeader(stream, bih))
            throw "Error reading BMP info";
        const bool core = bih.biSize == kCoreHeaderBytes;
        const bool topDown = bih.biHeight < 0;
        const std::int64_t height = std::abs(static_cast<std::int64_t>(bih.biHeight));
        const WORD bits = bih.biBitCount;
        const DWORD compression = bih.biCompression;

        switch (bits) {
        case 1:
        case 4:
        case 8:
            // Each run-length scheme only makes sense at its own depth.
            if (compression != BI_RGB && !(compression == kRle8 && bits == 8) && !(compression == kRle4 && bits == 4))
                throw "compression type not supported";
            break;
        case 16:
            break;
        case 24:
            if (compression != BI_RGB)
                throw "unknown compression";
            break;
        case 32:
            if (compression != BI_RGB && compression != kBitfields)
                throw "unknown compression";
            break;
        default:
            throw "Error reading BMP info";
        }
        if (m_info.escape)
            throw "Cancelled";

        // Bit-field masks follow the 40-byte header; without them the usual layouts apply.
        DWORD masks[3] = {0, 0, 0};
        if (bits >= 16 && compression == kBitfields) {
            BYTE raw[12];
            PixReadExactly(stream, raw, sizeof raw, kTruncated);
            for (int i = 0; i < 3; ++i)
                masks[i] = LoadLE32(raw + 4 * i);
        }
        if (masks[0] == 0 && masks[1] == 0 && masks[2] == 0) {
            if (bits == 16) {
                masks[0] = 0x7C00;
                masks[1] = 0x03E0;
                masks[2] = 0x001F;
            } else {
                masks[0] = 0x00FF0000;
                masks[1] = 0x0000FF00;
                masks[2] = 0x000000FF;
            }
        }

        // The palette has as many entries as the header says, at most the depth's full count.
        const DWORD entrySize = core ? 3 : 4;
        DWORD entries = 0;
        BYTE palette[256 * 4];
        if (bits <= 8) {
            entries = std::min<DWORD>(bih.biClrUsed, 1u << bits);
            PixReadExactly(stream, palette, static_cast<std::size_t>(entries) * entrySize, "Error reading BMP palette");
        }
        if (m_info.escape)
            throw "Cancelled";

        if (dataOffset != 0) {
            const std::int64_t position = static_cast<std::int64_t>(start) + dataOffset;
            if (start < 0 || position > std::numeric_limits<int32_t>::max() ||
                !stream->Seek(static_cast<int32_t>(position), 0))
                throw kTruncated;
        }

        // The data must be able to describe the picture; checking before allocating keeps a small
        // hostile file from claiming a huge one. Uncompressed data must all be there; run-length
        // data must at least reach the top row with the longest moves it has.
        const bool plain = compression == BI_RGB || compression == kBitfields || bits == 16;
        const std::int64_t left = stream->BytesLeft();
        if (left >= 0 && plain && PlainBytes(bits, bih.biWidth, height) > static_cast<std::uint64_t>(left))
            throw kTruncated;
        if (left >= 0 && !plain && height > left / kDeltaBytes * kDeltaMaxRows + 1)
            throw kTruncated;

        if (height > std::numeric_limits<LONG>::max() || bih.biWidth <= 0 ||
            !Create(static_cast<DWORD>(bih.biWidth), static_cast<DWORD>(height), bits, PIXIMAGE_BMP))
            throw "Can't allocate memory";
        m_header.biXPelsPerMeter = bih.biXPelsPerMeter;
        m_header.biYPelsPerMeter = bih.biYPelsPerMeter;
        m_info.dpiX = static_cast<LONG>(std::floor(bih.biXPelsPerMeter * 0.025400000000000002 + 0.5));
        m_info.dpiY = static_cast<LONG>(std::floor(bih.biYPelsPerMeter * 0.025400000000000002 + 0.5));

        RGBQUAD* colors = GetPalette();
        for (DWORD i = 0; i < entries; ++i) {
            const BYTE* entry = palette + i * entrySize;
            colors[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
        }

        // Exactly the image's own rows are read, whatever the header claims the data size to be.
        const std::size_t imageBytes = static_cast<std::size_t>(m_info.stride) * m_header.biHeight;
        const std::size_t fileBytes = static_cast<std::size_t>(PlainBytes(bits, m_header.biWidth, m_header.biHeight));
        if (bits <= 8 && compression == kRle8) {
            DecodeRle(stream, false);
        } else if (bits <= 8 && compression == kRle4) {
            DecodeRle(stream, true);
        } else if (bits <= 8 || bits == 24) {
            PixReadExactly(stream, m_pPixels, imageBytes, kTruncated);
        } else if (bits == 16) {
            // 16-bit rows are shorter than 24-bit ones, so they expand in place.
            PixReadExactly(stream, m_pPixels, fileBytes, kTruncated);
            UnpackBitfields(m_pPixels, masks[0], masks[1], masks[2], 16);
        } else {
            std::unique_ptr<BYTE[]> source(new (std::nothrow) BYTE[fileBytes]);
            if (!source)
                throw "can't allocate memory";
            PixReadExactly(stream, source.get(), fileBytes, kTruncated);
            UnpackBitfields(source.get(), masks[0], masks[1], masks[2], 32);
        }

        if (topDown)
            FlipRows();
        return true;
    } catch (const char* message) {
        SetLastErrorText(message);
        return false;
    }
}

// Run-length data of 8-bit (one index a byte) or 4-bit pictures (two indices a byte, high nibble
// first): the two layouts differ only in how a byte becomes pixels.
void CPixImageBMP::DecodeRle(CPixStream* stream, bool fourBit)
{
    PixByteReader data(stream, kTruncated);
    RleTarget target(this);
    std::int64_t x = 0;
    std::int64_t y = 0;
    auto pixel = [fourBit](BYTE byte, int i) -> BYTE {
        if (!fourBit)
            return byte;
        return i % 2 == 0 ? byte >> 4 : byte & 0x0F;
    };
    while (!target.PastTop(y)) {
        const BYTE count = data.Take();
        const BYTE value = data.Take();
        if (count > 0) {
            // An encoded run repeats its byte (at 4 bits, alternating its two nibbles).
            for (int i = 0; i < count; ++i)
                target.Put(x + i, y, pixel(value, i));
            x += count;
        } else if (value == kEndOfLine) {
            x = 0;
            ++y;
        } else if (value == kEndOfBitmap) {
            return;
        } else if (value == kDelta) {
            x += data.Take();
            y += data.Take();
        } else {
            BYTE byte = 0;
            for (int i = 0; i < value; ++i) {
                if (!fourBit || i % 2 == 0)
                    byte = data.Take();
                target.Put(x + i, y, pixel(byte, i));
            }
            x += value;
            const int literalBytes = fourBit ? (value + 1) / 2 : value;
            if (literalBytes % 2 != 0)
                data.Take(); // literal runs end on a 16-bit boundary
        }
    }
}

void CPixImageBMP::FlipRows()
{
    // Swapped in place: a spare row could itself be as large as a picture.
    const std::size_t stride = m_info.stride;
    for (LONG top = m_header.biHeight - 1, bottom = 0; bottom < top; --top, ++bottom) {
        BYTE* low = m_pPixels + bottom * stride;
        std::swap_ranges(low, low + stride, m_pPixels + top * stride);
    }
}

bool CPixImageBMP::Encode(CPixStream* stream)
{
    if (CheckEncodeArgs(stream))
        return false;
    const DWORD dibBytes = GetSize();
    if (dibBytes > std::numeric_limits<DWORD>::max() - kFileHeaderBytes) {
        SetLastErrorText("Image too large for BMP");
        return false;
    }
    BYTE fileHeader[kFileHeaderBytes] = {};
    StoreLE16(fileHeader, kBmpSignature);
    StoreLE32(fileHeader + 2, dibBytes + kFileHeaderBytes);
    StoreLE32(fileHeader + 10, kFileHeaderBytes + kInfoHeaderBytes + GetPaletteBytes());
    // DPI and biClrImportant live in the object's header copy; the block's goes out with them.
    StoreInfoHeader(m_pDib, m_header);
    if (stream->Write(fileHeader, 1, kFileHeaderBytes) != kFileHeaderBytes ||
        stream->Write(m_pDib, 1, dibBytes) != dibBytes) {
        SetLastErrorText("Error writing BMP");
        return false;
    }
    return true;
}

PixFormat PixBmpFormat()
{
    return PixFormatOf<CPixImageBMP>();
}
