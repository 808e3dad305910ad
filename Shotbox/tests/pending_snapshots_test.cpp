// The snapshot queue between the capture thread and the dialog: requests made while frames arrive
// on another thread each get exactly one whole frame, and the dialog is told of every one.
#include "Shotbox/SampleCallback.h"

#include "platform/user/window.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int TakeMessages(HWND window)
{
    int count = 0;
    for (MSG msg; PeekMessageA(&msg, window, SnapshotMessage, SnapshotMessage, PM_REMOVE);)
        ++count;
    return count;
}

TEST(PendingSnapshots, RequestsFromTheDialogThreadEachGetOneFrameOfTheCaptureThread)
{
    zv::win32::testing::TempZvRoot root;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &CountingProc;
    windowClass.lpszClassName = "PendingSnapshotsTest";
    RegisterClassA(&windowClass);
    const HWND window = CreateWindowExA(0, "PendingSnapshotsTest", "", 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);

    CPendingSnapshots pending;
    pending.SetTarget(window);
    constexpr int kRequests = 200;
    const FrameSize size{64, 48};
    std::atomic<bool> stop{false};
    std::atomic<int> taken{0};
    std::thread capture([&] {
        std::vector<BYTE> frame(FrameBytes(size));
        for (BYTE n = 0; !stop.load(); ++n) {
            std::fill(frame.begin(), frame.end(), n);
            if (pending.OfferFrame(frame.data(), static_cast<std::int64_t>(frame.size()), size))
                ++taken;
        }
    });
    int messages = 0, frames = 0;
    for (int i = 0; i < kRequests; ++i) {
        pending.Request();
        messages += TakeMessages(window);
        while (const auto frame = pending.Take()) {
            ++frames;
            // Every frame is whole and of one fill: no copy raced a change of the buffer.
            ASSERT_EQ(FrameBytes(size), frame->bits.size());
            EXPECT_EQ(std::count(frame->bits.begin(), frame->bits.end(), frame->bits[0]),
                      static_cast<std::ptrdiff_t>(frame->bits.size()));
        }
    }
    while (pending.RequestCount() > 0)
        std::this_thread::yield();
    stop = true;
    capture.join();
    messages += TakeMessages(window);
    while (pending.Take())
        ++frames;
    EXPECT_EQ(kRequests, taken.load());
    EXPECT_EQ(kRequests, frames);
    EXPECT_EQ(kRequests, messages);
    DestroyWindow(window);
}

} // namespace
