// PNG files through libpng: every colour type and bit depth is read, interlaced or not (16-bit
// samples are cut to 8, transparency other than full RGBA is composited onto a background); images
// are written non-interlaced as palette, RGB or RGBA files.
#pragma once

#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

class CPixStream;

class CPixImagePNG : public CPixImage {
public:
    CPixImagePNG()
        : CPixImage(PIXIMAGE_PNG)
    {
    }

    bool Decode(CPixStream* stream);
    // Leaves the image as it is, whatever happens: transparency is rearranged in the file only.
    bool Encode(CPixStream* stream);
};

PixFormat PixPngFormat();
