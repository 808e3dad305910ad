// The list view's window procedure: its messages, the selection and focus they change, the
// notifications those changes send, and the mouse and keys. Notifications go out only after the
// state is settled, and nothing of the state is used after one without fetching it again: the
// parent may change the list (or destroy it) while it answers.
#include "platform/user/control_support.h"
#include "platform/user/dialog_codes.h"
#include "platform/user/list_view_state.h"
#include "platform/user/paint.h"
#include "platform/user/scroll_bars.h"
#include "platform/user/timers.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zv::user {
namespace {

using list_view::ListViewState;
using list_view::StateOf;

constexpr UINT_PTR kHotTimer = 1;   // looks whether the pointer left the hot row
constexpr UINT kHotCheckMs = 100;
constexpr int kWheelRows = 3;        // rows a notch of the wheel scrolls
constexpr int kDefaultColumnWidth = 60;

// One state change for the parent: an item (from == to), every item (from == -1) or a range.
struct Notice {
    int from;
    int to;
    UINT oldState;
    UINT newState;
};

using Notices = std::vector<Notice>;

UINT ItemState(const ListViewState& s, int item)
{
    return (s.selected.Contains(item) ? LVIS_SELECTED : 0) | (item == s.focused ? LVIS_FOCUSED : 0);
}

void SendNotices(HWND hwnd, const Notices& notices)
{
    for (const Notice& n : notices) {
        if (n.from == n.to || n.from < 0) {
            NMLISTVIEW change{};
            change.iItem = n.from;
            change.uNewState = n.newState;
            change.uOldState = n.oldState;
            change.uChanged = LVIF_STATE;
            NotifyParent(hwnd, LVN_ITEMCHANGED, &change.hdr);
        } else {
            NMLVODSTATECHANGE change{};
            change.iFrom = n.from;
            change.iTo = n.to;
            change.uNewState = n.newState;
            change.uOldState = n.oldState;
            NotifyParent(hwnd, LVN_ODSTATECHANGED, &change.hdr);
        }
        if (!IsWindow(hwnd))
            return;
    }
}

void UpdateScrollBar(HWND hwnd, const ListViewState& s)
{
    if (StyleOf(hwnd) & LVS_NOSCROLL)
        return;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = std::max(0, s.count - 1);
    info.nPage = static_cast<UINT>(list_view::CountPerPage(hwnd, s));
    info.nPos = s.top;
    SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
}

void ScrollTo(HWND hwnd, ListViewState& s, long long top)
{
    const int clamped = static_cast<int>(std::clamp<long long>(top, 0, list_view::LastTop(hwnd, s)));
    if (clamped == s.top)
        return;
    s.top = clamped;
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateScrollBar(hwnd, s);
}

// Scrolls the least that shows the whole row (or any of it, when that is enough).
void EnsureVisible(HWND hwnd, ListViewState& s, int item, bool partialOk)
{
    const int perPage = list_view::CountPerPage(hwnd, s);
    if (item < s.top) {
        ScrollTo(hwnd, s, item);
    } else if (item >= s.top + std::max(1, perPage)) {
        const bool partlyShown = item == s.top + perPage && perPage > 0;
        if (!(partialOk && partlyShown))
            ScrollTo(hwnd, s, static_cast<long long>(item) - std::max(1, perPage) + 1);
    }
}

// Item changes are recorded as notices and the rows repainted.
void ClearSelection(HWND hwnd, ListViewState& s, Notices& notices)
{
    if (s.selected.Empty())
        return;
    s.selected.Clear();
    list_view::InvalidateRows(hwnd, s, -1, -1);
    notices.push_back({-1, -1, LVIS_SELECTED, 0});
}

void SetSelected(HWND hwnd, ListViewState& s, int item, bool selected, Notices& notices)
{
    const UINT old = ItemState(s, item);
    if (((old & LVIS_SELECTED) != 0) == selected)
        return;
    if (selected && (StyleOf(hwnd) & LVS_SINGLESEL)) {
        const int other = s.selected.NextAfter(-1);
        if (other >= 0) {
            const UINT otherOld = ItemState(s, other);
            s.selected.Clear();
            list_view::InvalidateRows(hwnd, s, other, other);
            notices.push_back({other, other, otherOld, otherOld & ~LVIS_SELECTED});
        }
    }
    if (selected)
        s.selected.Add(item, item);
    else
        s.selected.Remove(item, item);
    list_view::InvalidateRows(hwnd, s, item, item);
    notices.push_back({item, item, old, ItemState(s, item)});
}

void SetFocused(HWND hwnd, ListViewState& s, int item, Notices& notices)
{
    if (item == s.focused)
        return;
    const int previous = s.focused;
    if (previous >= 0) {
        const UINT old = ItemState(s, previous);
        s.focused = -1;
        list_view::InvalidateRows(hwnd, s, previous, previous);
        notices.push_back({previous, previous, old, old & ~LVIS_FOCUSED});
    }
    if (item >= 0) {
        const UINT old = ItemState(s, item);
        s.focused = item;
        list_view::InvalidateRows(hwnd, s, item, item);
        notices.push_back({item, item, old, old | LVIS_FOCUSED});
    }
}

void SelectOnly(HWND hwnd, ListViewState& s, int item, Notices& notices)
{
    if (s.selected.Count() == 1 && s.selected.Contains(item))
        return;
    ClearSelection(hwnd, s, notices);
    SetSelected(hwnd, s, item, true, notices);
}

void SelectFromAnchor(HWND hwnd, ListViewState& s, int item, bool keepOthers, Notices& notices)
{
    const int anchor = s.anchor >= 0 && s.anchor < s.count ? s.anchor : std::max(0, s.focused);
    const int first = std::min(anchor, item);
    const int last = std::max(anchor, item);
    if (!keepOthers)
        ClearSelection(hwnd, s, notices);
    s.selected.Add(first, last);
    list_view::InvalidateRows(hwnd, s, first, last);
    if (first == last)
        notices.push_back({first, first, ItemState(s, first) & ~LVIS_SELECTED, ItemState(s, first)});
    else
        notices.push_back({first, last, 0, LVIS_SELECTED});
    s.anchor = anchor;
}

// A click or a key moves to `item` with the modifiers held.
void MoveTo(HWND hwnd, int item, bool control, bool shift, bool toggle)
{
    ListViewState* s = StateOf(hwnd);
    if (item < 0 || item >= s->count)
        return;
    if (StyleOf(hwnd) & LVS_SINGLESEL)
        control = shift = false;
    Notices notices;
    if (shift) {
        SelectFromAnchor(hwnd, *s, item, control, notices);
    } else if (control && toggle) {
        SetSelected(hwnd, *s, item, !s->selected.Contains(item), notices);
        s->anchor = item;
    } else if (!control) {
        SelectOnly(hwnd, *s, item, notices);
        s->anchor = item;
    }
    SetFocused(hwnd, *s, item, notices);
    EnsureVisible(hwnd, *s, item, false);
    SendNotices(hwnd, notices);
}

// LVM_SETITEMSTATE: item -1 selects or clears every item (and can take the focus away).
BOOL SetItemState(HWND hwnd, int item, const LVITEMA& change)
{
    ListViewState* s = StateOf(hwnd);
    const UINT mask = change.stateMask & (LVIS_SELECTED | LVIS_FOCUSED);
    Notices notices;
    if (item == -1) {
        if (mask & LVIS_SELECTED) {
            if (!(change.state & LVIS_SELECTED)) {
                ClearSelection(hwnd, *s, notices);
            } else if (!(StyleOf(hwnd) & LVS_SINGLESEL) && s->count > 0 && s->selected.Count() != s->count) {
                s->selected.Add(0, s->count - 1);
                list_view::InvalidateRows(hwnd, *s, -1, -1);
                notices.push_back({-1, -1, 0, LVIS_SELECTED});
            }
        }
        if ((mask & LVIS_FOCUSED) && !(change.state & LVIS_FOCUSED))
            SetFocused(hwnd, *s, -1, notices);
    } else {
        if (item < 0 || item >= s->count)
            return FALSE;
        if (mask & LVIS_SELECTED)
            SetSelected(hwnd, *s, item, (change.state & LVIS_SELECTED) != 0, notices);
        if (mask & LVIS_FOCUSED) {
            const bool focus = (change.state & LVIS_FOCUSED) != 0;
            if (focus)
                s->anchor = item;
            if (focus || s->focused == item)
                SetFocused(hwnd, *s, focus ? item : -1, notices);
        }
    }
    SendNotices(hwnd, notices);
    return TRUE;
}

void SetItemCount(HWND hwnd, int count, LPARAM flags)
{
    ListViewState* s = StateOf(hwnd);
    if (!(StyleOf(hwnd) & LVS_OWNERDATA))
        return; // only a hint for a list that would keep its own items
    const int old = s->count;
    s->count = std::max(0, count);
    s->selected.Truncate(s->count);
    if (s->focused >= s->count)
        s->focused = -1;
    if (s->anchor >= s->count)
        s->anchor = -1;
    if (s->hot >= s->count)
        s->hot = -1;
    const int oldTop = s->top;
    s->top = std::min(s->top, list_view::LastTop(hwnd, *s));
    UpdateScrollBar(hwnd, *s);
    if ((flags & LVSICF_NOINVALIDATEALL) && s->top == oldTop)
        list_view::InvalidateRows(hwnd, *s, std::min(old, s->count), std::max(old, s->count));
    else
        InvalidateRect(hwnd, nullptr, FALSE);
}

int GetNextItem(const ListViewState& s, int start, UINT flags)
{
    const bool wantSelected = flags & LVNI_SELECTED;
    const bool wantFocused = flags & LVNI_FOCUSED;
    const auto fits = [&](int item) {
        return (!wantSelected || s.selected.Contains(item)) && (!wantFocused || item == s.focused);
    };
    if (flags & (LVNI_ABOVE | LVNI_BELOW)) {
        // Report rows: straight up or down from the start.
        const int step = (flags & LVNI_ABOVE) ? -1 : 1;
        if (start < 0 || start >= s.count)
            return -1;
        if (wantFocused)
            return (s.focused >= 0 && (s.focused - start) * step > 0 && fits(s.focused)) ? s.focused : -1;
        if (wantSelected)
            return step > 0 ? s.selected.NextAfter(start) : s.selected.PreviousBefore(start);
        const int next = start + step;
        return next >= 0 && next < s.count ? next : -1;
    }
    const int from = std::max(-1, start);
    if (wantFocused)
        return s.focused > from && fits(s.focused) ? s.focused : -1;
    if (wantSelected)
        return s.selected.NextAfter(from);
    return from + 1 < s.count ? from + 1 : -1;
}

// Copies what fits of the text into the caller's buffer; returns the bytes copied.
int CopyText(const char* text, char* to, int size)
{
    if (!to || size <= 0)
        return 0;
    const int length = static_cast<int>(std::min<size_t>(std::strlen(text), static_cast<size_t>(size - 1)));
    std::memmove(to, text, static_cast<size_t>(length));
    to[length] = '\0';
    return length;
}

LRESULT GetItemText(HWND hwnd, int item, LVITEMA* wanted)
{
    const ListViewState* s = StateOf(hwnd);
    if (!wanted || !wanted->pszText || wanted->cchTextMax <= 0 || item < 0 || item >= s->count)
        return 0;
    // The parent writes straight into the caller's buffer, with the caller's size.
    const char* text = list_view::AskText(hwnd, item, wanted->iSubItem, wanted->pszText, wanted->cchTextMax);
    if (text == wanted->pszText)
        return static_cast<LRESULT>(std::strlen(text));
    return CopyText(text, wanted->pszText, wanted->cchTextMax);
}

BOOL GetItem(HWND hwnd, LVITEMA* wanted)
{
    const ListViewState* s = StateOf(hwnd);
    if (!wanted || wanted->iItem < 0 || wanted->iItem >= s->count)
        return FALSE;
    if (wanted->mask & LVIF_STATE)
        wanted->state = ItemState(*s, wanted->iItem) & wanted->stateMask;
    if (wanted->mask & (LVIF_TEXT | LVIF_PARAM)) {
        char buffer[1024];
        LPARAM param = 0;
        const char* text = list_view::AskText(hwnd, wanted->iItem, wanted->iSubItem, buffer, sizeof buffer, &param);
        if (wanted->mask & LVIF_TEXT)
            CopyText(text, wanted->pszText, wanted->cchTextMax);
        if (wanted->mask & LVIF_PARAM)
            wanted->lParam = param;
    }
    return TRUE;
}

LRESULT InsertColumn(HWND hwnd, int at, const LVCOLUMNA* column)
{
    ListViewState* s = StateOf(hwnd);
    if (!column || at < 0)
        return -1;
    list_view::Column added;
    if ((column->mask & LVCF_TEXT) && column->pszText)
        added.title = column->pszText;
    if (column->mask & LVCF_FMT)
        added.format = column->fmt;
    added.width = (column->mask & LVCF_WIDTH) ? std::max(0, column->cx) : kDefaultColumnWidth;
    const size_t index = std::min(static_cast<size_t>(at), s->columns.size());
    s->columns.insert(s->columns.begin() + static_cast<std::ptrdiff_t>(index), added);
    InvalidateRect(hwnd, nullptr, FALSE);
    return static_cast<LRESULT>(index);
}

BOOL SetColumnWidth(HWND hwnd, int column, int width)
{
    ListViewState* s = StateOf(hwnd);
    if (column < 0 || column >= static_cast<int>(s->columns.size()))
        return FALSE;
    if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER)
        width = list_view::AutoWidth(hwnd, *s, column, width);
    s = StateOf(hwnd); // the parent answered for the rows on screen
    if (!s || column >= static_cast<int>(s->columns.size()))
        return FALSE;
    s->columns[static_cast<size_t>(column)].width = std::max(0, width);
    InvalidateRect(hwnd, nullptr, FALSE);
    return TRUE;
}

