// Windows bitmap files: read at 1, 4, 8 (plain, RLE8, RLE4), 16, 24 and 32 bits, with or without
// the 14-byte file header, bottom-up or top-down; written uncompressed at the image's own depth.
#pragma once

#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

class CPixStream;

class CPixImageBMP : public CPixImage {
public:
    CPixImageBMP()
        : CPixImage(PIXIMAGE_BMP)
    {
    }

    bool Decode(CPixStream* stream);
    bool Encode(CPixStream* stream);

    // Reads the info header at the stream's position and leaves the stream at its end. A 12-byte
    // core header becomes a 40-byte one (biSize stays 12, so the caller can tell); a zero image size
    // and a zero palette count are filled in from the other fields.
    static bool ReadInfoHeader(CPixStream* stream, BITMAPINFOHEADER& header);

private:
    void DecodeRle(CPixStream* stream, bool fourBit);
    void FlipRows();
};

PixFormat PixBmpFormat();
