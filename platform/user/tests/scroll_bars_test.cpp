#include "platform/user/input_events.h"
#include "platform/user/scroll_bars.h"
#include "platform/user/system_metrics.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/user/testing/screenshots.h"
#include "platform/win32/last_error.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using zv::user::DeliverMouseButton;
using zv::user::DeliverMouseMove;
using zv::user::MouseButton;
using zv::user::test::CreateAt;
using zv::user::test::DrainQueue;
using zv::user::test::RecordingWindow;

class ScrollBarsTest : public zv::user::test::WindowSystemTest {};

constexpr int kLeft = 50;
constexpr int kTop = 40;
constexpr int kSize = 200;
constexpr UINT kThenRelease = WM_APP + 1; // dispatched inside the bar's tracking loop

// A window with a vertical bar over 0-99, page 10, at `pos`. Posting kThenRelease to it moves the
// pointer to (wParam, lParam) on the screen and releases the button.
HWND MakeScrolled(RecordingWindow& window, int pos)
{
    window.answer = [](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message != kThenRelease)
            return std::nullopt;
        DeliverMouseMove(static_cast<int>(wParam), static_cast<int>(lParam));
        DeliverMouseButton(MouseButton::Left, false);
        return 0;
    };
    const HWND hwnd = CreateAt(window, WS_POPUP | WS_VISIBLE | WS_VSCROLL, kLeft, kTop, kSize, kSize);
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, pos, 0};
    SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
    DrainQueue();
    return hwnd;
}

// Presses the left button at a point of the bar (client coordinates), drags to another and lets go.
void Drag(HWND hwnd, POINT from, POINT to)
{
    POINT start = from;
    POINT end = to;
    ClientToScreen(hwnd, &start);
    ClientToScreen(hwnd, &end);
    DeliverMouseMove(start.x, start.y);
    DeliverMouseButton(MouseButton::Left, true);
    PostMessageA(hwnd, kThenRelease, static_cast<WPARAM>(end.x), end.y);
    DrainQueue();
}

std::vector<std::pair<WORD, WORD>> ScrollCodes(const RecordingWindow& window)
{
    std::vector<std::pair<WORD, WORD>> codes;
    for (const auto& r : window.Log()) {
        if (r.message == WM_VSCROLL)
            codes.emplace_back(LOWORD(r.wParam), HIWORD(r.wParam));
    }
    return codes;
}

