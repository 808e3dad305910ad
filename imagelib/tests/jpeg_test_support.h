// Helpers for the JPEG and Exif tests: a photo-like picture, picture distance, segments put into a
// JPEG file, and Exif blocks built entry by entry in either byte order.
#pragma once

#include "imagelib/PixImage.h"

#include "image_test_files.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace jpegtest {

using testfiles::Bytes;

// Smooth gradients with a little noise: what a lossy coder is made for.
inline void FillPhoto(CPixImage& image, LONG w, LONG h, bool grey)
{
    image.Create(static_cast<DWORD>(w), static_cast<DWORD>(h), grey ? 8 : 24, 0);
    image.SetGrayRamp();
    std::mt19937 noise(3);
    auto at = [&](int v) { return static_cast<BYTE>(std::clamp(v + static_cast<int>(noise() % 9) - 4, 0, 255)); };
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x) {
            if (grey)
                image.SetIndexAt(x, y, at(30 + 150 * x / w + 60 * y / h));
            else
                image.SetColorAt(x, y, MakePixColor(at(20 + 200 * x / w), at(200 - 120 * x / w + 40 * y / h), at(60 + 150 * y / h)), false);
        }
}

// Peak signal-to-noise ratio over red, green and blue, in decibels.
inline double Psnr(const CPixImage& a, const CPixImage& b)
{
    double squares = 0;
    for (LONG y = 0; y < a.GetHeight(); ++y)
        for (LONG x = 0; x < a.GetWidth(); ++x)
            for (int shift = 0; shift < 24; shift += 8) {
                const double d = static_cast<int>((a.GetColorAt(x, y) >> shift) & 0xFF) -
                    static_cast<int>((b.GetColorAt(x, y) >> shift) & 0xFF);
                squares += d * d;
            }
    const double mse = squares / (3.0 * a.GetWidth() * a.GetHeight());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

inline Bytes Encode(CPixImage& image)
{
    BYTE* block = nullptr;
    LONG length = 0;
    if (!image.EncodeToMemory(block, length, 3))
        return {};
    Bytes bytes(block, block + length);
    std::free(block);
    return bytes;
}

// A segment with its marker and length, put right after the start-of-image marker.
inline Bytes WithSegment(const Bytes& jpeg, BYTE marker, const Bytes& payload)
{
    Bytes out = {0xFF, 0xD8, 0xFF, marker, static_cast<BYTE>((payload.size() + 2) >> 8), static_cast<BYTE>(payload.size() + 2)};
    testfiles::Append(out, payload);
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

struct TiffEntry {
    unsigned tag;
    unsigned format;
    std::uint32_t count;
    Bytes value; // as stored, in the block's byte order
};

// The TIFF structure of an Exif block, in either byte order. Directories are laid out one after
// the other; a value longer than four bytes follows its directory.
class Tiff {
public:
    explicit Tiff(bool motorola, std::uint32_t firstDirectory = 8)
        : m_motorola(motorola)
        , m_bytes{'E', 'x', 'i', 'f', 0, 0}
    {
        testfiles::Append(m_bytes, motorola ? Bytes{'M', 'M'} : Bytes{'I', 'I'});
        testfiles::Append(m_bytes, Number(42, 2));
        testfiles::Append(m_bytes, Long(firstDirectory));
    }

    Bytes Short(unsigned v) const { return Number(v, 2); }
    Bytes Long(std::uint32_t v) const { return Number(v, 4); }
    Bytes Rational(std::uint32_t n, std::uint32_t d) const
    {
        Bytes out = Long(n);
        testfiles::Append(out, Long(d));
        return out;
    }
    static Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
    // Bytes a directory takes with the values that follow it.
    static std::uint32_t Size(const std::vector<TiffEntry>& entries)
    {
        std::size_t size = 2 + 12 * entries.size() + 4;
        for (const TiffEntry& e : entries)
            size += e.value.size() > 4 ? e.value.size() : 0;
        return static_cast<std::uint32_t>(size);
    }

    Tiff& Directory(const std::vector<TiffEntry>& entries, std::uint32_t next = 0)
    {
        const std::uint32_t valueAt = static_cast<std::uint32_t>(m_bytes.size() - 6 + 2 + 12 * entries.size() + 4);
        Bytes values;
        testfiles::Append(m_bytes, Number(static_cast<std::uint32_t>(entries.size()), 2));
        for (const TiffEntry& e : entries) {
            testfiles::Append(m_bytes, Number(e.tag, 2));
            testfiles::Append(m_bytes, Number(e.format, 2));
            testfiles::Append(m_bytes, Long(e.count));
            Bytes value = e.value.size() > 4 ? Long(valueAt + static_cast<std::uint32_t>(values.size())) : e.value;
            if (e.value.size() > 4)
                testfiles::Append(values, e.value);
            value.resize(4);
            testfiles::Append(m_bytes, value);
        }
        testfiles::Append(m_bytes, Long(next));
        testfiles::Append(m_bytes, values);
        return *this;
    }

    // "Exif", two zero bytes, the TIFF data: the payload of an APP1 segment.
    const Bytes& Block() const { return m_bytes; }

private:
    Bytes Number(std::uint32_t v, int bytes) const
    {
        Bytes out;
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<BYTE>(v >> (m_motorola ? 8 * (bytes - 1 - i) : 8 * i)));
        return out;
    }

    bool m_motorola;
    Bytes m_bytes;
};

} // namespace jpegtest
