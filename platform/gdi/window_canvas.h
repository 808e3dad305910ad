// The seam between GDI and the window system: what a window's device context draws on.
//
// GDI knows nothing of windows. The window system registers its hooks once; GetDC(hwnd),
// GetWindowDC(hwnd) and the contexts it makes itself (BeginPaint) then paint into the backing
// surface of the window's top-level window, at the window's place and only where it is visible.
#pragma once

#include <memory>

#include "platform/gdi/gdi_types.h"
#include "platform/gdi/region.h"
#include "platform/gdi/surface.h"

namespace zv::gdi {

struct WindowCanvas {
    std::shared_ptr<Surface> surface; // the top-level window's backing surface
    POINT origin{0, 0};               // where the context's (0, 0) lies on it
    Region visible;                   // the surface pixels the context may paint
};

struct WindowSystemHooks {
    // The canvas of the window's client area (or of the whole window); false with the last error
    // set when there is no such window.
    bool (*canvas)(HWND window, bool wholeWindow, WindowCanvas& canvas) = nullptr;
    // A window context was released: `drawn` (surface pixels) may have changed and can be shown.
    void (*released)(HWND window, const RECT& drawn) = nullptr;
};

void SetWindowSystemHooks(const WindowSystemHooks& hooks);

// A context over a canvas, for the window system's own painting (BeginPaint); ReleaseDC(window, dc)
// frees it. Null with the last error set when the canvas has no surface.
HDC CreateWindowContext(HWND window, const WindowCanvas& canvas);

} // namespace zv::gdi
