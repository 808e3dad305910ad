#include "imagelib/PixImageJPG.h"

#include "imagelib/PixFormatOf.h"
#include "imagelib/PixJpgErrorManager.h"
#include "imagelib/PixJpgManager.h"
#include "imagelib/PixStream.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <new>

#include <jpeglib.h>

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo's colour-space extensions are needed: rows go in and out in blue-green-red order"
#endif

namespace {

static_assert(sizeof(CPixImageInfo::lastError) >= JMSG_LENGTH_MAX, "libjpeg formats its messages into the error text");

constexpr const char* kNoMemory = "Could not allocate memory";

// Rows handed to the library per call: enough for any sampling factor, so it never has to stage
// rows of its own.
constexpr int kRowsPerRead = 16;

// A resolution from the Exif block, when it is a number the DPI fields can hold.
bool DpiFromExif(float resolution, float unit, LONG& dpi)
{
    const double value = std::trunc(static_cast<double>(resolution) / unit);
    if (!std::isfinite(value) || value < std::numeric_limits<LONG>::min() || value > std::numeric_limits<LONG>::max())
        return false;
    dpi = static_cast<LONG>(value);
    return true;
}

std::uint16_t Density(LONG dpi)
{
    return static_cast<std::uint16_t>(std::clamp<LONG>(dpi, 0, std::numeric_limits<std::uint16_t>::max()));
}

// With Huffman coding every 8x8 block of every component costs at least one bit (a code is never
// shorter): a file whose data left after the scan header is shorter than that cannot describe its
// frame. Arithmetic coding rightly describes a flat picture of any size in a few bytes; its
// pictures are bounded by the image size limit alone.
bool DataCanDescribeFrame(const jpeg_decompress_struct* cinfo, std::int64_t bytesLeft)
{
    if (bytesLeft < 0 || cinfo->arith_code)
        return true; // a stream of unknown length just runs dry while reading
    std::uint64_t blocks = 0;
    for (int i = 0; i < cinfo->num_components; ++i) {
        const jpeg_component_info& component = cinfo->comp_info[i];
        blocks += std::uint64_t{component.width_in_blocks} * component.height_in_blocks;
    }
    return blocks <= static_cast<std::uint64_t>(bytesLeft) * 8;
}

// One row of 1- or 4-bit indices as bytes; with an identity grey ramp an index is its grey level.
void UnpackIndices(const BYTE* source, JSAMPROW target, JDIMENSION width, WORD bits)
{
    for (JDIMENSION x = 0; x < width; ++x) {
        if (bits == 1)
            target[x] = (source[x / 8] >> (7 - x % 8)) & 1;
        else
            target[x] = (x % 2 == 0) ? source[x / 2] >> 4 : source[x / 2] & 0x0F;
    }
}

} // namespace

bool CPixImageJPG::ReadExif(CPixStream* stream)
{
    // Without a position to come back to, the scan would eat the start of the picture.
    const int32_t start = stream->Tell();
    if (start < 0)
        return false;
    {
        CPixExifReader reader(&m_exif);
        reader.ScanSections(stream); // its failures never stop the decode
    }
    // The thumbnail lived in the reader's copy of the segment.
    m_exif.thumbnailPointer = nullptr;
    stream->Seek(start, 0);
    return m_exif.isExif != 0;
}

bool CPixImageJPG::Decode(CPixStream* stream)
{
    if (!stream) {
        SetLastErrorText("null file handler");
        return false;
    }
    const bool isExif = ReadExif(stream);
    CPixJpgManager manager(stream);
    if (!manager.IsReady()) {
        SetLastErrorText(kNoMemory);
        return false;
    }
    CPixJpgErrorManager errors;
    jpeg_decompress_struct cinfo{};
    cinfo.err = errors.Install(m_info.lastError);
    return RunDecompress(&cinfo, &errors, &manager, isExif);
}

