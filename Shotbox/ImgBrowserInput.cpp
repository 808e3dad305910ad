// The image browser's keys, mouse and scroll bar.
#include "Shotbox/ImgBrowser.h"

#include <algorithm>

namespace {

bool IsNavigationKey(WPARAM key)
{
    return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN || key == VK_HOME || key == VK_END;
}

} // namespace

BOOL CImgBrowser::PreTranslateMessage(MSG* msg)
{
    // A dialog would take the arrows for moving between its controls: they are the browser's
    // while it has the focus, and handled here once. Other keys (Delete) go on to the dialog.
    if (msg->message == WM_KEYDOWN && msg->hwnd == m_hWnd && IsNavigationKey(msg->wParam)) {
        MoveFocusByKey(static_cast<UINT>(msg->wParam));
        return TRUE;
    }
    return CWnd::PreTranslateMessage(msg);
}

void CImgBrowser::OnKeyDown(UINT key, UINT, UINT)
{
    MoveFocusByKey(key);
    Default();
}

void CImgBrowser::MoveFocusByKey(UINT key)
{
    if (m_nCount > 0) {
        const bool shift = GetKeyState(VK_SHIFT) < 0;
        const bool ctrl = GetKeyState(VK_CONTROL) < 0;
        switch (key) {
        case VK_RIGHT: MoveFocusRight(shift, ctrl); break;
        case VK_LEFT: MoveFocusLeft(shift, ctrl); break;
        case VK_DOWN: MoveFocusDown(shift, ctrl); break;
        case VK_UP: MoveFocusUp(shift, ctrl); break;
        case VK_HOME: MoveFocusHome(shift, ctrl); break;
        case VK_END: MoveFocusEnd(shift, ctrl); break;
        default: break;
        }
    }
}

void CImgBrowser::ToggleRangeFromFocus(int target)
{
    SelectRange(m_nFocus, target, !IsRangeSelected(m_nFocus, target));
}

void CImgBrowser::StepFocusTo(int target, bool shift, bool ctrl)
{
    const bool forward = target > m_nFocus;
    if (shift)
        ToggleRangeFromFocus(target);
    else
        ClearSelection();
    InvalidateItem(m_nFocus, FALSE);
    InvalidateItem(target, FALSE);
    RECT cell, client;
    GetItemRect(target, &cell);
    GetClientRect(&client);
    if (forward && cell.bottom > client.bottom)
        SetTopRow(m_nTopRow + 1);
    else if (!forward && cell.top < client.top)
        SetTopRow(m_nTopRow - 1);
    SetFocusItem(target);
    if (!ctrl)
        SelectItem(target, TRUE);
    UpdateWindow();
    EnsureVisible(target);
}

void CImgBrowser::MoveFocusRight(bool shift, bool ctrl)
{
    if (m_nFocus == m_nCount - 1)
        return;
    StepFocusTo(m_nFocus < 0 ? FirstVisibleItem() : m_nFocus + 1, shift, ctrl);
}

void CImgBrowser::MoveFocusLeft(bool shift, bool ctrl)
{
    if (m_nFocus == 0)
        return;
    StepFocusTo(m_nFocus < 0 ? FirstVisibleItem() : m_nFocus - 1, shift, ctrl);
}

void CImgBrowser::MoveFocusDown(bool shift, bool ctrl)
{
    if (m_nCount < 2 || m_nFocus == m_nCount - 1)
        return;
    const int target = m_nFocus < 0 ? FirstVisibleItem() : std::min(m_nFocus + m_nColumns, m_nCount - 1);
    // No focus counts as another row: the key then starts at the first visible item.
    if (m_nFocus < 0 || target / m_nColumns != m_nFocus / m_nColumns)
        StepFocusTo(target, shift, ctrl);
    else
        EnsureVisible(target);
}

void CImgBrowser::MoveFocusUp(bool shift, bool ctrl)
{
    if (m_nFocus >= 0 && m_nFocus < m_nColumns)
        return;
    StepFocusTo(m_nFocus < 0 ? FirstVisibleItem() : m_nFocus - m_nColumns, shift, ctrl);
}

void CImgBrowser::MoveFocusHome(bool shift, bool)
{
    SetTopRow(0);
    if (m_nFocus == 0)
        return;
    if (shift)
        ToggleRangeFromFocus(0);
    else
        ClearSelection();
    SetFocusItem(0);
    SelectItem(0, TRUE);
}

void CImgBrowser::MoveFocusEnd(bool shift, bool)
{
    SetTopRow(MaxTopRow());
    const int last = m_nCount - 1;
    if (m_nFocus == last)
        return;
    if (shift)
        ToggleRangeFromFocus(last);
    else
        ClearSelection();
    SetFocusItem(last);
    SelectItem(last, TRUE);
}

void CImgBrowser::OnLButtonDown(UINT flags, CPoint point)
{
    SetFocus();
    const int hit = HitTest(point);
    if (flags & MK_SHIFT) {
        if (hit >= 0) {
            ClearSelection();
            SelectRange(m_nFocus, hit, TRUE);
        }
    } else if (flags & MK_CONTROL) {
        if (hit >= 0) {
            SelectItem(hit, !GetItem(hit)->IsSelected());
            SetFocusItem(hit);
        }
    } else {
        ClearSelection();
        if (hit < 0)
            NotifyParent(0, static_cast<LPARAM>(-1));
        else
            SelectItem(hit, TRUE);
        SetFocusItem(hit);
    }
    Default();
}

void CImgBrowser::OnLButtonDblClk(UINT, CPoint) {}

void CImgBrowser::OnVScroll(UINT code, UINT position, CScrollBar*)
{
    const int last = MaxTopRow();
    const int visible = GetVisibleRows();
    int top = m_nTopRow;
    switch (code) {
    case SB_LINEUP:
        if (top > 0)
            --top;
        break;
    case SB_LINEDOWN:
        if (top < last)
            ++top;
        break;
    case SB_PAGEUP:
        if (top != 0)
            top = std::max(0, top - visible);
        break;
    case SB_PAGEDOWN:
        if (top != last)
            top = std::min(last, top + visible);
        break;
    case SB_BOTTOM:
        top = last;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        top = static_cast<int>(position);
        break;
    default:
        break;
    }
    SetTopRow(top);
    Default();
}
