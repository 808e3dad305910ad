// The list view's geometry and painting. Only rows on screen are asked for their text.
#include "platform/user/control_look.h"
#include "platform/user/control_support.h"
#include "platform/user/list_view_state.h"
#include "platform/user/paint.h"

#include <algorithm>

namespace zv::user::list_view {
namespace {

constexpr int kTextPadding = 4; // between a column's edge and its text
constexpr int kTextMax = 1024;  // the buffer each row's text is asked into

HFONT FontOf(const ListViewState& s) { return look::FontOr(s.font); }

HFONT HotFontOf(ListViewState& s)
{
    if (!s.hotFont) {
        LOGFONTA font{};
        GetObjectA(FontOf(s), sizeof font, &font);
        font.lfUnderline = TRUE;
        s.hotFont = CreateFontIndirectA(&font);
    }
    return s.hotFont ? s.hotFont : FontOf(s);
}

int TextWidth(HWND hwnd, HFONT font, const char* text)
{
    HDC hdc = GetDC(hwnd);
    if (!hdc)
        return 0;
    HGDIOBJ old = SelectObject(hdc, font);
    SIZE size{};
    GetTextExtentPoint32A(hdc, text, static_cast<int>(std::char_traits<char>::length(text)), &size);
    SelectObject(hdc, old);
    ReleaseDC(hwnd, hdc);
    return size.cx;
}

UINT Alignment(int format)
{
    switch (format & 3) {
    case LVCFMT_RIGHT:
        return DT_RIGHT;
    case LVCFMT_CENTER:
        return DT_CENTER;
    default:
        return DT_LEFT;
    }
}

RECT ClientOf(HWND hwnd)
{
    RECT client{};
    GetClientRect(hwnd, &client);
    return client;
}

void PaintHeader(HDC hdc, HWND hwnd, const ListViewState& s)
{
    const RECT client = ClientOf(hwnd);
    const RECT strip{0, 0, client.right, HeaderHeight(hwnd, s)};
    FillRect(hdc, &strip, GetSysColorBrush(COLOR_BTNFACE));
    look::Line(hdc, 0, strip.bottom - 1, strip.right, strip.bottom - 1, GetSysColor(COLOR_BTNSHADOW));
    int x = 0;
    for (const Column& column : s.columns) {
        const RECT text{x + kTextPadding, 0, x + column.width - kTextPadding, strip.bottom};
        look::Text(hdc, FontOf(s), column.title.c_str(), text,
                   Alignment(column.format) | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS,
                   GetSysColor(COLOR_BTNTEXT));
        x += column.width;
        look::Line(hdc, x - 1, 2, x - 1, strip.bottom - 3, GetSysColor(COLOR_BTNSHADOW));
    }
}

void PaintRow(HDC hdc, HWND hwnd, ListViewState& s, int item)
{
    RECT bounds;
    RECT selectBounds;
    ItemRect(hwnd, s, item, LVIR_BOUNDS, bounds);
    ItemRect(hwnd, s, item, LVIR_SELECTBOUNDS, selectBounds);
    const bool fullRow = (s.exStyle & LVS_EX_FULLROWSELECT) != 0;
    const bool showSelected =
        s.selected.Contains(item) && (s.hasFocus || (StyleOf(hwnd) & LVS_SHOWSELALWAYS));
    if (showSelected)
        FillRect(hdc, &selectBounds, GetSysColorBrush(COLOR_HIGHLIGHT));
    else if (s.textBackground != CLR_NONE && s.textBackground != CLR_DEFAULT)
        look::Fill(hdc, selectBounds, s.textBackground);
    const bool hot = item == s.hot && (s.exStyle & LVS_EX_UNDERLINEHOT);
    int x = bounds.left;
    for (size_t column = 0; column < s.columns.size(); ++column) {
        const int width = s.columns[column].width;
        if (width > 2 * kTextPadding) {
            char buffer[kTextMax];
            const char* text = AskText(hwnd, item, static_cast<int>(column), buffer, kTextMax);
            const bool inSelection = showSelected && (fullRow || column == 0);
            const COLORREF colour = inSelection ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                    : hot       ? GetSysColor(COLOR_HOTLIGHT)
                                                : TextColourOf(s);
            const RECT cell{x + kTextPadding, bounds.top, x + width - kTextPadding, bounds.bottom};
            look::Text(hdc, hot ? HotFontOf(s) : FontOf(s), text, cell,
                       Alignment(s.columns[column].format) | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX |
                           DT_END_ELLIPSIS,
                       colour);
        }
        x += width;
    }
    if (item == s.focused && s.hasFocus)
        DrawFocusRect(hdc, &selectBounds);
}

} // namespace

ListViewState* StateOf(HWND hwnd) { return ControlState<ListViewState>(hwnd); }

COLORREF BackgroundOf(const ListViewState& s)
{
    return s.background == CLR_DEFAULT || s.background == CLR_NONE ? GetSysColor(COLOR_WINDOW) : s.background;
}

COLORREF TextColourOf(const ListViewState& s)
{
    return s.textColour == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT) : s.textColour;
}

