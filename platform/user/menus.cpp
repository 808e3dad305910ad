// The process's menus: one table under one lock; a sub-menu is owned by the item that opens it.
#include "platform/user/menu.h"
#include "platform/user/menu_view.h"
#include "platform/user/text_out.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace zv::user {

namespace {

// Flags an item keeps: its kind and its state.
constexpr UINT kItemFlags = MF_SEPARATOR | MF_POPUP | MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_MENUBREAK |
                            MF_MENUBARBREAK | MF_DEFAULT;
constexpr UINT kAcceptedFlags = kItemFlags & ~MF_DEFAULT;

struct MenuItem {
    UINT flags = 0;
    UINT id = 0;
    std::string text;
    HMENU submenu = nullptr;
};

struct Menu {
    bool popup = false;
    std::vector<MenuItem> items;
};

class MenuTable {
public:
    static MenuTable& Instance()
    {
        static MenuTable table;
        return table;
    }

    std::mutex mutex;

    HMENU Add(bool popup)
    {
        // Handles are never reused, so a stale handle can only fail.
        next_ += 4;
        const auto handle = reinterpret_cast<HMENU>(next_);
        menus_[next_] = Menu{popup, {}};
        return handle;
    }

    Menu* Find(HMENU handle)
    {
        const auto found = menus_.find(reinterpret_cast<std::uintptr_t>(handle));
        if (found == menus_.end()) {
            SetLastError(ERROR_INVALID_MENU_HANDLE);
            return nullptr;
        }
        return &found->second;
    }

    void Destroy(HMENU handle)
    {
        Menu* menu = Find(handle);
        if (!menu)
            return;
        std::vector<MenuItem> items = std::move(menu->items);
        menus_.erase(reinterpret_cast<std::uintptr_t>(handle));
        for (const MenuItem& item : items) {
            if (item.submenu)
                Destroy(item.submenu);
        }
    }

    // Whether `inner` is `outer` or lies anywhere below it.
    bool Contains(HMENU outer, HMENU inner)
    {
        if (outer == inner)
            return true;
        Menu* menu = Find(outer);
        if (!menu)
            return false;
        for (const MenuItem& item : menu->items) {
            if (item.submenu && Contains(item.submenu, inner))
                return true;
        }
        return false;
    }

private:
    MenuTable() = default;
    std::uintptr_t next_ = 0x20000;
    std::unordered_map<std::uintptr_t, Menu> menus_;
};

struct ItemPlace {
    Menu* menu = nullptr;
    std::size_t index = 0;
    MenuItem& Item() const { return menu->items[index]; }
};

// By position in this menu, or by command id anywhere below it (depth first).
std::optional<ItemPlace> Locate(MenuTable& table, Menu& menu, UINT item, UINT flags)
{
    if (flags & MF_BYPOSITION) {
        if (item >= menu.items.size())
            return std::nullopt;
        return ItemPlace{&menu, item};
    }
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        const MenuItem& candidate = menu.items[i];
        if (candidate.submenu) {
            if (Menu* sub = table.Find(candidate.submenu)) {
                if (auto inner = Locate(table, *sub, item, flags))
                    return inner;
            }
        } else if (!(candidate.flags & MF_SEPARATOR) && candidate.id == item) {
            return ItemPlace{&menu, i};
        }
    }
    return std::nullopt;
}

std::optional<ItemPlace> LocateIn(MenuTable& table, HMENU handle, UINT item, UINT flags)
{
    Menu* menu = table.Find(handle);
    if (!menu)
        return std::nullopt;
    auto place = Locate(table, *menu, item, flags);
    if (!place)
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return place;
}

