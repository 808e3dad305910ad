#include "app/TrayIcon.h"

#include "platform/afx/afx_app.h"
#include "platform/user/input.h"
#include "platform/user/menu.h"
#include "platform/user/messages.h"
#include "platform/user/popup_menu.h"
#include "platform/user/resource_strings.h"
#include "platform/user/window.h"

#include <cstring>

namespace {

// The size field as programs of the published 32-bit layout set it.
void SetSizeField(NOTIFYICONDATAA& nid)
{
    nid.cbSize = NOTIFYICONDATAA_V2_SIZE_32;
}

} // namespace

CTrayIcon::CTrayIcon() : m_nid{}
{
    SetSizeField(m_nid);
    m_nid.uID = kIconId;
    LoadStringA(AfxGetResourceHandle(), kIconId, m_nid.szTip, sizeof m_nid.szTip);
}

CTrayIcon::~CTrayIcon()
{
    SetIcon(nullptr, nullptr);
}

bool CTrayIcon::SetIcon(HICON icon, const char* tip)
{
    SetSizeField(m_nid);
    m_nid.uFlags = 0;
    DWORD operation = NIM_ADD;
    if (icon) {
        operation = IsShown() ? NIM_MODIFY : NIM_ADD;
        m_nid.hIcon = icon;
        m_nid.uFlags = NIF_ICON;
    } else {
        if (!IsShown())
            return true;
        operation = NIM_DELETE;
    }
    if (tip) {
        std::strncpy(m_nid.szTip, tip, sizeof m_nid.szTip - 1);
        m_nid.szTip[sizeof m_nid.szTip - 1] = '\0';
    }
    if (m_nid.szTip[0] != '\0')
        m_nid.uFlags |= NIF_TIP;
    if (m_nid.uCallbackMessage != 0 && m_nid.hWnd)
        m_nid.uFlags |= NIF_MESSAGE;
    const BOOL done = Shell_NotifyIconA(operation, &m_nid);
    if (operation == NIM_DELETE || !done)
        m_nid.hIcon = nullptr;
    return done != FALSE;
}

bool CTrayIcon::ShowBalloon(const char* text)
{
    SetSizeField(m_nid);
    m_nid.uFlags = NIF_INFO;
    m_nid.dwInfoFlags = NIIF_INFO;
    const std::size_t length = text ? std::strlen(text) : 0;
    if (length > static_cast<std::size_t>(kMaxBalloonText))
        return false;
    std::memcpy(m_nid.szInfo, text ? text : "", length + 1);
    m_nid.uTimeout = 10000;
    return Shell_NotifyIconA(NIM_MODIFY, &m_nid) != FALSE;
}

bool CTrayIcon::OnTrayNotification(WPARAM id, LPARAM mouseMessage)
{
    if (id != kIconId || mouseMessage != WM_RBUTTONUP)
        return false;
    HMENU menu = LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(kIconId));
    if (!menu)
        return false;
    HMENU popup = GetSubMenu(menu, 0);
    if (popup) {
        SetMenuDefaultItem(popup, 0, TRUE);
        POINT cursor{};
        GetCursorPos(&cursor);
        SetForegroundWindow(m_nid.hWnd);
        TrackPopupMenu(popup, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, m_nid.hWnd, nullptr);
        // Without this the menu would not close when the user clicks elsewhere.
        PostMessageA(m_nid.hWnd, WM_NULL, 0, 0);
    }
    DestroyMenu(menu);
    return true;
}
