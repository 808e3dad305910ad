// A window's icons: the big and small ones WM_SETICON gives it (WM_GETICON answers them; the
// display shows them for the window), the icon a minimised window drags, and the background a
// minimised window's icon is drawn on. DefWindowProcA answers these messages through the calls
// below.
#pragma once

#include "platform/gdi/gdi_types.h"
#include "platform/user/window.h"

// WM_GETICON also takes this size: the small icon, else the big one (ICON_SMALL and ICON_BIG are
// in window.h).
constexpr WPARAM ICON_SMALL2 = 2;

namespace zv::user {

// WM_SETICON: keeps the icon (null removes it) and returns the one it replaces.
LRESULT SetWindowIcon(HWND hwnd, WPARAM size, HICON icon);
// WM_GETICON: the icon kept for that size (null when none).
LRESULT GetWindowIcon(HWND hwnd, WPARAM size);
// WM_QUERYDRAGICON: the class icon, else the big icon, else null.
LRESULT DefaultDragIcon(HWND hwnd);
// WM_ICONERASEBKGND: the client area in the desktop's colour, as the icon sits on the desktop.
LRESULT EraseIconBackground(HWND hwnd, HDC hdc);

} // namespace zv::user
