// The tooltip of a skinned form: a small top-most pop-up beside the pointer, in the colours of the
// skin's menus. It never takes the activation or the mouse.
#pragma once

#include "platform/skin/skin_document.h"

#include <string>

namespace zv::skin {

// The window class name, so tests can find a shown tooltip.
inline constexpr const char* kSkinTooltipClass = "ZvSkinTooltip";

// Shows the text (UTF-8) at the screen point, reusing `tooltip` when it is a window; returns the
// tooltip window. The look must outlive the window.
HWND ShowSkinTooltip(HWND tooltip, HWND owner, const MenuLook& look, const std::string& text, POINT screen);

} // namespace zv::skin
