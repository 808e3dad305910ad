// The list view ("SysListView32") in its report form: rows of one or more columns, drawn by this
// system. It keeps no items of its own: the parent says how many there are (LVM_SETITEMCOUNT)
// and gives each row's text when it is drawn or read (WM_NOTIFY LVN_GETDISPINFOA), so a list of
// millions of rows costs only what is on screen. The selection is kept as ranges.
//
// Every view style is drawn as the report view. Without LVS_NOCOLUMNHEADER a plain header strip
// with the column titles tops the rows (it is not a window of its own and takes no clicks).
// Without LVS_OWNERDATA the count is only a hint, as items of its own (LVM_INSERTITEMA) are not
// kept: that message fails with -1. There is no horizontal scrolling.
//
// Input: a click selects the row (Ctrl toggles it, Shift selects from the anchor), a double click
// or Enter activates (LVN_ITEMACTIVATE); Up, Down, Page Up, Page Down, Home and End move the focus
// and the selection with it (Shift extends from the anchor, Ctrl moves the focus alone and
// Ctrl+Space toggles the focused row); the wheel and the vertical scroll bar scroll. Other keys
// are left to the parent. In a dialog the list takes Enter for itself.
//
// Colours: the system's window colours unless the parent sets its own (LVM_SETBKCOLOR,
// LVM_SETTEXTCOLOR, LVM_SETTEXTBKCOLOR); selected rows keep the system's highlight.
#pragma once

#include "platform/user/common_controls.h"
#include "platform/user/dialog.h"

inline constexpr char kListViewClassName[] = "SysListView32";

// Styles.
constexpr DWORD LVS_ICON = 0x0000;
constexpr DWORD LVS_REPORT = 0x0001;
constexpr DWORD LVS_SMALLICON = 0x0002;
constexpr DWORD LVS_LIST = 0x0003;
constexpr DWORD LVS_TYPEMASK = 0x0003;
constexpr DWORD LVS_SINGLESEL = 0x0004;
constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
constexpr DWORD LVS_NOLABELWRAP = 0x0080;
constexpr DWORD LVS_OWNERDATA = 0x1000;
constexpr DWORD LVS_NOSCROLL = 0x2000;
constexpr DWORD LVS_NOCOLUMNHEADER = 0x4000;
constexpr DWORD LVS_NOSORTHEADER = 0x8000;

// Extended styles (LVM_SETEXTENDEDLISTVIEWSTYLE). Full-row select makes the whole row the item
// (drawn and clicked); underline-hot underlines the row under the pointer.
constexpr DWORD LVS_EX_FULLROWSELECT = 0x0020;
constexpr DWORD LVS_EX_UNDERLINEHOT = 0x0800;

constexpr UINT LVM_FIRST = 0x1000;
constexpr UINT LVM_GETBKCOLOR = LVM_FIRST + 0;
constexpr UINT LVM_SETBKCOLOR = LVM_FIRST + 1;
constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
constexpr UINT LVM_GETITEMA = LVM_FIRST + 5;
constexpr UINT LVM_INSERTITEMA = LVM_FIRST + 7;
constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;
constexpr UINT LVM_GETITEMRECT = LVM_FIRST + 14;
constexpr UINT LVM_HITTEST = LVM_FIRST + 18;
constexpr UINT LVM_ENSUREVISIBLE = LVM_FIRST + 19;
constexpr UINT LVM_REDRAWITEMS = LVM_FIRST + 21;
constexpr UINT LVM_INSERTCOLUMNA = LVM_FIRST + 27;
constexpr UINT LVM_GETCOLUMNWIDTH = LVM_FIRST + 29;
constexpr UINT LVM_SETCOLUMNWIDTH = LVM_FIRST + 30;
constexpr UINT LVM_GETTEXTCOLOR = LVM_FIRST + 35;
constexpr UINT LVM_SETTEXTCOLOR = LVM_FIRST + 36;
constexpr UINT LVM_GETTEXTBKCOLOR = LVM_FIRST + 37;
constexpr UINT LVM_SETTEXTBKCOLOR = LVM_FIRST + 38;
constexpr UINT LVM_GETTOPINDEX = LVM_FIRST + 39;
constexpr UINT LVM_GETCOUNTPERPAGE = LVM_FIRST + 40;
constexpr UINT LVM_SETITEMSTATE = LVM_FIRST + 43;
constexpr UINT LVM_GETITEMSTATE = LVM_FIRST + 44;
constexpr UINT LVM_GETITEMTEXTA = LVM_FIRST + 45;
constexpr UINT LVM_SETITEMCOUNT = LVM_FIRST + 47;
constexpr UINT LVM_GETSELECTEDCOUNT = LVM_FIRST + 50;
constexpr UINT LVM_SETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 54;
constexpr UINT LVM_GETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 55;

// Colours (LVM_SET*COLOR lParam): CLR_DEFAULT follows the system's window colours; a text
// background of CLR_NONE leaves the list's background under the text.
constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;

