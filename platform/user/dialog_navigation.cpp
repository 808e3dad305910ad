// Keyboard navigation in dialogs: IsDialogMessageA and the tab and group orders it follows.
#include "platform/user/button.h"
#include "platform/user/dialog.h"
#include "platform/user/dialog_state.h"
#include "platform/user/input.h"

#include <algorithm>
#include <vector>

namespace zv::user {
namespace {

std::vector<HWND> ChildrenInOrder(HWND dialog)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

LONG StyleOf(HWND window) { return GetWindowLongA(window, GWL_STYLE); }

bool CanTakeFocus(HWND window) { return IsWindowVisible(window) && IsWindowEnabled(window); }

// Statics and group boxes never hold the focus, so arrows pass over them.
bool CanTakeGroupFocus(HWND window)
{
    return CanTakeFocus(window) && !(SendMessageA(window, WM_GETDLGCODE, 0, 0) & DLGC_STATIC);
}

// The control of `candidates` after (or before) `from`, wrapping around; null when none fits.
template <typename Fits>
HWND Step(const std::vector<HWND>& candidates, HWND from, bool previous, Fits fits)
{
    if (candidates.empty())
        return nullptr;
    const auto n = static_cast<std::ptrdiff_t>(candidates.size());
    auto at = std::find(candidates.begin(), candidates.end(), from);
    std::ptrdiff_t index = at == candidates.end() ? (previous ? n : -1) : at - candidates.begin();
    for (std::ptrdiff_t step = 1; step <= n; ++step) {
        const std::ptrdiff_t i = ((index + (previous ? -step : step)) % n + n) % n;
        if (fits(candidates[static_cast<std::size_t>(i)]))
            return candidates[static_cast<std::size_t>(i)];
    }
    return nullptr;
}

// The direct child of the dialog that holds `window` (itself when it is one).
HWND DialogChildOf(HWND dialog, HWND window)
{
    while (window && GetParent(window) != dialog)
        window = GetParent(window);
    return window;
}

void ClickCommand(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (button && !IsWindowEnabled(button))
        return;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

// Enter: the focused push button, else the default one, else IDOK.
void PressEnter(HWND dialog, HWND focus, LRESULT focusCode)
{
    if (focus && (focusCode & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
        ClickCommand(dialog, GetDlgCtrlID(focus));
        return;
    }
    const LRESULT defId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    ClickCommand(dialog, HIWORD(static_cast<DWORD>(defId)) == DC_HASDEFID ? LOWORD(static_cast<DWORD>(defId)) : IDOK);
}

void MoveFocus(HWND dialog, HWND to)
{
    if (!to)
        return;
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(to), TRUE);
}

// Handles a key the focused control did not ask for; false when the key is not a dialog key.
bool HandleDialogKey(HWND dialog, HWND focus, WPARAM key, LRESULT code)
{
    switch (key) {
    case VK_TAB:
        if (code & DLGC_WANTTAB)
            return false;
        MoveFocus(dialog, GetNextDlgTabItem(dialog, focus, GetKeyState(VK_SHIFT) < 0));
        return true;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
        if (code & DLGC_WANTARROWS)
            return false;
        HWND next = GetNextDlgGroupItem(dialog, focus, key == VK_LEFT || key == VK_UP);
        if (!next || next == focus)
            return true;
        MoveFocus(dialog, next);
        // Moving onto an automatic radio button chooses it.
        if ((StyleOf(next) & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
            (SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            SendMessageA(next, BM_CLICK, 0, 0);
        return true;
    }
    case VK_RETURN:
        PressEnter(dialog, focus, code);
        return true;
    case VK_ESCAPE:
        ClickCommand(dialog, IDCANCEL);
        return true;
    default:
        return false;
    }
}

} // namespace
} // namespace zv::user

HWND GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    const auto children = zv::user::ChildrenInOrder(hDlg);
    return zv::user::Step(children, zv::user::DialogChildOf(hDlg, hCtl), bPrevious != FALSE, [](HWND child) {
        return (zv::user::StyleOf(child) & WS_TABSTOP) && zv::user::CanTakeFocus(child);
    });
}

HWND GetNextDlgGroupItem(HWND hDlg, HWND hCtl, BOOL bPrevious)
{
    const auto children = zv::user::ChildrenInOrder(hDlg);
    hCtl = zv::user::DialogChildOf(hDlg, hCtl);
    auto at = std::find(children.begin(), children.end(), hCtl);
    if (at == children.end())
        return zv::user::Step(children, nullptr, bPrevious != FALSE, zv::user::CanTakeGroupFocus);
    // The group runs from the WS_GROUP control at or before hCtl to just before the next one.
    auto first = at;
    while (first != children.begin() && !(zv::user::StyleOf(*first) & WS_GROUP))
        --first;
    auto last = at + 1;
    while (last != children.end() && !(zv::user::StyleOf(*last) & WS_GROUP))
        ++last;
    const std::vector<HWND> group(first, last);
    HWND next = zv::user::Step(group, hCtl, bPrevious != FALSE, zv::user::CanTakeGroupFocus);
    return next ? next : hCtl;
}

BOOL IsDialogMessageA(HWND hDlg, LPMSG lpMsg)
{
    if (!hDlg || !lpMsg || !IsWindow(hDlg))
        return FALSE;
    if (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd))
        return FALSE;
    const bool key = lpMsg->message == WM_KEYDOWN || lpMsg->message == WM_CHAR;
    if (key) {
        HWND focus = lpMsg->hwnd;
        const LRESULT code = SendMessageA(focus, WM_GETDLGCODE, lpMsg->wParam, reinterpret_cast<LPARAM>(lpMsg));
        const bool controlWantsIt = (code & DLGC_WANTMESSAGE) != 0;
        if (!controlWantsIt && lpMsg->message == WM_KEYDOWN &&
            zv::user::HandleDialogKey(hDlg, focus == hDlg ? nullptr : focus, lpMsg->wParam, code))
            return TRUE;
        // The characters of the dialog keys go nowhere unless the control asks for them.
        if (!controlWantsIt && lpMsg->message == WM_CHAR && !(code & DLGC_WANTCHARS)) {
            const WPARAM ch = lpMsg->wParam;
            if ((ch == '\t' && !(code & DLGC_WANTTAB)) || ch == '\r' || ch == 0x1B)
                return TRUE;
        }
    }
    TranslateMessage(lpMsg);
    DispatchMessageA(lpMsg);
    return TRUE;
}
