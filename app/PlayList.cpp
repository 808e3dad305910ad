#include "app/PlayList.h"

#include "app/ProgramMessages.h"
#include "platform/afx/afx_app.h"
#include "platform/afx/message_map.h"
#include "platform/user/system_metrics.h"
#include "platform/win32/files.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// std::string compares as unsigned bytes, a prefix before the longer name: the lists' order.
bool NameBefore(const PlayListEntry& entry, const std::string& name) { return entry.name < name; }

std::vector<PlayListEntry>::const_iterator FindEntry(const std::vector<PlayListEntry>& entries, const std::string& name)
{
    const auto at = std::lower_bound(entries.begin(), entries.end(), name, NameBefore);
    return at != entries.end() && at->name == name ? at : entries.end();
}

bool IsExistingFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

constexpr UINT kSelectedAndFocused = LVIS_SELECTED | LVIS_FOCUSED;

} // namespace

BEGIN_MESSAGE_MAP(CPlayList, CListCtrl)
    ON_NOTIFY_REFLECT(LVN_GETDISPINFO, OnGetDispInfo)
    ON_NOTIFY_REFLECT(LVN_ITEMACTIVATE, OnItemActivate)
    ON_WM_KEYDOWN()
    ON_WM_SIZE()
END_MESSAGE_MAP()

std::vector<PlayListEntry>* CPlayList::ListOf(std::int32_t mode)
{
    return mode == kVideoList ? &m_videoList : mode == kImageList ? &m_imageList : nullptr;
}

const std::vector<PlayListEntry>* CPlayList::ListOf(std::int32_t mode) const
{
    return const_cast<CPlayList*>(this)->ListOf(mode);
}

std::vector<PlayListEntry>* CPlayList::ShownEntries() { return ListOf(m_nMode); }

const std::vector<PlayListEntry>* CPlayList::CurrentList() const { return ListOf(m_nMode); }

const PlayListEntry* CPlayList::EntryAt(int item) const
{
    const auto* entries = CurrentList();
    if (!entries || item < 0 || static_cast<size_t>(item) >= entries->size())
        return nullptr;
    return &(*entries)[static_cast<size_t>(item)];
}

void CPlayList::SyncItemCount()
{
    const auto* entries = CurrentList();
    SetItemCount(entries ? static_cast<int>(entries->size()) : 0);
}

void CPlayList::ClearSelection() { SetItemState(-1, 0, kSelectedAndFocused); }

void CPlayList::ShowList(std::int32_t mode)
{
    if (mode != m_nMode) {
        m_nMode = mode;
        ClearSelection();
    }
    SyncItemCount();
}

void CPlayList::AddEntry(const char* name, const char* path)
{
    auto* entries = ShownEntries();
    if (!entries || !name || !path || !*name)
        return;
    const auto at = std::lower_bound(entries->begin(), entries->end(), std::string(name), NameBefore);
    if (at != entries->end() && at->name == name)
        at->path = path;
    else
        entries->insert(at, PlayListEntry{name, path});
    SyncItemCount();
}

void CPlayList::ClearEntries()
{
    auto* entries = ShownEntries();
    if (!entries)
        return;
    entries->clear();
    SyncItemCount();
}

void CPlayList::DeleteSelected()
{
    auto* entries = ShownEntries();
    if (!entries)
        return;
    // Item i shows entry i, so the selected items are the entries to go.
    std::vector<bool> selected(entries->size(), false);
    for (POSITION at = GetFirstSelectedItemPosition(); at;) {
        const int item = GetNextSelectedItem(at);
        if (item >= 0 && static_cast<size_t>(item) < selected.size())
            selected[static_cast<size_t>(item)] = true;
    }
    std::vector<PlayListEntry> kept;
    for (size_t i = 0; i < entries->size(); ++i) {
        if (!selected[i])
            kept.push_back(std::move((*entries)[i]));
    }
    *entries = std::move(kept);
    ClearSelection();
    SyncItemCount();
}

std::string CPlayList::SelectNext(bool scrollIntoView)
{
    const int count = GetItemCount();
    int item = GetNextItem(-1, LVNI_SELECTED);
    if (count == 0 || (count == 1 && item >= 0))
        return {};
    if (item < 0) {
        item = 0;
    } else {
        SetItemState(item, 0, kSelectedAndFocused);
        if (++item >= count)
            item = 0;
    }
    SetItemState(item, kSelectedAndFocused, kSelectedAndFocused);
    if (scrollIntoView)
        EnsureVisible(item, FALSE);
    const PlayListEntry* entry = EntryAt(item);
    return entry ? FindPath(entry->name) : std::string();
}

