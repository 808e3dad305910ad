// A program for the WaitForInputIdle tests: `late_window <ms>` shows a top-level window after that
// delay, `late_window never` shows none. Either way it then waits to be ended by its test.
#include "platform/user/window.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    if (std::strcmp(argv[1], "never") != 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(argv[1])));
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "ZvLateWindow";
        if (!RegisterClassA(&wc))
            return 3;
        HWND hwnd = CreateWindowExA(0, "ZvLateWindow", "late", WS_OVERLAPPEDWINDOW, 0, 0, 40, 30, nullptr, nullptr,
                                    nullptr, nullptr);
        if (!hwnd)
            return 4;
        ShowWindow(hwnd, SW_SHOWNORMAL);
    }
    for (;;)
        pause();
}
