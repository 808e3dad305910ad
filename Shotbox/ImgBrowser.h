// The snapshot manager's thumbnail grid: a child window listing image files in three columns, each
// cell a thumbnail over the picture's full size, with a focus item, a multiple selection, keyboard
// and mouse handling, and notifications to the parent.
//
// Notifications go to the parent as SendMessage(parent, notify message, wParam, lParam):
//   wParam 0: an item's selected state changed (lParam its index), or a plain click hit no item
//             (lParam -1);
//   wParam 1: the focus item changed; LOWORD(lParam) the old index, HIWORD(lParam) the new one,
//             0xFFFF for none.
// Removing the focus item first reports it losing the focus (old = its index, new = none) while
// the item still exists, then the item that takes its place (old = none); an item removed before
// the focus item moves the focus index along with its picture, without a notification.
#pragma once

#include "imagelib/PixImage.h"
#include "platform/afx/afxwin.h"

#include <memory>
#include <string>
#include <vector>

// The message the snapshot manager's browser sends its dialog.
constexpr UINT ImgBrowserNotifyMessage = 0x8078;

class CImgBrowserItem {
public:
    // Loads the file at the process-wide cell size; a file that fails to load still makes an item
    // (empty path, size 0 x 0).
    explicit CImgBrowserItem(const char* path);

    // Forgets everything (selection, size, thumbnail, path, title), then reads the file and keeps a
    // thumbnail of the cell's picture area. FALSE for a missing or unreadable file.
    BOOL Load(const char* path, int cellWidth, int cellHeight);
    // Load at the process-wide cell size: the title is emptied and the selection cleared.
    BOOL Reload(const char* path);

    // Empty when the file could not be loaded.
    const std::string& GetPath() const { return m_strPath; }
    const std::string& GetTitle() const { return m_strTitle; }
    // Null empties the title.
    void SetTitle(const char* text) { m_strTitle = text ? text : ""; }
    // The picture's full size; FALSE (0 x 0) when nothing is loaded.
    BOOL GetOriginalSize(int* width, int* height) const;
    // Where the thumbnail lies in a cell: inset 7 pixels left, top and right, 19 at the bottom.
    BOOL GetImageRect(const RECT& cell, RECT* out) const;
    bool IsSelected() const { return m_bSelected != 0; }
    void SetSelected(bool selected) { m_bSelected = selected ? 1 : 0; }

    // Three one-pixel rings (focus, selection, frame) around a button-face panel, the thumbnail,
    // and a "WxH" caption at the bottom.
    void Draw(HDC dc, const RECT& cell, bool selected, bool focusRing);

    // The cell size the last browser's Create computed, used by items that load later.
    static void SetCellSize(int width, int height);
    static int CellWidth();
    static int CellHeight();
    // The browser's background: the window colour as the program started.
    static COLORREF BackgroundColour();

private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    CPixImage m_thumb;
    std::string m_strPath;
    std::string m_strTitle;
    BYTE m_bSelected = 0;
};

class CImgBrowser : public CWnd {
    DECLARE_DYNAMIC(CImgBrowser)

public:
    explicit CImgBrowser(UINT notifyMessage);
    ~CImgBrowser() override;

    using CWnd::Create;
    // Cell width = (rect width - vertical scroll bar width) / 3, cell height = width x 0.78571 (at
    // least one pixel each); both also kept process-wide for items loaded later.
    virtual BOOL Create(const RECT& rect, CWnd* parent, UINT id, DWORD style = 0, DWORD exStyle = 0);

    int GetItemCount() const { return m_nCount; }
    // Null outside 0 .. count - 1.
    CImgBrowserItem* GetItem(int index) const;
    // -1 for none.
    int GetFocusItem() const { return m_nFocus; }
    int GetSelectedCount() const;
    // Up to `n` selected indices in index order; -1 when n is not positive or out is null.
    int GetSelectedItems(int n, int* out) const;
    std::vector<int> GetSelectedItems() const;
    // The cell in client coordinates; FALSE only for a null out.
    BOOL GetItemRect(int index, RECT* out) const;
    // The visible item under the point, or -1.
    int HitTest(POINT point) const;
    BOOL IsRangeSelected(int a, int b) const;
    int GetCellWidth() const { return m_nCellWidth; }
    int GetCellHeight() const { return m_nCellHeight; }
    int GetTopRow() const { return m_nTopRow; }

    // Adds the file as the last item and returns its index; a path already listed (in any letter
    // case) returns that item's index instead. -1 for an empty path or when out of memory.
    int AddItem(const char* path);
    void RemoveItem(int index);
    void RemoveAll();
    // Replaces the list with the files of `folder` matching `pattern` (case-insensitive "*.jpg");
    // the number of matches, 0 for none or a missing folder, -1 for bad arguments or a folder that
    // is a file.
    int LoadFolder(const char* folder, const char* pattern);

    // Returns the item's previous state (0 for an index outside the list).
    BOOL SelectItem(int index, BOOL state);
    void SelectRange(int a, int b, BOOL state);
    void ClearSelection();
    // -1 always allowed; returns the previous focus, or -1 (nothing changed) for a bad index.
    int SetFocusItem(int index);
    void EnsureVisible(int index);
    void UpdateScrollRange();
    int GetVisibleRows() const;
    void NotifyParent(WPARAM wParam, LPARAM lParam);

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* dc);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonDblClk(UINT flags, CPoint point);
    void OnVScroll(UINT code, UINT position, CScrollBar* bar);
    void OnSetFocus(CWnd* old);
    void OnKillFocus(CWnd* next);
    DECLARE_MESSAGE_MAP()

private:
    // The arrows, Home and End with the Shift and Ctrl keys as they are held.
    void MoveFocusByKey(UINT key);
    void MoveFocusRight(bool shift, bool ctrl);
    void MoveFocusLeft(bool shift, bool ctrl);
    void MoveFocusDown(bool shift, bool ctrl);
    void MoveFocusUp(bool shift, bool ctrl);
    void MoveFocusHome(bool shift, bool ctrl);
    void MoveFocusEnd(bool shift, bool ctrl);
    // One step of the arrow keys: selection by Shift or a clear, focus, scrolling by a row.
    void StepFocusTo(int target, bool shift, bool ctrl);
    // Shift with a target: the range from the focus to the target flips to selected, or to
    // unselected when it already is wholly selected.
    void ToggleRangeFromFocus(int target);
    int FirstVisibleItem() const;
    int RowCount() const;
    int MaxTopRow() const;
    void SetTopRow(int row);
    void InvalidateItem(int index, BOOL erase);
    void RedrawNow();

    int m_nCtrlId = 0;
    UINT m_nNotifyMsg;
    int m_nGrowBy = 10;
    int m_nCapacity = 0;
    int m_nCount = 0;
    int m_nColumns = 3;
    int m_nCellWidth = 0;
    int m_nCellHeight = 0;
    int m_nTopRow = 0;
    int m_nFocus = -1;
    std::vector<std::unique_ptr<CImgBrowserItem>> m_pItems;
    BYTE m_bNoDuplicates = 1;
    BYTE m_bMultiSelect = 1;
};