std::string CPlayList::SelectPrev()
{
    const int count = GetItemCount();
    if (count <= 1)
        return {};
    int item = GetNextItem(-1, LVNI_SELECTED);
    if (item < 0) {
        item = 0;
    } else {
        SetItemState(item, 0, kSelectedAndFocused);
        if (--item < 0)
            item = count - 1;
    }
    SetItemState(item, kSelectedAndFocused, kSelectedAndFocused);
    EnsureVisible(item, FALSE);
    const PlayListEntry* entry = EntryAt(item);
    return entry ? FindPath(entry->name) : std::string();
}

std::string CPlayList::GetSelectedName() const
{
    const PlayListEntry* entry = EntryAt(GetNextItem(-1, LVNI_SELECTED));
    return entry ? entry->name : std::string();
}

std::string CPlayList::GetSelectedPath() const { return FindPath(GetSelectedName()); }

void CPlayList::AdvanceFromName(std::int32_t list, std::string& name, std::string& path)
{
    path.clear();
    const auto* entries = ListOf(list);
    if (!entries)
        return;
    if (entries->empty()) {
        name.clear();
        return;
    }
    const auto found = FindEntry(*entries, name);
    size_t next = found == entries->end() ? 0 : static_cast<size_t>(found - entries->begin()) + 1;
    if (next >= entries->size())
        next = 0;
    name = (*entries)[next].name;
    path = (*entries)[next].path;
    // The row belongs to that list: in the other list it would mark an unrelated entry.
    if (list == m_nMode)
        SelectOnly(static_cast<int>(next));
}

void CPlayList::SelectOnly(int index)
{
    if (index < 0 || index >= GetItemCount())
        return;
    ClearSelection();
    SetItemState(index, kSelectedAndFocused, kSelectedAndFocused);
    EnsureVisible(index, FALSE);
}

std::string CPlayList::FindPath(const std::string& name) const
{
    const auto* entries = CurrentList();
    if (!entries || name.empty())
        return {};
    const auto found = FindEntry(*entries, name);
    return found != entries->end() ? found->path : std::string();
}

void CPlayList::PlaySelected() { PlayItem(GetNextItem(-1, LVNI_SELECTED)); }

void CPlayList::PlayItem(int item)
{
    const PlayListEntry* entry = EntryAt(item);
    if (!entry)
        return;
    // A copy: the main window may change the list while it handles the message.
    const std::string path = FindPath(entry->name);
    if (path.empty() || !IsExistingFile(path))
        return;
    if (CWnd* main = AfxGetMainWnd())
        main->SendMessage(PlayFileMessage, 0, reinterpret_cast<LPARAM>(path.c_str()));
    if (m_hWnd)
        SetFocus();
}

void CPlayList::OnGetDispInfo(NMHDR* header, LRESULT* result)
{
    *result = 0;
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
    const PlayListEntry* entry = EntryAt(item.iItem);
    if (!entry)
        return;
    if ((item.mask & LVIF_TEXT) && item.iSubItem == 0 && item.pszText && item.cchTextMax > 0) {
        const size_t length = std::min(entry->name.size(), static_cast<size_t>(item.cchTextMax) - 1);
        std::memcpy(item.pszText, entry->name.data(), length);
        item.pszText[length] = '\0';
    }
    // The item's index: an address into the list would dangle once the list changes.
    if (item.mask & LVIF_PARAM)
        item.lParam = item.iItem;
}

void CPlayList::OnItemActivate(NMHDR* header, LRESULT* result)
{
    *result = 0;
    PlayItem(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
}

void CPlayList::OnKeyDown(UINT key, UINT repeat, UINT flags)
{
    if (key == VK_SPACE)
        PlaySelected();
    else if (key == VK_DELETE)
        DeleteSelected();
    CListCtrl::OnKeyDown(key, repeat, flags);
}

void CPlayList::OnSize(UINT type, int cx, int cy)
{
    CListCtrl::OnSize(type, cx, cy);
    SetColumnWidth(0, cx - GetSystemMetrics(SM_CXVSCROLL));
}
