// Where tray icons show: the seam between Shell_NotifyIconA's model of the icons and a display.
#pragma once

#include "platform/user/user_types.h"

#include <string>
#include <vector>

namespace zv::user {

// One icon as the program last described it.
struct TrayIconState {
    HWND hwnd = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0; // 0: the window hears nothing of the mouse
    HICON icon = nullptr;
    std::string tip;
    // The balloon last asked for (empty text: none); the display shows it once.
    std::string balloonTitle;
    std::string balloonText;
    DWORD balloonFlags = 0;
    UINT balloonTimeout = 0;
};

class TrayArea {
public:
    virtual ~TrayArea() = default;
    // False when the desktop has no tray to hold the icon.
    virtual bool Add(const TrayIconState& icon) = 0;
    virtual void Change(const TrayIconState& icon) = 0;
    virtual void Remove(HWND hwnd, UINT id) = 0;
    // Shows the icon's balloon; a desktop that cannot drops it.
    virtual void ShowBalloon(const TrayIconState& icon) = 0;
};

// The icons shown now, in the order they were added.
std::vector<TrayIconState> ShownTrayIcons();
// The user did something with the mouse on an icon: its window hears of it through the callback
// message. False when no such icon is shown or it asked for no messages. Any thread.
bool DeliverTrayMouse(HWND hwnd, UINT id, UINT mouseMessage);

} // namespace zv::user
