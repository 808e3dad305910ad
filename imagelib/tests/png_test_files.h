// PNG files of any colour type, bit depth and chunk set, written with libpng directly: the inputs
// of the PNG decoder tests and the PNG seeds of the fuzz targets.
#pragma once

#include "platform/win32/types.h"

#include <png.h>

#include <csetjmp>
#include <functional>
#include <optional>
#include <vector>

namespace pngfiles {

using Bytes = std::vector<BYTE>;

struct PngSpec {
    png_uint_32 width = 1;
    png_uint_32 height = 1;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<png_byte> transAlpha;         // palette files
    std::optional<png_color_16> transColor;   // grey and RGB files
    std::optional<png_color_16> background;
    std::optional<png_uint_32> physX, physY;  // with physUnit
    int physUnit = PNG_RESOLUTION_METER;
    // Sample value (in the file's bit depth) of channel c at x and row y from the top.
    std::function<unsigned(png_uint_32 x, png_uint_32 y, int c)> sample = [](png_uint_32, png_uint_32, int) {
        return 0u;
    };
};

inline int Channels(int colorType)
{
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
    }
}

// Rows as the file stores them: samples packed most significant bit first, 16-bit ones big-endian.
inline std::vector<Bytes> PackRows(const PngSpec& spec)
{
    const int channels = Channels(spec.colorType);
    std::vector<Bytes> rows;
    for (png_uint_32 y = 0; y < spec.height; ++y) {
        Bytes row((static_cast<std::size_t>(spec.width) * channels * spec.bitDepth + 7) / 8, 0);
        std::size_t bit = 0;
        for (png_uint_32 x = 0; x < spec.width; ++x)
            for (int c = 0; c < channels; ++c, bit += static_cast<std::size_t>(spec.bitDepth)) {
                const unsigned v = spec.sample(x, y, c);
                if (spec.bitDepth == 16) {
                    row[bit / 8] = static_cast<BYTE>(v >> 8);
                    row[bit / 8 + 1] = static_cast<BYTE>(v);
                } else {
                    row[bit / 8] |= static_cast<BYTE>(v << (8 - spec.bitDepth - bit % 8));
                }
            }
        rows.push_back(std::move(row));
    }
    return rows;
}

namespace detail {

inline void Collect(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// No object with a destructor lives here: libpng may longjmp back into this frame.
inline bool Write(const PngSpec& spec, png_bytepp rows, Bytes* out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, out, Collect, nullptr);
    png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colorType,
                 spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!spec.palette.empty())
        png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
    if (!spec.transAlpha.empty() || spec.transColor)
        png_set_tRNS(png, info, spec.transAlpha.empty() ? nullptr : spec.transAlpha.data(),
                     spec.transColor ? 1 : static_cast<int>(spec.transAlpha.size()),
                     spec.transColor ? &*spec.transColor : nullptr);
    if (spec.background)
        png_set_bKGD(png, info, &*spec.background);
    if (spec.physX)
        png_set_pHYs(png, info, *spec.physX, *spec.physY, spec.physUnit);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace detail

// The file, or nothing when libpng refused the spec.
inline Bytes WritePng(const PngSpec& spec)
{
    std::vector<Bytes> rows = PackRows(spec);
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows)
        pointers.push_back(row.data());
    Bytes out;
    if (!detail::Write(spec, pointers.data(), &out))
        out.clear();
    return out;
}

} // namespace pngfiles
