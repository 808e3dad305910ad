// The DIB images inside icon and cursor resources and files.
#pragma once

#include <cstddef>

#include "platform/gdi/gdi_types.h"

namespace zv::gdi {

// Images larger than this on either side are refused as damaged.
constexpr int kMaxIconImageSide = 1024;

// Whether the image is a PNG (which icons may hold and this layer does not decode).
bool IsPngImage(const BYTE* image, std::size_t size);

// Makes an icon or cursor from one image (no hotspot prefix), as CreateIconFromResourceEx
// describes; null with the last error set.
HICON CreateIconFromImage(const BYTE* image, std::size_t size, bool isIcon, POINT hotspot, int cx, int cy,
                          UINT flags);

} // namespace zv::gdi
