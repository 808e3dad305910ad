// Video formats as media types: building them, reading them back, freeing them.
#pragma once

#include "platform/dshow/dshow_types.h"

#include <optional>

namespace zv::dshow {

struct VideoFormat {
    LONG width = 0;
    LONG height = 0;
    REFERENCE_TIME avgTimePerFrame = 0; // 0: not known
};

constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;

// Bytes of one row of 24-bit pixels: rows are padded to a multiple of 4 bytes.
constexpr LONG DibStride(LONG width)
{
    return ((width * 24 + 31) / 32) * 4;
}

// Fills mt (whose previous contents are not freed) with an RGB24 VIDEOINFOHEADER type; the format
// block comes from CoTaskMemAlloc. False when memory runs out.
bool FillRgb24MediaType(AM_MEDIA_TYPE& mt, const VideoFormat& format);
// A new media type block with the RGB24 format, or null when memory runs out.
AM_MEDIA_TYPE* CreateRgb24MediaType(const VideoFormat& format);

// The format of a video type with a VIDEOINFOHEADER of at least 88 bytes; nothing otherwise.
std::optional<VideoFormat> VideoFormatOf(const AM_MEDIA_TYPE& mt);

// Frees the format block and the held interface of mt (not mt itself).
void FreeMediaTypeContents(AM_MEDIA_TYPE& mt);
// Frees the contents and the block of a type that came from CreateRgb24MediaType.
void DeleteMediaType(AM_MEDIA_TYPE* mt);

} // namespace zv::dshow
