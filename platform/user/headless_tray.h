// The tray of the headless display: icons kept as a model tests read, click and take away.
#pragma once

#include "platform/user/tray_area.h"

namespace zv::user::headless {

TrayArea& Tray();

// Whether the desktop has a tray (it has one until told otherwise); without one NIM_ADD fails.
void SetTrayPresent(bool present);
// Every balloon shown since the last call, oldest first, and forgets them.
std::vector<TrayIconState> TakeBalloons();

} // namespace zv::user::headless
