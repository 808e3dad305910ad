// What the window system's parts share inside platform/user: geometry of a window record,
// invalidation, surfaces and telling the display. Functions named *Locked expect the window
// table's lock to be held.
#pragma once

#include "platform/gdi/gdi_types.h"
#include "platform/user/window_table.h"

#include <functional>

namespace zv::user {

class ThreadQueue;

// The screen as a window (GetDesktopWindow). Odd, so no window is ever given this value.
inline HWND const kDesktopWindow = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10001));

// The frame, caption, client edges and scroll bars around the client area, as thicknesses on
// each side.
RECT NonClientThickness(const WindowRecord& record);
// The client area in window coordinates; empty while the window is minimised.
RECT ClientAreaInWindow(const WindowRecord& record);
// The window's top-left corner and its client area's top-left corner on the screen.
POINT WindowOriginOnScreenLocked(WindowTable& table, const WindowRecord& record);
POINT ClientOriginOnScreenLocked(WindowTable& table, const WindowRecord& record);
// Where the window's top-left corner lies on its top-level window's surface.
POINT WindowOriginOnSurfaceLocked(WindowTable& table, const WindowRecord& record);
// Visible, and so are all its parents.
bool IsShownLocked(WindowTable& table, const WindowRecord& record);
// Not disabled, and neither is any of its parents.
bool IsEnabledLocked(WindowTable& table, const WindowRecord& record);

// Adds `area` (client coordinates) to the window's invalid region; also to its children's where
// the window does not clip them out (WS_CLIPCHILDREN), or always with `children`. Wakes the
// owning thread so that WM_PAINT comes.
void InvalidateLocked(WindowTable& table, WindowRecord& record, const gdi::Region& area, bool erase, bool children);
// The window of the queue's thread that needs WM_PAINT (the filter window when not null),
// parents before their children; null when none does.
HWND FindWindowToPaint(const ThreadQueue* queue, HWND filterWindow);

// Lets GDI draw window contexts on the windows' surfaces (once per process).
void InstallCanvasHooks();
// Gives a top-level window a surface of its present size, keeping what it showed.
void ResizeSurfaceLocked(WindowRecord& record);

// SetWindowPos with a change of the record made under the same lock (state, styles); the
// window hears of what that changed of its client area.
BOOL PlaceWindow(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags,
                 const std::function<void(WindowRecord&)>& change);

// Tells the display where the top-level windows are, in which order, and which show.
void UpdateDisplay();
// The top-level window is gone.
void ForgetDisplayWindow(HWND hwnd);

// Activates the top-level window (null: none of ours) as the user or the program asked.
void ActivateTopLevel(HWND hwnd, WORD how);
// Whether `hwnd` is the active top-level window now. WM_ACTIVATE reaches a window after the
// activation changed, so another window may have become active since.
bool IsActiveTopLevel(HWND hwnd);
// The window to activate when the desktop gives the keyboard focus to the top-level window
// `hwnd`: the modal window its family waits for, if any; else `hwnd` unless it is disabled,
// hidden or minimised (null then).
HWND WindowForDesktopFocus(HWND hwnd);
// The window (and its children) lose focus, capture and activation before being hidden,
// disabled or destroyed.
void ReleaseInputOf(HWND hwnd);

// The default answers of the window procedure that more than one part needs.
// WM_WINDOWPOSCHANGED: WM_MOVE and WM_SIZE for what changed of the client area.
void ReportPlacement(HWND hwnd, const WINDOWPOS& pos);
// WM_ERASEBKGND: fills the client area with the class brush; whether it did.
LRESULT EraseBackground(HWND hwnd, HDC hdc);
// WM_SETCURSOR: the parent may choose; else the class cursor in the client area, the arrow
// elsewhere.
LRESULT DefaultSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam);

} // namespace zv::user
