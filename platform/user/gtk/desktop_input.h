// The desktop's events on one window, turned into the window system's input: pointer, buttons,
// wheel and keys through input_events.h (posted to the windows' threads at once), and what the
// user does to the window itself (moves, resizes, minimises, restores, focuses or closes it)
// through the window system's own calls on the worker.
#pragma once

#include "platform/user/gtk/desktop_window.h"
#include "platform/user/gtk/serial_worker.h"

namespace zv::user::gtk {

// Connects the window's signals; `window` and `worker` outlive its widgets.
void ConnectInput(DesktopWindow& window, SerialWorker& worker);

} // namespace zv::user::gtk
