// A cursor of ours as the desktop takes a cursor picture: straight pixels with alpha and a
// hotspot. Needs no display, so the conversion is tested on its own.
#pragma once

#include "platform/user/user_types.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zv::user::gtk {

struct CursorPicture {
    int width = 0;
    int height = 0;
    POINT hotspot{};
    // Rows top-down, 0xAARRGGBB with the colour premultiplied by alpha (cairo's ARGB32).
    std::vector<std::uint32_t> pixels;
};

// The picture of an icon or cursor: colour bitmaps with alpha as they are; otherwise the mask's
// set pixels clear, except where the image would invert the screen, which the desktop's cursors
// cannot do, shown black so they stay visible. Nothing for a handle that is no cursor.
std::optional<CursorPicture> PictureOfCursor(HCURSOR cursor);

} // namespace zv::user::gtk
