// A menu read whole, for code that draws and tracks menus itself (the skin engine): a copy taken
// under the menu table's lock, so it stays consistent while the menu changes.
#pragma once

#include "platform/user/user_types.h"

#include <optional>
#include <string>
#include <vector>

namespace zv::user {

struct MenuItemView {
    std::string text;   // with its '&' prefixes and any "\t" accelerator text
    UINT id = 0;        // the command id; 0 for separators and pop-ups
    bool separator = false;
    bool checked = false;
    bool grayed = false;   // MF_GRAYED
    bool disabled = false; // MF_DISABLED (not selectable, drawn normally)
    bool isDefault = false;
    bool breakBefore = false; // MF_MENUBREAK / MF_MENUBARBREAK: starts a new column
    HMENU submenu = nullptr;  // set for pop-up items
    std::vector<MenuItemView> children; // the sub-menu's items
};

struct MenuView {
    HMENU handle = nullptr;
    bool popup = false;
    std::vector<MenuItemView> items;
};

// nullopt (last error ERROR_INVALID_MENU_HANDLE) for a handle that is not a menu.
std::optional<MenuView> ReadMenu(HMENU menu);

} // namespace zv::user