// Notifications (WM_NOTIFY codes).
constexpr UINT LVN_FIRST = 0U - 100U;
constexpr UINT LVN_ITEMCHANGED = LVN_FIRST - 1;
constexpr UINT LVN_ITEMACTIVATE = LVN_FIRST - 14;
constexpr UINT LVN_ODSTATECHANGED = LVN_FIRST - 15;
constexpr UINT LVN_GETDISPINFOA = LVN_FIRST - 50;
constexpr UINT LVN_GETDISPINFO = LVN_GETDISPINFOA;

// LVITEMA fields asked for or given.
constexpr UINT LVIF_TEXT = 0x0001;
constexpr UINT LVIF_IMAGE = 0x0002;
constexpr UINT LVIF_PARAM = 0x0004;
constexpr UINT LVIF_STATE = 0x0008;

// Item states.
constexpr UINT LVIS_FOCUSED = 0x0001;
constexpr UINT LVIS_SELECTED = 0x0002;

// LVM_GETNEXTITEM: the states wanted (none: any item) and, optionally, a direction.
constexpr UINT LVNI_ALL = 0x0000;
constexpr UINT LVNI_FOCUSED = 0x0001;
constexpr UINT LVNI_SELECTED = 0x0002;
constexpr UINT LVNI_ABOVE = 0x0100;
constexpr UINT LVNI_BELOW = 0x0200;

// LVM_SETITEMCOUNT flags (lParam). A new count scrolls only when rows on screen are gone, so
// LVSICF_NOSCROLL is always as good as given; LVSICF_NOINVALIDATEALL repaints just the rows
// that came or went.
constexpr LPARAM LVSICF_NOINVALIDATEALL = 0x0001;
constexpr LPARAM LVSICF_NOSCROLL = 0x0002;

// LVM_GETITEMRECT parts (the RECT's left on the way in).
constexpr LONG LVIR_BOUNDS = 0;
constexpr LONG LVIR_ICON = 1;
constexpr LONG LVIR_LABEL = 2;
constexpr LONG LVIR_SELECTBOUNDS = 3;

// LVM_HITTEST answers.
constexpr UINT LVHT_NOWHERE = 0x0001;
constexpr UINT LVHT_ONITEMICON = 0x0002;
constexpr UINT LVHT_ONITEMLABEL = 0x0004;
constexpr UINT LVHT_ONITEMSTATEICON = 0x0008;
constexpr UINT LVHT_ONITEM = LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON;
constexpr UINT LVHT_ABOVE = 0x0008;
constexpr UINT LVHT_BELOW = 0x0010;
constexpr UINT LVHT_TORIGHT = 0x0020;
constexpr UINT LVHT_TOLEFT = 0x0040;

// Columns.
constexpr UINT LVCF_FMT = 0x0001;
constexpr UINT LVCF_WIDTH = 0x0002;
constexpr UINT LVCF_TEXT = 0x0004;
constexpr UINT LVCF_SUBITEM = 0x0008;
constexpr int LVCFMT_LEFT = 0x0000;
constexpr int LVCFMT_RIGHT = 0x0001;
constexpr int LVCFMT_CENTER = 0x0002;
// LVM_SETCOLUMNWIDTH: as wide as the widest row on screen; the last column: to the client's edge.
constexpr int LVSCW_AUTOSIZE = -1;
constexpr int LVSCW_AUTOSIZE_USEHEADER = -2;

// Key flags of NMITEMACTIVATE.
constexpr UINT LVKF_ALT = 0x0001;
constexpr UINT LVKF_CONTROL = 0x0002;
constexpr UINT LVKF_SHIFT = 0x0004;

// A text pointer meaning "ask the parent".
inline char* const LPSTR_TEXTCALLBACKA = reinterpret_cast<char*>(static_cast<std::intptr_t>(-1));

struct LVITEMA {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
};
using LPLVITEMA = LVITEMA*;

struct LVCOLUMNA {
    UINT mask;
    int fmt;
    int cx;
    LPSTR pszText;
    int cchTextMax;
    int iSubItem;
    int iImage;
    int iOrder;
};
using LPLVCOLUMNA = LVCOLUMNA*;

struct LVHITTESTINFO {
    POINT pt;
    UINT flags;
    int iItem;
    int iSubItem;
};

// LVN_ITEMCHANGED: one item's state changed (iItem -1: every item's).
struct NMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
};
using LPNMLISTVIEW = NMLISTVIEW*;

// LVN_ITEMACTIVATE, NM_CLICK, NM_DBLCLK: the item (-1 for none) and the keys held.
struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
};
using LPNMITEMACTIVATE = NMITEMACTIVATE*;

// LVN_ODSTATECHANGED: the items iFrom..iTo changed state together.
struct NMLVODSTATECHANGE {
    NMHDR hdr;
    int iFrom;
    int iTo;
    UINT uNewState;
    UINT uOldState;
};

// LVN_GETDISPINFOA: the parent fills in what item.mask asks for; text goes into item.pszText
// (item.cchTextMax bytes with the terminating zero) or item.pszText is pointed at the parent's.
struct NMLVDISPINFOA {
    NMHDR hdr;
    LVITEMA item;
};
using LPNMLVDISPINFOA = NMLVDISPINFOA*;

namespace zv::user {

bool RegisterListViewClass();

} // namespace zv::user
