// The window objects of the calling thread: which object each window has, the window CreateEx is
// making, and the message being handled (for CWnd::Default).
#pragma once

#include "platform/afx/afx_handle_map.h"
#include "platform/user/messages.h"

class CWnd;

namespace zv::afx {

struct CurrentMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

struct WindowThreadState {
    HandleMap<HWND, CWnd> windows;
    CWnd* creating = nullptr;
    CurrentMessage current;
};

WindowThreadState& ThisThreadWindows();

} // namespace zv::afx
