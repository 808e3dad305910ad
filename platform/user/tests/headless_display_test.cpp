// The headless screen: composing only what changed must leave the same pixels as composing it
// all, and the screen context may read the screen while other threads change windows.
#include "platform/gdi/gdi_brushes.h"
#include "platform/user/tests/window_system_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <thread>

namespace {

using zv::user::test::CreateAt;
using zv::user::test::DispatchQueued;
using zv::user::test::PaintsIn;
using zv::user::test::RecordingWindow;
namespace headless = zv::user::headless;

class HeadlessDisplayTest : public zv::user::test::WindowSystemTest {};

bool SamePixels(const zv::gdi::Surface& a, const zv::gdi::Surface& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y) {
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<std::size_t>(a.Width()) * 4) != 0)
            return false;
    }
    return true;
}

TEST_F(HeadlessDisplayTest, ComposingWhatChangedMatchesComposingEverything)
{
    constexpr int kWindows = 8;
    std::vector<RecordingWindow> windows(kWindows);
    std::vector<HWND> handles;
    std::mt19937 random(17);
    const auto coordinate = [&](int limit) { return std::uniform_int_distribution<int>(-60, limit)(random); };
    const auto size = [&] { return std::uniform_int_distribution<int>(20, 300)(random); };
    for (int i = 0; i < kWindows; ++i) {
        windows[i].answer = PaintsIn(RGB(30 * i, 255 - 30 * i, (70 * i) % 256));
        handles.push_back(CreateAt(windows[i], WS_POPUP | WS_VISIBLE, coordinate(600), coordinate(440), size(), size()));
        ASSERT_NE(handles.back(), nullptr);
    }
    DispatchQueued();
    for (int step = 0; step < 120; ++step) {
        const HWND hwnd = handles[std::uniform_int_distribution<int>(0, kWindows - 1)(random)];
        switch (std::uniform_int_distribution<int>(0, 5)(random)) {
        case 0: MoveWindow(hwnd, coordinate(600), coordinate(440), size(), size(), TRUE); break;
        case 1: SetWindowPos(hwnd, nullptr, coordinate(600), coordinate(440), 0, 0, SWP_NOSIZE | SWP_NOZORDER); break;
        case 2: BringWindowToTop(hwnd); break;
        case 3: SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); break;
        case 4: ShowWindow(hwnd, IsWindowVisible(hwnd) ? SW_HIDE : SW_SHOWNA); break;
        default: InvalidateRect(hwnd, nullptr, TRUE); break;
        }
        DispatchQueued();
        if (step % 20 != 19)
            continue;
        const auto composedByParts = headless::CaptureScreen();
        ASSERT_TRUE(headless::SetScreenSize(640, 480)); // composes the whole screen anew
        const auto composedWhole = headless::CaptureScreen();
        ASSERT_TRUE(SamePixels(*composedByParts, *composedWhole)) << "after step " << step;
    }
    for (HWND hwnd : handles)
        DestroyWindow(hwnd);
}

// A present only touches what shows of the window: a window above keeps its pixels.
TEST_F(HeadlessDisplayTest, PresentLeavesWindowsAboveAlone)
{
    RecordingWindow below, above;
    below.answer = PaintsIn(RGB(200, 0, 0));
    above.answer = PaintsIn(RGB(0, 0, 200));
    const HWND lower = CreateAt(below, WS_POPUP | WS_VISIBLE, 10, 10, 200, 200);
    const HWND upper = CreateAt(above, WS_POPUP | WS_VISIBLE, 100, 100, 200, 200);
    DispatchQueued();
    below.answer = PaintsIn(RGB(0, 200, 0));
    InvalidateRect(lower, nullptr, TRUE);
    UpdateWindow(lower);
    EXPECT_EQ(headless::ScreenPixel(50, 50), RGB(0, 200, 0));
    EXPECT_EQ(headless::ScreenPixel(150, 150), RGB(0, 0, 200));
    EXPECT_EQ(headless::ScreenPixel(250, 50), headless::kDesktopColour);
    DestroyWindow(upper);
    EXPECT_EQ(headless::ScreenPixel(150, 150), RGB(0, 200, 0)) << "uncovered by the window that went";
    DestroyWindow(lower);
}

// One thread paints its window over and over while another copies the screen through the screen
// context; the copy always shows one of the two colours, never a torn mix, and no race is seen.
TEST_F(HeadlessDisplayTest, ScreenContextReadsWhileAnotherThreadPresents)
{
    std::atomic<bool> stop{false};
    std::atomic<HWND> created{nullptr};
    std::thread painter([&] {
        RecordingWindow window;
        bool red = false;
        const HWND hwnd = CreateAt(window, WS_POPUP | WS_VISIBLE, 0, 0, 64, 64);
        created = hwnd;
        while (!stop) {
            red = !red;
            window.answer = PaintsIn(red ? RGB(255, 0, 0) : RGB(0, 0, 255));
            InvalidateRect(hwnd, nullptr, FALSE);
            UpdateWindow(hwnd);
        }
        DestroyWindow(hwnd);
    });
    while (!created)
        std::this_thread::yield();
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 64, 64);
    SelectObject(memory, bitmap);
    int painted = 0;
    for (int i = 0; i < 1000000 && painted < 100; ++i) {
        ASSERT_TRUE(BitBlt(memory, 0, 0, 64, 64, screen, 0, 0, SRCCOPY));
        const COLORREF first = GetPixel(memory, 0, 0);
        if (first == RGB(255, 0, 0) || first == RGB(0, 0, 255)) {
            ++painted;
            ASSERT_EQ(GetPixel(memory, 63, 63), first) << "a copy taken halfway through a present";
        }
    }
    stop = true;
    painter.join();
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(painted, 100);
}

} // namespace
