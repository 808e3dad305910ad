// Paints one laid-out line of text with a context's font and colours: what DrawTextExA and
// ExtTextOutA share.
#pragma once

#include "platform/gdi/context_state.h"
#include "platform/gdi/text_layout.h"

namespace zv::gdi {

// Paints the line with its cell's top-left corner at (x, top), inside clip (one rectangle of the
// visible region). In OPAQUE mode the cell is filled with the background colour first.
void PaintTextLine(Surface& surface, const RECT& clip, Font& font, const ContextState& state, const TextLine& line,
                   int x, int top);

} // namespace zv::gdi