TEST_F(ScrollBarsTest, ClicksOnTheBarSendScrollCodes)
{
    RECT client{};
    struct Case {
        const char* name;
        int pos;
        int y; // along the bar, from the client area's top
        WORD code;
    };
    const int arrow = GetSystemMetrics(SM_CYVSCROLL);
    const std::vector<Case> cases = {
        {"up arrow", 0, arrow / 2, SB_LINEUP},
        {"down arrow", 0, kSize - arrow / 2, SB_LINEDOWN},
        {"track below the thumb", 0, kSize / 2, SB_PAGEDOWN},
        {"track above the thumb", 90, kSize / 2, SB_PAGEUP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingWindow window;
        const HWND hwnd = MakeScrolled(window, c.pos);
        GetClientRect(hwnd, &client);
        const POINT on{client.right + arrow / 2, c.y};
        Drag(hwnd, on, on);
        const std::vector<std::pair<WORD, WORD>> expected = {{c.code, 0}, {SB_ENDSCROLL, 0}};
        EXPECT_EQ(ScrollCodes(window), expected);
        EXPECT_EQ(GetCapture(), nullptr);
        DestroyWindow(hwnd);
    }
}

TEST_F(ScrollBarsTest, DraggingTheThumbTracksToTheEnds)
{
    const int arrow = GetSystemMetrics(SM_CYVSCROLL);
    for (const bool down : {true, false}) {
        SCOPED_TRACE(down ? "down" : "up");
        RecordingWindow window;
        const HWND hwnd = MakeScrolled(window, down ? 0 : 90);
        RECT client;
        GetClientRect(hwnd, &client);
        // The thumb sits at the track's end that matches the position.
        const POINT thumb{client.right + arrow / 2, down ? arrow + 2 : kSize - arrow - 2};
        const POINT beyond{thumb.x, down ? kSize * 3 : -kSize};
        Drag(hwnd, thumb, beyond);
        const WORD end = down ? 90 : 0;
        const std::vector<std::pair<WORD, WORD>> expected = {
            {SB_THUMBTRACK, end}, {SB_THUMBPOSITION, end}, {SB_ENDSCROLL, 0}};
        EXPECT_EQ(ScrollCodes(window), expected);
        SCROLLINFO info{sizeof info, SIF_TRACKPOS | SIF_POS, 0, 0, 0, 0, 0};
        ASSERT_TRUE(GetScrollInfo(hwnd, SB_VERT, &info));
        EXPECT_EQ(info.nTrackPos, end);
        EXPECT_EQ(info.nPos, down ? 0 : 90) << "the window moves the position itself";
        DestroyWindow(hwnd);
    }
}

TEST_F(ScrollBarsTest, DisabledArrowsTakeNoClicks)
{
    RecordingWindow window;
    const HWND hwnd = MakeScrolled(window, 0);
    ASSERT_TRUE(EnableScrollBar(hwnd, SB_VERT, ESB_DISABLE_LTUP));
    RECT client;
    GetClientRect(hwnd, &client);
    const int arrow = GetSystemMetrics(SM_CYVSCROLL);
    Drag(hwnd, {client.right + 2, 2}, {client.right + 2, 2});
    EXPECT_TRUE(ScrollCodes(window).empty());
    Drag(hwnd, {client.right + 2, kSize - 2}, {client.right + 2, kSize - 2});
    EXPECT_EQ(ScrollCodes(window).size(), 2u) << "the other arrow still works";
    ASSERT_TRUE(EnableScrollBar(hwnd, SB_VERT, ESB_DISABLE_BOTH));
    Drag(hwnd, {client.right + 2, kSize / 2}, {client.right + 2, kSize / 2});
    EXPECT_EQ(ScrollCodes(window).size(), 2u);
    EXPECT_EQ(client.right, kSize - arrow) << "the bar takes its width from the client area";
    DestroyWindow(hwnd);
}

TEST_F(ScrollBarsTest, SettingsClampAndDecideWhetherTheBarShows)
{
    struct Case {
        const char* name;
        SCROLLINFO set;
        int expectedPos;
        bool barShown;
    };
    const std::vector<Case> cases = {
        {"position within range", {sizeof(SCROLLINFO), SIF_ALL, 0, 99, 10, 40, 0}, 40, true},
        {"position past the last page", {sizeof(SCROLLINFO), SIF_ALL, 0, 99, 10, 95, 0}, 90, true},
        {"position before the start", {sizeof(SCROLLINFO), SIF_ALL, 10, 99, 0, 3, 0}, 10, true},
        {"page covers the range: bar goes", {sizeof(SCROLLINFO), SIF_ALL, 0, 9, 20, 5, 0}, 0, false},
        {"empty range: bar goes", {sizeof(SCROLLINFO), SIF_ALL, 5, 5, 0, 5, 0}, 5, false},
        {"kept but disabled", {sizeof(SCROLLINFO), SIF_ALL | SIF_DISABLENOSCROLL, 0, 9, 20, 5, 0}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingWindow window;
        const HWND hwnd = CreateAt(window, WS_POPUP | WS_VISIBLE | WS_VSCROLL, 0, 0, kSize, kSize);
        EXPECT_EQ(SetScrollInfo(hwnd, SB_VERT, &c.set, TRUE), c.expectedPos);
        EXPECT_EQ(GetScrollPos(hwnd, SB_VERT), c.expectedPos);
        EXPECT_EQ((GetWindowLongA(hwnd, GWL_STYLE) & WS_VSCROLL) != 0, c.barShown);
        RECT client;
        GetClientRect(hwnd, &client);
        EXPECT_EQ(client.right, c.barShown ? kSize - GetSystemMetrics(SM_CXVSCROLL) : kSize);
        if (!c.barShown) {
            bool sized = false;
            for (const auto& r : window.Log())
                sized = sized || (r.message == WM_SIZE && LOWORD(r.lParam) == kSize);
            EXPECT_TRUE(sized) << "the window hears that its client area grew";
        }
        DestroyWindow(hwnd);
    }
}

TEST_F(ScrollBarsTest, PositionRangeAndVisibilityCalls)
{
    RecordingWindow window;
    const HWND hwnd = CreateAt(window, WS_POPUP | WS_VISIBLE, 0, 0, kSize, kSize);
    EXPECT_TRUE(SetScrollRange(hwnd, SB_HORZ, 0, 50, TRUE));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_HSCROLL) << "a range to scroll shows the bar";
    EXPECT_EQ(SetScrollPos(hwnd, SB_HORZ, 20, TRUE), 0);
    EXPECT_EQ(SetScrollPos(hwnd, SB_HORZ, 70, TRUE), 20);
    EXPECT_EQ(GetScrollPos(hwnd, SB_HORZ), 50);
    int low = -1, high = -1;
    EXPECT_TRUE(GetScrollRange(hwnd, SB_HORZ, &low, &high));
    EXPECT_EQ(std::make_pair(low, high), std::make_pair(0, 50));
    EXPECT_TRUE(ShowScrollBar(hwnd, SB_BOTH, TRUE));
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, kSize - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(client.bottom, kSize - GetSystemMetrics(SM_CYHSCROLL));
    SCROLLINFO info{sizeof info, SIF_RANGE, 0, 200, 0, 0, 0};
    SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
    zv::user::testing::KeepScreenshot("scroll_bars", hwnd);
    EXPECT_TRUE(ShowScrollBar(hwnd, SB_VERT, FALSE));
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, kSize);
    EXPECT_EQ(SetScrollPos(hwnd, SB_CTL, 1, TRUE), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << "no scroll bar controls";
    DestroyWindow(hwnd);
}

} // namespace
