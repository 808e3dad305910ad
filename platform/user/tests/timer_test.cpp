#include "platform/user/tests/recording_window.h"
#include "platform/win32/last_error.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace {

using zv::user::VirtualClock;
using zv::user::test::DrainQueue;
using zv::user::test::RecordingWindow;

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        VirtualClock::Install();
        hwnd = window.Create();
        ASSERT_NE(hwnd, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(hwnd);
        DrainQueue();
        VirtualClock::Uninstall();
    }

    // The WM_TIMER ids taken from the queue now, without waiting.
    std::vector<UINT_PTR> TakeTimers()
    {
        std::vector<UINT_PTR> ids;
        for (const MSG& msg : DrainQueue()) {
            if (msg.message == WM_TIMER) {
                EXPECT_EQ(msg.hwnd, hwnd);
                ids.push_back(msg.wParam);
            }
        }
        return ids;
    }

    RecordingWindow window;
    HWND hwnd = nullptr;
};

TEST_F(TimerTest, FallsDueEveryPeriod)
{
    ASSERT_EQ(SetTimer(hwnd, 7, 100, nullptr), 7u);
    VirtualClock::Advance(99);
    EXPECT_TRUE(TakeTimers().empty());
    VirtualClock::Advance(1);
    EXPECT_EQ(TakeTimers(), std::vector<UINT_PTR>{7});
    EXPECT_TRUE(TakeTimers().empty()) << "one message per period";
    VirtualClock::Advance(100);
    EXPECT_EQ(TakeTimers(), std::vector<UINT_PTR>{7});
    // The window procedure saw them through DispatchMessageA.
    int dispatched = 0;
    for (const auto& r : window.Log())
        dispatched += r.message == WM_TIMER && r.wParam == 7;
    EXPECT_EQ(dispatched, 2);
}

TEST_F(TimerTest, ManyMissedPeriodsGiveOneMessage)
{
    SetTimer(hwnd, 1, 100, nullptr);
    VirtualClock::Advance(1000);
    EXPECT_EQ(TakeTimers(), std::vector<UINT_PTR>{1});
    EXPECT_TRUE(TakeTimers().empty());
    // The next period counts from when the message was taken.
    VirtualClock::Advance(99);
    EXPECT_TRUE(TakeTimers().empty());
    VirtualClock::Advance(1);
    EXPECT_EQ(TakeTimers(), std::vector<UINT_PTR>{1});
}

TEST_F(TimerTest, KillDropsThePendingMessage)
{
    SetTimer(hwnd, 4, 1000, nullptr);
    VirtualClock::Advance(1000);
    EXPECT_TRUE(KillTimer(hwnd, 4));
    EXPECT_TRUE(TakeTimers().empty());
    VirtualClock::Advance(5000);
    EXPECT_TRUE(TakeTimers().empty());
    EXPECT_FALSE(KillTimer(hwnd, 4));
}

TEST_F(TimerTest, SettingAgainRestartsThePeriod)
{
    SetTimer(hwnd, 10, 1000, nullptr);
    VirtualClock::Advance(600);
    SetTimer(hwnd, 10, 1000, nullptr);
    VirtualClock::Advance(600);
    EXPECT_TRUE(TakeTimers().empty());
    VirtualClock::Advance(400);
    EXPECT_EQ(TakeTimers(), std::vector<UINT_PTR>{10});
}

TEST_F(TimerTest, ShortPeriodsAreRaisedToTheMinimum)
{
    SetTimer(hwnd, 2, 1, nullptr);
    VirtualClock::Advance(9);
    EXPECT_TRUE(TakeTimers().empty());
    VirtualClock::Advance(1);
    EXPECT_EQ(TakeTimers(), std::vector<UINT_PTR>{2});
}

