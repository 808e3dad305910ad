// A small writer of Windows (placeable) and enhanced metafiles, record by record, for the tests
// and the fuzz seeds.
#pragma once

#include "image_test_files.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace wmffiles {

using testfiles::Append;
using testfiles::Bytes;
using testfiles::Get16;
using testfiles::Put16;
using testfiles::Put32;
using testfiles::InfoHeader;
using testfiles::PutInfoHeader;

// Windows metafile records: size in words, function, parameter words.
inline Bytes WmfRecord(unsigned function, std::initializer_list<int> words, const Bytes& tail = {})
{
    Bytes r;
    Put32(r, static_cast<std::uint32_t>(3 + words.size() + tail.size() / 2));
    Put16(r, function);
    for (int w : words)
        Put16(r, static_cast<unsigned>(w) & 0xFFFF);
    Append(r, tail);
    return r;
}

inline Bytes Wmf(const std::vector<Bytes>& records, unsigned objects = 8)
{
    Bytes body;
    std::size_t largest = 3;
    for (const Bytes& r : records) {
        Append(body, r);
        largest = std::max(largest, r.size() / 2);
    }
    Append(body, WmfRecord(0, {}));
    Bytes m;
    Put16(m, 1);
    Put16(m, 9);
    Put16(m, 0x300);
    Put32(m, static_cast<std::uint32_t>((18 + body.size()) / 2));
    Put16(m, objects);
    Put32(m, static_cast<std::uint32_t>(largest)); // the largest record, in words
    Put16(m, 0);
    Append(m, body);
    return m;
}

inline Bytes Placeable(const Bytes& wmf, int right, int bottom, unsigned unitsPerInch, bool goodSum = true)
{
    Bytes p;
    Put32(p, 0x9AC6CDD7);
    for (unsigned w : {0u, 0u, 0u, static_cast<unsigned>(right), static_cast<unsigned>(bottom), unitsPerInch, 0u, 0u})
        Put16(p, w);
    unsigned sum = 0;
    for (std::size_t i = 0; i < 20; i += 2)
        sum ^= Get16(p, i);
    Put16(p, goodSum ? sum : sum ^ 1);
    Append(p, wmf);
    return p;
}

inline Bytes EmfRecord(unsigned type, std::initializer_list<std::uint32_t> values, const Bytes& tail = {})
{
    Bytes r;
    Put32(r, type);
    Put32(r, static_cast<std::uint32_t>(8 + 4 * values.size() + tail.size()));
    for (std::uint32_t v : values)
        Put32(r, v);
    Append(r, tail);
    while (r.size() % 4)
        r.push_back(0);
    const std::uint32_t size = static_cast<std::uint32_t>(r.size());
    for (int i = 0; i < 4; ++i)
        r[4 + i] = static_cast<BYTE>(size >> (8 * i));
    return r;
}

// An enhanced metafile whose bounds are 0..width-by-height at a 96-dpi reference device; its end
// record carries the palette entries (red, green, blue, flags each).
inline Bytes Emf(const std::vector<Bytes>& records, int width = 100, int height = 100,
                 const std::vector<std::uint32_t>& palette = {})
{
    Bytes body;
    for (const Bytes& r : records)
        Append(body, r);
    Bytes entries;
    for (std::uint32_t entry : palette)
        Put32(entries, entry);
    Put32(entries, static_cast<std::uint32_t>(20 + 4 * palette.size()));
    Append(body, EmfRecord(14, {static_cast<std::uint32_t>(palette.size()), 16}, entries));
    Bytes h;
    Put32(h, 1);
    Put32(h, 88);
    for (int v : {0, 0, width, height})
        Put32(h, static_cast<std::uint32_t>(v));
    for (int v : {0, 0, width * 2540 / 96, height * 2540 / 96})
        Put32(h, static_cast<std::uint32_t>(v));
    Put32(h, 0x464D4520);
    Put32(h, 0x10000);
    Put32(h, static_cast<std::uint32_t>(88 + body.size()));
    Put32(h, static_cast<std::uint32_t>(records.size() + 2));
    Put16(h, 8);
    Put16(h, 0);
    for (std::uint32_t v : {0u, 0u, static_cast<std::uint32_t>(palette.size()), 960u, 960u, 254u, 254u})
        Put32(h, v);
    Append(h, body);
    return h;
}

inline Bytes Dib2x1()
{
    // 2 x 1 at 24 bits: red then blue, padded to 8 bytes.
    Bytes d;
    PutInfoHeader(d, InfoHeader{.width = 2, .height = 1});
    for (BYTE b : {0, 0, 255, 255, 0, 0, 0, 0})
        d.push_back(b);
    return d;
}

} // namespace wmffiles
