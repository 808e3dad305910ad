// Single lines of text: TextOutA, ExtTextOutA, their extents and the font's metrics.
#include <algorithm>

#include "platform/gdi/context_state.h"
#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/text_layout.h"
#include "platform/gdi/text_paint.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

constexpr UINT kSupportedOptions = ETO_OPAQUE | ETO_CLIPPED;

// The state of a context with a font selected; false, with the last error set, otherwise.
bool ReadTextState(HDC hdc, ContextState& state)
{
    if (!ReadContextState(hdc, state)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!state.font) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

// The text as one line: no prefixes, no line breaks.
TextLine SingleLine(Font& font, const char* text, std::size_t count)
{
    LayoutOptions options;
    options.singleLine = true;
    std::vector<TextLine> lines = LayoutText(std::string_view(text, count), options,
                                             [&font](char32_t ch) { return font.GlyphFor(ch).advance; });
    return lines.empty() ? TextLine{} : std::move(lines.front());
}

int LineLeft(int x, int width, UINT align)
{
    if ((align & TA_CENTER) == TA_CENTER)
        return x - width / 2;
    if (align & TA_RIGHT)
        return x - width;
    return x;
}

int LineTop(int y, const Font& font, UINT align)
{
    if ((align & TA_BASELINE) == TA_BASELINE)
        return y - font.Ascent();
    if (align & TA_BOTTOM)
        return y - font.CellHeight();
    return y;
}

// Where TA_UPDATECP leaves the current position after a line of this width.
int NextPositionX(int x, int width, UINT align)
{
    if ((align & TA_CENTER) == TA_CENTER)
        return x;
    return (align & TA_RIGHT) ? x - width : x + width;
}

} // namespace

BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* metrics)
{
    ContextState state;
    if (metrics == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!ReadTextState(hdc, state))
        return FALSE;
    const Font& font = *state.font;
    const LOGFONTA& logFont = font.LogFont();
    TEXTMETRICA m{};
    m.tmHeight = font.CellHeight();
    m.tmAscent = font.Ascent();
    m.tmDescent = font.Descent();
    m.tmInternalLeading = std::max(0, font.CellHeight() - font.EmHeight());
    m.tmExternalLeading = font.ExternalLeading();
    m.tmAveCharWidth = font.AverageCharWidth();
    m.tmMaxCharWidth = font.MaxCharWidth();
    m.tmWeight = logFont.lfWeight > 0 ? std::min<LONG>(logFont.lfWeight, 1000) : FW_NORMAL;
    m.tmDigitizedAspectX = kLogicalPixelsPerInch;
    m.tmDigitizedAspectY = kLogicalPixelsPerInch;
    m.tmFirstChar = 0x20;
    m.tmLastChar = 0xFF;
    m.tmDefaultChar = '?';
    m.tmBreakChar = ' ';
    m.tmItalic = logFont.lfItalic ? 1 : 0;
    m.tmUnderlined = logFont.lfUnderline ? 1 : 0;
    m.tmStruckOut = logFont.lfStrikeOut ? 1 : 0;
    m.tmPitchAndFamily = static_cast<BYTE>(TMPF_VECTOR | TMPF_TRUETYPE | (font.IsFixedPitch() ? 0 : TMPF_FIXED_PITCH));
    m.tmCharSet = ANSI_CHARSET;
    *metrics = m;
    return TRUE;
}

BOOL GetTextExtentPoint32A(HDC hdc, const char* text, int count, SIZE* size)
{
    if (size == nullptr || count < 0 || (text == nullptr && count > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ContextState state;
    if (!ReadTextState(hdc, state))
        return FALSE;
    const TextLine line = count > 0 ? SingleLine(*state.font, text, static_cast<std::size_t>(count)) : TextLine{};
    *size = SIZE{line.width, state.font->CellHeight()};
    return TRUE;
}

UINT GetTextAlign(HDC hdc)
{
    ContextState state;
    if (!ReadContextState(hdc, state)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return GDI_ERROR;
    }
    return state.textAlign;
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                 const INT* dx)
{
    if (options & ~kSupportedOptions || dx != nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (text == nullptr && count > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ContextState state;
    if (!ReadTextState(hdc, state))
        return FALSE;
    if (!state.target) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Font& font = *state.font;
    const TextLine line = count > 0 ? SingleLine(font, text, count) : TextLine{};
    const UINT align = state.textAlign;
    POINT origin{x, y};
    if (align & TA_UPDATECP) {
        origin = state.position;
        if (!MoveCurrentPosition(hdc, POINT{NextPositionX(origin.x, line.width, align), origin.y}, nullptr))
            return FALSE;
    }

    Region visible = state.Visible();
    if (rect != nullptr && (options & ETO_OPAQUE)) {
        const Region box = Region::Intersect(visible, Region(state.ToSurface(*rect)));
        for (const RECT& part : box.Rects())
            state.target->FillRect(part, state.bkColour);
    }
    if (rect != nullptr && (options & ETO_CLIPPED))
        visible = Region::Intersect(visible, Region(state.ToSurface(*rect)));
    const int left = LineLeft(origin.x, line.width, align) + state.origin.x;
    const int top = LineTop(origin.y, font, align) + state.origin.y;
    for (const RECT& clip : visible.Rects())
        PaintTextLine(*state.target, clip, font, state, line, left, top);
    return TRUE;
}

BOOL TextOutA(HDC hdc, int x, int y, const char* text, int count)
{
    if (count < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return ExtTextOutA(hdc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}
