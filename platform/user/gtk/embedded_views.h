// Views of the desktop laid over our windows: a widget (the browser's web view) shown at a
// rectangle of a top-level window's surface, above the picture the window system paints there.
// The display thread owns such views; callers on other threads hand their work to it.
#pragma once

#include "platform/user/user_types.h"

#include <functional>

typedef struct _GtkWidget GtkWidget;

namespace zv::user::gtk {

// Runs the job on the display thread, soon (from any thread).
void OnDisplayThread(std::function<void()> job);

// Display thread: shows `view` over the top-level window `topLevel` at `place` (pixels of that
// window's surface, its top-left corner at 0,0) when `visible`. The caller keeps a reference of
// its own on the view: when the top-level window goes the view is taken out, not destroyed, and
// it is laid over the window again should the window come back. Calling again moves it.
void EmbedView(GtkWidget* view, HWND topLevel, const RECT& place, bool visible);
// Display thread: takes the view out of its window for good.
void UnembedView(GtkWidget* view);

} // namespace zv::user::gtk
