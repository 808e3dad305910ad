// Format type numbers: stored in an image's format-type field and passed to every load and save.
#pragma once

#include "platform/win32/types.h"

enum CPixImageType : LONG {
    PIXIMAGE_UNKNOWN = 0, // Decode probes every format; Encode refuses
    PIXIMAGE_BMP = 1,
    PIXIMAGE_GIF = 2,
    PIXIMAGE_JPG = 3,
    PIXIMAGE_PNG = 4,
    PIXIMAGE_ICO = 5,
    PIXIMAGE_TIF = 6,
    PIXIMAGE_TGA = 7,
    PIXIMAGE_PCX = 8,
    PIXIMAGE_WBMP = 9,
    PIXIMAGE_WMF = 10, // Windows metafile and enhanced metafile
    PIXIMAGE_JP2 = 11,
    PIXIMAGE_JPC = 12,
    PIXIMAGE_PGX = 13,
    PIXIMAGE_PNM = 14,
    PIXIMAGE_RAS = 15,
    PIXIMAGE_TYPE_COUNT = 16, // one past the last type number
};
