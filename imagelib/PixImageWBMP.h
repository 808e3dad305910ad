// Wireless bitmaps (WAP type 0): one bit a pixel, 1 = white, rows from the top padded to a byte;
// width and height are the format's multi-byte integers (seven bits a byte, high bit = more).
// Read and written at 1 bpp.
#pragma once

#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

class CPixStream;

class CPixImageWBMP : public CPixImage {
public:
    CPixImageWBMP()
        : CPixImage(PIXIMAGE_WBMP)
    {
    }

    bool Decode(CPixStream* stream);
    bool Encode(CPixStream* stream);
};

PixFormat PixWbmpFormat();
