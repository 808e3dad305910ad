// Requests of other processes to this process's windows. A post is queued at once on the server
// thread; everything that runs on the window's thread (a send, showing, raising) gets a thread of
// its own that goes through the ordinary cross-thread machinery, so the server never waits.
#include "platform/user/remote_windows.h"
#include "platform/user/window_server.h"
#include "platform/win32/last_error.h"

#include <algorithm>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace zv::user {

namespace {

void Reply(int fd, LRESULT result, DWORD error, const std::string& text = {})
{
    const remote::ReplyHeader header{result, error, static_cast<std::uint32_t>(text.size())};
    std::string packet(reinterpret_cast<const char*>(&header), sizeof header);
    packet += text;
    // A caller that gave up has closed its end; nothing to do about that.
    [[maybe_unused]] const ssize_t sent = send(fd, packet.data(), packet.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    close(fd);
}

LRESULT SendOnHandlersThread(HWND hwnd, const remote::RequestHeader& request, const std::string& text,
                             std::string& replyText)
{
    if (request.message == WM_SETTEXT)
        return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (request.message == WM_GETTEXT) {
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(request.wParam, remote::kMaxTextBytes + 1));
        if (size == 0)
            return 0;
        std::string buffer(size, '\0');
        const LRESULT copied = SendMessageA(hwnd, WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer.data()));
        // A procedure that answers itself may report more than fits; only what fits goes back.
        replyText = buffer.substr(0, static_cast<std::size_t>(std::clamp<LRESULT>(copied, 0, static_cast<LRESULT>(size - 1))));
        return static_cast<LRESULT>(replyText.size());
    }
    return SendMessageA(hwnd, request.message, static_cast<WPARAM>(request.wParam), static_cast<LPARAM>(request.lParam));
}

void RunOnHandlersThread(int fd, const remote::RequestHeader& request, const std::string& text)
{
    const HWND hwnd = HandleFromDword(request.hwnd);
    SetLastError(ERROR_SUCCESS);
    std::string replyText;
    LRESULT result = 0;
    switch (request.kind) {
    case remote::RequestKind::Send:
        result = SendOnHandlersThread(hwnd, request, text, replyText);
        break;
    case remote::RequestKind::Show:
        result = ShowWindow(hwnd, request.command);
        break;
    case remote::RequestKind::SetForeground:
        result = SetForegroundWindow(hwnd);
        break;
    case remote::RequestKind::BringToTop:
        result = BringWindowToTop(hwnd);
        break;
    default:
        SetLastError(ERROR_INVALID_FUNCTION);
        break;
    }
    Reply(fd, result, GetLastError(), replyText);
}

} // namespace

void ServeRemoteRequest(int fd, const remote::RequestHeader& request, std::string text)
{
    const HWND hwnd = HandleFromDword(request.hwnd);
    if (!IsLocalWindow(hwnd)) {
        Reply(fd, 0, ERROR_INVALID_WINDOW_HANDLE);
        return;
    }
    const bool carriesMessage = request.kind == remote::RequestKind::Post || request.kind == remote::RequestKind::Send;
    if (carriesMessage && !remote::CrossesProcesses(request.message)) {
        Reply(fd, 0, ERROR_INVALID_PARAMETER);
        return;
    }
    if (request.kind == remote::RequestKind::Post) {
        // A pointer in a posted message would be gone before it is read.
        if (request.message == WM_SETTEXT || request.message == WM_GETTEXT) {
            Reply(fd, FALSE, ERROR_MESSAGE_SYNC_ONLY);
            return;
        }
        SetLastError(ERROR_SUCCESS);
        const BOOL posted = PostMessageA(hwnd, request.message, static_cast<WPARAM>(request.wParam),
                                         static_cast<LPARAM>(request.lParam));
        Reply(fd, posted, posted ? ERROR_SUCCESS : GetLastError());
        return;
    }
    try {
        std::thread([fd, request, text = std::move(text)] { RunOnHandlersThread(fd, request, text); }).detach();
    } catch (const std::system_error&) {
        Reply(fd, 0, ERROR_NOT_ENOUGH_MEMORY);
    }
}

} // namespace zv::user
