// CPlayList: the owner-data list view that shows one of the main window's two lists, the video
// list (tab 2) or the image list (tab 3). Each list is a sequence of entries kept in ascending
// name order (byte-wise, case-sensitive, a prefix before the longer name), with no two entries of
// the same name; the view keeps no items of its own: item i shows the name of entry i of the list
// shown. The lists live only in memory.
//
// Double click, Enter and Space ask the main window (PlayFileMessage) to play the entry's file when
// it exists; Delete removes the selected entries. User-interface thread only.
#pragma once

#include "platform/afx/afx_list_ctrl.h"

#include <cstdint>
#include <string>
#include <vector>

struct PlayListEntry {
    std::string name; // the file name without folder
    std::string path; // the full path
};

class CPlayList : public CListCtrl {
public:
    static constexpr std::int32_t kVideoList = 0;
    static constexpr std::int32_t kImageList = 1;

    // The list shown: kVideoList or kImageList. Any other value makes every operation on the
    // shown list do nothing.
    std::int32_t m_nMode = kVideoList;
    std::vector<PlayListEntry> m_videoList;
    std::vector<PlayListEntry> m_imageList;

    // Shows `mode`'s list: the item count follows it. The selection and focus, which belong to
    // the list left, are cleared when the list changes.
    void ShowList(std::int32_t mode);

    // Adds the entry in name order, or gives the entry of that name the new path. Nothing for a
    // null name or path or an empty name.
    void AddEntry(const char* name, const char* path);
    void ClearEntries();
    // Removes the entries of every selected item; nothing is selected or focused afterwards.
    void DeleteSelected();
    // Selects the item after the first selected one (the first item when none; wraps to the
    // first), and gives its path. A list of at most one item with a selection stays as it is
    // and gives an empty path.
    std::string SelectNext(bool scrollIntoView);
    // The same backwards (wraps to the last); always scrolls. Nothing for at most one item.
    std::string SelectPrev();
    // The first selected item's name and its entry's path; empty when nothing is selected.
    std::string GetSelectedName() const;
    std::string GetSelectedPath() const;
    // Moves on from the entry named `name` in `list` (kVideoList or kImageList, whichever is
    // shown) to the next one, wrapping; from the first entry when `name` is not in it. `name`
    // and `path` become that entry's (both empty for an empty list). When `list` is the one
    // shown, that item alone is selected.
    void AdvanceFromName(std::int32_t list, std::string& name, std::string& path);
    // Only `index` selected and focused, scrolled into view; nothing for an index outside.
    void SelectOnly(int index);
    // The path of the entry named exactly `name`; empty for an empty name or no such entry.
    std::string FindPath(const std::string& name) const;
    // Plays the first selected entry, as a double click on it would.
    void PlaySelected();

    // The entries of the list shown; null for a mode that is neither list.
    const std::vector<PlayListEntry>* CurrentList() const;

protected:
    std::vector<PlayListEntry>* ShownEntries();
    // The entry item `item` shows; null outside the list shown.
    const PlayListEntry* EntryAt(int item) const;
    std::vector<PlayListEntry>* ListOf(std::int32_t mode);
    const std::vector<PlayListEntry>* ListOf(std::int32_t mode) const;
    // Item count := size of the list shown.
    void SyncItemCount();
    // Sends PlayFileMessage for the item's entry when its file exists, then takes the focus back.
    void PlayItem(int item);
    void ClearSelection();

    void OnGetDispInfo(NMHDR* header, LRESULT* result);
    void OnItemActivate(NMHDR* header, LRESULT* result);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    void OnSize(UINT type, int cx, int cy);
    DECLARE_MESSAGE_MAP()
};
