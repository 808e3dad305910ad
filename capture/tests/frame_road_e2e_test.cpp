// The whole road: a test camera through the capture graph into the frame callback, and two clients
// of the test virtual camera pulling the processed frame at their sizes.
#include "frame_road_fixture.h"
#include "test_camera.h"
#include "test_virtual_camera_device.h"

#include "app/settings/ConfigStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using zv::capture::testing::DevicePath;
using zv::capture::testing::TestVirtualCameraDevice;

bool WrittenBoth(TestVirtualCameraDevice& device)
{
    bool small = false, large = false;
    for (const auto& block : device.Writes()) {
        small = small || (block.stored && block.head[0] == 1);
        large = large || (block.stored && block.head[0] == 4);
    }
    return small && large;
}

using FrameRoadEndToEnd = zv::capture::testing::FrameRoadTest;

TEST_F(FrameRoadEndToEnd, ClientsReceiveTheProcessedFrameAtTheirSizes)
{
    zv::capture::testing::TestDevices cameras("Test Camera:320x240@30");
    TestVirtualCameraDevice device(DevicePath(0));
    g_hDriver = OpenVirtualCameraDevice();
    ASSERT_NE(INVALID_HANDLE_VALUE, g_hDriver.load());
    ConfigStore config;
    config.levels[0] = 0.75f; // red of a capture device
    g_pConfigStore = &config;
    // The clients' first pulls mark their sizes in use.
    std::vector<BYTE> small(176 * 144 * 3), top(320 * 200 * 3);
    device.Pull(176, 144, small);
    device.Pull(320, 200, top);

    CCaptureGraph graph;
    graph.m_VideoGrabber.m_pCallback = &OnVideoFrame;
    const DeviceInfo camera = zv::capture::testing::ListedDevice(0);
    ASSERT_EQ(0, graph.SelectDevice(&camera));
    ASSERT_EQ(0, graph.StartPreview());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!WrittenBoth(device) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    graph.StopGraph();
    ASSERT_TRUE(WrittenBoth(device));

    // The last frame through the callback is both in the preview copy and on the device.
    ASSERT_EQ(320, g_PreviewFrameSize.width);
    ASSERT_EQ(240, g_PreviewFrameSize.height);
    const BYTE* frame = g_PreviewFrame;
    bool redLifted = true; // red 0.75 adds 127, so no red byte stays below 127
    for (std::size_t i = 2; i < 230400; i += 3) redLifted = redLifted && frame[i] >= 127;
    EXPECT_TRUE(redLifted);

    ASSERT_EQ(176u * 144 * 3, device.Pull(176, 144, small).value());
    EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0, 0}), std::vector<BYTE>(small.begin(), small.begin() + 5));
    // Beyond the header, pixel (j, i) is the processed frame's (j * 320 / 176, i * 240 / 144).
    std::size_t wrong = 0;
    for (std::size_t i = 5; i < small.size(); ++i) {
        const std::size_t pixel = i / 3, row = pixel / 176, column = pixel % 176;
        wrong += small[i] != frame[(row * 240 / 144) * 960 + (column * 320 / 176) * 3 + i % 3];
    }
    EXPECT_EQ(0u, wrong);

    ASSERT_EQ(320u * 200 * 3, device.Pull(320, 200, top).value());
    EXPECT_TRUE(std::equal(top.begin(), top.end(), frame + 40 * 960));
}

} // namespace
