#include "platform/afx/afx_menu.h"

#include "platform/afx/afx_app.h"
#include "platform/afx/afx_wnd.h"

#include "platform/afx/afx_handle_map.h"

namespace {

zv::afx::HandleMap<HMENU, CMenu>& ThisThreadMenus()
{
    thread_local zv::afx::HandleMap<HMENU, CMenu> menus;
    return menus;
}

} // namespace

CMenu::~CMenu()
{
    DestroyMenu();
}

CMenu* CMenu::FromHandlePermanent(HMENU hMenu)
{
    return ThisThreadMenus().Permanent(hMenu);
}

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    return ThisThreadMenus().FromHandle(hMenu);
}

void CMenu::DeleteTempMap()
{
    ThisThreadMenus().DeleteTemporaries();
}

BOOL CMenu::Attach(HMENU hMenu)
{
    if (!hMenu || m_hMenu || FromHandlePermanent(hMenu))
        return FALSE;
    ThisThreadMenus().Adopt(hMenu, this);
    m_hMenu = hMenu;
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU hMenu = m_hMenu;
    if (hMenu)
        ThisThreadMenus().Forget(hMenu, this);
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