UINT KeyFlags()
{
    return (GetKeyState(VK_MENU) < 0 ? LVKF_ALT : 0) | (GetKeyState(VK_CONTROL) < 0 ? LVKF_CONTROL : 0) |
           (GetKeyState(VK_SHIFT) < 0 ? LVKF_SHIFT : 0);
}

// NM_CLICK, NM_DBLCLK and LVN_ITEMACTIVATE.
void NotifyItem(HWND hwnd, UINT code, int item, POINT at)
{
    NMITEMACTIVATE notice{};
    notice.iItem = item;
    notice.ptAction = at;
    notice.uKeyFlags = KeyFlags();
    if (item >= 0)
        notice.uNewState = notice.uOldState = ItemState(*StateOf(hwnd), item);
    NotifyParent(hwnd, code, &notice.hdr);
}

void Activate(HWND hwnd, int item, POINT at)
{
    if (item >= 0 && IsWindow(hwnd) && item < StateOf(hwnd)->count)
        NotifyItem(hwnd, LVN_ITEMACTIVATE, item, at);
}

void OnButtonDown(HWND hwnd, WPARAM keys, POINT at, bool doubleClick)
{
    if (GetFocus() != hwnd)
        SetFocus(hwnd);
    ListViewState* s = StateOf(hwnd);
    if (!s)
        return;
    const int item = list_view::HitTest(hwnd, *s, at);
    const bool control = keys & MK_CONTROL;
    const bool shift = keys & MK_SHIFT;
    if (item < 0) {
        if (!control && !shift) {
            Notices notices;
            ClearSelection(hwnd, *s, notices);
            SendNotices(hwnd, notices);
        }
    } else if (!doubleClick || !s->selected.Contains(item)) {
        MoveTo(hwnd, item, control, shift, true);
    }
    if (!IsWindow(hwnd))
        return;
    NotifyItem(hwnd, doubleClick ? NM_DBLCLK : NM_CLICK, item, at);
    if (doubleClick)
        Activate(hwnd, item, at);
}

