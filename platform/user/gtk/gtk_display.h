// The gtk display: every top-level window of ours is a GtkWindow on an X display (XWayland on a
// Wayland desktop), painted from a copy of its surface; the desktop's input comes back into the
// window system through input_events.h. The only code that includes GTK lives beside this
// header; nothing of GTK shows through it.
//
// One display thread owns every GTK object and runs GTK's main loop. The backend's calls come
// from any thread and only hand work to it. What the desktop does to a window (the user moves,
// minimises, closes or focuses it) reaches the window system on a thread of its own, because
// those calls send messages and wait for the windows' threads, which the display thread must
// never do.
//
// GTK, like GLib, is invisible to ThreadSanitizer: the gui tests are not run under it.
#pragma once

#include "platform/user/display.h"

namespace zv::user::gtk {

// Opens the X display DISPLAY names and starts the display thread; null (with the reason on
// stderr) when GTK cannot open it. Made once; never destroyed, since windows of threads that end
// late still tell it.
DisplayBackend* OpenDisplay();

} // namespace zv::user::gtk
