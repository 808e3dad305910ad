// CWnd's scroll-bar members on the window's own bars, and how a bar kept while nothing scrolls
// looks.
#include "platform/afx/afxwin.h"
#include "platform/user/headless_display.h"
#include "platform/user/system_metrics.h"
#include "platform/user/testing/screenshots.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 150;

class ScrollMembersTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(zv::user::headless::SetScreenSize(640, 480)); }

    // A visible framework window with a vertical bar, its queue handled.
    void Make(CWnd& wnd, int x)
    {
        ASSERT_TRUE(wnd.CreateEx(0, nullptr, "scrolled", WS_POPUP | WS_VISIBLE | WS_VSCROLL, x, 20, kWidth, kHeight,
                                 nullptr, nullptr));
        Pump();
    }
    static void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    static bool BarShown(const CWnd& wnd)
    {
        CRect client;
        wnd.GetClientRect(&client);
        return client.Width() == kWidth - GetSystemMetrics(SM_CXVSCROLL);
    }

    zv::win32::testing::TempZvRoot root;
};

TEST_F(ScrollMembersTest, MembersSetTheWindowsBar)
{
    struct Case {
        const char* name;
        std::function<void(CWnd&)> apply;
        int pos;
        int limit;
        bool shown;
    };
    const std::vector<Case> cases = {
        {"the page limits the position",
         [](CWnd& w) {
             SCROLLINFO info{0, SIF_ALL, 0, 99, 10, 95, 0};
             w.SetScrollInfo(SB_VERT, &info);
         },
         90, 90, true},
        {"the bar control switched off",
         [](CWnd& w) {
             w.SetScrollRange(SB_VERT, 0, 30);
             w.EnableScrollBarCtrl(SB_VERT, FALSE);
         },
         0, 30, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CWnd wnd;
        Make(wnd, 20);
        c.apply(wnd);
        EXPECT_EQ(wnd.GetScrollPos(SB_VERT), c.pos);
        EXPECT_EQ(wnd.GetScrollLimit(SB_VERT), c.limit);
        EXPECT_EQ(BarShown(wnd), c.shown);
        SCROLLINFO read{};
        EXPECT_TRUE(wnd.GetScrollInfo(SB_VERT, &read, SIF_POS));
        EXPECT_EQ(read.nPos, c.pos);
        wnd.DestroyWindow();
    }
}

// Pixels down the middle of the bar's track (between the arrows) that differ from the bar's edge.
int MarkedTrackPixels(HWND hwnd)
{
    const auto picture = zv::user::headless::CaptureWindow(hwnd);
    if (!picture)
        return -1;
    const int barLeft = kWidth - GetSystemMetrics(SM_CXVSCROLL);
    const int middle = barLeft + GetSystemMetrics(SM_CXVSCROLL) / 2;
    const int arrow = GetSystemMetrics(SM_CYVSCROLL);
    int marked = 0;
    for (int y = arrow; y < kHeight - arrow; ++y)
        marked += picture->GetPixel(middle, y) != picture->GetPixel(barLeft, y);
    return marked;
}

COLORREF UpArrowInk(HWND hwnd)
{
    const auto picture = zv::user::headless::CaptureWindow(hwnd);
    const int cx = kWidth - GetSystemMetrics(SM_CXVSCROLL) + GetSystemMetrics(SM_CXVSCROLL) / 2;
    return picture ? picture->GetPixel(cx, GetSystemMetrics(SM_CYVSCROLL) / 2) : CLR_INVALID;
}

TEST_F(ScrollMembersTest, ABarKeptWhileNothingScrollsIsDrawnDisabled)
{
    CWnd enabled;
    CWnd disabled;
    Make(enabled, 20);
    Make(disabled, 300);
    SCROLLINFO some{0, SIF_ALL, 0, 99, 10, 0, 0};
    enabled.SetScrollInfo(SB_VERT, &some);
    SCROLLINFO none{0, SIF_ALL | SIF_DISABLENOSCROLL, 0, 0, 1, 0, 0};
    disabled.SetScrollInfo(SB_VERT, &none);
    Pump();
    zv::user::testing::KeepScreenshot("afx_scroll_bar_disabled_beside_enabled");

    EXPECT_TRUE(BarShown(disabled));
    EXPECT_GT(MarkedTrackPixels(enabled), 0) << "the enabled bar has a thumb";
    EXPECT_EQ(MarkedTrackPixels(disabled), 0) << "the disabled bar has none";
    EXPECT_NE(UpArrowInk(enabled), UpArrowInk(disabled)) << "its arrows are greyed";
    enabled.DestroyWindow();
    disabled.DestroyWindow();
}

} // namespace
