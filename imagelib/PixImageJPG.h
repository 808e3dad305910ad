// JPEG files through libjpeg: read in greyscale (8 bpp with a grey ramp), colour and CMYK (24 bpp),
// baseline or progressive; written as baseline JFIF at the image's quality, in colour from 24 bpp
// and in greyscale from an image whose palette is the identity grey ramp. The resolution comes from
// the Exif block when there is one, otherwise from the JFIF density.
#pragma once

#include "imagelib/PixExifReader.h"
#include "imagelib/PixFormatRegistry.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

class CPixStream;
class CPixJpgManager;
struct CPixJpgErrorManager;
struct jpeg_compress_struct;
struct jpeg_decompress_struct;

class CPixImageJPG : public CPixImage {
public:
    CPixImageJPG()
        : CPixImage(PIXIMAGE_JPG)
    {
    }

    bool Decode(CPixStream* stream);
    bool Encode(CPixStream* stream);
    // Scans the header segments for an Exif block and puts the stream back where it was; true when
    // an Exif block was read.
    bool ReadExif(CPixStream* stream);

    const CPixExifRecord& GetExifRecord() const { return m_exif; }

private:
    // These arm libjpeg's jump buffer: nothing with a destructor lives in them or in what they
    // call while the library runs.
    bool RunDecompress(jpeg_decompress_struct* cinfo, CPixJpgErrorManager* errors, CPixJpgManager* manager, bool isExif);
    bool RunCompress(jpeg_compress_struct* cinfo, CPixJpgErrorManager* errors, CPixJpgManager* manager);
    bool DecompressRows(jpeg_decompress_struct* cinfo, CPixJpgManager* manager, bool isExif);
    void CompressRows(jpeg_compress_struct* cinfo, CPixJpgManager* manager);
    void ApplyResolution(const jpeg_decompress_struct* cinfo, bool isExif);

    CPixExifRecord m_exif{};
};

PixFormat PixJpgFormat();
