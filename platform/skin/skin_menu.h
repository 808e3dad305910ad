// Skinned pop-up menus: a menu read from its handle, drawn in the skin's menu look and tracked
// with the mouse and the keys in a loop of its own until the user chooses or cancels.
//
// Mouse: moving selects, resting on an item with a sub-menu opens it, releasing the button on an
// item chooses it, a press outside every menu cancels. Keys: up and down move (over separators),
// right opens a sub-menu, left closes one, Enter chooses or opens, Escape closes the innermost
// menu. Grayed and disabled items can be selected but never chosen.
#pragma once

#include "platform/skin/skin_document.h"

namespace zv::skin {

inline constexpr const char* kSkinMenuClass = "ZvSkinMenu";

// The font of the look's menu items (tooltips use it too); the caller deletes it.
HFONT CreateMenuFont(const MenuLook& look);

// Shows the menu with its top-left at the screen point (moved to stay on the screen) and tracks it.
// *command gets the chosen command id, 0 when cancelled. False when the handle is not a menu.
bool TrackSkinMenu(HMENU menu, POINT screen, HWND owner, const MenuLook& look, UINT* command);

} // namespace zv::skin
