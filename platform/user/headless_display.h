// The headless display: a virtual screen (the GDI screen of the "DISPLAY" context) composed from
// the visible top-level windows in z-order, whose pixels tests read, with input that tests inject
// through input_events.h and common dialogs answered by a scripted responder.
#pragma once

#include "platform/user/display.h"

#include <functional>
#include <string>

namespace zv::user::headless {

// The backend object Display() gives when ZV_DISPLAY chooses "headless".
DisplayBackend& Backend();

// Replaces the screen by one of this size (black, windows composed anew). False for a size that
// is not positive.
bool SetScreenSize(int width, int height);
// The colour of the screen where no window is.
constexpr COLORREF kDesktopColour = RGB(0x3A, 0x6E, 0xA5);

// What the screen shows now at (x, y); CLR_INVALID outside it.
COLORREF ScreenPixel(int x, int y);
// A copy of the screen, or of what it shows of one top-level window (its rectangle, clipped to
// the screen, as presented last; null for no such window).
std::unique_ptr<gdi::Surface> CaptureScreen();
std::unique_ptr<gdi::Surface> CaptureWindow(HWND hwnd);

// Answers common dialogs; without a responder every dialog is cancelled.
using CommonDialogResponder = std::function<bool(CommonDialogRequest&)>;
void SetCommonDialogResponder(CommonDialogResponder responder);

// The last cursor shape the window system asked to show.
HCURSOR ShownCursor();

} // namespace zv::user::headless
