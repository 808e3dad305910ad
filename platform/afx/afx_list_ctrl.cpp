#include "platform/afx/afx_list_ctrl.h"

#include <vector>

BOOL CListCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(kListViewClassName, nullptr, style, rect, parent, id);
}

int CListCtrl::InsertColumn(int column, LPCSTR heading, int format, int width, int subItem)
{
    LVCOLUMNA added{};
    added.mask = LVCF_TEXT | LVCF_FMT;
    added.pszText = const_cast<LPSTR>(heading);
    added.fmt = format;
    if (width != -1) {
        added.mask |= LVCF_WIDTH;
        added.cx = width;
    }
    if (subItem != -1) {
        added.mask |= LVCF_SUBITEM;
        added.iSubItem = subItem;
    }
    return InsertColumn(column, &added);
}

int CListCtrl::InsertColumn(int column, const LVCOLUMNA* column_)
{
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(column_)));
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask)
{
    LVITEMA change{};
    change.state = state;
    change.stateMask = mask;
    return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&change)));
}

// A position is the item's index plus one, so that no position is null but the end.
POSITION CListCtrl::GetFirstSelectedItemPosition() const
{
    const int first = GetNextItem(-1, LVNI_SELECTED);
    return first < 0 ? nullptr : reinterpret_cast<POSITION>(static_cast<std::intptr_t>(first) + 1);
}

int CListCtrl::GetNextSelectedItem(POSITION& position) const
{
    const int item = static_cast<int>(reinterpret_cast<std::intptr_t>(position) - 1);
    const int next = GetNextItem(item, LVNI_SELECTED);
    position = next < 0 ? nullptr : reinterpret_cast<POSITION>(static_cast<std::intptr_t>(next) + 1);
    return item;
}

int CListCtrl::GetItemText(int item, int subItem, LPSTR text, int size) const
{
    LVITEMA wanted{};
    wanted.iSubItem = subItem;
    wanted.pszText = text;
    wanted.cchTextMax = size;
    return static_cast<int>(SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&wanted)));
}

std::string CListCtrl::GetItemText(int item, int subItem) const
{
    // A text that fills the buffer may have been cut: try again with more room.
    std::vector<char> buffer(256);
    for (;;) {
        const int length = GetItemText(item, subItem, buffer.data(), static_cast<int>(buffer.size()));
        if (length < static_cast<int>(buffer.size()) - 1 || buffer.size() >= (1u << 20))
            return std::string(buffer.data(), static_cast<size_t>(std::max(0, length)));
        buffer.resize(buffer.size() * 2);
    }
}
