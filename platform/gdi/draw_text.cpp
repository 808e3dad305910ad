// DrawTextExA: lays the text out in lines and paints it with the context's font and colours.
#include <algorithm>
#include <cstring>

#include "platform/gdi/context_state.h"
#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/text_layout.h"
#include "platform/gdi/text_paint.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

constexpr UINT kSupportedFormat = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_WORDBREAK | DT_SINGLELINE |
                                  DT_NOCLIP | DT_CALCRECT | DT_NOPREFIX | DT_END_ELLIPSIS | DT_HIDEPREFIX;

int LineLeft(const RECT& rect, int lineWidth, UINT format)
{
    if (format & DT_CENTER)
        return rect.left + (rect.right - rect.left - lineWidth) / 2;
    if (format & DT_RIGHT)
        return rect.right - lineWidth;
    return rect.left;
}

// The top of the text block: DT_VCENTER and DT_BOTTOM move a single line down.
int BlockTop(const RECT& rect, int height, UINT format)
{
    if (!(format & DT_SINGLELINE))
        return rect.top;
    if (format & DT_VCENTER)
        return rect.top + (rect.bottom - rect.top - height) / 2;
    if (format & DT_BOTTOM)
        return rect.bottom - height;
    return rect.top;
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
    options.singleLine = (format & DT_SINGLELINE) != 0;
    options.wordBreak = !options.singleLine && (format & DT_WORDBREAK) != 0;
    options.prefixes = (format & DT_NOPREFIX) == 0;
    options.hideUnderlines = (format & DT_HIDEPREFIX) != 0;
    options.endEllipsis = (format & DT_END_ELLIPSIS) != 0;
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

    const int top = BlockTop(layout, height, format);
    Surface& surface = *state.target;
    // The clip region's rectangles never overlap, so every pixel is painted at most once.
    const RECT placed = state.ToSurface(layout);
    const Region visible = (format & DT_NOCLIP) ? state.Visible() : Region::Intersect(state.Visible(), Region(placed));
    for (const RECT& clip : visible.Rects()) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int lineTop = top + state.origin.y + static_cast<int>(i) * font.CellHeight();
            PaintTextLine(surface, clip, font, state, lines[i], LineLeft(placed, lines[i].width, format), lineTop);
        }
    }
    return top - layout.top + height;
}
