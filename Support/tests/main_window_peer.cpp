// Stands in for a running main program in the uninstall tests: a process with one top-level window
// of the given class and caption. Each close request (0x8066) it gets is written as a line to the
// log file; with "close" the window then goes and the process ends, with "stay" it ignores them.
// Prints "ready" once the window exists.
//   main_window_peer CLASS CAPTION close|stay LOGFILE
#include "platform/user/messages.h"
#include "platform/user/window.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr UINT kCloseRequest = 0x8066;
std::string g_log;
bool g_closes = false;

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kCloseRequest) {
        std::ofstream(g_log, std::ios::app) << "close request\n";
        if (g_closes) DestroyWindow(hwnd);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) return 2;
    g_closes = std::string(argv[3]) == "close";
    g_log = argv[4];
    WNDCLASSA wc{};
    wc.lpfnWndProc = &Procedure;
    wc.lpszClassName = argv[1];
    if (!RegisterClassA(&wc)) return 3;
    HWND window = CreateWindowExA(0, argv[1], argv[2], WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                                  nullptr);
    if (!window) return 4;
    std::printf("ready\n");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
