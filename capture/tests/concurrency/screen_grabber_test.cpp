#include "capture/ScreenGrabber.h"

#include "app/ProgramMessages.h"
#include "platform/user/tests/window_system_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using namespace zv::user;
using namespace zv::user::test;

constexpr COLORREF kCornerColour = RGB(0xE0, 0x30, 0x10);

// A pixel of a bottom-up 24-bit frame.
COLORREF FramePixel(const ScreenFrame& frame, int x, int y)
{
    const BYTE* p = frame.bits + FrameStride(frame.size.width) * static_cast<std::size_t>(frame.size.height - 1 - y) +
                    static_cast<std::size_t>(x) * 3;
    return RGB(p[2], p[1], p[0]);
}

// Handles this thread's messages until `done` holds; false when it never did (a generous bound).
template <class Done>
bool PumpUntil(Done done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        DispatchQueued();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The grabber's window: a small painted window in the screen's top right corner, so the very last
// bytes of a bottom-up frame hold its colour.
class ScreenGrabberTest : public ::testing::Test {
protected:
    void UseScreen(int width, int height)
    {
        ASSERT_TRUE(headless::SetScreenSize(width, height));
        m_window.answer = PaintsIn(kCornerColour);
        m_hwnd = CreateAt(m_window, WS_POPUP | WS_VISIBLE, width - 40, 0, 40, 30);
        ASSERT_NE(nullptr, m_hwnd);
        UpdateWindow(m_hwnd);
    }
    void TearDown() override
    {
        if (m_hwnd)
            DestroyWindow(m_hwnd);
    }

    // The screen frame messages received so far: (wParam, run).
    std::vector<std::pair<WPARAM, LPARAM>> Notices() const
    {
        std::vector<std::pair<WPARAM, LPARAM>> notices;
        for (const auto& r : m_window.Log()) {
            if (r.message == ScreenFrameMessage)
                notices.emplace_back(r.wParam, r.lParam);
        }
        return notices;
    }
    bool Seen(WPARAM kind, LPARAM run) const
    {
        for (const auto& notice : Notices()) {
            if (notice.first == kind && notice.second == run)
                return true;
        }
        return false;
    }
    // The run the start notice of the latest start named.
    LPARAM StartedRun() const
    {
        LPARAM run = 0;
        for (const auto& notice : Notices()) {
            if (notice.first == 0)
                run = notice.second;
        }
        return run;
    }
    bool FrameQueued() const
    {
        MSG msg;
        return PeekMessageA(&msg, m_hwnd, ScreenFrameMessage, ScreenFrameMessage, PM_NOREMOVE) != FALSE;
    }

    zv::win32::testing::TempZvRoot m_root;
    RecordingWindow m_window;
    HWND m_hwnd = nullptr;
    ScreenGrabber m_grabber;
};

struct ScreenCase {
    int width;
    int height;
};

class ScreenGrabberSizes : public ScreenGrabberTest, public ::testing::WithParamInterface<ScreenCase> {};

TEST_P(ScreenGrabberSizes, FramesOfTheRunShowTheScreenInPaddedRows)
{
    const ScreenCase screen = GetParam();
    UseScreen(screen.width, screen.height);
    ASSERT_TRUE(m_grabber.Start(m_hwnd));
    ASSERT_TRUE(PumpUntil([&] { return StartedRun() != 0 && Seen(2, StartedRun()); }));
    const LPARAM run = StartedRun();
    EXPECT_TRUE(m_grabber.IsCurrent(run));
    EXPECT_TRUE(m_grabber.Running());

    bool used = false;
    EXPECT_TRUE(m_grabber.UseFrame(run, [&](ScreenFrame& frame) {
        used = true;
        EXPECT_TRUE(m_grabber.IsCurrent(run)); // the handler may ask while it holds the frame
        EXPECT_EQ(screen.width, frame.size.width);
        EXPECT_EQ(screen.height, frame.size.height);
        EXPECT_EQ(FrameStride(screen.width) * static_cast<std::size_t>(screen.height), frame.byteCount);
        EXPECT_EQ(headless::kDesktopColour, FramePixel(frame, 0, 0));
        EXPECT_EQ(headless::kDesktopColour, FramePixel(frame, 0, screen.height - 1));
        EXPECT_EQ(kCornerColour, FramePixel(frame, screen.width - 40, 0));
        EXPECT_EQ(kCornerColour, FramePixel(frame, screen.width - 1, 29));
        EXPECT_EQ(headless::kDesktopColour, FramePixel(frame, screen.width - 1, 30));
        // The top right pixel is the last one before the final row's padding.
        const BYTE* last = frame.bits + FrameStride(screen.width) * (screen.height - 1) + (screen.width - 1) * 3;
        EXPECT_EQ(GetBValue(kCornerColour), last[0]);
        EXPECT_EQ(GetRValue(kCornerColour), last[2]);
    }));
    EXPECT_TRUE(used);
}

// 1366 x 3 = 4098 bytes, padded to 4100: a buffer of width x height x 3 would be overrun.
INSTANTIATE_TEST_SUITE_P(Screens, ScreenGrabberSizes,
                         ::testing::Values(ScreenCase{640, 480}, ScreenCase{1366, 768}, ScreenCase{801, 67}));

TEST_F(ScreenGrabberTest, NoFrameIsLentBeforeTheFirstGrab)
{
    UseScreen(320, 200);
    std::vector<bool> lentAtStart;
    m_window.answer = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == ScreenFrameMessage && wParam == 0) {
            lentAtStart.push_back(m_grabber.UseFrame(lParam, [](ScreenFrame&) { ADD_FAILURE() << "lent too early"; }));
            lentAtStart.push_back(m_grabber.IsCurrent(lParam));
        }
        return std::nullopt;
    };
    ASSERT_TRUE(m_grabber.Start(m_hwnd));
    ASSERT_TRUE(PumpUntil([&] { return !lentAtStart.empty(); }));
    EXPECT_EQ((std::vector<bool>{false, true}), lentAtStart);
}

