// Windows icon files: one image of a multi-image icon is read (the frame to decode), bitmap or
// PNG-compressed; one image is written, with its AND mask made from the image's transparency.
#pragma once

#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include <vector>

class CPixStream;

class CPixImageICO : public CPixImage {
public:
    CPixImageICO()
        : CPixImage(PIXIMAGE_ICO)
    {
    }

    // Decodes the image whose index is the frame to decode; the frames found are the icon's count.
    bool Decode(CPixStream* stream);
    bool Encode(CPixStream* stream);

private:
    // A PNG stored as an icon image goes to the PNG format class; false (with a text) without it.
    bool DecodePngEntry(CPixStream* stream);
    void ApplyAndMask(const std::vector<BYTE>& mask, std::size_t maskStride, WORD fileBits);
    bool IsMasked(LONG x, LONG y, bool paletteAlpha) const;
};

PixFormat PixIcoFormat();
