// DrawTextExA: lays the text out in lines and paints it with the context's font and colours.
#include <algorithm>
#include <cstring>

#include "platform/gdi/context_state.h"
#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/text_layout.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

constexpr UINT kSupportedFormat = DT_CENTER | DT_RIGHT | DT_WORDBREAK | DT_NOCLIP | DT_CALCRECT | DT_NOPREFIX;

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

int LineLeft(const RECT& rect, int lineWidth, UINT format)
{
    if (format & DT_CENTER)
        return rect.left + (rect.right - rect.left - lineWidth) / 2;
    if (format & DT_RIGHT)
        return rect.right - lineWidth;
    return rect.left;
}

void DrawLine(Surface& surface, const RECT& clip, Font& font, const ContextState& state, const TextLine& line, int x,
              int top)
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

} // namespace

int DrawTextExA(HDC hdc, const char* text, int length, RECT* rect, UINT format, DRAWTEXTPARAMS* params)
{
    if (text == nullptr || rect == nullptr || length < -1 ||
        (params != nullptr && params->cbSize != sizeof(DRAWTEXTPARAMS))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (format & ~kSupportedFormat) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    ContextState state;
    if (!ReadContextState(hdc, state)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!state.font || !state.target) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t size = length == -1 ? std::strlen(text) : static_cast<std::size_t>(length);
    const int leftMargin = params ? params->iLeftMargin : 0;
    const int rightMargin = params ? params->iRightMargin : 0;
    const RECT layout{rect->left + leftMargin, rect->top, rect->right - rightMargin, rect->bottom};

    Font& font = *state.font;
    LayoutOptions options;
    options.wordBreak = (format & DT_WORDBREAK) != 0;
    options.prefixes = (format & DT_NOPREFIX) == 0;
    options.maxWidth = layout.right - layout.left;
    const std::vector<TextLine> lines = LayoutText(std::string_view(text, size), options,
                                                   [&font](char32_t ch) { return font.GlyphFor(ch).advance; });
    const int height = static_cast<int>(lines.size()) * font.CellHeight();
    if (params != nullptr)
        params->uiLengthDrawn = static_cast<UINT>(size);

    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const TextLine& line : lines)
            widest = std::max(widest, line.width);
        rect->right = layout.left + widest + rightMargin;
        rect->bottom = rect->top + height;
        return height;
    }

    Surface& surface = *state.target;
    // The clip region's rectangles never overlap, so every pixel is painted at most once.
    const RECT placed = state.ToSurface(layout);
    const Region visible = (format & DT_NOCLIP) ? state.Visible() : Region::Intersect(state.Visible(), Region(placed));
    for (const RECT& clip : visible.Rects()) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int top = placed.top + static_cast<int>(i) * font.CellHeight();
            DrawLine(surface, clip, font, state, lines[i], LineLeft(placed, lines[i].width, format), top);
        }
    }
    return height;
}