TEST_F(TimerTest, TimersComeAfterPostedMessagesAndQuit)
{
    SetTimer(hwnd, 1, 100, nullptr);
    SetTimer(hwnd, 2, 50, nullptr);
    VirtualClock::Advance(100);
    PostMessageA(hwnd, WM_USER, 0, 0);
    PostQuitMessage(0);
    MSG msg{};
    std::vector<std::pair<UINT, WPARAM>> order;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        order.emplace_back(msg.message, msg.message == WM_TIMER ? msg.wParam : 0);
    // The timer due first comes first.
    const std::vector<std::pair<UINT, WPARAM>> expected = {{WM_USER, 0}, {WM_QUIT, 0}, {WM_TIMER, 2}, {WM_TIMER, 1}};
    EXPECT_EQ(order, expected);
}

TEST_F(TimerTest, PeekWithoutRemovingKeepsTheTimerDue)
{
    SetTimer(hwnd, 3, 100, nullptr);
    VirtualClock::Advance(100);
    MSG msg{};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
        EXPECT_EQ(msg.wParam, 3u);
    }
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE)) << "outside the range";
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(TimerTest, TimersEndWithTheirWindow)
{
    RecordingWindow otherWindow;
    HWND other = otherWindow.Create();
    SetTimer(other, 1, 100, nullptr);
    SetTimer(hwnd, 1, 100, nullptr);
    DestroyWindow(other);
    VirtualClock::Advance(100);
    EXPECT_EQ(TakeTimers(), std::vector<UINT_PTR>{1}); // the remaining window's only
    EXPECT_EQ(SetTimer(other, 1, 100, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(SetTimer(nullptr, 1, 100, nullptr), 0u);
}

std::vector<std::pair<HWND, UINT_PTR>> g_callbackCalls;
void CALLBACK RecordTimerCall(HWND hwnd, UINT message, UINT_PTR id, DWORD)
{
    if (message == WM_TIMER)
        g_callbackCalls.emplace_back(hwnd, id);
}

TEST_F(TimerTest, CallbackTimersDispatchToTheCallback)
{
    g_callbackCalls.clear();
    SetTimer(hwnd, 5, 100, &RecordTimerCall);
    VirtualClock::Advance(100);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.lParam, reinterpret_cast<LPARAM>(&RecordTimerCall));
    DispatchMessageA(&msg);
    ASSERT_EQ(g_callbackCalls.size(), 1u);
    EXPECT_EQ(g_callbackCalls[0], std::make_pair(hwnd, UINT_PTR{5}));
    for (const auto& r : window.Log())
        EXPECT_NE(r.message, WM_TIMER) << "the window procedure does not see it";
    // A WM_TIMER that names a callback no timer has is not called.
    const MSG forged{hwnd, WM_TIMER, 6, reinterpret_cast<LPARAM>(&RecordTimerCall), 0, {}};
    DispatchMessageA(&forged);
    EXPECT_EQ(g_callbackCalls.size(), 1u);
}

TEST_F(TimerTest, AdvancingWakesAThreadWaitingInGetMessage)
{
    RecordingWindow otherWindow;
    std::promise<HWND> armed;
    std::atomic<UINT_PTR> received{0};
    std::thread owner([&] {
        HWND other = otherWindow.Create();
        SetTimer(other, 9, 500, nullptr);
        armed.set_value(other);
        MSG msg{};
        if (GetMessageA(&msg, nullptr, 0, 0) > 0 && msg.message == WM_TIMER)
            received = msg.wParam;
        DestroyWindow(other);
    });
    armed.get_future().wait();
    VirtualClock::Advance(500);
    owner.join();
    EXPECT_EQ(received.load(), 9u);
}

TEST(RealClockTimerTest, GetMessageWakesForADueTimer)
{
    ASSERT_FALSE(VirtualClock::Installed());
    RecordingWindow window;
    HWND hwnd = window.Create();
    SetTimer(hwnd, 1, 3600 * 1000, nullptr);
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "an hour has not passed";
    SetTimer(hwnd, 2, 20, nullptr);
    // Nothing else will wake this thread: only the timer's deadline ends the wait.
    ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, 2u);
    DestroyWindow(hwnd);
}

} // namespace
