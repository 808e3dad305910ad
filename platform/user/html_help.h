// The program's help, shown in the desktop's web browser. There is no compiled-help viewer here:
// "<folder>\name.chm" stands for HTML help beside it, the folder "<folder>/name/" with its
// "index.html" (or, without that folder, the single page "<folder>/name.html"). A topic asked for
// as "<folder>\name.chm::/topic.htm" opens "<folder>/name/topic.htm". The page opens through
// ShellExecuteA, so ZV_SHELL_OPEN replaces the browser the same way.
#pragma once

#include "platform/user/user_types.h"

#include <string>

constexpr UINT HH_DISPLAY_TOPIC = 0x0000;
constexpr UINT HH_DISPLAY_TOC = 0x0001;
constexpr UINT HH_DISPLAY_INDEX = 0x0002;

// The help shows in the browser, not in a window of ours: on success the result is `caller` (the
// desktop window when null), only to tell success from failure. Null when the help is missing,
// the command is another one or the browser cannot be started.
HWND HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);

namespace zv::user {
// The page that stands for `file` by the rules above; empty when there is none.
std::string HtmlHelpPage(const std::string& file);
} // namespace zv::user
