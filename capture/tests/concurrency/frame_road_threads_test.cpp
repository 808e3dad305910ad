// The frame road on a streaming thread of our own while the user-interface side changes levels,
// asks for snapshots, reads the preview copy, writes still pictures and runs the peer sender.
#include "../frame_road_fixture.h"

#include "app/settings/ConfigStore.h"
#include "platform/win32/events.h"
#include "platform/win32/waits.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace zv::capture::testing;

TEST_F(FrameRoadTest, UserInterfaceAndPeerSenderRunBesideTheStreamingThread)
{
    OpenDevice({{320, 240}, {176, 144}});
    ConfigStore config;
    g_pConfigStore = &config;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_hFrameReadyEvent = ready;
    std::atomic<bool> done{false};
    std::thread streaming([&] {
        std::vector<BYTE> frame = PatternFrame({320, 240});
        for (int i = 0; i < 200; ++i) {
            FrameSize size{320, 240};
            OnVideoFrame(0.0, frame.data(), static_cast<std::int32_t>(frame.size()), &size);
        }
        done = true;
    });
    std::thread peer([&] {
        while (!done) {
            if (WaitForSingleObject(ready, 0) == WAIT_OBJECT_0) {
                volatile BYTE sink = g_PeerImage.GetRowPointer(0)[1000];
                (void)sink;
                ResetEvent(ready);
            }
        }
    });
    std::vector<BYTE> still = PatternFrame({160, 120});
    for (int i = 0; !done; ++i) {
        std::atomic_ref<float>(config.levels[13]).store(i % 2 ? 0.7f : 0.5f);
        g_bSnapshotRequest = 1;
        g_bDeinterlace = static_cast<BYTE>(i % 2);
        WriteFrameToDriver(57600, still.data(), 0);
        std::lock_guard lock(g_PreviewFrameLock);
        volatile BYTE sink = g_PreviewFrame[g_PreviewFrameSize.width];
        (void)sink;
    }
    streaming.join();
    peer.join();
    EXPECT_GT(TakeMessages(FrameReadyMessage), 0);
    CloseHandle(ready);
}

} // namespace
