// Keyboard focus, mouse capture, key states and cursors.
//
// The focus, capture and active window are the machine's (one each); GetFocus, GetCapture and
// GetActiveWindow answer only on the thread that owns that window, as each thread sees its own.
#pragma once

#include "platform/user/messages.h"
#include "platform/user/virtual_keys.h"

// Sends WM_KILLFOCUS to the window losing the focus and WM_SETFOCUS to the one getting it,
// activating its top-level window first. A disabled window cannot take the focus (null result).
// Returns the window that had it.
HWND SetFocus(HWND hWnd);
HWND GetFocus();

// The mouse goes to the capturing window wherever the pointer is, until released. The window
// losing the capture gets WM_CAPTURECHANGED (lParam: the new capturing window).
HWND SetCapture(HWND hWnd);
BOOL ReleaseCapture();
HWND GetCapture();

// Key state: the high bit (negative result) while the key is down, the low bit toggled by each
// press (Caps Lock's light). Mouse buttons are keys too (VK_LBUTTON, VK_RBUTTON, VK_MBUTTON).
// GetKeyState answers as of the last input message the calling thread retrieved, so a handler
// sees the keys as they were when its message was made; GetAsyncKeyState answers as of now.
SHORT GetKeyState(int nVirtKey);
SHORT GetAsyncKeyState(int vKey);

// Standard cursors (LoadCursorA with a null instance).
inline LPCSTR MakeCursorName(unsigned id) { return reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(id)); }
inline LPCSTR const IDC_ARROW = MakeCursorName(32512);
inline LPCSTR const IDC_IBEAM = MakeCursorName(32513);
inline LPCSTR const IDC_WAIT = MakeCursorName(32514);
inline LPCSTR const IDC_CROSS = MakeCursorName(32515);
inline LPCSTR const IDC_UPARROW = MakeCursorName(32516);
inline LPCSTR const IDC_SIZENWSE = MakeCursorName(32642);
inline LPCSTR const IDC_SIZENESW = MakeCursorName(32643);
inline LPCSTR const IDC_SIZEWE = MakeCursorName(32644);
inline LPCSTR const IDC_SIZENS = MakeCursorName(32645);
inline LPCSTR const IDC_SIZEALL = MakeCursorName(32646);
inline LPCSTR const IDC_NO = MakeCursorName(32648);
inline LPCSTR const IDC_HAND = MakeCursorName(32649);
inline LPCSTR const IDC_APPSTARTING = MakeCursorName(32650);
inline LPCSTR const IDC_HELP = MakeCursorName(32651);

// A standard cursor for a null instance (else null, ERROR_INVALID_PARAMETER); for a module, a
// cursor group of its resources at SM_CXCURSOR (resource_images.h).
HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName);
// Shows the cursor (null: none) and returns the one shown before.
HCURSOR SetCursor(HCURSOR hCursor);
HCURSOR GetCursor();
BOOL GetCursorPos(POINT* lpPoint);
// Moves the pointer there, as the user would (the window under it gets WM_MOUSEMOVE).
BOOL SetCursorPos(int X, int Y);

namespace zv::user {

// Whether the handle is one of the standard cursors, and which (its IDC_ number).
bool IsStandardCursor(HCURSOR cursor, unsigned* id = nullptr);

} // namespace zv::user