void MeasureRows(HWND hwnd, ListViewState& s)
{
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(hdc, FontOf(s));
    TEXTMETRICA metrics{};
    GetTextMetricsA(hdc, &metrics);
    SelectObject(hdc, old);
    DeleteDC(hdc);
    s.rowHeight = std::max<int>(1, metrics.tmHeight + 4);
    (void)hwnd;
}

int HeaderHeight(HWND hwnd, const ListViewState& s)
{
    return (StyleOf(hwnd) & LVS_NOCOLUMNHEADER) ? 0 : s.rowHeight + 4;
}

int CountPerPage(HWND hwnd, const ListViewState& s)
{
    const int rows = static_cast<int>(ClientOf(hwnd).bottom) - HeaderHeight(hwnd, s);
    return std::max(0, rows / s.rowHeight);
}

int LastTop(HWND hwnd, const ListViewState& s) { return std::max(0, s.count - std::max(1, CountPerPage(hwnd, s))); }

int ColumnsWidth(const ListViewState& s)
{
    int width = 0;
    for (const Column& column : s.columns)
        width += column.width;
    return width;
}

bool ItemRect(HWND hwnd, const ListViewState& s, int item, LONG part, RECT& rect)
{
    if (item < 0 || item >= s.count)
        return false;
    const long long top = HeaderHeight(hwnd, s) + static_cast<long long>(item - s.top) * s.rowHeight;
    rect.top = static_cast<LONG>(std::clamp<long long>(top, INT32_MIN / 2, INT32_MAX / 2));
    rect.bottom = rect.top + s.rowHeight;
    rect.left = 0;
    const int labelRight = s.columns.empty() ? 0 : s.columns[0].width;
    // A full-row item reaches the client's right edge even when the columns stop short of it.
    const int rowRight = (s.exStyle & LVS_EX_FULLROWSELECT) ? std::max<int>(ColumnsWidth(s), ClientOf(hwnd).right)
                                                            : ColumnsWidth(s);
    switch (part) {
    case LVIR_ICON:
        rect.right = 0;
        break;
    case LVIR_LABEL:
        rect.right = labelRight;
        break;
    case LVIR_SELECTBOUNDS:
        rect.right = (s.exStyle & LVS_EX_FULLROWSELECT) ? rowRight : labelRight;
        break;
    default:
        rect.right = rowRight;
        break;
    }
    return true;
}

int HitTest(HWND hwnd, const ListViewState& s, POINT point, UINT* flags)
{
    const RECT client = ClientOf(hwnd);
    UINT outside = 0;
    if (point.x < 0)
        outside |= LVHT_TOLEFT;
    else if (point.x >= client.right)
        outside |= LVHT_TORIGHT;
    if (point.y < 0)
        outside |= LVHT_ABOVE;
    else if (point.y >= client.bottom)
        outside |= LVHT_BELOW;
    const int header = HeaderHeight(hwnd, s);
    int item = -1;
    if (!outside && point.y >= header) {
        const long long row = s.top + static_cast<long long>(point.y - header) / s.rowHeight;
        RECT bounds;
        if (row < s.count && ItemRect(hwnd, s, static_cast<int>(row), LVIR_SELECTBOUNDS, bounds) &&
            point.x >= bounds.left && point.x < bounds.right)
            item = static_cast<int>(row);
    }
    if (flags)
        *flags = outside ? outside : (item >= 0 ? LVHT_ONITEMLABEL : LVHT_NOWHERE);
    return item;
}

