// Test support: what a device context shows, saved as a BMP file through the image library, so
// that tests can check it and people can look at it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

namespace pix_test {

// Reads the bitmap of a memory context and saves it as a BMP file.
inline bool SaveContextPicture(HDC dc, const std::string& path)
{
    CPixImage picture;
    return picture.CreateFromDC(dc) && picture.Save(path.c_str(), PIXIMAGE_BMP);
}

// With ZV_TEST_PICTURES naming a folder, saves the context's picture there as <name>.bmp.
inline void KeepForViewing(HDC dc, const std::string& name)
{
    const char* folder = std::getenv("ZV_TEST_PICTURES");
    if (folder && *folder)
        SaveContextPicture(dc, (std::filesystem::path(folder) / (name + ".bmp")).string());
}

} // namespace pix_test
