// The window objects of the calling thread: which object each window has, the window CreateEx is
// making, and the message being handled (for CWnd::Default).
#pragma once

#include "platform/user/messages.h"

#include <memory>
#include <unordered_map>

class CWnd;

namespace zv::afx {

struct CurrentMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

struct WindowThreadState {
    ~WindowThreadState();

    std::unordered_map<HWND, CWnd*> permanent;
    std::unordered_map<HWND, std::unique_ptr<CWnd>> temporary;
    CWnd* creating = nullptr;
    CurrentMessage current;
};

WindowThreadState& ThisThreadWindows();

} // namespace zv::afx
