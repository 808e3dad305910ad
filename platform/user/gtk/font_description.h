// LOGFONTA to and from the desktop's font descriptions (Pango), for the font chooser. The face,
// size, weight and italic travel; what a description cannot hold (underline, strike-out,
// character set, pitch) stays as the LOGFONTA had it.
#pragma once

#include "platform/gdi/gdi_types.h"

#include <pango/pango.h>

namespace zv::user::gtk {

// A new description (the caller frees it). A negative lfHeight is the em height in pixels; a
// positive one is the cell height, whose em height the realised font tells; 0 leaves the size
// to the chooser. Sizes go into points at `pixelsPerInch`.
PangoFontDescription* DescriptionOf(const LOGFONTA& font, int pixelsPerInch);

// `font` with the face, size (as a negative em height in pixels), weight and italic of the
// description; fields the description does not set are kept.
LOGFONTA LogFontOf(const PangoFontDescription* description, const LOGFONTA& font, int pixelsPerInch);

} // namespace zv::user::gtk
