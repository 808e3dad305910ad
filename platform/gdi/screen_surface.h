// The virtual screen's pixels, for the screen device context.
#pragma once

#include <functional>
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

// Where a screen context's pixels come from when a real display shows the windows rather than
// this screen: fills `area` (inside the surface) with what the display shows there; false when
// it cannot. Without a reader the screen is read as it stands.
using ScreenReader = std::function<bool(Surface& screen, const RECT& area)>;
void SetScreenReader(ScreenReader reader);
// Brings `area` of a screen context's surface up to date before it is read (the screen's pixels
// lock held); false when the display could not be read.
bool RefreshScreen(Surface& screen, const RECT& area);

} // namespace zv::gdi
