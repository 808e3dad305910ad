// Test support: pictures written out so people can look at them. A binary PPM (P6) holds the
// image's colours row by row from the top; palette images are written through their palette.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "imagelib/PixImage.h"

namespace pix_test {

inline bool WritePpm(const CPixImage& image, const std::string& path)
{
    if (!image.IsValid())
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fprintf(file, "P6\n%d %d\n255\n", image.GetWidth(), image.GetHeight()) > 0;
    for (LONG y = image.GetHeight() - 1; ok && y >= 0; --y) {
        for (LONG x = 0; ok && x < image.GetWidth(); ++x) {
            const PixColor color = image.GetColorAt(x, y);
            const unsigned char rgb[3] = {PixRed(color), PixGreen(color), PixBlue(color)};
            ok = std::fwrite(rgb, 1, 3, file) == 3;
        }
    }
    return std::fclose(file) == 0 && ok;
}

// Reads what a memory context shows and writes it as a PPM.
inline bool SaveContextPicture(HDC dc, const std::string& path)
{
    CPixImage picture;
    return picture.CreateFromDC(dc) && WritePpm(picture, path);
}

// With ZV_TEST_PICTURES naming a folder, writes the context's picture there as <name>.ppm.
inline void KeepForViewing(HDC dc, const std::string& name)
{
    const char* folder = std::getenv("ZV_TEST_PICTURES");
    if (folder && *folder)
        SaveContextPicture(dc, (std::filesystem::path(folder) / (name + ".ppm")).string());
}

} // namespace pix_test
