// Helpers of the resource-set tests: read a string, a menu's item texts and ids, a dialog's controls.
#pragma once

#include "platform/user/dialog_template.h"
#include "platform/user/menu.h"
#include "platform/user/resource_strings.h"

#include <string>
#include <vector>

namespace zv::res::test {

inline std::string String(UINT id)
{
    return zv::user::LoadResourceString(nullptr, id).value_or("<missing>");
}

inline std::string ItemText(HMENU menu, int position)
{
    char text[128];
    return GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION) > 0 ? text : "";
}

// "text=id" per item, "text>" for a pop-up, "-" for a separator.
inline std::vector<std::string> Items(HMENU menu)
{
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        // A pop-up's state carries its item count in the high byte: test for pop-ups first.
        if (GetSubMenu(menu, i))
            items.push_back(ItemText(menu, i) + ">");
        else if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR)
            items.push_back("-");
        else
            items.push_back(ItemText(menu, i) + "=" + std::to_string(GetMenuItemID(menu, i)));
    }
    return items;
}

inline HMENU SubMenuNamed(HMENU menu, const std::string& text)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (GetSubMenu(menu, i) && ItemText(menu, i) == text)
            return GetSubMenu(menu, i);
    }
    return nullptr;
}

// "id:class:text" per control, ids as signed numbers.
inline std::vector<std::string> Controls(const zv::user::DialogTemplate& dialog)
{
    std::vector<std::string> controls;
    for (const auto& item : dialog.items)
        controls.push_back(std::to_string(static_cast<int>(item.id)) + ":" + item.className + ":" + item.text.text);
    return controls;
}

} // namespace zv::res::test