TEST_F(ScreenGrabberTest, FramesQueuedBeforeAStopAreRefused)
{
    UseScreen(320, 200);
    ASSERT_TRUE(m_grabber.Start(m_hwnd));
    ASSERT_TRUE(PumpUntil([&] { return StartedRun() != 0; }));
    const LPARAM run = StartedRun();
    // Let frames pile up unhandled, then stop with them still queued.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!FrameQueued() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(FrameQueued());
    m_grabber.Stop(5000);
    EXPECT_FALSE(m_grabber.Running());

    int refused = 0;
    MSG msg;
    while (PeekMessageA(&msg, m_hwnd, ScreenFrameMessage, ScreenFrameMessage, PM_REMOVE)) {
        EXPECT_EQ(run, msg.lParam);
        EXPECT_FALSE(m_grabber.IsCurrent(msg.lParam));
        EXPECT_FALSE(m_grabber.UseFrame(msg.lParam, [](ScreenFrame&) { ADD_FAILURE() << "stopped run's frame read"; }));
        ++refused;
    }
    EXPECT_GE(refused, 2); // at least one frame and the end notice
}

TEST_F(ScreenGrabberTest, StopServesTheStartNoticeItsThreadIsSending)
{
    UseScreen(320, 200);
    ASSERT_TRUE(m_grabber.Start(m_hwnd));
    // No message loop runs here: the thread's start notice is sent to this thread, which is in Stop.
    m_grabber.Stop(5000);
    const LPARAM run = StartedRun();
    EXPECT_NE(0, run);
    EXPECT_FALSE(m_grabber.IsCurrent(run));
    // The thread ended within the stop: its end notice is already queued.
    ASSERT_TRUE(PumpUntil([&] { return Seen(1, run); }));
}