// Builds the item an append or insert describes; nullopt (with the last error) when refused.
std::optional<MenuItem> NewItem(MenuTable& table, HMENU parent, UINT flags, UINT_PTR idOrMenu, LPCSTR text)
{
    if (flags & (MF_BITMAP | MF_OWNERDRAW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    MenuItem item;
    item.flags = flags & kAcceptedFlags;
    if (flags & MF_SEPARATOR) {
        item.flags &= ~MF_POPUP;
        return item;
    }
    if (text)
        item.text = text;
    if (flags & MF_POPUP) {
        item.submenu = reinterpret_cast<HMENU>(idOrMenu);
        if (!table.Find(item.submenu) || table.Contains(item.submenu, parent)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return std::nullopt;
        }
        return item;
    }
    item.id = static_cast<UINT>(idOrMenu);
    return item;
}

BOOL EraseItem(HMENU handle, UINT position, UINT flags, bool destroySubmenu)
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    const auto place = LocateIn(table, handle, position, flags);
    if (!place)
        return FALSE;
    const HMENU submenu = place->Item().submenu;
    place->menu->items.erase(place->menu->items.begin() + static_cast<std::ptrdiff_t>(place->index));
    if (submenu && destroySubmenu)
        table.Destroy(submenu);
    return TRUE;
}

std::vector<MenuItemView> ViewItems(MenuTable& table, const Menu& menu)
{
    std::vector<MenuItemView> views;
    for (const MenuItem& item : menu.items) {
        MenuItemView view;
        view.text = item.text;
        view.id = item.submenu ? 0 : item.id;
        view.separator = item.flags & MF_SEPARATOR;
        view.checked = item.flags & MF_CHECKED;
        view.grayed = item.flags & MF_GRAYED;
        view.disabled = item.flags & MF_DISABLED;
        view.isDefault = item.flags & MF_DEFAULT;
        view.breakBefore = item.flags & (MF_MENUBREAK | MF_MENUBARBREAK);
        view.submenu = item.submenu;
        if (item.submenu) {
            if (const Menu* sub = table.Find(item.submenu))
                view.children = ViewItems(table, *sub);
        }
        views.push_back(std::move(view));
    }
    return views;
}

} // namespace

std::optional<MenuView> ReadMenu(HMENU handle)
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    const Menu* menu = table.Find(handle);
    if (!menu)
        return std::nullopt;
    return MenuView{handle, menu->popup, ViewItems(table, *menu)};
}

} // namespace zv::user

using zv::user::ItemPlace;
using zv::user::MenuTable;

HMENU CreateMenu()
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    return table.Add(false);
}

HMENU CreatePopupMenu()
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    return table.Add(true);
}

BOOL DestroyMenu(HMENU hMenu)
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    if (!table.Find(hMenu))
        return FALSE;
    table.Destroy(hMenu);
    return TRUE;
}

BOOL IsMenu(HMENU hMenu)
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    return table.Find(hMenu) != nullptr;
}

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem)
{
    return InsertMenuA(hMenu, static_cast<UINT>(-1), uFlags | MF_BYPOSITION, uIDNewItem, lpNewItem);
}

BOOL InsertMenuA(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem)
{
    using namespace zv::user;
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    zv::user::Menu* menu = table.Find(hMenu);
    if (!menu)
        return FALSE;
    std::optional<MenuItem> item = NewItem(table, hMenu, uFlags & ~MF_BYPOSITION, uIDNewItem, lpNewItem);
    if (!item)
        return FALSE;
    if (uFlags & MF_BYPOSITION) {
        const std::size_t index = std::min<std::size_t>(uPosition, menu->items.size());
        menu->items.insert(menu->items.begin() + static_cast<std::ptrdiff_t>(index), std::move(*item));
        return TRUE;
    }
    const auto place = LocateIn(table, hMenu, uPosition, uFlags);
    if (!place)
        return FALSE;
    place->menu->items.insert(place->menu->items.begin() + static_cast<std::ptrdiff_t>(place->index), std::move(*item));
    return TRUE;
}

BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags)
{
    return zv::user::EraseItem(hMenu, uPosition, uFlags, true);
}

BOOL RemoveMenu(HMENU hMenu, UINT uPosition, UINT uFlags)
{
    return zv::user::EraseItem(hMenu, uPosition, uFlags, false);
}

DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck)
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    const auto place = zv::user::LocateIn(table, hMenu, uIDCheckItem, uCheck);
    if (!place)
        return static_cast<DWORD>(-1);
    UINT& flags = place->Item().flags;
    const DWORD previous = flags & MF_CHECKED;
    flags = (flags & ~MF_CHECKED) | (uCheck & MF_CHECKED);
    return previous;
}

BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable)
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    const auto place = zv::user::LocateIn(table, hMenu, uIDEnableItem, uEnable);
    if (!place)
        return -1;
    UINT& flags = place->Item().flags;
    const UINT previous = flags & (MF_GRAYED | MF_DISABLED);
    flags = (flags & ~(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
    return static_cast<BOOL>(previous);
}

HMENU GetSubMenu(HMENU hMenu, int nPos)
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    const auto place = zv::user::LocateIn(table, hMenu, static_cast<UINT>(nPos), MF_BYPOSITION);
    return place ? place->Item().submenu : nullptr;
}

int GetMenuItemCount(HMENU hMenu)
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    const zv::user::Menu* menu = table.Find(hMenu);
    return menu ? static_cast<int>(menu->items.size()) : -1;
}

UINT GetMenuItemID(HMENU hMenu, int nPos)
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    const auto place = zv::user::LocateIn(table, hMenu, static_cast<UINT>(nPos), MF_BYPOSITION);
    if (!place || place->Item().submenu)
        return static_cast<UINT>(-1);
    return place->Item().id;
}

UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags)
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    const auto place = zv::user::LocateIn(table, hMenu, uId, uFlags);
    if (!place)
        return static_cast<UINT>(-1);
    const zv::user::MenuItem& item = place->Item();
    if (!item.submenu)
        return item.flags;
    const zv::user::Menu* sub = table.Find(item.submenu);
    const UINT count = sub ? static_cast<UINT>(sub->items.size()) : 0;
    return (count << 8) | (item.flags & 0xFF) | MF_POPUP;
}

int GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags)
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    const auto place = zv::user::LocateIn(table, hMenu, uIDItem, flags);
    if (!place)
        return 0;
    const std::string& text = place->Item().text;
    if (!lpString)
        return static_cast<int>(text.size());
    if (cchMax < 1)
        return 0;
    return zv::user::CopyTextOut(text, lpString, cchMax);
}

BOOL SetMenuDefaultItem(HMENU hMenu, UINT uItem, UINT fByPos)
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    zv::user::Menu* menu = table.Find(hMenu);
    if (!menu)
        return FALSE;
    std::optional<std::size_t> chosen;
    if (uItem != static_cast<UINT>(-1)) {
        for (std::size_t i = 0; i < menu->items.size(); ++i) {
            const auto& item = menu->items[i];
            if (fByPos ? i == uItem : (!item.submenu && !(item.flags & MF_SEPARATOR) && item.id == uItem)) {
                chosen = i;
                break;
            }
        }
        if (!chosen) {
            SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
            return FALSE;
        }
    }
    for (std::size_t i = 0; i < menu->items.size(); ++i) {
        UINT& flags = menu->items[i].flags;
        flags = chosen == i ? (flags | MF_DEFAULT) : (flags & ~MF_DEFAULT);
    }
    return TRUE;
}

UINT GetMenuDefaultItem(HMENU hMenu, UINT fByPos, UINT gmdiFlags)
{
    MenuTable& table = MenuTable::Instance();
    std::lock_guard lock(table.mutex);
    HMENU current = hMenu;
    for (;;) {
        const zv::user::Menu* menu = table.Find(current);
        if (!menu)
            return static_cast<UINT>(-1);
        std::size_t i = 0;
        while (i < menu->items.size() && !(menu->items[i].flags & MF_DEFAULT))
            ++i;
        if (i == menu->items.size())
            return static_cast<UINT>(-1);
        const zv::user::MenuItem& item = menu->items[i];
        if ((item.flags & (MF_GRAYED | MF_DISABLED)) && !(gmdiFlags & GMDI_USEDISABLED))
            return static_cast<UINT>(-1);
        if (item.submenu && (gmdiFlags & GMDI_GOINTOPOPUPS)) {
            const HMENU inner = item.submenu;
            // The pop-up's own default, when it has one; else the pop-up item itself.
            bool innerHasDefault = false;
            if (const zv::user::Menu* sub = table.Find(inner)) {
                for (const auto& subItem : sub->items)
                    innerHasDefault = innerHasDefault || (subItem.flags & MF_DEFAULT);
            }
            if (innerHasDefault) {
                current = inner;
                continue;
            }
        }
        if (fByPos)
            return static_cast<UINT>(i);
        return item.submenu ? static_cast<UINT>(-1) : item.id;
    }
}
