// The window classes of the skin engine's own windows (frames, the control, tooltips, menus).
#pragma once

#include "platform/user/window.h"

namespace zv::skin {

// Registers the class the first time it is asked for; later calls do nothing.
void RegisterSkinWindowClass(const char* name, WNDPROC procedure, UINT style = 0);

} // namespace zv::skin
