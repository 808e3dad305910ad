#include "imagelib/PixImagePCX.h"

#include "imagelib/PixFormatOf.h"
#include "imagelib/PixLittleEndian.h"
#include "imagelib/PixStream.h"
#include "imagelib/PixStreamExact.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kHeaderBytes = 128;
constexpr BYTE kManufacturer = 10;
constexpr BYTE kPaletteSignature = 12;
constexpr const char* kCorrupted = "corrupted PCX";
constexpr const char* kBadSize = "bad PCX image size";
constexpr const char* kWriteFailed = "Error writing PCX";
// A code pair stands for at most 63 bytes.
constexpr std::uint64_t kMaxRun = 63;

// Run-length coded bytes.
class RleReader {
public:
    explicit RleReader(CPixStream* stream)
        : m_bytes(stream, kCorrupted)
    {
    }

    // Fills `out` with the next bytes; `expected` is what the whole picture still needs, which
    // no run may exceed.
    void Read(BYTE* out, std::size_t count, std::uint64_t& expected)
    {
        for (std::size_t i = 0; i < count; ++i) {
            if (m_repeat == 0) {
                const BYTE code = Take();
                if (code >= 0xC0) {
                    m_repeat = code & 0x3F;
                    m_value = Take();
                    if (m_repeat > expected)
                        throw "repeat count spans end of image";
                } else {
                    m_repeat = 1;
                    m_value = code;
                }
                if (m_repeat == 0)
                    continue; // a run of nothing
            }
            out[i] = m_value;
            --m_repeat;
            --expected;
        }
    }

    // The bytes after the coded data.
    BYTE Take() { return m_bytes.Take(); }

private:
    PixByteReader m_bytes;
    std::uint64_t m_repeat = 0;
    BYTE m_value = 0;
};

// Appends `count` bytes run-length coded.
void PutRuns(std::vector<BYTE>& out, const BYTE* data, std::size_t count)
{
    for (std::size_t i = 0; i < count;) {
        std::size_t run = 1;
        while (i + run < count && run < kMaxRun && data[i + run] == data[i])
            ++run;
        if (run > 1 || data[i] >= 0xC0)
            out.push_back(static_cast<BYTE>(0xC0 | run));
        out.push_back(data[i]);
        i += run;
    }
}

} // namespace

