// The palettes GetDIBits gives a DIB of a palette depth when the bitmap has none of its own.
#pragma once

#include <vector>

#include "platform/gdi/gdi_types.h"

namespace zv::gdi {

// 1 bit: black, white. 4 bits: the 16 VGA colours. 8 bits: the same 16, then a 6 x 6 x 6 colour
// cube (channel levels 0, 51, ..., 255; red slowest, blue fastest), then 24 greys 8, 18, ..., 238.
const std::vector<RGBQUAD>& StandardPalette(int bitsPerPixel);

// The entry nearest to the colour by the sum of squared channel differences; the first of equals.
BYTE NearestEntry(const std::vector<RGBQUAD>& palette, COLORREF colour);

} // namespace zv::gdi
