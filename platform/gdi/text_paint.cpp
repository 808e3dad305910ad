#include "platform/gdi/text_paint.h"

#include <algorithm>

#include "platform/gdi/font.h"

namespace zv::gdi {
namespace {

void DrawGlyph(Surface& surface, const RECT& clip, const Glyph& glyph, int penX, int baseline, COLORREF colour)
{
    const int left = penX + glyph.left;
    const int top = baseline - glyph.top;
    const int fromRow = std::max(0, clip.top - top);
    const int toRow = std::min(glyph.rows, clip.bottom - top);
    const int fromColumn = std::max(0, clip.left - left);
    const int toColumn = std::min(glyph.width, clip.right - left);
    for (int row = fromRow; row < toRow; ++row) {
        const BYTE* coverage = glyph.coverage.data() + static_cast<std::size_t>(row) * glyph.width;
        for (int column = fromColumn; column < toColumn; ++column)
            surface.BlendPixel(left + column, top + row, colour, coverage[column]);
    }
}

void DrawBar(Surface& surface, const RECT& clip, int left, int right, int top, int thickness, COLORREF colour)
{
    surface.FillRect(IntersectRects(RECT{left, top, right, top + thickness}, clip), colour);
}

} // namespace

void PaintTextLine(Surface& surface, const RECT& clip, Font& font, const ContextState& state, const TextLine& line,
                   int x, int top)
{
    const int cellHeight = font.CellHeight();
    if (state.bkMode == OPAQUE)
        surface.FillRect(IntersectRects(RECT{x, top, x + line.width, top + cellHeight}, clip), state.bkColour);
    const int baseline = top + font.Ascent();
    int pen = x;
    for (const LayoutChar& c : line.chars) {
        const Glyph& glyph = font.GlyphFor(c.ch);
        DrawGlyph(surface, clip, glyph, pen, baseline, state.textColour);
        if (c.underlined)
            DrawBar(surface, clip, pen, pen + glyph.advance, baseline + font.UnderlineOffset(),
                    font.UnderlineThickness(), state.textColour);
        pen += glyph.advance;
    }
    const LOGFONTA& logFont = font.LogFont();
    if (logFont.lfUnderline)
        DrawBar(surface, clip, x, x + line.width, baseline + font.UnderlineOffset(), font.UnderlineThickness(),
                state.textColour);
    if (logFont.lfStrikeOut)
        DrawBar(surface, clip, x, x + line.width, baseline + font.StrikeOutOffset(), font.StrikeOutThickness(),
                state.textColour);
}

} // namespace zv::gdi
