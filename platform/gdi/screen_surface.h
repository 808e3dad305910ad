// The virtual screen's pixels, for the screen device context.
#pragma once

#include <memory>
#include <mutex>

#include "platform/gdi/surface.h"

namespace zv::gdi {

// The current screen; a context keeps the surface it was created with.
std::shared_ptr<Surface> ScreenSurface();

// Held while the screen's pixels are read or written: the display composes them on whatever
// thread changes a window while screen contexts draw or blit on theirs. Recursive, so a blit
// from the screen to the screen takes it twice on one thread.
std::unique_lock<std::recursive_mutex> LockScreenPixels();

} // namespace zv::gdi