void InvalidateRows(HWND hwnd, const ListViewState& s, int first, int last)
{
    RECT area = ClientOf(hwnd);
    area.top = HeaderHeight(hwnd, s);
    if (first >= 0) {
        const long long from = std::max(first, s.top) - static_cast<long long>(s.top);
        const long long to = static_cast<long long>(last) - s.top + 1;
        if (to <= from)
            return;
        area.top = static_cast<LONG>(std::min<long long>(area.bottom, area.top + from * s.rowHeight));
        area.bottom = static_cast<LONG>(std::min<long long>(area.bottom, HeaderHeight(hwnd, s) + to * s.rowHeight));
        if (area.bottom <= area.top)
            return;
    }
    InvalidateRect(hwnd, &area, FALSE);
}

int AutoWidth(HWND hwnd, const ListViewState& s, int column, int how)
{
    const Column& c = s.columns[static_cast<size_t>(column)];
    int width = TextWidth(hwnd, FontOf(s), c.title.c_str()) + 2 * kTextPadding;
    if (how == LVSCW_AUTOSIZE_USEHEADER && column + 1 == static_cast<int>(s.columns.size())) {
        const int before = ColumnsWidth(s) - c.width;
        return std::max(width, static_cast<int>(ClientOf(hwnd).right) - before);
    }
    if (how == LVSCW_AUTOSIZE)
        width = 2 * kTextPadding;
    const int last = std::min(s.count, s.top + CountPerPage(hwnd, s) + 1);
    for (int item = s.top; item < last; ++item) {
        char buffer[kTextMax];
        const char* text = AskText(hwnd, item, column, buffer, kTextMax);
        width = std::max(width, TextWidth(hwnd, FontOf(s), text) + 2 * kTextPadding);
    }
    return width;
}

const char* AskText(HWND hwnd, int item, int subItem, char* buffer, int size, LPARAM* param)
{
    buffer[0] = '\0';
    NMLVDISPINFOA info{};
    info.item.mask = LVIF_TEXT | (param ? LVIF_PARAM : 0);
    info.item.iItem = item;
    info.item.iSubItem = subItem;
    info.item.pszText = buffer;
    info.item.cchTextMax = size;
    NotifyParent(hwnd, LVN_GETDISPINFOA, &info.hdr);
    if (param)
        *param = info.item.lParam;
    buffer[size - 1] = '\0'; // a parent that filled it to the brim
    if (!info.item.pszText || info.item.pszText == LPSTR_TEXTCALLBACKA)
        return "";
    return info.item.pszText;
}

void Paint(HWND hwnd, ListViewState& s)
{
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hwnd, &paint);
    if (!hdc)
        return;
    look::Fill(hdc, paint.rcPaint, BackgroundOf(s));
    const int header = HeaderHeight(hwnd, s);
    if (header > 0 && paint.rcPaint.top < header)
        PaintHeader(hdc, hwnd, s);
    if (paint.rcPaint.bottom > header) {
        const long long firstRow = s.top + std::max<long long>(0, paint.rcPaint.top - header) / s.rowHeight;
        const long long lastRow = s.top + (paint.rcPaint.bottom - 1LL - header) / s.rowHeight;
        const int last = static_cast<int>(std::min<long long>(lastRow, s.count - 1LL));
        for (int item = static_cast<int>(std::min<long long>(firstRow, s.count)); item <= last; ++item)
            PaintRow(hdc, hwnd, s, item);
    }
    EndPaint(hwnd, &paint);
}

} // namespace zv::user::list_view
