// One icon of the main window in the desktop's notification area. The icon handle in m_nid also
// records whether the icon is shown: it is non-null exactly while the icon is in the tray.
#pragma once

#include "platform/afx/cmd_target.h"
#include "platform/user/shell_tray.h"

class CTrayIcon : public CCmdTarget {
public:
    static constexpr UINT kIconId = 168;      // also the tip string and the tray menu
    static constexpr int kMaxBalloonText = 255;

    CTrayIcon();
    // Removes a shown icon.
    ~CTrayIcon() override;

    // With an icon: adds it (or changes the shown one); without: removes a shown icon (true at
    // once when none is shown). A tip is cut to 127 characters. A failed call leaves the icon
    // recorded as not shown, so the next call with an icon adds it again. The owner fills in
    // m_nid.hWnd and m_nid.uCallbackMessage first.
    bool SetIcon(HICON icon, const char* tip);
    // The text as a balloon without title; false (nothing shown) for a text too long for it.
    bool ShowBalloon(const char* text);
    // The tray menu on a right-button release over our icon; false for anything else.
    bool OnTrayNotification(WPARAM id, LPARAM mouseMessage);

    bool IsShown() const { return m_nid.hIcon != nullptr; }

    NOTIFYICONDATAA m_nid;
};
