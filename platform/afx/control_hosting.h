// Hosting controls by class id (platform/user/hosted_control.h holds the contract a control
// keeps): in dialogs made from templates whose items name a class id, and in any window through
// CWnd::CreateControl. Each hosted control has a site that holds the control while its window
// lives and routes its events to the event sink map of the window it was created in.
#pragma once

#include "platform/user/hosted_control.h"

// Enables hosting: from here on dialog templates may hold controls named by class id, and
// CWnd::CreateControl works. Until then both fail, as for a window class nobody registered.
void AfxEnableControlContainer();

namespace zv::afx {

// Creates the control of class `clsid` (CoCreateInstance on this thread) and its window in
// `parent`. Null on failure, with the last error the failing HRESULT (or a window error), and
// nothing left behind.
HWND CreateHostedControl(const CLSID& clsid, LPCSTR text, DWORD style, const RECT& rect, HWND parent, UINT id);
// The control whose window this is, without a reference of its own: valid while the window
// lives. Null for any other window.
IUnknown* HostedControlOf(HWND window);

} // namespace zv::afx
