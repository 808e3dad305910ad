// CMenu: a C++ object over a menu handle (menu.h). An object that owns its menu (made, loaded or
// attached) destroys it when it goes; FromHandle gives a temporary object for a menu no object
// owns, kept until the thread's next idle time, which never destroys the menu. Handle-to-object
// maps are per thread.
#pragma once

#include "platform/user/menu.h"
#include "platform/user/popup_menu.h"

#include <string>

class CWnd;

class CMenu {
public:
    CMenu() = default;
    // Destroys the menu still attached.
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;

    operator HMENU() const { return m_hMenu; }
    HMENU GetSafeHmenu() const { return m_hMenu; }

    static CMenu* FromHandle(HMENU hMenu);
    static CMenu* FromHandlePermanent(HMENU hMenu);
    // Drops the thread's temporary objects (the application's idle time does).
    static void DeleteTempMap();

    // FALSE for a null handle, when this object holds a menu, or when another object owns it.
    BOOL Attach(HMENU hMenu);
    HMENU Detach();

    BOOL CreateMenu() { return Attach(::CreateMenu()); }
    BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
    BOOL LoadMenu(LPCSTR name);
    BOOL LoadMenu(UINT id) { return LoadMenu(MAKEINTRESOURCEA(static_cast<WORD>(id))); }
    // Destroys the menu held, whether this object owns it or stands for it.
    BOOL DestroyMenu();

    // A temporary object for the sub-menu (or a sub-menu's own owner), null when there is none.
    CMenu* GetSubMenu(int pos) const { return FromHandle(::GetSubMenu(m_hMenu, pos)); }
    BOOL AppendMenu(UINT flags, UINT_PTR idNewItem = 0, LPCSTR newItem = nullptr)
    {
        return ::AppendMenuA(m_hMenu, flags, idNewItem, newItem);
    }
    BOOL InsertMenu(UINT position, UINT flags, UINT_PTR idNewItem = 0, LPCSTR newItem = nullptr)
    {
        return ::InsertMenuA(m_hMenu, position, flags, idNewItem, newItem);
    }
    BOOL DeleteMenu(UINT position, UINT flags) { return ::DeleteMenu(m_hMenu, position, flags); }
    BOOL RemoveMenu(UINT position, UINT flags) { return ::RemoveMenu(m_hMenu, position, flags); }
    // The previous state, or (UINT)-1 when there is no such item.
    UINT CheckMenuItem(UINT idCheckItem, UINT check) { return ::CheckMenuItem(m_hMenu, idCheckItem, check); }
    UINT EnableMenuItem(UINT idEnableItem, UINT enable)
    {
        return static_cast<UINT>(::EnableMenuItem(m_hMenu, idEnableItem, enable));
    }
    UINT GetMenuItemCount() const { return static_cast<UINT>(::GetMenuItemCount(m_hMenu)); }
    UINT GetMenuItemID(int pos) const { return ::GetMenuItemID(m_hMenu, pos); }
    UINT GetMenuState(UINT id, UINT flags) const { return ::GetMenuState(m_hMenu, id, flags); }
    int GetMenuString(UINT idItem, LPSTR text, int maxCount, UINT flags) const
    {
        return ::GetMenuStringA(m_hMenu, idItem, text, maxCount, flags);
    }
    // The whole text, however long; its length (0 for no such item, with the text emptied).
    int GetMenuString(UINT idItem, std::string& text, UINT flags) const;
    BOOL SetDefaultItem(UINT item, BOOL byPosition = FALSE) { return ::SetMenuDefaultItem(m_hMenu, item, byPosition); }
    UINT GetDefaultItem(UINT gmdiFlags, BOOL byPosition = FALSE) const
    {
        return ::GetMenuDefaultItem(m_hMenu, byPosition, gmdiFlags);
    }
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* wnd, const RECT* rect = nullptr) const;
};

// How the per-thread handle maps reach the object's handle.
inline HMENU& HandleField(CMenu& menu) { return menu.m_hMenu; }
