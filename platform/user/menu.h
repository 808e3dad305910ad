// Menus as data: menu bars and pop-ups made in code or loaded from a menu resource, changed and
// read by the calls below, and read whole by whoever draws and tracks them (menu_view.h). Menus
// belong to the process; any thread may use them. Drawing and tracking a plain pop-up
// (TrackPopupMenu) belongs to the window system and is not here.
//
// Items are found by command id (MF_BYCOMMAND, searching sub-menus depth first) or by position
// (MF_BYPOSITION). Invalid menu handles fail with ERROR_INVALID_MENU_HANDLE.
#pragma once

#include "platform/user/user_types.h"
#include "platform/win32/last_error.h"
#include "platform/win32/resources.h"

constexpr DWORD ERROR_INVALID_MENU_HANDLE = 1401;
constexpr DWORD ERROR_MENU_ITEM_NOT_FOUND = 1456;

// Item flags (published values).
constexpr UINT MF_INSERT = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_BITMAP = 0x0004;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_MENUBARBREAK = 0x0020;
constexpr UINT MF_MENUBREAK = 0x0040;
constexpr UINT MF_OWNERDRAW = 0x0100;
constexpr UINT MF_DEFAULT = 0x1000;
constexpr UINT MFS_DEFAULT = MF_DEFAULT;

constexpr UINT GMDI_USEDISABLED = 0x0001;
constexpr UINT GMDI_GOINTOPOPUPS = 0x0002;

// System menu commands.
constexpr UINT SC_SIZE = 0xF000;
constexpr UINT SC_MOVE = 0xF010;
constexpr UINT SC_MINIMIZE = 0xF020;
constexpr UINT SC_MAXIMIZE = 0xF030;
constexpr UINT SC_CLOSE = 0xF060;
constexpr UINT SC_RESTORE = 0xF120;

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and every sub-menu it holds.
BOOL DestroyMenu(HMENU hMenu);
BOOL IsMenu(HMENU hMenu);

// A menu resource (a bar of pop-ups) of the module; NULL: the program.
HMENU LoadMenuA(HINSTANCE hInstance, LPCSTR lpMenuName);
// The same from a menu template in memory (the layout of a menu resource).
HMENU LoadMenuIndirectA(const void* lpMenuTemplate);

// MF_STRING (the text may be null: empty), MF_SEPARATOR or MF_POPUP (uIDNewItem is the sub-menu,
// which then belongs to this menu), with MF_CHECKED, MF_GRAYED, MF_DISABLED, MF_MENUBREAK,
// MF_MENUBARBREAK. Bitmap and owner-drawn items are refused (ERROR_INVALID_PARAMETER), as is a
// sub-menu that would hold its own parent.
BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
// Inserts before the item uPosition names (MF_BYPOSITION: an index; past the end or -1 appends).
BOOL InsertMenuA(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
// DeleteMenu destroys the sub-menu of a pop-up item; RemoveMenu leaves it to the caller.
BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags);
BOOL RemoveMenu(HMENU hMenu, UINT uPosition, UINT uFlags);

// Both return the previous state (MF_CHECKED / MF_UNCHECKED; MF_ENABLED, MF_GRAYED, MF_DISABLED),
// or (DWORD)-1 when there is no such item.
DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck);
BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable);

HMENU GetSubMenu(HMENU hMenu, int nPos);
int GetMenuItemCount(HMENU hMenu);
// The command id at a position; (UINT)-1 for a pop-up or no item.
UINT GetMenuItemID(HMENU hMenu, int nPos);
// The item's flags; for a pop-up, MF_POPUP and the sub-menu's item count in the high byte.
// (UINT)-1 when there is no such item.
UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags);
// The item's text: with a null buffer its length; else copied as LoadStringA copies. 0 when
// there is no such item.
int GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags);

// One default item per menu (shown bold); uItem (UINT)-1 clears it. Only this menu's own items.
BOOL SetMenuDefaultItem(HMENU hMenu, UINT uItem, UINT fByPos);
// The default item's id or position; (UINT)-1 when none, or when it is disabled and
// GMDI_USEDISABLED is not given. GMDI_GOINTOPOPUPS follows a default pop-up to its own default.
UINT GetMenuDefaultItem(HMENU hMenu, UINT fByPos, UINT gmdiFlags);

// The window's system menu: a per-window copy the caller may change (bRevert FALSE), made on
// first use with the standard commands, those the window's style lacks grayed; bRevert TRUE
// drops the copy and returns NULL.
HMENU GetSystemMenu(HWND hWnd, BOOL bRevert);

namespace zv::user {
// The window system calls this when a window is destroyed: its system menu goes with it.
void ReleaseSystemMenu(HWND hwnd);
} // namespace zv::user