bool CPixImagePCX::Decode(CPixStream* stream)
{
    return PixRunCodec(*this, [&] {
        if (!stream)
            throw "Can't read PCX image";
        BYTE header[kHeaderBytes];
        PixReadExactly(stream, header, sizeof header, "Can't read PCX image");
        if (header[0] != kManufacturer)
            throw "Error: Not a PCX file";
        if (header[2] != 1)
            throw "PCX file has unknown encoding scheme";
        const int bits = header[3];
        const int planes = header[65];
        const std::int64_t xMin = LoadLE16(header + 4);
        const std::int64_t yMin = LoadLE16(header + 6);
        const std::int64_t xMax = LoadLE16(header + 8);
        const std::int64_t yMax = LoadLE16(header + 10);
        const std::size_t bytesPerLine = LoadLE16(header + 66);
        if (planes > 4)
            throw "Can't handle image with more than 4 planes";
        const bool truecolor = bits == 8 && (planes == 3 || planes == 4);
        const bool knownBits = bits == 1 || bits == 2 || bits == 4 || bits == 8;
        if (planes == 0 || (planes > 1 && bits != 1 && !truecolor) || !knownBits)
            throw "Can't handle more than 1 bit per pixel";
        if (xMax < xMin || yMax < yMin)
            throw kBadSize;
        const std::uint64_t width = static_cast<std::uint64_t>(xMax - xMin + 1);
        const std::uint64_t height = static_cast<std::uint64_t>(yMax - yMin + 1);
        if (bytesPerLine < (width * static_cast<std::uint64_t>(bits) + 7) / 8)
            throw kBadSize;
        // Every code pair stands for at most 63 bytes: data too short for the picture is refused
        // before the picture is allocated.
        std::uint64_t expected = height * bytesPerLine * static_cast<std::uint64_t>(planes);
        const std::int64_t left = stream->BytesLeft();
        if (left >= 0 && expected > static_cast<std::uint64_t>(left) * kMaxRun)
            throw kCorrupted;

        // Two to four planes of one bit make a 16-colour picture.
        const DWORD depth = truecolor ? 24 : planes > 1 ? 4 : static_cast<DWORD>(bits);
        if (!Create(static_cast<DWORD>(width), static_cast<DWORD>(height), depth, PIXIMAGE_PCX))
            throw "Can't allocate memory";
        if (planes == 4 && truecolor && !AllocAlpha())
            throw "Can't allocate memory";
        SetDpiX(LoadLE16(header + 12));
        SetDpiY(LoadLE16(header + 14));

        std::vector<BYTE> line(bytesPerLine * static_cast<std::size_t>(planes));
        RleReader reader(stream);
        for (std::uint64_t m = 0; m < height; ++m) {
            if (m_info.escape)
                throw "Cancelled";
            reader.Read(line.data(), line.size(), expected);
            PutRow(line, planes, bits, bytesPerLine, static_cast<LONG>(height - 1 - m));
        }
        if (!truecolor) {
            // The 256-colour map sits after the data, behind its signature byte.
            if (bits == 8 && planes == 1) {
                if (reader.Take() != kPaletteSignature)
                    throw "bad color map signature";
                for (int i = 0; i < 256; ++i) {
                    const BYTE red = reader.Take();
                    const BYTE green = reader.Take();
                    const BYTE blue = reader.Take();
                    SetPaletteEntry(static_cast<BYTE>(i), red, green, blue);
                }
            } else {
                ReadPalette(header, planes, bits);
            }
        }
        return true;
    });
}

void CPixImagePCX::ReadPalette(const BYTE* header, int planes, int bits)
{
    // A one-bit file without colours in its header map is black and white.
    if (bits == 1 && planes == 1 && std::memcmp(header + 16, header + 19, 3) == 0) {
        SetPaletteEntry(0, 0, 0, 0);
        SetPaletteEntry(1, 255, 255, 255);
        return;
    }
    const DWORD entries = std::min<DWORD>(m_header.biClrUsed, 16);
    for (DWORD i = 0; i < entries; ++i) {
        const BYTE* rgb = header + 16 + 3 * i;
        SetPaletteEntry(static_cast<BYTE>(i), rgb[0], rgb[1], rgb[2]);
    }
}