void OnMouseMove(HWND hwnd, POINT at)
{
    ListViewState* s = StateOf(hwnd);
    if (!(s->exStyle & LVS_EX_UNDERLINEHOT))
        return;
    const int hot = list_view::HitTest(hwnd, *s, at);
    if (hot == s->hot)
        return;
    list_view::InvalidateRows(hwnd, *s, s->hot, s->hot);
    s->hot = hot;
    list_view::InvalidateRows(hwnd, *s, hot, hot);
    if (hot >= 0)
        SetTimer(hwnd, kHotTimer, kHotCheckMs, nullptr);
    else
        KillTimer(hwnd, kHotTimer);
}

// There is no word when the pointer leaves, so the hot row is checked while there is one.
void CheckHot(HWND hwnd)
{
    POINT at{};
    GetCursorPos(&at);
    ScreenToClient(hwnd, &at);
    OnMouseMove(hwnd, at);
}

// The row the keys move to from the focused one (-1: none).
int KeyTarget(HWND hwnd, const ListViewState& s, WPARAM key)
{
    if (s.count == 0)
        return -1;
    const int from = s.focused;
    const int perPage = list_view::CountPerPage(hwnd, s);
    const int step = std::max(1, perPage - 1);
    const int bottom = s.top + std::max(1, perPage) - 1;
    switch (key) {
    case VK_UP:
        return from < 0 ? 0 : std::max(0, from - 1);
    case VK_DOWN:
        return from < 0 ? 0 : std::min(s.count - 1, from + 1);
    case VK_HOME:
        return 0;
    case VK_END:
        return s.count - 1;
    case VK_PRIOR:
        if (from < 0)
            return 0;
        return from > s.top ? s.top : std::max(0, from - step);
    case VK_NEXT:
        if (from < 0)
            return std::min(s.count - 1, bottom);
        if (from < bottom)
            return std::min(s.count - 1, bottom);
        return static_cast<int>(std::min<long long>(s.count - 1LL, static_cast<long long>(from) + step));
    default:
        return -1;
    }
}

