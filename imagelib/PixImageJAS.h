// The JPEG-2000 family through imagelib/jas: JP2 files, JPEG-2000 code streams, PGX, PNM and Sun
// raster. One class serves the five types; decoding finds the format from the data whatever type
// was asked for, encoding picks the format by the type. Three equal components become a 24-bpp
// picture; other component sets are grey pictures, one per component (the frame to decode).
#pragma once

#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

class CPixStream;

namespace jas {
struct Stream;
}

class CPixImageJAS : public CPixImage {
public:
    CPixImageJAS()
        : CPixImage(0)
    {
    }

    bool Decode(CPixStream* stream, LONG type);
    bool Encode(CPixStream* stream, LONG type);
    // Makes the library stream read and write the CPixStream, which stays the caller's.
    static void AttachStream(CPixStream* stream, jas::Stream* libraryStream);
};

// The entry for one of the five types.
PixFormat PixJasFormat();