TEST_F(ScreenGrabberTest, NoGrabWhileTheWindowHoldsTheFrame)
{
    UseScreen(320, 200);
    ASSERT_TRUE(m_grabber.Start(m_hwnd));
    ASSERT_TRUE(PumpUntil([&] { return StartedRun() != 0 && Seen(2, StartedRun()); }));
    const LPARAM run = StartedRun();

    ASSERT_TRUE(m_grabber.UseFrame(run, [&](ScreenFrame& frame) {
        std::fill(frame.bits, frame.bits + frame.byteCount, BYTE{0x5A});
        // A frame grabbed just before the frame was lent may still be on its way: take it away,
        // then let several grab periods pass while the frame is held.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        MSG msg;
        while (PeekMessageA(&msg, m_hwnd, ScreenFrameMessage, ScreenFrameMessage, PM_REMOVE)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(frame.byteCount, static_cast<std::size_t>(std::count(frame.bits, frame.bits + frame.byteCount, 0x5A)));
        EXPECT_FALSE(FrameQueued());
    }));
    // Once let go, the next grab overwrites the held frame with the screen.
    const std::size_t seen = Notices().size();
    ASSERT_TRUE(PumpUntil([&] { return Notices().size() > seen; }));
    EXPECT_TRUE(m_grabber.UseFrame(run, [](ScreenFrame& frame) {
        EXPECT_EQ(headless::kDesktopColour, FramePixel(frame, 0, 0));
    }));
}

TEST_F(ScreenGrabberTest, NoNewFrameIsAnnouncedUntilTheWindowTakesTheLastOne)
{
    UseScreen(320, 200);
    ASSERT_TRUE(m_grabber.Start(m_hwnd));
    ASSERT_TRUE(PumpUntil([&] { return StartedRun() != 0 && Seen(2, StartedRun()); }));
    const LPARAM run = StartedRun();
    const auto frames = [&] {
        const auto notices = Notices();
        return std::count(notices.begin(), notices.end(), std::pair<WPARAM, LPARAM>(2, run));
    };
    // A window that does not take its frames gets no more of them, however long it is busy.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    PumpUntil([&] { return std::chrono::steady_clock::now() > until; });
    EXPECT_EQ(1, frames());
    // Taking the frame lets the next one come.
    ASSERT_TRUE(m_grabber.UseFrame(run, [](ScreenFrame&) {}));
    EXPECT_TRUE(PumpUntil([&] { return frames() >= 2; }));
}

TEST_F(ScreenGrabberTest, ARestartIsANewRun)
{
    UseScreen(320, 200);
    ASSERT_TRUE(m_grabber.Start(m_hwnd));
    ASSERT_TRUE(PumpUntil([&] { return StartedRun() != 0 && Seen(2, StartedRun()); }));
    const LPARAM first = StartedRun();

    ASSERT_TRUE(m_grabber.Start(m_hwnd));
    ASSERT_TRUE(PumpUntil([&] { return StartedRun() != first && Seen(2, StartedRun()); }));
    const LPARAM second = StartedRun();
    EXPECT_NE(first, second);
    EXPECT_FALSE(m_grabber.IsCurrent(first));
    EXPECT_FALSE(m_grabber.UseFrame(first, [](ScreenFrame&) { ADD_FAILURE() << "old run's frame read"; }));
    EXPECT_TRUE(m_grabber.IsCurrent(second));
    EXPECT_TRUE(m_grabber.UseFrame(second, [](ScreenFrame&) {}));
    EXPECT_TRUE(Seen(1, first)); // the first run's end notice came, stamped with its own run
}

TEST_F(ScreenGrabberTest, StopWithNothingRunningIsHarmless)
{
    m_grabber.Stop(0);
    EXPECT_FALSE(m_grabber.Running());
    EXPECT_FALSE(m_grabber.IsCurrent(0));
    EXPECT_FALSE(m_grabber.UseFrame(0, [](ScreenFrame&) { ADD_FAILURE(); }));
}

} // namespace
