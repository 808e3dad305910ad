// What one process asks of another's windows over its socket: one request packet per connection
// (SOCK_SEQPACKET), answered by one reply packet. Both processes run the same build, so the layout
// is plain.
#pragma once

#include "platform/user/messages.h"

#include <cstdint>

namespace zv::user::remote {

enum class RequestKind : std::uint32_t {
    Post = 1,
    Send = 2,
    Show = 3,
    SetForeground = 4,
    BringToTop = 5,
};

struct RequestHeader {
    RequestKind kind;
    std::uint32_t hwnd;
    std::uint32_t message;   // Post, Send
    std::int32_t command;    // Show: the SW_ command
    std::uint64_t wParam;
    std::int64_t lParam;
    std::uint32_t textBytes; // WM_SETTEXT: the text that follows (without a terminator)
    std::uint32_t reserved;
};

struct ReplyHeader {
    std::int64_t result;
    std::uint32_t error;     // the last error the receiver's call left, 0 when it succeeded
    std::uint32_t textBytes; // WM_GETTEXT: the text that follows (without a terminator)
};

// Texts travel whole in one packet; longer ones are refused.
constexpr std::uint32_t kMaxTextBytes = 64 * 1024;
constexpr std::size_t kMaxPacketBytes = sizeof(RequestHeader) + kMaxTextBytes;

// Whether a message may cross to another process with its parameters taken as plain values. The
// text messages are carried (their text travels); the program's own messages (WM_USER and up) are
// values by definition; of the system's, only those whose parameters hold no pointer.
inline bool CrossesProcesses(UINT message)
{
    if (message >= WM_USER)
        return true;
    switch (message) {
    case WM_NULL:
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_CLOSE:
    case WM_QUIT:
    case WM_SHOWWINDOW:
    case WM_ACTIVATEAPP:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
    case WM_COMMAND:
    case WM_SYSCOMMAND:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
        return true;
    default:
        return false;
    }
}

} // namespace zv::user::remote
