// Device capabilities, text metrics and single-line text output. Included from gdi.h.
#pragma once

#include "platform/gdi/gdi_types.h"

// GetDeviceCaps indices.
constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

// Every context reports the virtual screen: HORZRES and VERTRES its size in pixels, HORZSIZE and
// VERTSIZE in millimetres at 96 pixels per inch (LOGPIXELSX, LOGPIXELSY), BITSPIXEL 32, PLANES 1,
// NUMCOLORS -1 (more than a palette holds). Any other index gives 0.
int GetDeviceCaps(HDC hdc, int index);

namespace zv::gdi {

// Pixels per logical inch of every context.
constexpr int kLogicalPixelsPerInch = 96;

// The lfHeight (negative: an em height) of a font of this size in tenths of a point, as a
// point-size font is made: 80 (8 points) gives -11.
LONG FontHeightFromPoints(int tenthsOfPoint);

} // namespace zv::gdi