bool CPixImageJPG::RunDecompress(jpeg_decompress_struct* cinfo, CPixJpgErrorManager* errors, CPixJpgManager* manager,
                                 bool isExif)
{
    if (setjmp(errors->jump)) {
        // The library's message is already in the error text.
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    const bool decoded = DecompressRows(cinfo, manager, isExif);
    jpeg_destroy_decompress(cinfo);
    return decoded;
}

bool CPixImageJPG::DecompressRows(jpeg_decompress_struct* cinfo, CPixJpgManager* manager, bool isExif)
{
    jpeg_create_decompress(cinfo);
    // A progressive file's coefficients are held whole by the library: its own memory is bounded
    // like a picture's.
    cinfo->mem->max_memory_to_use = static_cast<long>(PIXIMAGE_MAX_MEMORY);
    cinfo->src = manager->Source();
    jpeg_read_header(cinfo, TRUE);
    if (!DataCanDescribeFrame(cinfo, manager->SourceBytesLeft())) {
        SetLastErrorText("JPEG data too short for its picture size");
        return false;
    }
    switch (cinfo->out_color_space) {
    case JCS_GRAYSCALE:
    case JCS_CMYK:
        break;
    case JCS_RGB:
        // The library writes the DIB's own byte order, straight into its rows.
        cinfo->out_color_space = JCS_EXT_BGR;
        break;
    default:
        SetLastErrorText("Unsupported JPEG color space");
        return false;
    }
    // The picture is had before the library starts, which for a progressive file reads it whole.
    jpeg_calc_output_dimensions(cinfo);
    const JDIMENSION width = cinfo->output_width;
    const JDIMENSION height = cinfo->output_height;
    const int components = cinfo->output_components;
    if (!Create(width, height, 8 * static_cast<DWORD>(components), PIXIMAGE_JPG))
        return false; // Create's own message
    jpeg_start_decompress(cinfo);
    ApplyResolution(cinfo, isExif);
    if (components == 1)
        SetGrayRamp();

    const std::size_t stride = m_info.stride;
    // CMYK comes through a row of its own; the other spaces fit the DIB row as they are.
    JSAMPROW cmyk = nullptr;
    if (components == 4)
        cmyk = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, width * 4, 1)[0];

    while (cinfo->output_scanline < height) {
        if (m_info.escape) {
            SetLastErrorText("Cancelled");
            return false;
        }
        // Rows run top-down in the file and bottom-up in the DIB.
        const JDIMENSION first = cinfo->output_scanline;
        if (cmyk) {
            jpeg_read_scanlines(cinfo, &cmyk, 1);
            BYTE* out = m_pPixels + stride * (height - 1 - first);
            // Adobe's CMYK is stored inverted, so each byte already is 255 minus the ink.
            for (JDIMENSION x = 0; x < width; ++x, out += 3) {
                const JSAMPLE* in = cmyk + 4 * x;
                const unsigned k = in[3];
                out[0] = static_cast<BYTE>(in[2] * k / 255);
                out[1] = static_cast<BYTE>(in[1] * k / 255);
                out[2] = static_cast<BYTE>(in[0] * k / 255);
            }
            continue;
        }
        JSAMPROW rows[kRowsPerRead];
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerRead, height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = m_pPixels + stride * (height - 1 - first - i);
        jpeg_read_scanlines(cinfo, rows, count);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

void CPixImageJPG::ApplyResolution(const jpeg_decompress_struct* cinfo, bool isExif)
{
    if (isExif) {
        // The Exif resolution wins; the JFIF density is not consulted.
        LONG dpi = 0;
        if (m_exif.xResolution != 0 && m_exif.resolutionUnit != 0 &&
            DpiFromExif(m_exif.xResolution, m_exif.resolutionUnit, dpi))
            SetDpiX(dpi);
        if (m_exif.yResolution != 0 && m_exif.resolutionUnit != 0 &&
            DpiFromExif(m_exif.yResolution, m_exif.resolutionUnit, dpi))
            SetDpiY(dpi);
    } else if (cinfo->density_unit == 2) {
        // Dots per centimetre.
        SetDpiX(static_cast<LONG>(std::floor(cinfo->X_density * 2.54 + 0.5)));
        SetDpiY(static_cast<LONG>(std::floor(cinfo->Y_density * 2.54 + 0.5)));
    } else {
        SetDpiX(cinfo->X_density);
        SetDpiY(cinfo->Y_density);
    }
}

bool CPixImageJPG::Encode(CPixStream* stream)
{
    if (CheckEncodeArgs(stream))
        return false;
    if (m_header.biClrUsed != 0 && !IsGrayPalette()) {
        SetLastErrorText("JPEG can save only RGB or GreyScale images");
        return false;
    }
    CPixJpgManager manager(stream);
    if (!manager.IsReady()) {
        SetLastErrorText(kNoMemory);
        return false;
    }
    CPixJpgErrorManager errors;
    jpeg_compress_struct cinfo{};
    cinfo.err = errors.Install(m_info.lastError);
    return RunCompress(&cinfo, &errors, &manager);
}

bool CPixImageJPG::RunCompress(jpeg_compress_struct* cinfo, CPixJpgErrorManager* errors, CPixJpgManager* manager)
{
    if (setjmp(errors->jump)) {
        jpeg_destroy_compress(cinfo);
        return false;
    }
    CompressRows(cinfo, manager);
    jpeg_destroy_compress(cinfo);
    return true;
}

void CPixImageJPG::CompressRows(jpeg_compress_struct* cinfo, CPixJpgManager* manager)
{
    jpeg_create_compress(cinfo);
    cinfo->dest = manager->Dest();
    const JDIMENSION width = static_cast<JDIMENSION>(m_header.biWidth);
    const JDIMENSION height = static_cast<JDIMENSION>(m_header.biHeight);
    cinfo->image_width = width;
    cinfo->image_height = height;
    const bool grey = m_header.biClrUsed != 0;
    if (grey) {
        cinfo->input_components = 1;
        cinfo->in_color_space = JCS_GRAYSCALE;
    } else {
        cinfo->input_components = 3;
        cinfo->in_color_space = JCS_EXT_BGR; // the DIB's own byte order, no copy needed
    }
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, m_info.jpegQuality, TRUE);
    cinfo->density_unit = 1; // dots per inch
    cinfo->X_density = Density(m_info.dpiX);
    cinfo->Y_density = Density(m_info.dpiY);
    jpeg_start_compress(cinfo, TRUE);

    // 1- and 4-bit grey images are widened to one byte per pixel; the library only reads rows, so
    // the others go out straight from the DIB (which may belong to the caller).
    const WORD bits = m_header.biBitCount;
    JSAMPROW unpacked = nullptr;
    if (bits < 8)
        unpacked = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, width, 1)[0];
    const std::size_t stride = m_info.stride;
    while (cinfo->next_scanline < height) {
        BYTE* source = m_pPixels + stride * (height - 1 - cinfo->next_scanline);
        JSAMPROW row = source;
        if (unpacked) {
            UnpackIndices(source, unpacked, width, bits);
            row = unpacked;
        }
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
}

PixFormat PixJpgFormat()
{
    return PixFormatOf<CPixImageJPG>();
}
