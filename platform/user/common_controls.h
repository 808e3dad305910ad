// The common controls' shared part: loading them, and the header of their WM_NOTIFY messages.
#pragma once

#include "platform/user/messages.h"

struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
using LPNMHDR = NMHDR*;

constexpr DWORD ICC_LISTVIEW_CLASSES = 0x00000001;
constexpr DWORD ICC_UPDOWN_CLASS = 0x00000010;
constexpr DWORD ICC_INTERNET_CLASSES = 0x00000800;
constexpr DWORD ICC_WIN95_CLASSES = 0x000000FF;
constexpr DWORD ICC_STANDARD_CLASSES = 0x00004000;

struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
using LPINITCOMMONCONTROLSEX = INITCOMMONCONTROLSEX*;

// The common control classes are registered with the system classes, before the first window;
// these only confirm it. The Ex form fails for a wrong size.
void InitCommonControls();
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);

namespace zv::user {

// Sends WM_NOTIFY with the header filled in for the control to its parent; returns the answer.
LRESULT NotifyParent(HWND control, UINT code, NMHDR* header);

} // namespace zv::user
