// The desktop source on the main dialog's side: frames of the current run reach the preview with
// the text overlay painted in; frames and notices of a stopped or replaced run, still queued when
// they arrive, are dropped although a newer run keeps the player state at 5.
#include "app/tests/sources_dialog_fixture.h"

#include "app/ProgramMessages.h"
#include "capture/TextOverlay.h"

#include <chrono>
#include <thread>

namespace zv::app::testing {
namespace {

class DesktopSourceTest : public SourcesDialogTest {
protected:
    // Waits (bounded) until the grabber has queued a frame for the dialog; its run, 0 for none.
    // Messages of the run `passed` are taken out of the queue on the way.
    LPARAM QueuedFrameRun(LPARAM passed = 0)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            // Looking also answers the start notice, which the grabber sends and waits for.
            MSG msg;
            if (PeekMessageA(&msg, dialog->GetSafeHwnd(), ScreenFrameMessage, ScreenFrameMessage, PM_NOREMOVE)) {
                if (passed == 0 || msg.lParam != passed) {
                    if (msg.wParam == 2)
                        return msg.lParam;
                } else {
                    PeekMessageA(&msg, dialog->GetSafeHwnd(), ScreenFrameMessage, ScreenFrameMessage, PM_REMOVE);
                    continue;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return 0;
    }
    static int PixelsOf(COLORREF colour)
    {
        const CPixImage& shown = g_pPreview.load()->ShownImage();
        const PixColor wanted = MakePixColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
        int count = 0;
        for (LONG y = 0; y < shown.GetHeight(); ++y)
            for (LONG x = 0; x < shown.GetWidth(); ++x)
                count += (shown.GetColorAt(x, y) & 0xFFFFFF) == wanted ? 1 : 0;
        return count;
    }
};

TEST_F(DesktopSourceTest, FramesOfTheRunReachThePreviewWithTheOverlay)
{
    SetOverlayText("DESKTOP");
    EnterCriticalSection(&g_TextOverlay.lock);
    g_TextOverlay.colour = RGB(0, 255, 0);
    g_TextOverlay.dirty = 1;
    LeaveCriticalSection(&g_TextOverlay.lock);
    ASSERT_TRUE(dialog->StartDesktopSource());
    const LPARAM run = QueuedFrameRun();
    ASSERT_NE(run, 0);
    Pump();
    EXPECT_EQ(ShownSize().cx, 1366);
    EXPECT_EQ(ShownSize().cy, 768);
    EXPECT_TRUE(g_pPreview.load()->IsWindowVisible());
    EXPECT_GT(PixelsOf(RGB(0, 255, 0)), 0);
    SetOverlayText(nullptr);
}

TEST_F(DesktopSourceTest, QueuedFramesOfAStoppedRunAreDropped)
{
    ASSERT_TRUE(dialog->StartDesktopSource());
    const LPARAM run = QueuedFrameRun();
    ASSERT_NE(run, 0);
    dialog->Stop();
    EXPECT_FALSE(dialog->m_screenGrabber.Running());
    const SIZE stopped = ShownSize();
    Pump(); // the frames queued before the stop arrive now
    EXPECT_EQ(ShownSize().cx, stopped.cx);
    EXPECT_EQ(ShownSize().cy, stopped.cy);
    EXPECT_EQ(dialog->OnScreenFrame(2, run), 0);
}

TEST_F(DesktopSourceTest, ARestartedSourceDropsTheEarlierRunsMessages)
{
    ASSERT_TRUE(dialog->StartDesktopSource());
    const LPARAM first = QueuedFrameRun();
    ASSERT_NE(first, 0);
    ASSERT_TRUE(dialog->StartDesktopSource());
    EXPECT_EQ(g_nPlayerState, PlayerStillShown);
    // Player state 5 again, yet the first run's frame and end notice are not its own any more.
    EXPECT_EQ(dialog->OnScreenFrame(2, first), 0);
    EXPECT_EQ(dialog->OnScreenFrame(1, first), 0);
    EXPECT_TRUE(dialog->m_screenGrabber.Running());
    const LPARAM second = QueuedFrameRun(first);
    ASSERT_NE(second, 0);
    EXPECT_NE(second, first);
    EXPECT_EQ(dialog->OnScreenFrame(2, second), 1);
}

} // namespace
} // namespace zv::app::testing
