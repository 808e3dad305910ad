// User input coming in from the display backend (or from tests on the headless display). Each
// call finds the window the input is for and posts the message to that window's thread, where
// GetMessageA returns it like any posted message (so message-loop filters see it first).
//
// The mouse goes to the capturing window, else to the deepest visible, enabled child under the
// pointer (a disabled child's parent takes it; a disabled top-level window takes nothing).
// Coordinates are the screen's. Keys go to the focus window, else to the active window.
#pragma once

#include "platform/user/messages.h"

#include <optional>
#include <string>

namespace zv::user {

enum class MouseButton { Left, Right, Middle };

void DeliverMouseMove(int x, int y);
// At the pointer's place. A second press of the same button on the same window within the
// double-click time and distance gives WM_*BUTTONDBLCLK when the window's class has CS_DBLCLKS.
void DeliverMouseButton(MouseButton button, bool down);
// WM_MOUSEWHEEL to the window under the pointer (the focus window when none); `delta` is in
// WHEEL_DELTA units of 120 per notch.
void DeliverMouseWheel(int delta);
// `typed`: the text the key types with the keyboard's layout and modifiers (bytes of the
// A-functions' code page), when the display knows it; TranslateMessage then posts one WM_CHAR
// per byte. Without it, TranslateMessage derives the character from the virtual key.
void DeliverKey(UINT virtualKey, bool down, std::optional<std::string> typed = std::nullopt);
// The user turned to another program (false) or back to this one (true): the active window is
// deactivated or reactivated with WM_ACTIVATEAPP and WM_ACTIVATE.
void DeliverAppAttention(bool attention);

// The double-click time in milliseconds of the timer clock.
constexpr DWORD kDoubleClickTime = 500;

// Called by the message retrieval for each message taken off the queue, on the window's thread:
// key and button messages update the thread's key state (GetKeyState answers as of the last
// message retrieved), a click activates the window's top-level window, and WM_SETCURSOR lets the
// window choose the cursor. A key the desktop delivered goes to the thread's focus window of the
// moment (`msg.hwnd` may change).
void OnMessageRetrieved(MSG& msg);
// The text DeliverKey was given for the key message this thread retrieved last, when `msg` is
// that message.
std::optional<std::string> TypedTextOf(const MSG& msg);

} // namespace zv::user
