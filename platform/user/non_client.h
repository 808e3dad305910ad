// The non-client area we draw around a window: the frame (WS_BORDER, WS_DLGFRAME, WS_THICKFRAME),
// the caption (WS_CAPTION) with the small icon, the title and the minimise, maximise and close
// boxes, its hit testing and what the default window procedure does with clicks on it. A window
// without those styles (a skinned one) has no frame at all.
#pragma once

#include "platform/gdi/gdi_types.h"
#include "platform/user/window.h"

#include <functional>

namespace zv::user {

// Frame plus caption plus client edges on each side, as drawn (no scroll bars).
RECT FrameThickness(DWORD style, DWORD exStyle);

// Where the caption's parts lie in window coordinates; an empty rectangle for a part the styles
// leave out.
struct CaptionParts {
    RECT bar{};
    RECT icon{};
    RECT minimise{};
    RECT maximise{};
    RECT close{};
};
CaptionParts CaptionPartsOf(DWORD style, DWORD exStyle, SIZE window);

// The part of a window under a point in window coordinates: HTCLIENT inside `client` (window
// coordinates), the scroll bars, the caption's parts, the sizing edges and corners of a thick
// frame, HTBORDER elsewhere on the frame, HTNOWHERE outside the window.
int FrameHitTest(DWORD style, DWORD exStyle, SIZE window, const RECT& client, POINT at);

// The default window procedure's answers.
// WM_NCHITTEST (lParam: a screen point).
LRESULT DefaultHitTest(HWND hwnd, LPARAM lParam);
// WM_NCPAINT: frame, caption, client edges and the scroll bars' corner.
LRESULT PaintFrame(HWND hwnd);
// WM_NCACTIVATE: the caption takes the active or inactive colours.
LRESULT ShowCaptionActive(HWND hwnd, bool active);
// WM_NCLBUTTONDOWN and WM_NCLBUTTONDBLCLK (wParam: the hit code, lParam: a screen point).
LRESULT NonClientPress(HWND hwnd, UINT message, WPARAM hit, LPARAM lParam);
// WM_SYSCOMMAND: close, minimise, maximise, restore and the caption drag (SC_MOVE).
LRESULT SystemCommand(HWND hwnd, WPARAM command, LPARAM lParam);
// Follows the mouse while the left button is held on a part of the window (on the window's thread:
// other messages are served meanwhile): `moved` hears every pointer position on the screen.
// True when the button came up (its screen point into *released when not null), false when
// Escape or the loss of the capture called the press off.
bool FollowPress(HWND hwnd, const std::function<void(POINT)>& moved, POINT* released);

} // namespace zv::user
