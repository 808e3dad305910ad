// ZSoft PCX files: read with 1 to 4 planes of 1 bit, one plane of 2, 4 or 8 bits (the 256-colour
// map after the data), or 3 and 4 planes of 8 bits (colour, and alpha in the fourth); written
// run-length coded at 1 bit, 4 planes of 1 bit, 8 bits with its map, or 3 (4 with alpha) planes.
#pragma once

#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include <vector>

class CPixStream;

class CPixImagePCX : public CPixImage {
public:
    CPixImagePCX()
        : CPixImage(PIXIMAGE_PCX)
    {
    }

    bool Decode(CPixStream* stream);
    bool Encode(CPixStream* stream);

private:
    // One file row: `planes` plane rows of `bytesPerLine` bytes, into image row `y`.
    void PutRow(const std::vector<BYTE>& line, int planes, int bits, std::size_t bytesPerLine, LONG y);
    // The header's 16-entry map, or black and white for a one-bit file that leaves it empty.
    void ReadPalette(const BYTE* header, int planes, int bits);
};

PixFormat PixPcxFormat();
