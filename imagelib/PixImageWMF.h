// Windows metafiles (placeable files) and enhanced metafiles, read only: played into a bitmap the
// size of the picture (at most 4000 pixels a side) on the system window colour.
#pragma once

#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

class CPixStream;

class CPixImageWMF : public CPixImage {
public:
    CPixImageWMF()
        : CPixImage(PIXIMAGE_WMF)
    {
    }

    // A width and height of 0 keep the picture's own size.
    bool Decode(CPixStream* stream, LONG width = 0, LONG height = 0);
    bool Encode(CPixStream* stream);
};

PixFormat PixWmfFormat();
