// The whole road: a test camera through the capture graph into the frame callback, and two clients
// of the test virtual camera pulling the processed frame at their sizes.
#include "frame_road_fixture.h"
#include "test_camera.h"

#include "app/settings/ConfigStore.h"
#include "platform/win32/waits.h"

#include <gtest/gtest.h>

namespace {

using namespace zv::capture::testing;
using FrameRoadEndToEnd = FrameRoadTest;

TEST_F(FrameRoadEndToEnd, ClientsReceiveTheProcessedFrameAtTheirSizes)
{
    TestDevices cameras("Test Camera:320x240@30");
    TestVirtualCameraDevice device(DevicePath(0));
    g_hDriver = OpenVirtualCameraDevice();
    ASSERT_NE(INVALID_HANDLE_VALUE, g_hDriver.load());
    ConfigStore config;
    config.levels[0] = 0.75f; // red of a capture device
    g_pConfigStore = &config;
    std::vector<BYTE> small(176 * 144 * 3), top(320 * 200 * 3);
    device.Pull(176, 144, small); // the clients' first pulls mark their sizes in use
    device.Pull(320, 200, top);

    CCaptureGraph graph;
    graph.m_VideoGrabber.m_pCallback = &OnVideoFrame;
    const DeviceInfo camera = ListedDevice(0);
    ASSERT_EQ(0, graph.SelectDevice(&camera));
    ASSERT_EQ(0, graph.StartPreview());
    const auto written = [&] {
        const auto writes = device.Writes();
        const auto has = [&](BYTE index) {
            return std::any_of(writes.begin(), writes.end(), [&](const auto& b) { return b.stored && b.head[0] == index; });
        };
        return has(1) && has(4);
    };
    for (int wait = 0; wait < 2000 && !written(); ++wait) Sleep(5);
    graph.StopGraph();
    ASSERT_TRUE(written());

    // The last frame through the callback is in the preview copy as it is on the device.
    ASSERT_EQ(320 * 240, g_PreviewFrameSize.width * g_PreviewFrameSize.height);
    const BYTE* frame = g_PreviewFrame;
    for (std::size_t i = 2; i < 230400; i += 3) ASSERT_GE(frame[i], 127) << "red 0.75 adds 127 to every red byte";
    device.Pull(176, 144, small);
    EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0, 0}), std::vector<BYTE>(small.begin(), small.begin() + 5));
    std::size_t wrong = 0; // beyond the header, pixel (j, i) is the frame's (j * 320 / 176, i * 240 / 144)
    for (std::size_t i = 5; i < small.size(); ++i)
        wrong += small[i] != frame[(i / 3 / 176 * 240 / 144) * 960 + (i / 3 % 176 * 320 / 176) * 3 + i % 3];
    EXPECT_EQ(0u, wrong);
    device.Pull(320, 200, top);
    EXPECT_TRUE(std::equal(top.begin(), top.end(), frame + 40 * 960));
}

} // namespace
