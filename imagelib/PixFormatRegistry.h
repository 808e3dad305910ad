// The table that ties each format type number to its format class. The dispatcher (Decode, Encode)
// and format classes that hand data to another format (an icon holding a PNG) reach every format
// through it, so no format needs to know the classes of the others.
//
// Each format class adds itself in PixFormatRegistry.cpp; a type without an entry is simply not
// supported. Tests may put in their own entries and take them out again.
#pragma once

#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include <memory>
#include <optional>

class CPixStream;

struct PixFormat {
    // Builds the format object, a temporary for one Decode or Encode.
    std::unique_ptr<CPixImage> (*create)() = nullptr;
    // Runs the format's decoder or encoder on an object from `create`. `type` is the number the
    // caller asked for (0 while probing), for classes that serve several types.
    bool (*decode)(CPixImage& format, CPixStream* stream, LONG type) = nullptr;
    bool (*encode)(CPixImage& format, CPixStream* stream, LONG type) = nullptr;
    // Multi-image formats get the frame to decode from the caller and report the frames found.
    bool multiFrame = false;
};

// The entry for a type number, or nothing when that type has no format class.
std::optional<PixFormat> FindPixFormat(LONG type);

// Puts an entry in (or, with an empty one, takes the type out) and returns the one it replaced.
std::optional<PixFormat> RegisterPixFormat(LONG type, std::optional<PixFormat> format);
