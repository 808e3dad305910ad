// Control over the font files behind CreateFontIndirectA.
#pragma once

#include <string>

#include "platform/gdi/gdi_types.h"

namespace zv::gdi {

// Makes every font created afterwards use this font file instead of the fontconfig match, so
// metrics do not depend on the fonts installed; bold and italic are then synthesised. An empty
// path returns to matching.
void SetFontFileOverride(const std::string& path);

// The font file a font was made from; empty when the handle is not a font.
std::string FontFileOf(HFONT font);

} // namespace zv::gdi
