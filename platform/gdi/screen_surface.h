// The virtual screen's pixels, for the screen device context.
#pragma once

#include <memory>

#include "platform/gdi/surface.h"

namespace zv::gdi {

// The current screen; a context keeps the surface it was created with.
std::shared_ptr<Surface> ScreenSurface();

} // namespace zv::gdi
