// Test support: a canvas's pixels kept as a PNG file in ZV_TEST_PICTURES, for people to look at.
#pragma once

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

namespace zv::gdi::test {

// Rows from the top, one COLORREF per pixel.
inline bool WritePng(const std::string& path, int width, int height, const std::vector<COLORREF>& pixels)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool written = false;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const COLORREF c = pixels[static_cast<std::size_t>(y) * width + x];
                row[x * 3] = GetRValue(c);
                row[x * 3 + 1] = GetGValue(c);
                row[x * 3 + 2] = GetBValue(c);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return written;
}

// With ZV_TEST_PICTURES naming a folder, keeps the pixels there as <name>.png.
inline void KeepForViewing(const std::string& name, int width, int height, const std::vector<COLORREF>& pixels)
{
    const char* folder = std::getenv("ZV_TEST_PICTURES");
    if (folder != nullptr && *folder != '\0') {
        EXPECT_TRUE(WritePng((std::filesystem::path(folder) / (name + ".png")).string(), width, height, pixels));
    }
}

} // namespace zv::gdi::test
