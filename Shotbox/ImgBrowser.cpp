// The image browser's list, geometry, selection, focus, scrolling and painting; the keys and the
// mouse are in ImgBrowserInput.cpp.
#include "Shotbox/ImgBrowser.h"

#include "platform/user/system_metrics.h"
#include "platform/win32/files.h"
#include "platform/win32/find_files.h"
#include "platform/win32/handle_table.h"

#include <algorithm>
#include <new>
#include <strings.h>

IMPLEMENT_DYNAMIC(CImgBrowser, CWnd)

BEGIN_MESSAGE_MAP(CImgBrowser, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_KEYDOWN()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_VSCROLL()
    ON_WM_SETFOCUS()
    ON_WM_KILLFOCUS()
END_MESSAGE_MAP()

CImgBrowser::CImgBrowser(UINT notifyMessage) : m_nNotifyMsg(notifyMessage) {}

CImgBrowser::~CImgBrowser()
{
    // While the items still exist: destroying the window may repaint or move the focus.
    if (m_hWnd)
        DestroyWindow();
}

BOOL CImgBrowser::Create(const RECT& rect, CWnd* parent, UINT id, DWORD style, DWORD exStyle)
{
    m_nCtrlId = static_cast<int>(id);
    // A control narrower than its scroll bar still gets cells of a pixel: every row computation
    // divides by the cell height.
    const int width = rect.right - rect.left;
    m_nCellWidth = std::max(1, (width - GetSystemMetrics(SM_CXVSCROLL)) / m_nColumns);
    m_nCellHeight = std::max(1, static_cast<int>(m_nCellWidth * 0.78571));
    CImgBrowserItem::SetCellSize(m_nCellWidth, m_nCellHeight);
    if (!CreateEx(exStyle | WS_EX_STATICEDGE | WS_EX_ACCEPTFILES, nullptr, "Image Browser",
                  style | WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_GROUP | WS_TABSTOP, rect,
                  parent, id))
        return FALSE;
    UpdateScrollRange();
    return TRUE;
}

CImgBrowserItem* CImgBrowser::GetItem(int index) const
{
    return index >= 0 && index < m_nCount ? m_pItems[static_cast<size_t>(index)].get() : nullptr;
}

int CImgBrowser::GetSelectedCount() const
{
    return static_cast<int>(std::count_if(m_pItems.begin(), m_pItems.end(), [](const auto& item) { return item->IsSelected(); }));
}

int CImgBrowser::GetSelectedItems(int n, int* out) const
{
    if (n <= 0 || !out)
        return -1;
    int filled = 0;
    for (int i = 0; i < m_nCount && filled < n; ++i) {
        if (GetItem(i)->IsSelected())
            out[filled++] = i;
    }
    return filled;
}

std::vector<int> CImgBrowser::GetSelectedItems() const
{
    std::vector<int> selected;
    for (int i = 0; i < m_nCount; ++i) {
        if (GetItem(i)->IsSelected())
            selected.push_back(i);
    }
    return selected;
}

BOOL CImgBrowser::GetItemRect(int index, RECT* out) const
{
    if (!out)
        return FALSE;
    const int left = (index % m_nColumns) * m_nCellWidth;
    const int top = (index / m_nColumns - m_nTopRow) * m_nCellHeight;
    *out = {left, top, left + m_nCellWidth, top + m_nCellHeight};
    return TRUE;
}

int CImgBrowser::HitTest(POINT point) const
{
    const int first = m_nTopRow * m_nColumns;
    const int end = std::min(m_nCount, first + (GetVisibleRows() + 1) * m_nColumns);
    for (int i = first; i < end; ++i) {
        CRect cell;
        GetItemRect(i, &cell);
        if (cell.PtInRect(point))
            return i;
    }
    return -1;
}

BOOL CImgBrowser::IsRangeSelected(int a, int b) const
{
    if (a == -1 && b == -1)
        return FALSE;
    if (a == -1)
        a = b;
    if (b == -1)
        b = a;
    const int low = std::min(a, b), high = std::max(a, b);
    for (int i = low; i <= high; ++i) {
        const CImgBrowserItem* item = GetItem(i);
        if (!item || !item->IsSelected())
            return FALSE;
    }
    return TRUE;
}

int CImgBrowser::AddItem(const char* path)
{
    if (!path || !*path)
        return -1;
    // Looked up before anything is made, so a listed path costs nothing and leaves nothing behind.
    if (m_bNoDuplicates) {
        for (int i = 0; i < m_nCount; ++i) {
            if (strcasecmp(GetItem(i)->GetPath().c_str(), path) == 0)
                return i;
        }
    }
    try {
        auto item = std::make_unique<CImgBrowserItem>(path);
        if (m_nCount == m_nCapacity) {
            m_pItems.reserve(static_cast<size_t>(m_nCapacity + m_nGrowBy));
            m_nCapacity += m_nGrowBy;
        }
        m_pItems.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    const int index = m_nCount++;
    InvalidateItem(index, TRUE);
    if (m_hWnd)
        UpdateWindow();
    UpdateScrollRange();
    return index;
}

void CImgBrowser::RemoveItem(int index)
{
    if (index < 0 || index >= m_nCount)
        return;
    // The parent keeps per-picture state (the title) by the focus item: it hears of the focus
    // leaving while the picture still exists, and of the picture that takes its place.
    const bool wasFocus = index == m_nFocus;
    if (wasFocus)
        SetFocusItem(-1);
    const int oldCount = m_nCount;
    m_pItems.erase(m_pItems.begin() + index);
    --m_nCount;
    if (m_nFocus > index)
        --m_nFocus;
    if (m_nTopRow > MaxTopRow())
        SetTopRow(MaxTopRow());
    for (int i = index; i < oldCount; ++i)
        InvalidateItem(i, TRUE);
    if (wasFocus && m_nCount > 0)
        SetFocusItem(std::min(index, m_nCount - 1));
    if (m_hWnd)
        UpdateWindow();
    UpdateScrollRange();
}

void CImgBrowser::RemoveAll()
{
    SetFocusItem(-1);
    m_pItems.clear();
    m_nCount = 0;
    m_nTopRow = 0;
    RedrawNow();
    UpdateScrollRange();
}

int CImgBrowser::LoadFolder(const char* folder, const char* pattern)
{
    RemoveAll();
    if (!folder || !*folder || !pattern || !*pattern)
        return -1;
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    std::string base = folder;
    if (base.size() > 1 && (base.back() == '/' || base.back() == '\\'))
        base.pop_back();
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((base + "/" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    // A folder lists each name once; its names may differ only in letter case.
    const BYTE noDuplicates = m_bNoDuplicates;
    m_bNoDuplicates = 0;
    int matches = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        ++matches;
        AddItem((base + "/" + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
    m_bNoDuplicates = noDuplicates;
    return matches;
}

BOOL CImgBrowser::SelectItem(int index, BOOL state)
{
    CImgBrowserItem* item = GetItem(index);
    if (!item)
        return FALSE;
    if (!m_bMultiSelect)
        ClearSelection();
    const bool previous = item->IsSelected();
    if (previous == (state != FALSE))
        return previous;
    item->SetSelected(state != FALSE);
    InvalidateItem(index, FALSE);
    if (m_hWnd)
        UpdateWindow();
    NotifyParent(0, index);
    return previous;
}

void CImgBrowser::SelectRange(int a, int b, BOOL state)
{
    if (a == -1 && b == -1)
        return;
    if (a == -1)
        a = b;
    if (b == -1)
        b = a;
    const int low = std::max(0, std::min(a, b)), high = std::min(m_nCount - 1, std::max(a, b));
    for (int i = low; i <= high; ++i)
        SelectItem(i, state);
}

void CImgBrowser::ClearSelection()
{
    for (int i = 0; i < m_nCount; ++i) {
        if (GetItem(i)->IsSelected()) {
            GetItem(i)->SetSelected(false);
            InvalidateItem(i, FALSE);
        }
    }
}

int CImgBrowser::SetFocusItem(int index)
{
    if (index != -1 && (index < 0 || index >= m_nCount))
        return -1;
    if (index == m_nFocus)
        return index;
    const int old = m_nFocus;
    InvalidateItem(old, FALSE);
    InvalidateItem(index, FALSE);
    m_nFocus = index;
    if (m_hWnd)
        UpdateWindow();
    NotifyParent(1, MAKELONG(static_cast<WORD>(old), static_cast<WORD>(index)));
    return old;
}

void CImgBrowser::EnsureVisible(int index)
{
    if (index < 0 || index >= m_nCount || !m_hWnd)
        return;
    RECT cell, client;
    GetItemRect(index, &cell);
    GetClientRect(&client);
    int top = m_nTopRow;
    if (cell.top < client.top)
        top += cell.top / m_nCellHeight;
    else if (cell.bottom > client.bottom)
        top += (cell.bottom - client.bottom) / m_nCellHeight;
    SetTopRow(top);
    UpdateScrollRange();
}

void CImgBrowser::UpdateScrollRange()
{
    if (!m_hWnd)
        return;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = MaxTopRow();
    info.nPage = 1;
    info.nPos = m_nTopRow;
    SetScrollInfo(SB_VERT, &info, TRUE);
}

int CImgBrowser::GetVisibleRows() const
{
    if (!m_hWnd)
        return 0;
    RECT client;
    GetClientRect(&client);
    return (client.bottom - client.top) / std::max(1, m_nCellHeight);
}

void CImgBrowser::NotifyParent(WPARAM wParam, LPARAM lParam)
{
    if (!m_hWnd || !IsWindow(m_hWnd))
        return;
    const HWND parent = ::GetParent(m_hWnd);
    if (parent && IsWindow(parent))
        ::SendMessageA(parent, m_nNotifyMsg, wParam, lParam);
}

int CImgBrowser::FirstVisibleItem() const
{
    return std::min(m_nTopRow * m_nColumns, m_nCount - 1);
}

int CImgBrowser::RowCount() const
{
    return (m_nCount + m_nColumns - 1) / m_nColumns;
}

int CImgBrowser::MaxTopRow() const
{
    return std::max(0, RowCount() - GetVisibleRows());
}

void CImgBrowser::SetTopRow(int row)
{
    row = std::clamp(row, 0, MaxTopRow());
    if (row == m_nTopRow)
        return;
    m_nTopRow = row;
    RedrawNow();
    UpdateScrollRange();
}

void CImgBrowser::InvalidateItem(int index, BOOL erase)
{
    if (!m_hWnd || index < 0)
        return;
    RECT cell;
    GetItemRect(index, &cell);
    InvalidateRect(&cell, erase);
}

void CImgBrowser::RedrawNow()
{
    if (m_hWnd)
        RedrawWindow(nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
}

BOOL CImgBrowser::OnEraseBkgnd(CDC* dc)
{
    RECT client;
    GetClientRect(&client);
    dc->FillSolidRect(&client, CImgBrowserItem::BackgroundColour());
    return TRUE;
}

void CImgBrowser::OnPaint()
{
    CPaintDC dc(this);
    const bool hasFocus = ::GetFocus() == m_hWnd;
    const int first = m_nTopRow * m_nColumns;
    const int end = std::min(m_nCount, first + (GetVisibleRows() + 1) * m_nColumns);
    for (int i = first; i < end; ++i) {
        RECT cell;
        GetItemRect(i, &cell);
        CImgBrowserItem* item = GetItem(i);
        item->Draw(dc, cell, item->IsSelected(), hasFocus && i == m_nFocus);
    }
}

void CImgBrowser::OnSetFocus(CWnd*)
{
    InvalidateItem(m_nFocus, FALSE);
    UpdateWindow();
    Default();
}

void CImgBrowser::OnKillFocus(CWnd*)
{
    InvalidateItem(m_nFocus, FALSE);
    UpdateWindow();
    Default();
}
