// A window's icons through the default window procedure: WM_SETICON, WM_GETICON,
// WM_QUERYDRAGICON and the minimised icon's background; its class cursor under the pointer.
#include "platform/user/input_events.h"
#include "platform/user/resource_images.h"
#include "platform/user/window_icons.h"
#include "platform/user/tests/window_system_support.h"

#include <gtest/gtest.h>

namespace {

class WindowIconsTest : public zv::user::test::WindowSystemTest {
protected:
    HINSTANCE module = GetModuleHandleA(nullptr);
};

LRESULT Send(HWND window, UINT message, WPARAM wParam, HICON icon = nullptr)
{
    return SendMessageA(window, message, wParam, reinterpret_cast<LPARAM>(icon));
}

TEST_F(WindowIconsTest, BigAndSmallIconsAreKeptApart)
{
    const HICON big = LoadIconA(module, MAKEINTRESOURCEA(128));
    const HICON small = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(128), IMAGE_ICON, 16, 16, LR_SHARED));
    ASSERT_TRUE(big && small && big != small);
    zv::user::test::RecordingWindow recorder;
    const HWND window = zv::user::test::CreateAt(recorder, WS_POPUP, 0, 0, 50, 50);
    ASSERT_NE(window, nullptr);

    struct Step {
        const char* what;
        UINT message;
        WPARAM size;
        HICON icon;
        HICON expected;
    };
    const Step steps[] = {
        {"nothing yet", WM_GETICON, ICON_SMALL2, nullptr, nullptr},
        {"first big icon", WM_SETICON, ICON_BIG, big, nullptr},
        {"small falls back to big", WM_GETICON, ICON_SMALL2, nullptr, big},
        {"but plain small has none", WM_GETICON, ICON_SMALL, nullptr, nullptr},
        {"first small icon", WM_SETICON, ICON_SMALL, small, nullptr},
        {"small", WM_GETICON, ICON_SMALL, nullptr, small},
        {"small2 now the small one", WM_GETICON, ICON_SMALL2, nullptr, small},
        {"big", WM_GETICON, ICON_BIG, nullptr, big},
        {"replacing gives the old one", WM_SETICON, ICON_BIG, small, big},
        {"unknown size is refused", WM_SETICON, 7, big, nullptr},
        {"and changed nothing", WM_GETICON, ICON_BIG, nullptr, small},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(Send(window, step.message, step.size, step.icon), reinterpret_cast<LRESULT>(step.expected));
    }
    DestroyWindow(window);
}

TEST_F(WindowIconsTest, DragIconIsTheClassIconElseTheWindowsOwn)
{
    const HICON classIcon = LoadIconA(module, "LOGO");
    const HICON ownIcon = static_cast<HICON>(LoadImageA(module, "LOGO", IMAGE_ICON, 16, 16, LR_SHARED));
    WNDCLASSA withIcon{};
    withIcon.lpfnWndProc = DefWindowProcA;
    withIcon.hIcon = classIcon;
    withIcon.lpszClassName = "ZvIconClass";
    ASSERT_NE(RegisterClassA(&withIcon), 0);
    const HWND classWindow = CreateWindowExA(0, "ZvIconClass", "", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr, nullptr, nullptr);
    zv::user::test::RecordingWindow recorder;
    const HWND plainWindow = zv::user::test::CreateAt(recorder, WS_POPUP, 0, 0, 40, 40);
    ASSERT_TRUE(classWindow && plainWindow);

    EXPECT_EQ(Send(plainWindow, WM_QUERYDRAGICON, 0), 0);
    Send(plainWindow, WM_SETICON, ICON_BIG, ownIcon);
    Send(classWindow, WM_SETICON, ICON_BIG, ownIcon);
    EXPECT_EQ(Send(plainWindow, WM_QUERYDRAGICON, 0), reinterpret_cast<LRESULT>(ownIcon));
    EXPECT_EQ(Send(classWindow, WM_QUERYDRAGICON, 0), reinterpret_cast<LRESULT>(classIcon));
    DestroyWindow(classWindow);
    DestroyWindow(plainWindow);
}

TEST_F(WindowIconsTest, IconBackgroundIsTheDesktopsColour)
{
    zv::user::test::RecordingWindow recorder;
    const HWND window = zv::user::test::CreateAt(recorder, WS_POPUP, 0, 0, 8, 8);
    HDC hdc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(8, 8, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(hdc, bitmap);
    EXPECT_TRUE(SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0));
    EXPECT_EQ(GetPixel(hdc, 7, 7) & 0xFFFFFF, GetSysColor(COLOR_BACKGROUND));
    EXPECT_FALSE(SendMessageA(window, WM_ICONERASEBKGND, 0, 0));
    SelectObject(hdc, old);
    DeleteObject(bitmap);
    DeleteDC(hdc);
    DestroyWindow(window);
}

TEST_F(WindowIconsTest, ClassCursorFromResourcesShowsOverTheWindow)
{
    const HCURSOR cursor = LoadCursorA(module, MAKEINTRESOURCEA(104));
    ASSERT_NE(cursor, nullptr);
    WNDCLASSA withCursor{};
    withCursor.lpfnWndProc = DefWindowProcA;
    withCursor.hCursor = cursor;
    withCursor.lpszClassName = "ZvCursorClass";
    ASSERT_NE(RegisterClassA(&withCursor), 0);
    const HWND window = CreateWindowExA(0, "ZvCursorClass", "", WS_POPUP | WS_VISIBLE, 100, 100, 60, 60, nullptr,
                                       nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    zv::user::DeliverMouseMove(120, 120);
    zv::user::test::DispatchQueued();
    EXPECT_EQ(GetCursor(), cursor);
    DestroyWindow(window);
}

} // namespace
