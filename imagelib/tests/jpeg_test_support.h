// Helpers for the JPEG and Exif tests: a photo-like picture, picture distance, Exif blocks built
// field by field in either byte order, and segments put into a JPEG file.
#pragma once

#include "imagelib/PixImage.h"

#include "image_test_files.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace jpegtest {

using testfiles::Bytes;

// Smooth gradients with a little noise: what a lossy coder is made for.
inline void FillPhoto(CPixImage& image, LONG width, LONG height, bool grey, unsigned seed = 3)
{
    image.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), grey ? 8 : 24, 0);
    if (grey)
        image.SetGrayRamp();
    std::mt19937 noise(seed);
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x) {
            auto channel = [&](int base, int dx, int dy) {
                const int v = base + dx * x / width + dy * y / height + static_cast<int>(noise() % 9) - 4;
                return static_cast<BYTE>(std::clamp(v, 0, 255));
            };
            if (grey)
                image.SetIndexAt(x, y, channel(30, 150, 60));
            else
                image.SetColorAt(x, y, MakePixColor(channel(20, 200, 20), channel(200, -120, 40), channel(60, 40, 150)), false);
        }
}

// Peak signal-to-noise ratio over red, green and blue, in decibels.
inline double Psnr(const CPixImage& a, const CPixImage& b)
{
    double squares = 0;
    for (LONG y = 0; y < a.GetHeight(); ++y)
        for (LONG x = 0; x < a.GetWidth(); ++x) {
            const PixColor ca = a.GetColorAt(x, y);
            const PixColor cb = b.GetColorAt(x, y);
            for (int shift = 0; shift < 24; shift += 8) {
                const double d = static_cast<int>((ca >> shift) & 0xFF) - static_cast<int>((cb >> shift) & 0xFF);
                squares += d * d;
            }
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
    Bytes segment = {0xFF, marker, static_cast<BYTE>((payload.size() + 2) >> 8), static_cast<BYTE>(payload.size() + 2)};
    testfiles::Append(segment, payload);
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    testfiles::Append(out, segment);
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

struct TiffEntry {
    unsigned tag;
    unsigned format;
    std::uint32_t count;
    Bytes value; // as stored, in the block's byte order
};

// A TIFF structure as an Exif block holds it, written in either byte order.
class Tiff {
public:
    explicit Tiff(bool motorola, std::uint32_t firstDirectory = 8)
        : m_motorola(motorola)
    {
        m_bytes = motorola ? Bytes{'M', 'M'} : Bytes{'I', 'I'};
        Put(m_bytes, 42, 2);
        Put(m_bytes, firstDirectory, 4);
    }

    Bytes Short(unsigned v) const { return Number(v, 2); }
    Bytes Long(std::uint32_t v) const { return Number(v, 4); }
    Bytes Rational(std::uint32_t n, std::uint32_t d) const
    {
        Bytes out = Number(n, 4);
        testfiles::Append(out, Number(d, 4));
        return out;
    }
    static Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

    // Bytes a directory takes with its out-of-line values.
    static std::uint32_t DirectorySize(const std::vector<TiffEntry>& entries)
    {
        std::size_t size = 2 + 12 * entries.size() + 4;
        for (const TiffEntry& e : entries)
            size += e.value.size() > 4 ? e.value.size() : 0;
        return static_cast<std::uint32_t>(size);
    }

    // A directory at the current end; values longer than four bytes follow it.
    Tiff& Directory(const std::vector<TiffEntry>& entries, std::uint32_t next = 0)
    {
        const std::size_t valuesAt = m_bytes.size() + 2 + 12 * entries.size() + 4;
        Bytes values;
        Put(m_bytes, static_cast<std::uint32_t>(entries.size()), 2);
        for (const TiffEntry& e : entries) {
            Put(m_bytes, e.tag, 2);
            Put(m_bytes, e.format, 2);
            Put(m_bytes, e.count, 4);
            Bytes value = e.value;
            if (value.size() > 4) {
                Put(m_bytes, static_cast<std::uint32_t>(valuesAt + values.size()), 4);
                testfiles::Append(values, value);
            } else {
                value.resize(4);
                testfiles::Append(m_bytes, value);
            }
        }
        Put(m_bytes, next, 4);
        testfiles::Append(m_bytes, values);
        return *this;
    }

    std::size_t Size() const { return m_bytes.size(); }
    // "Exif", two zero bytes, the TIFF data: the payload of an APP1 segment.
    Bytes Block() const
    {
        Bytes out = {'E', 'x', 'i', 'f', 0, 0};
        testfiles::Append(out, m_bytes);
        return out;
    }

private:
    Bytes Number(std::uint32_t v, int bytes) const
    {
        Bytes out;
        Put(out, v, bytes);
        return out;
    }
    void Put(Bytes& out, std::uint32_t v, int bytes) const
    {
        for (int i = 0; i < bytes; ++i) {
            const int shift = m_motorola ? 8 * (bytes - 1 - i) : 8 * i;
            out.push_back(static_cast<BYTE>(v >> shift));
        }
    }

    bool m_motorola;
    Bytes m_bytes;
};

} // namespace jpegtest
