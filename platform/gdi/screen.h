// The virtual screen behind the "DISPLAY" device context.
#pragma once

namespace zv::gdi {

struct ScreenSize {
    int width;
    int height;
};

// Replaces the screen by a black one of this size; contexts created afterwards see it.
// Returns false for a size that is not positive. The screen starts at 1024 x 768.
bool SetScreenSize(int width, int height);
ScreenSize GetScreenSize();

} // namespace zv::gdi
