// The first top-level window follows the position and show command its starter asked for.
#include "platform/user/window.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(StartupRequest, DefaultPlacementAndShowFollowTheStarter)
{
    zv::win32::testing::TempZvRoot root;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "ZvStartupRequest";
    RegisterClassA(&wc);
    struct Case {
        const char* request; // flags,x,y,width,height,show; null: none
        int x, left;
        bool iconic;
    };
    const Case cases[] = {
        {"5,300,200,0,0,1", CW_USEDEFAULT, 300, false}, // position and SW_SHOWNORMAL
        {"4,300,200,0,0,7", CW_USEDEFAULT, 300, false}, // position only
        {"5,300,200,0,0,7", 10, 10, true},              // SW_SHOWMINNOACTIVE; the program's own position wins
        {nullptr, CW_USEDEFAULT, 0, false},
    };
    for (const Case& c : cases) {
        if (c.request)
            ::setenv("ZV_STARTUP", c.request, 1);
        HWND hwnd = CreateWindowExA(0, "ZvStartupRequest", "", WS_OVERLAPPEDWINDOW, c.x, 20, 50, 40, nullptr, nullptr,
                                    nullptr, nullptr);
        ::unsetenv("ZV_STARTUP");
        ASSERT_NE(nullptr, hwnd);
        if (c.request)
            ::setenv("ZV_STARTUP", c.request, 1);
        ShowWindow(hwnd, SW_SHOWDEFAULT);
        ::unsetenv("ZV_STARTUP");
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        EXPECT_EQ(c.iconic, IsIconic(hwnd) != FALSE) << c.request;
        if (!c.iconic) {
            EXPECT_EQ(c.left, rect.left) << (c.request ? c.request : "none");
        }
        DestroyWindow(hwnd);
    }
}

}  // namespace
