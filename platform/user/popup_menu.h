// The plain pop-up menu (TrackPopupMenu): a menu drawn by us in topmost pop-up windows and
// tracked in a loop on the calling thread until an item is chosen or the menu is dismissed.
//
// Mouse: hovering selects (and opens sub-menus), releasing a button over a command chooses it, a
// press outside every level closes the menu. Keys: Up and Down move, Right or Enter opens a
// sub-menu, Left or Escape closes one level, Enter chooses, an item's '&' letter chooses it.
// Grayed and disabled items are never chosen. Items after a column break stay in one column.
#pragma once

#include "platform/user/messages.h"
#include "platform/user/window.h"

constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

constexpr UINT WM_INITMENUPOPUP = 0x0117;
constexpr UINT WM_MENUSELECT = 0x011F;
constexpr UINT WM_ENTERMENULOOP = 0x0211;
constexpr UINT WM_EXITMENULOOP = 0x0212;

struct TPMPARAMS {
    UINT cbSize;
    RECT rcExclude; // screen area the menu keeps clear of
};
using LPTPMPARAMS = TPMPARAMS*;

// Shows the menu at (x, y) on the screen, aligned as the flags say and kept on the screen. The
// owner gets WM_ENTERMENULOOP, WM_INITMENUPOPUP before each level opens, WM_MENUSELECT and
// WM_EXITMENULOOP (none under TPM_NONOTIFY). With TPM_RETURNCMD the chosen command id is the
// result (0: none); otherwise the choice is posted to the owner as WM_COMMAND and the result is
// non-zero. FALSE with the last error set for an invalid menu or owner.
BOOL TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int nReserved, HWND hWnd, const RECT* prcRect);
BOOL TrackPopupMenuEx(HMENU hMenu, UINT uFlags, int x, int y, HWND hWnd, LPTPMPARAMS lptpm);

namespace zv::user {

// The pop-up menu window class ("#32768"); system_classes.cpp registers it.
bool RegisterPopupMenuClass();

} // namespace zv::user
