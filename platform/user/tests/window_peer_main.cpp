// A second process with windows, for the tests of windows across processes. Its main thread reads
// one command a line on standard input and answers with one line; window commands run on its user
// interface thread, which owns every window and runs a message loop:
//   pid                        -> this process's id                   (answered at once)
//   hanging                    -> 1 while a window procedure hangs    (answered at once)
//   create CLASS CAPTION...    -> the new top-level window's handle
//   create-many N FILE         -> "ok"; N windows, their handles written to FILE one a line
//   show HWND COMMAND          -> ShowWindow's result
//   state HWND                 -> "<visible> <iconic> <caption>"
//   settext HWND TEXT...       -> SetWindowTextA's result
//   send HWND MESSAGE W L      -> "<result> <last error>" (any window, of any process)
//   foreground                 -> the handle GetForegroundWindow gives
//   posted                     -> the posted messages received so far: "message:w:l" separated by spaces
//   modal                      -> "ok"; the interface thread then enters a nested message loop
//   modal-depth                -> how many nested loops run
//   end-modal                  -> "ok"; the nested loop ends
//   exit                       -> ends at once, windows left standing (as if it crashed)
#include "platform/user/tests/window_peer.h"
#include "platform/user/window.h"
#include "platform/win32/last_error.h"

#include <atomic>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

using namespace zv::user::test::peer;

namespace {

constexpr UINT kRunCommand = WM_APP + 100;
constexpr UINT kEnterModal = WM_APP + 101;

std::atomic<bool> g_hanging{false};
std::atomic<int> g_modalDepth{0};
bool g_endModal = false; // interface thread only
std::mutex g_postedMutex;
std::string g_posted;

HWND Handle(std::istringstream& words)
{
    unsigned long value = 0;
    words >> value;
    return zv::user::HandleFromDword(static_cast<DWORD>(value));
}

std::string RestOf(std::istringstream& words)
{
    std::string rest;
    std::getline(words >> std::ws, rest);
    return rest;
}

LRESULT CALLBACK PeerProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kEcho:
        return static_cast<LRESULT>(wParam) + lParam;
    case kSendBack:
        return SendMessageA(reinterpret_cast<HWND>(wParam), kEcho, static_cast<WPARAM>(lParam), 1) + kSendBackAdds;
    case kHang:
        g_hanging = true;
        for (;;)
            pause();
    case kModalDepth:
        return g_modalDepth.load();
    case kRecord: {
        std::lock_guard lock(g_postedMutex);
        g_posted += std::to_string(message) + ":" + std::to_string(wParam) + ":" + std::to_string(lParam) + " ";
        return 0;
    }
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

bool RegisterPeerClass(const std::string& name)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = &PeerProcedure;
    wc.lpszClassName = name.c_str();
    return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreatePeerWindow(const std::string& className, const std::string& caption)
{
    if (!RegisterPeerClass(className))
        return nullptr;
    return CreateWindowExA(0, className.c_str(), caption.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 40, 30, nullptr,
                           nullptr, nullptr, nullptr);
}

// On the interface thread.
std::string Run(const std::string& line, HWND control)
{
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "create") {
        std::string className;
        words >> className;
        return std::to_string(zv::user::HandleToDword(CreatePeerWindow(className, RestOf(words))));
    }
    if (command == "create-many") {
        int count = 0;
        std::string file;
        words >> count >> file;
        std::ofstream out(file);
        for (int i = 0; i < count; ++i)
            out << zv::user::HandleToDword(CreatePeerWindow("ZvPeerMany", "many")) << "\n";
        return "ok";
    }
    if (command == "show") {
        HWND hwnd = Handle(words);
        int show = 0;
        words >> show;
        return std::to_string(ShowWindow(hwnd, show));
    }
    if (command == "state") {
        HWND hwnd = Handle(words);
        char caption[256] = {};
        GetWindowTextA(hwnd, caption, sizeof caption);
        return std::to_string(IsWindowVisible(hwnd)) + " " + std::to_string(IsIconic(hwnd)) + " " + caption;
    }
    if (command == "settext") {
        HWND hwnd = Handle(words);
        return std::to_string(SetWindowTextA(hwnd, RestOf(words).c_str()));
    }
    if (command == "send") {
        HWND hwnd = Handle(words);
        UINT message = 0;
        long long wParam = 0, lParam = 0;
        words >> message >> wParam >> lParam;
        SetLastError(0);
        const LRESULT result = SendMessageA(hwnd, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
        return std::to_string(result) + " " + std::to_string(GetLastError());
    }
    if (command == "register")
        return std::to_string(RegisterWindowMessageA(RestOf(words).c_str()));
    if (command == "foreground")
        return std::to_string(zv::user::HandleToDword(GetForegroundWindow()));
    if (command == "posted") {
        std::lock_guard lock(g_postedMutex);
        return g_posted.empty() ? "none" : g_posted;
    }
    if (command == "modal") {
        PostMessageA(control, kEnterModal, 0, 0);
        return "ok";
    }
    if (command == "modal-depth")
        return std::to_string(g_modalDepth.load());
    if (command == "end-modal") {
        g_endModal = true;
        PostMessageA(control, WM_NULL, 0, 0);
        return "ok";
    }
    return "unknown command";
}

// A nested loop as a modal dialog runs one: it serves sent messages while it waits.
void RunModalLoop()
{
    ++g_modalDepth;
    g_endModal = false;
    MSG msg;
    while (!g_endModal && GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    --g_modalDepth;
}

LRESULT CALLBACK ControlProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunCommand) {
        auto* exchange = reinterpret_cast<std::pair<std::string, std::string>*>(lParam);
        exchange->second = Run(exchange->first, hwnd);
        return 0;
    }
    if (message == kEnterModal) {
        RunModalLoop();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

int main()
{
    std::atomic<HWND> control{nullptr};
    std::thread ui([&] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &ControlProcedure;
        wc.lpszClassName = "ZvPeerControl";
        RegisterClassA(&wc);
        control = CreateWindowExA(0, "ZvPeerControl", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        control.notify_all();
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
    });
    ui.detach();
    control.wait(nullptr);

    std::string line;
    while (std::getline(std::cin, line)) {
        std::string answer;
        if (line == "exit")
            _exit(0);
        if (line == "pid") {
            answer = std::to_string(getpid());
        } else if (line == "hanging") {
            answer = std::to_string(g_hanging ? 1 : 0);
        } else {
            std::pair<std::string, std::string> exchange{line, {}};
            SendMessageA(control.load(), kRunCommand, 0, reinterpret_cast<LPARAM>(&exchange));
            answer = exchange.second;
        }
        std::cout << answer << std::endl;
    }
    _exit(0);
}