void OnKeyDown(HWND hwnd, WPARAM key)
{
    ListViewState* s = StateOf(hwnd);
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    if (key == VK_RETURN) {
        int item = s->focused >= 0 && s->selected.Contains(s->focused) ? s->focused : s->selected.NextAfter(-1);
        RECT bounds{};
        list_view::ItemRect(hwnd, *s, item, LVIR_BOUNDS, bounds);
        Activate(hwnd, item, POINT{bounds.left, bounds.top});
        return;
    }
    if (key == VK_SPACE && control && s->focused >= 0) {
        Notices notices;
        SetSelected(hwnd, *s, s->focused, !s->selected.Contains(s->focused), notices);
        s->anchor = s->focused;
        SendNotices(hwnd, notices);
        return;
    }
    const int target = KeyTarget(hwnd, *s, key);
    if (target >= 0)
        MoveTo(hwnd, target, control, shift, false);
}

void OnVScroll(HWND hwnd, WORD code)
{
    ListViewState* s = StateOf(hwnd);
    const int page = std::max(1, list_view::CountPerPage(hwnd, *s));
    long long top = s->top;
    switch (code) {
    case SB_LINEUP:
        --top;
        break;
    case SB_LINEDOWN:
        ++top;
        break;
    case SB_PAGEUP:
        top -= page;
        break;
    case SB_PAGEDOWN:
        top += page;
        break;
    case SB_TOP:
        top = 0;
        break;
    case SB_BOTTOM:
        top = s->count;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        // The message's 16 bits cannot hold a long list's position; the bar's own value can.
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        if (GetScrollInfo(hwnd, SB_VERT, &info))
            top = info.nTrackPos;
        break;
    }
    default:
        return;
    }
    ScrollTo(hwnd, *s, top);
}

