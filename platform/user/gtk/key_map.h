// GDK key values to the window system's virtual keys.
#pragma once

#include "platform/win32/types.h"

namespace zv::user::gtk {

// The virtual key of the key that gives `keyval` without modifiers (letters as their upper-case
// ASCII code, digits as theirs, keypad digits as VK_NUMPAD*); 0 for a key the system has no
// virtual key for.
UINT VirtualKeyOf(unsigned keyval);

} // namespace zv::user::gtk
