#include "platform/user/window.h"
#include "platform/win32/last_error.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowRect, ChildRectanglesCountFromTheirParents)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &DefWindowProcA;
    windowClass.lpszClassName = "WindowRectTest";
    ASSERT_NE(0, RegisterClassA(&windowClass));
    const HWND top = CreateWindowExA(0, "WindowRectTest", "", 0, 100, 50, 400, 300, nullptr, nullptr, nullptr, nullptr);
    const HWND child = CreateWindowExA(0, "WindowRectTest", "", WS_CHILD, 10, 20, 30, 40, top, nullptr, nullptr, nullptr);
    const HWND grandchild = CreateWindowExA(0, "WindowRectTest", "", WS_CHILD, 1, 2, 3, 4, child, nullptr, nullptr, nullptr);
    const HWND owned = CreateWindowExA(0, "WindowRectTest", "", 0, 7, 8, 9, 10, top, nullptr, nullptr, nullptr);
    const HWND defaulted = CreateWindowExA(0, "WindowRectTest", "", 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                           CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    struct Case {
        HWND window;
        RECT expected;
    } cases[] = {{top, {100, 50, 500, 350}},
                 {child, {110, 70, 140, 110}},
                 {grandchild, {111, 72, 114, 76}},
                 {owned, {7, 8, 16, 18}}, // an owned window is not placed inside its owner
                 {defaulted, {0, 0, 0, 0}}};
    for (const Case& c : cases) {
        RECT rect{-1, -1, -1, -1};
        ASSERT_TRUE(GetWindowRect(c.window, &rect));
        EXPECT_EQ(c.expected.left, rect.left);
        EXPECT_EQ(c.expected.top, rect.top);
        EXPECT_EQ(c.expected.right, rect.right);
        EXPECT_EQ(c.expected.bottom, rect.bottom);
    }
    RECT rect{};
    EXPECT_FALSE(GetWindowRect(top, nullptr));
    DestroyWindow(top);
    DestroyWindow(defaulted);
    EXPECT_FALSE(GetWindowRect(top, &rect));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    UnregisterClassA("WindowRectTest", nullptr);
}

} // namespace
