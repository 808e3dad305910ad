// Helpers for the format tests: files built byte by byte, temporary folders, pixel comparison.
#pragma once

#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixMemStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace testfiles {

using Bytes = std::vector<BYTE>;

inline void Put8(Bytes& out, unsigned value) { out.push_back(static_cast<BYTE>(value)); }
inline void Put16(Bytes& out, unsigned value)
{
    Put8(out, value & 0xFF);
    Put8(out, (value >> 8) & 0xFF);
}
inline void Put32(Bytes& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}
inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
inline std::uint32_t Get32(const Bytes& in, std::size_t at)
{
    return in[at] | (in[at + 1] << 8) | (in[at + 2] << 16) | (static_cast<std::uint32_t>(in[at + 3]) << 24);
}
inline unsigned Get16(const Bytes& in, std::size_t at) { return in[at] | (in[at + 1] << 8); }

// A 40-byte info header.
struct InfoHeader {
    std::int32_t width = 1;
    std::int32_t height = 1;
    unsigned planes = 1;
    unsigned bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 3780;
    std::int32_t yPelsPerMeter = 3780;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
    std::uint32_t size = 40;
};

inline void PutInfoHeader(Bytes& out, const InfoHeader& h)
{
    Put32(out, h.size);
    Put32(out, static_cast<std::uint32_t>(h.width));
    Put32(out, static_cast<std::uint32_t>(h.height));
    Put16(out, h.planes);
    Put16(out, h.bits);
    Put32(out, h.compression);
    Put32(out, h.sizeImage);
    Put32(out, static_cast<std::uint32_t>(h.xPelsPerMeter));
    Put32(out, static_cast<std::uint32_t>(h.yPelsPerMeter));
    Put32(out, h.clrUsed);
    Put32(out, h.clrImportant);
}

// A BMP file: file header, info header, `extra` (masks or palette, as given), then the pixel data
// at the offset the file header names.
inline Bytes BuildBmp(const InfoHeader& h, const Bytes& extra, const Bytes& data)
{
    Bytes out;
    const std::uint32_t offset = static_cast<std::uint32_t>(14 + 40 + extra.size());
    Put8(out, 'B');
    Put8(out, 'M');
    Put32(out, static_cast<std::uint32_t>(offset + data.size()));
    Put32(out, 0);
    Put32(out, offset);
    PutInfoHeader(out, h);
    Append(out, extra);
    Append(out, data);
    return out;
}

inline Bytes Palette(const std::vector<PixColor>& colors)
{
    Bytes out;
    for (PixColor c : colors)
        Put32(out, c);
    return out;
}

// One image inside an icon file: its directory bytes and everything at its offset.
struct IconEntry {
    BYTE width;
    BYTE height;
    unsigned bits;
    Bytes body;
};

// The body of a bitmap icon image: header (height doubled), palette, colour rows, mask rows.
inline Bytes IconBitmap(std::int32_t width, std::int32_t height, unsigned bits, const Bytes& palette,
                        const Bytes& pixels, const Bytes& mask, std::uint32_t sizeImage = 0)
{
    InfoHeader h;
    h.width = width;
    h.height = 2 * height;
    h.bits = bits;
    h.sizeImage = sizeImage;
    h.xPelsPerMeter = 0;
    h.yPelsPerMeter = 0;
    Bytes out;
    PutInfoHeader(out, h);
    Append(out, palette);
    Append(out, pixels);
    Append(out, mask);
    return out;
}

inline Bytes BuildIcon(const std::vector<IconEntry>& entries, unsigned reserved = 0, unsigned type = 1)
{
    Bytes out;
    Put16(out, reserved);
    Put16(out, type);
    Put16(out, static_cast<unsigned>(entries.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const IconEntry& e : entries) {
        Put8(out, e.width);
        Put8(out, e.height);
        Put8(out, 0);
        Put8(out, 0);
        Put16(out, 1);
        Put16(out, e.bits);
        Put32(out, static_cast<std::uint32_t>(e.body.size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(e.body.size());
    }
    for (const IconEntry& e : entries)
        Append(out, e.body);
    return out;
}

inline Bytes RandomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 generator(seed);
    Bytes out(count);
    for (BYTE& b : out)
        b = static_cast<BYTE>(generator());
    return out;
}

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zvimg-XXXXXX").string();
        if (char* made = ::mkdtemp(pattern.data()))
            m_path = made;
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    // Names of everything in the folder.
    std::vector<std::string> List() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path m_path;
};

inline Bytes ReadFileBytes(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& name, const Bytes& bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Same size and, pixel by pixel, the same colour (blue, green, red; the top byte is ignored).
inline ::testing::AssertionResult SameColors(const CPixImage& a, const CPixImage& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return ::testing::AssertionFailure() << "size " << a.GetWidth() << "x" << a.GetHeight() << " vs "
                                             << b.GetWidth() << "x" << b.GetHeight();
    for (LONG y = 0; y < a.GetHeight(); ++y)
        for (LONG x = 0; x < a.GetWidth(); ++x) {
            const PixColor ca = a.GetColorAt(x, y) & 0xFFFFFF;
            const PixColor cb = b.GetColorAt(x, y) & 0xFFFFFF;
            if (ca != cb)
                return ::testing::AssertionFailure()
                    << "pixel (" << x << ", " << y << "): " << std::hex << ca << " vs " << cb;
        }
    return ::testing::AssertionSuccess();
}

// Fills an image with a reproducible picture: random indices (palette images, with a random
// palette) or random colours.
inline void FillRandom(CPixImage& image, unsigned seed)
{
    std::mt19937 generator(seed);
    if (image.GetBpp() <= 8) {
        const DWORD entries = image.GetHeader().biClrUsed;
        for (DWORD i = 0; i < entries; ++i)
            image.SetPaletteEntry(static_cast<BYTE>(i), static_cast<BYTE>(generator()), static_cast<BYTE>(generator()),
                                  static_cast<BYTE>(generator()));
        for (LONG y = 0; y < image.GetHeight(); ++y)
            for (LONG x = 0; x < image.GetWidth(); ++x)
                image.SetIndexAt(x, y, static_cast<BYTE>(generator() % entries));
    } else {
        for (LONG y = 0; y < image.GetHeight(); ++y)
            for (LONG x = 0; x < image.GetWidth(); ++x)
                image.SetColorAt(x, y, static_cast<PixColor>(generator()) & 0xFFFFFF, false);
    }
}

// Accepts `budget` bytes, then refuses every write.
class ShortStream : public CPixMemStream {
public:
    explicit ShortStream(std::size_t budget) : m_budget(budget) {}
    size_t Write(const void* buffer, size_t size, size_t count) override
    {
        if (size * count > m_budget)
            return 0;
        m_budget -= size * count;
        return CPixMemStream::Write(buffer, size, count);
    }

private:
    std::size_t m_budget;
};

// Puts a format in for one test and the previous one back afterwards.
class ScopedFormat {
public:
    ScopedFormat(LONG type, std::optional<PixFormat> format)
        : m_type(type)
        , m_previous(RegisterPixFormat(type, format))
    {
    }
    ~ScopedFormat() { RegisterPixFormat(m_type, m_previous); }
    ScopedFormat(const ScopedFormat&) = delete;
    ScopedFormat& operator=(const ScopedFormat&) = delete;

private:
    LONG m_type;
    std::optional<PixFormat> m_previous;
};

} // namespace testfiles
