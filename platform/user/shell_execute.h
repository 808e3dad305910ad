// Opening documents, folders, web sites and mail addresses with the desktop's program for them:
// ShellExecuteA hands them to `xdg-open` (or to the program ZV_SHELL_OPEN names, which tests use to
// record what was asked), started detached and given the target as one argument, never through a
// shell. Only the "open" verb (or none) is known; "explore" opens a folder the same way.
//
// The result follows Windows: a value above 32 when the opener was started, else one of the codes
// below (also set as the last error). Whether the desktop then finds a program for the target is
// not waited for: the opener reports that to the user itself.
#pragma once

#include "platform/user/user_types.h"

constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_NOASSOC = 31;

HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT showCommand);

namespace zv::user {
// Whether `target` starts with a URL scheme ("https:", "mailto:"); a drive letter is no scheme.
bool HasUrlScheme(const char* target);
} // namespace zv::user
