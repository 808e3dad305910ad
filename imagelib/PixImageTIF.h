// TIFF files through libtiff: one page (directory) is read, in strips or tiles, at 1, 4 and 8 bits
// per sample with or without alpha, 16-bit grey, CIE L*a*b*, and through the library's RGBA reader
// RGB, CMYK, YCbCr (JPEG-in-TIFF) and log-luminance pages; images are written as one page, or as
// pages appended one by one while the handle stays open.
#pragma once

#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

class CPixStream;
// libtiff's handle, as tiffio.h declares it.
typedef struct tiff TIFF;

// A libtiff handle over a stream; the stream is never closed by the library. Null on failure.
TIFF* CPixTiffOpen(CPixStream* stream, const char* mode);

class CPixImageTIF : public CPixImage {
public:
    CPixImageTIF()
        : CPixImage(PIXIMAGE_TIF)
    {
    }
    ~CPixImageTIF() override;

    // Decodes the page whose index is the frame to decode; the frames found are the page count.
    bool Decode(CPixStream* stream);
    // With `append`, the page is added to a multi-page file whose handle stays open for the next
    // call; without, the file is finished and closed.
    bool Encode(CPixStream* stream, bool append);
    bool WritePage(TIFF* tif, bool multiPage, int page, int pageCount);

private:
    void ReadRgba(TIFF* tif, bool withAlpha);
    void ReadBands(TIFF* tif, WORD samples, WORD bits, WORD photometric, DWORD rowsPerStrip);
    void SetPageOrientation(WORD orientation);
    void CloseHandle();

    TIFF* m_tif = nullptr;
    BYTE m_multiPage = 0;
    int m_pagesWritten = 0;
};

PixFormat PixTifFormat();
