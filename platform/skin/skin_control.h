// The skin control: the COM class under CLSID_ZelvanteSkin. One object is the control and its
// engine: it answers ISkinEngine (one loaded skin per control), ISkinElementWindow (its own
// window) and IZvHostedControl, through which the framework's control sites make its window and
// hand it the sink for its events (platform/user/hosted_control.h).
//
// The control's window shows what the form of its parent window has under it and passes the mouse
// on to that form, so it never hides part of the skin.
#pragma once

#include "platform/skin/skin_interfaces.h"
#include "platform/user/hosted_control.h"

#include <string>

namespace zv::skin {

inline constexpr const char* kSkinControlClass = "ZvSkinControl";

// Makes a control; no aggregation.
HRESULT CreateSkinControl(IUnknown* outer, REFIID riid, void** ppv);
// Enters the control in the process's COM class table, as installing the control does: dialogs
// name it by class id, so a program calls this before it makes its first skinned dialog.
void RegisterSkinControlClass();
// Why the control's last LoadSkin failed (empty after a success); for diagnostics.
std::string LastSkinError(IUnknown* control);

} // namespace zv::skin
