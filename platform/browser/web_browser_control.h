// The WebBrowser control: the COM class under CLSID_WebBrowser (browser_interfaces.h), hosted by
// the framework's control sites (platform/user/hosted_control.h). Its window is a plain child of
// the host's; the page itself is a web view the gtk display lays over that window's place and
// keeps there as the window moves, sizes, shows, hides and goes. Events fire on the window's
// thread. Where the display has no browser (headless), the control and its window are made but
// Navigate fails with E_FAIL and says why on stderr.
#pragma once

#include "platform/browser/browser_interfaces.h"
#include "platform/user/hosted_control.h"

namespace zv::browser {

inline constexpr const char* kWebBrowserWindowClass = "ZvWebBrowser";

// Makes a control; no aggregation.
HRESULT CreateWebBrowser(IUnknown* outer, REFIID riid, void** ppv);
// Enters the control in the process's COM class table (also as "Shell.Explorer.2"), as the
// system has it installed: a program calls this before it hosts its first browser.
void RegisterWebBrowserClass();

} // namespace zv::browser