void OnFocusChange(HWND hwnd, bool gained)
{
    ListViewState* s = StateOf(hwnd);
    s->hasFocus = gained;
    list_view::InvalidateRows(hwnd, *s, -1, -1);
    NMHDR header{};
    NotifyParent(hwnd, gained ? NM_SETFOCUS : NM_KILLFOCUS, &header);
}

LRESULT CALLBACK ListViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ListViewState* s = StateOf(hwnd);
    if (!s && message != WM_NCCREATE)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_NCCREATE:
        s = new ListViewState;
        list_view::MeasureRows(hwnd, *s);
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(s));
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_CREATE:
        UpdateScrollBar(hwnd, *s);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, 0, 0);
        if (s->hotFont)
            DeleteObject(s->hotFont);
        delete s;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_SIZE:
        s->top = std::min(s->top, list_view::LastTop(hwnd, *s));
        UpdateScrollBar(hwnd, *s);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        if (s->hotFont)
            DeleteObject(s->hotFont);
        s->hotFont = nullptr;
        list_view::MeasureRows(hwnd, *s);
        UpdateScrollBar(hwnd, *s);
        if (lParam)
            InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_ERASEBKGND:
        return 1; // the paint fills what it paints
    case WM_PAINT:
        list_view::Paint(hwnd, *s);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        OnFocusChange(hwnd, message == WM_SETFOCUS);
        return 0;
    case WM_GETDLGCODE: {
        // Enter activates the list's item rather than the dialog's default button.
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        const bool enter = msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN;
        return DLGC_WANTARROWS | DLGC_WANTCHARS | (enter ? DLGC_WANTMESSAGE : 0);
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnButtonDown(hwnd, wParam, at, message == WM_LBUTTONDBLCLK);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(hwnd, at);
        return 0;
    case WM_TIMER:
        if (wParam == kHotTimer)
            CheckHot(hwnd);
        return 0;
    case WM_MOUSEWHEEL:
        ScrollTo(hwnd, *s, s->top - static_cast<long long>(GET_WHEEL_DELTA_WPARAM(wParam)) * kWheelRows / WHEEL_DELTA);
        return 0;
    case WM_VSCROLL:
        OnVScroll(hwnd, LOWORD(wParam));
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(hwnd, wParam);
        return 0;
    case LVM_SETITEMCOUNT:
        SetItemCount(hwnd, static_cast<int>(wParam), lParam);
        return TRUE;
    case LVM_GETITEMCOUNT:
        return s->count;
    case LVM_INSERTITEMA:
        return -1; // no items of its own: owner data only
    case LVM_INSERTCOLUMNA:
        return InsertColumn(hwnd, static_cast<int>(wParam), reinterpret_cast<const LVCOLUMNA*>(lParam));
    case LVM_SETCOLUMNWIDTH:
        return SetColumnWidth(hwnd, static_cast<int>(wParam), static_cast<short>(LOWORD(static_cast<DWORD>(lParam))));
    case LVM_GETCOLUMNWIDTH:
        return wParam < s->columns.size() ? s->columns[wParam].width : 0;
    case LVM_GETNEXTITEM:
        return GetNextItem(*s, static_cast<int>(wParam), LOWORD(static_cast<DWORD>(lParam)));
    case LVM_SETITEMSTATE:
        return lParam ? SetItemState(hwnd, static_cast<int>(wParam), *reinterpret_cast<const LVITEMA*>(lParam)) : FALSE;
    case LVM_GETITEMSTATE:
        return static_cast<int>(wParam) >= 0 && static_cast<int>(wParam) < s->count
                   ? ItemState(*s, static_cast<int>(wParam)) & static_cast<UINT>(lParam)
                   : 0;
    case LVM_GETSELECTEDCOUNT:
        return s->selected.Count();
    case LVM_ENSUREVISIBLE:
        if (static_cast<int>(wParam) < 0 || static_cast<int>(wParam) >= s->count)
            return FALSE;
        EnsureVisible(hwnd, *s, static_cast<int>(wParam), lParam != 0);
        return TRUE;
    case LVM_GETTOPINDEX:
        return s->top;
    case LVM_GETCOUNTPERPAGE:
        return list_view::CountPerPage(hwnd, *s);
    case LVM_GETITEMTEXTA:
        return GetItemText(hwnd, static_cast<int>(wParam), reinterpret_cast<LVITEMA*>(lParam));
    case LVM_GETITEMA:
        return GetItem(hwnd, reinterpret_cast<LVITEMA*>(lParam));
    case LVM_GETITEMRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        return rect && list_view::ItemRect(hwnd, *s, static_cast<int>(wParam), rect->left, *rect);
    }
    case LVM_HITTEST: {
        auto* hit = reinterpret_cast<LVHITTESTINFO*>(lParam);
        if (!hit)
            return -1;
        hit->iItem = list_view::HitTest(hwnd, *s, hit->pt, &hit->flags);
        hit->iSubItem = 0;
        return hit->iItem;
    }
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        const DWORD old = s->exStyle;
        const DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFF;
        s->exStyle = (old & ~mask) | (static_cast<DWORD>(lParam) & mask);
        if (s->exStyle != old)
            InvalidateRect(hwnd, nullptr, FALSE);
        return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        return s->exStyle;
    case LVM_SETBKCOLOR:
    case LVM_SETTEXTCOLOR:
    case LVM_SETTEXTBKCOLOR: {
        COLORREF& colour = message == LVM_SETBKCOLOR     ? s->background
                           : message == LVM_SETTEXTCOLOR ? s->textColour
                                                         : s->textBackground;
        colour = static_cast<COLORREF>(lParam);
        InvalidateRect(hwnd, nullptr, FALSE);
        return TRUE;
    }
    case LVM_GETBKCOLOR:
        return s->background == CLR_DEFAULT ? list_view::BackgroundOf(*s) : s->background;
    case LVM_GETTEXTCOLOR:
        return list_view::TextColourOf(*s);
    case LVM_GETTEXTBKCOLOR:
        return s->textBackground == CLR_DEFAULT ? list_view::BackgroundOf(*s) : s->textBackground;
    case LVM_REDRAWITEMS:
        if (static_cast<int>(lParam) >= static_cast<int>(wParam))
            list_view::InvalidateRows(hwnd, *s, std::max(0, static_cast<int>(wParam)), static_cast<int>(lParam));
        return TRUE;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

} // namespace

bool RegisterListViewClass()
{
    return RegisterControlClass(kListViewClassName, ListViewProc, IDC_ARROW, CS_DBLCLKS);
}

} // namespace zv::user
