#include "platform/afx/afx_menu.h"

#include "platform/afx/afx_app.h"
#include "platform/afx/afx_wnd.h"

#include <memory>
#include <unordered_map>

namespace {

struct MenuThreadState {
    ~MenuThreadState()
    {
        // Temporary objects stand for menus they do not own.
        for (auto& [hMenu, menu] : temporary)
            menu->m_hMenu = nullptr;
    }
    std::unordered_map<HMENU, CMenu*> permanent;
    std::unordered_map<HMENU, std::unique_ptr<CMenu>> temporary;
};

MenuThreadState& ThisThreadMenus()
{
    thread_local MenuThreadState state;
    return state;
}

} // namespace

CMenu::~CMenu()
{
    DestroyMenu();
}

CMenu* CMenu::FromHandlePermanent(HMENU hMenu)
{
    auto& menus = ThisThreadMenus().permanent;
    const auto found = menus.find(hMenu);
    return found == menus.end() ? nullptr : found->second;
}

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    if (!hMenu)
        return nullptr;
    if (CMenu* menu = FromHandlePermanent(hMenu))
        return menu;
    std::unique_ptr<CMenu>& menu = ThisThreadMenus().temporary[hMenu];
    if (!menu)
        menu = std::make_unique<CMenu>();
    menu->m_hMenu = hMenu; // it may have destroyed its menu since, and the handle been given again
    return menu.get();
}

void CMenu::DeleteTempMap()
{
    auto& temporary = ThisThreadMenus().temporary;
    for (auto& [hMenu, menu] : temporary)
        menu->m_hMenu = nullptr;
    temporary.clear();
}

BOOL CMenu::Attach(HMENU hMenu)
{
    if (!hMenu || m_hMenu || FromHandlePermanent(hMenu))
        return FALSE;
    MenuThreadState& state = ThisThreadMenus();
    // A temporary object stood for the menu so far; it does no more.
    if (auto temporary = state.temporary.find(hMenu); temporary != state.temporary.end()) {
        temporary->second->m_hMenu = nullptr;
        state.temporary.erase(temporary);
    }
    m_hMenu = hMenu;
    state.permanent[hMenu] = this;
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU hMenu = m_hMenu;
    if (!hMenu)
        return nullptr;
    auto& permanent = ThisThreadMenus().permanent;
    if (const auto found = permanent.find(hMenu); found != permanent.end() && found->second == this)
        permanent.erase(found);
    m_hMenu = nullptr;
    return hMenu;
}

BOOL CMenu::LoadMenu(LPCSTR name)
{
    if (m_hMenu)
        return FALSE; // one menu per object: the one held would be lost
    return Attach(::LoadMenuA(AfxGetResourceHandle(), name));
}

BOOL CMenu::DestroyMenu()
{
    if (!m_hMenu)
        return FALSE;
    return ::DestroyMenu(Detach());
}

int CMenu::GetMenuString(UINT idItem, std::string& text, UINT flags) const
{
    text.clear();
    const int length = ::GetMenuStringA(m_hMenu, idItem, nullptr, 0, flags);
    if (length <= 0)
        return 0;
    text.resize(static_cast<std::size_t>(length) + 1);
    const int copied = ::GetMenuStringA(m_hMenu, idItem, text.data(), length + 1, flags);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return copied;
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* wnd, const RECT* rect) const
{
    return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, wnd ? wnd->m_hWnd : nullptr, rect);
}
