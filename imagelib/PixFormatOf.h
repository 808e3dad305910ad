// Helpers of the format classes: the format-table entry of a class whose Decode and Encode take
// just the stream, and the one way their failures reach the image.
#pragma once

#include "imagelib/PixFormatRegistry.h"

#include <memory>
#include <new>

template <class Format>
PixFormat PixFormatOf()
{
    PixFormat format;
    format.create = []() -> std::unique_ptr<CPixImage> {
        return std::unique_ptr<CPixImage>(new (std::nothrow) Format);
    };
    format.decode = [](CPixImage& image, CPixStream* stream, LONG) {
        return static_cast<Format&>(image).Decode(stream);
    };
    format.encode = [](CPixImage& image, CPixStream* stream, LONG) {
        return static_cast<Format&>(image).Encode(stream);
    };
    return format;
}

// Runs a decode or encode body that reports failure by throwing its text; that text, or a failed
// allocation, becomes the image's last error and the result is false.
template <class Body>
bool PixRunCodec(CPixImage& image, Body&& body)
{
    try {
        return body();
    } catch (const char* message) {
        image.SetLastErrorText(message);
    } catch (const std::bad_alloc&) {
        image.SetLastErrorText("Can't allocate memory");
    }
    return false;
}
