// Inside the list view: its state, its geometry and drawing (list_view_drawing.cpp), shared with
// the window procedure (list_view.cpp).
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/user/item_ranges.h"
#include "platform/user/list_view.h"

#include <string>
#include <vector>

namespace zv::user::list_view {

struct Column {
    int width = 0;
    int format = LVCFMT_LEFT;
    std::string title;
};

struct ListViewState {
    int count = 0;
    std::vector<Column> columns;
    ItemRanges selected;
    int focused = -1;
    int anchor = -1; // where a Shift selection starts
    int hot = -1;    // the row under the pointer (underlined)
    int top = 0;     // the first row shown
    DWORD exStyle = 0;
    HFONT font = nullptr;    // null: the dialog font
    HFONT hotFont = nullptr; // the font underlined, made when first needed
    int rowHeight = 1;
    bool hasFocus = false;
    // CLR_DEFAULT: the system's window colours.
    COLORREF background = CLR_DEFAULT;
    COLORREF textColour = CLR_DEFAULT;
    COLORREF textBackground = CLR_DEFAULT; // CLR_NONE: the background shows through
};

// The colours the rows are drawn in, with the system's where the list has none of its own.
COLORREF BackgroundOf(const ListViewState& s);
COLORREF TextColourOf(const ListViewState& s);

ListViewState* StateOf(HWND hwnd);

// Geometry, in client coordinates.
void MeasureRows(HWND hwnd, ListViewState& s);
int HeaderHeight(HWND hwnd, const ListViewState& s);
// Rows wholly inside the client area.
int CountPerPage(HWND hwnd, const ListViewState& s);
int LastTop(HWND hwnd, const ListViewState& s);
int ColumnsWidth(const ListViewState& s);
// The part of the row (LVIR_*) whatever is on screen; false for an item that does not exist.
bool ItemRect(HWND hwnd, const ListViewState& s, int item, LONG part, RECT& rect);
// The item at the point and how it was hit (LVHT_*); -1 when none.
int HitTest(HWND hwnd, const ListViewState& s, POINT point, UINT* flags = nullptr);
// Repaints the rows first..last that are on screen (-1, -1: every row).
void InvalidateRows(HWND hwnd, const ListViewState& s, int first, int last);
// A column width worked out from the title and, for LVSCW_AUTOSIZE, the rows on screen.
int AutoWidth(HWND hwnd, const ListViewState& s, int column, int how);

// The text of an item's column, asked from the parent. The parent may fill `buffer` (cut to
// `size`) or point at its own text; the result is wherever the text is.
const char* AskText(HWND hwnd, int item, int subItem, char* buffer, int size, LPARAM* param = nullptr);

void Paint(HWND hwnd, ListViewState& s);

} // namespace zv::user::list_view
