#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_shapes.h"
#include "platform/gdi/gdi_text.h"
#include "platform/user/testing/screenshots.h"
#include "platform/user/tests/window_system_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using zv::user::test::CreateAt;
using zv::user::test::DrainQueue;
using zv::user::test::RecordingWindow;
namespace headless = zv::user::headless;

class ScreenshotTest : public zv::user::test::WindowSystemTest {};

// A window whose class erases it in the button face colour and which paints a caption bar and
// its own text.
LRESULT CALLBACK PanelProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hwnd, &paint);
    RECT client;
    GetClientRect(hwnd, &client);
    RECT bar{0, 0, client.right, 24};
    FillRect(hdc, &bar, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    char title[64] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    RECT text{6, 4, client.right, 24};
    DrawTextExA(hdc, title, -1, &text, DT_LEFT, nullptr);
    SetTextColor(hdc, GetSysColor(COLOR_BTNTEXT));
    TextOutA(hdc, 10, 40, "Painted through BeginPaint", 26);
    MoveToEx(hdc, 10, client.bottom - 10, nullptr);
    LineTo(hdc, client.right - 10, client.bottom - 10);
    EndPaint(hwnd, &paint);
    return 0;
}

TEST_F(ScreenshotTest, PaintedWindowsReachTheScreenInTheirOrder)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = &PanelProcedure;
    wc.hbrBackground = SysColourBrushValue(COLOR_BTNFACE);
    wc.lpszClassName = "ZvScreenshotPanel";
    ASSERT_NE(RegisterClassA(&wc), 0);
    const HWND main = CreateWindowExA(0, "ZvScreenshotPanel", "Main window", WS_POPUP | WS_VISIBLE | WS_BORDER,
                                      40, 40, 360, 240, nullptr, nullptr, nullptr, nullptr);
    // A child in the lower right, framed by its client edge.
    const HWND child = CreateWindowExA(WS_EX_CLIENTEDGE, "ZvScreenshotPanel", "Child", WS_CHILD | WS_VISIBLE, 180,
                                       120, 160, 100, main, nullptr, nullptr, nullptr);
    // An owned pop-up overlapping the main window's right edge, above it.
    const HWND popup = CreateWindowExA(0, "ZvScreenshotPanel", "Owned pop-up", WS_POPUP | WS_VISIBLE | WS_BORDER,
                                       320, 180, 220, 140, main, nullptr, nullptr, nullptr);
    ASSERT_TRUE(main && child && popup);
    DrainQueue();

    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF bar = GetSysColor(COLOR_HIGHLIGHT);
    struct Probe {
        int x, y;
        COLORREF expected;
        const char* what;
    } probes[] = {
        {5, 5, headless::kDesktopColour, "the desktop"},
        {60, 100, face, "the main window, erased with its class brush"},
        {300, 45, bar, "the main window's bar"},
        {330, 170, bar, "the child's bar, inside the main window"},
        {330, 185, bar, "the owned pop-up's bar, above its owner"},
        {500, 300, face, "the pop-up beyond its owner"},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(headless::ScreenPixel(p.x, p.y), p.expected) << p.what;

    // Moving the owner leaves the desktop where it was and repaints it at its new place.
    MoveWindow(main, 20, 260, 360, 200, TRUE);
    DrainQueue();
    EXPECT_EQ(headless::ScreenPixel(60, 100), headless::kDesktopColour);
    EXPECT_EQ(headless::ScreenPixel(60, 330), face);

    if (const char* folder = std::getenv("ZV_TEST_PICTURES"); folder && *folder) {
        std::filesystem::create_directories(folder);
        EXPECT_FALSE(zv::user::testing::KeepScreenshot("user_screen").empty());
        EXPECT_FALSE(zv::user::testing::KeepScreenshot("user_popup", popup).empty());
    }
    DestroyWindow(main);
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_EQ(headless::ScreenPixel(330, 185), headless::kDesktopColour) << "gone from the screen";
    UnregisterClassA("ZvScreenshotPanel", nullptr);
}

} // namespace
