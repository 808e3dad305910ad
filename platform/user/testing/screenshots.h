// Test support: pictures of the headless screen or of one window, written as 24-bit BMP files
// into the folder ZV_TEST_PICTURES names, so that people can look at what tests drew.
#pragma once

#include "platform/gdi/surface.h"
#include "platform/user/headless_display.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zv::user::testing {

// Writes the picture as a bottom-up 24-bit BMP file.
inline bool WriteBmp(const gdi::Surface& picture, const std::string& path)
{
    const int width = picture.Width();
    const int height = picture.Height();
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t pixelBytes = stride * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> file(54 + pixelBytes, 0);
    const auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    file[26] = 1;  // planes
    file[28] = 24; // bits per pixel
    put32(34, pixelBytes);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = file.data() + 54 + static_cast<std::size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const COLORREF c = picture.GetPixel(x, y);
            row[x * 3 + 0] = static_cast<std::uint8_t>((c >> 16) & 0xFF);
            row[x * 3 + 1] = static_cast<std::uint8_t>((c >> 8) & 0xFF);
            row[x * 3 + 2] = static_cast<std::uint8_t>(c & 0xFF);
        }
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

// With ZV_TEST_PICTURES naming a folder, saves the screen (or what it shows of one top-level
// window) there as <name>.bmp. Returns the path written, empty when nothing was.
inline std::string KeepScreenshot(const std::string& name, HWND window = nullptr)
{
    const char* folder = std::getenv("ZV_TEST_PICTURES");
    if (!folder || !*folder)
        return {};
    const std::unique_ptr<gdi::Surface> picture = window ? headless::CaptureWindow(window) : headless::CaptureScreen();
    if (!picture)
        return {};
    const std::string path = (std::filesystem::path(folder) / (name + ".bmp")).string();
    return WriteBmp(*picture, path) ? path : std::string();
}

} // namespace zv::user::testing
