// Truevision TGA files: read colour-mapped (8 bits), true-colour (15, 16, 24, 32 bits) and grey
// (8 bits) pictures, plain or run-length coded, in any of the four row and column orders; written
// uncompressed, bottom-up, at 8 bits with a colour map, 24 bits, or 32 bits when there is alpha.
#pragma once

#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include <cstdint>

class CPixStream;

class CPixImageTGA : public CPixImage {
public:
    CPixImageTGA()
        : CPixImage(PIXIMAGE_TGA)
    {
    }

    bool Decode(CPixStream* stream);
    bool Encode(CPixStream* stream);

private:
    void ReadColorMap(CPixStream* stream, const BYTE* header);
    // Pixels in file order, `bytes` a pixel, each put where the descriptor's orders place it.
    void ReadPixels(CPixStream* stream, bool runLength, int bytes, bool topDown, bool rightToLeft);
    void PutPixel(std::uint64_t index, const BYTE* value, int bytes, bool topDown, bool rightToLeft);
};

PixFormat PixTgaFormat();
