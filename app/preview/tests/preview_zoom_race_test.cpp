// The frame road's zoom crop runs on the streaming thread while the window changes zoom, pan and
// size on its own thread, and while the main preview goes away: no race, no frame of the wrong
// size, no use of a preview that is gone.
#include "app/preview/tests/preview_test_support.h"
#include "capture/ZoomSource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace preview_test;

constexpr LONG kFrameWidth = 64;
constexpr LONG kFrameHeight = 48;

// One frame through the zoom as the frame callback does it; false when the zoom gave a picture
// of another size.
bool ZoomOneFrame(const CPixImage& frame)
{
    IZoomSource* source = g_pZoomSource.load();
    if (!source || source->ZoomFraction() == 0.0) return true;
    if (!g_FrameImage.CreateFromArray(frame.GetRowPointer(0), kFrameWidth, kFrameHeight, 24, frame.GetStride(), false))
        return false;
    source->ComputeZoomCrop();
    return g_ZoomImage.GetWidth() == kFrameWidth && g_ZoomImage.GetHeight() == kFrameHeight;
}

// Runs frames until told to stop, counting them and the bad ones.
class StreamingThread {
public:
    explicit StreamingThread(const CPixImage& frame)
        : m_thread([this, &frame] {
              for (; !m_stop; ++m_frames)
                  if (!ZoomOneFrame(frame)) ++m_bad;
          })
    {
    }
    ~StreamingThread() { Stop(); }
    void Stop() { m_stop = true, m_thread.joinable() ? m_thread.join() : void(); }
    void AwaitFrames(int count) const
    {
        for (const int target = m_frames + count; m_frames < target;) std::this_thread::yield();
    }
    std::atomic<int> m_bad{0};

private:
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_frames{0};
    std::thread m_thread;
};

class PreviewZoomRaceTest : public PreviewTest {};

TEST_F(PreviewZoomRaceTest, FramesZoomWhileTheWindowZoomsPansAndResizes)
{
    CPixImage frame;
    FillPattern(frame, kFrameWidth, kFrameHeight);
    const HWND preview = m_preview->GetSafeHwnd();
    SendMessageA(preview, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(100, 100));
    StreamingThread streaming(frame);
    for (int round = 0; round < 100; ++round) {
        const short delta = round % 20 < 12 ? WHEEL_DELTA : -WHEEL_DELTA;
        SendMessageA(preview, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), MAKELPARAM(100, 100));
        // A drag of a few pixels each way.
        SendMessageA(preview, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
        SendMessageA(preview, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(101, 101));
        SendMessageA(preview, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(101 + round % 7, 101 - round % 5));
        SendMessageA(preview, WM_LBUTTONUP, 0, MAKELPARAM(101, 101));
        m_preview->MoveWindow(0, 0, 200 + round, 150 + 2 * round);
        streaming.AwaitFrames(5);
    }
    streaming.Stop();
    EXPECT_EQ(streaming.m_bad.load(), 0);
    EXPECT_GT(m_preview->ZoomFraction(), 0.0);
}

TEST_F(PreviewZoomRaceTest, TheMainPreviewGoesWhileFramesFlow)
{
    CPixImage frame;
    FillPattern(frame, kFrameWidth, kFrameHeight);
    SendMessageA(m_preview->GetSafeHwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(100, 100));
    ASSERT_EQ(g_pZoomSource.load()->ZoomFraction(), m_preview->ZoomFraction());
    StreamingThread streaming(frame);
    streaming.AwaitFrames(50);
    m_preview.reset();
    EXPECT_EQ(g_pPreview.load(), nullptr);
    streaming.AwaitFrames(50);
    streaming.Stop();
    EXPECT_EQ(streaming.m_bad.load(), 0);
    EXPECT_EQ(g_pZoomSource.load(), nullptr) << "no preview, no zoom";
}

} // namespace
