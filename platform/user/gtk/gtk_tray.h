// The gtk display's tray: each icon a GtkStatusIcon in the desktop's system tray (made on the
// display thread, which must already run: the gtk display is open), its clicks delivered as the
// icon's callback message; balloons shown as desktop notifications (libnotify) from a worker
// thread, so that a desktop without a notification service only loses the balloon.
#pragma once

#include "platform/user/tray_area.h"

#include <chrono>

namespace zv::user::gtk {

TrayArea& Tray();

// How long NIM_ADD waits for the desktop's tray to take the icon before it fails.
constexpr std::chrono::milliseconds kTrayEmbedWait{1500};

// Waits until the balloons handed to the notification service so far are delivered or dropped.
void FlushBalloons();

} // namespace zv::user::gtk