void CPixImagePCX::PutRow(const std::vector<BYTE>& line, int planes, int bits, std::size_t bytesPerLine, LONG y)
{
    BYTE* row = GetRowPointer(static_cast<DWORD>(y));
    const LONG width = m_header.biWidth;
    if (m_header.biBitCount == 24) {
        for (LONG x = 0; x < width; ++x) {
            row[3 * x] = line[2 * bytesPerLine + static_cast<std::size_t>(x)];
            row[3 * x + 1] = line[bytesPerLine + static_cast<std::size_t>(x)];
            row[3 * x + 2] = line[static_cast<std::size_t>(x)];
            if (planes == 4)
                SetAlphaAt(x, y, line[3 * bytesPerLine + static_cast<std::size_t>(x)]);
        }
        return;
    }
    for (LONG x = 0; x < width; ++x) {
        BYTE index = 0;
        if (planes > 1) {
            // Bit i of the index lies in plane i.
            for (int p = 0; p < planes; ++p)
                index |= static_cast<BYTE>(((line[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p);
        } else {
            const int perByte = 8 / bits;
            const BYTE byte = line[static_cast<std::size_t>(x / perByte)];
            const int shift = 8 - bits * (x % perByte + 1);
            index = static_cast<BYTE>((byte >> shift) & ((1 << bits) - 1));
        }
        SetIndexAt(x, y, index);
    }
}

bool CPixImagePCX::Encode(CPixStream* stream)
{
    if (CheckEncodeArgs(stream))
        return false;
    return PixRunCodec(*this, [&] {
        const LONG width = m_header.biWidth;
        const LONG height = m_header.biHeight;
        const WORD bpp = m_header.biBitCount;
        if (width > 0x10000 || height > 0x10000)
            throw "Image too large for PCX";
        const bool withAlpha = bpp == 24 && m_pAlpha;
        const int planes = bpp == 24 ? (withAlpha ? 4 : 3) : bpp == 4 ? 4 : 1;
        const std::size_t pixels = static_cast<std::size_t>(width);
        std::size_t bytesPerLine = bpp >= 8 ? pixels : (pixels + 7) / 8;
        bytesPerLine += bytesPerLine % 2;

        BYTE header[kHeaderBytes] = {};
        header[0] = kManufacturer;
        header[1] = 5;
        header[2] = 1;
        header[3] = bpp >= 8 ? 8 : 1;
        StoreLE16(header + 8, static_cast<WORD>(width - 1));
        StoreLE16(header + 10, static_cast<WORD>(height - 1));
        StoreLE16(header + 12, static_cast<WORD>(std::clamp<LONG>(m_info.dpiX, 0, 0xFFFF)));
        StoreLE16(header + 14, static_cast<WORD>(std::clamp<LONG>(m_info.dpiY, 0, 0xFFFF)));
        header[65] = static_cast<BYTE>(planes);
        StoreLE16(header + 66, static_cast<WORD>(bytesPerLine));
        // 0 is always the dark colour of a 1-bit file.
        const bool invert = bpp == 1 && CompareLuminance(reinterpret_cast<const BYTE*>(&GetPalette()[0]),
                                                         reinterpret_cast<const BYTE*>(&GetPalette()[1])) > 0;
        if (bpp == 4) {
            for (int i = 0; i < 16; ++i) {
                header[16 + 3 * i] = GetPalette()[i].rgbRed;
                header[17 + 3 * i] = GetPalette()[i].rgbGreen;
                header[18 + 3 * i] = GetPalette()[i].rgbBlue;
            }
        } else if (bpp == 1) {
            std::memset(header + 19, 255, 3); // entry 0 black, entry 1 white
        }
        PixWriteExactly(stream, header, sizeof header, "cannot write PCX header");

        std::vector<BYTE> data;
        std::vector<BYTE> plane(bytesPerLine);
        for (LONG y = height - 1; y >= 0; --y) {
            if (bpp == 8 || bpp == 24) {
                const int channels = bpp == 8 ? 1 : planes;
                for (int p = 0; p < channels; ++p) {
                    std::fill(plane.begin(), plane.end(), BYTE{0});
                    const BYTE* row = GetRowPointer(static_cast<DWORD>(y));
                    for (LONG x = 0; x < width; ++x) {
                        // Planes go red, green, blue, alpha; the DIB holds blue, green, red.
                        plane[static_cast<std::size_t>(x)] = bpp == 8 ? row[x]
                            : p < 3                                   ? row[3 * x + 2 - p]
                                                                      : GetAlphaAt(x, y);
                    }
                    PutRuns(data, plane.data(), plane.size());
                }
                continue;
            }
            for (int p = 0; p < planes; ++p) {
                std::fill(plane.begin(), plane.end(), BYTE{0});
                for (LONG x = 0; x < width; ++x) {
                    const bool bit = ((GetIndexAt(x, y) >> p) & 1) != invert;
                    if (bit)
                        plane[static_cast<std::size_t>(x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
                }
                PutRuns(data, plane.data(), plane.size());
            }
        }
        if (bpp == 8) {
            data.push_back(kPaletteSignature);
            for (int i = 0; i < 256; ++i) {
                const RGBQUAD entry = GetPalette()[i];
                data.insert(data.end(), {entry.rgbRed, entry.rgbGreen, entry.rgbBlue});
            }
        }
        PixWriteExactly(stream, data.data(), data.size(), kWriteFailed);
        return true;
    });
}

PixFormat PixPcxFormat()
{
    return PixFormatOf<CPixImagePCX>();
}
