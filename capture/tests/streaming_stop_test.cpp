#include "test_camera.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using zv::capture::testing::ListedDevice;
using zv::capture::testing::ShownMessages;
using zv::capture::testing::TestDevices;

// What the callback may see: frames only while a graph runs, each of the running device's size.
std::atomic<bool> g_stopped{true};
std::atomic<int> g_expectedLength{0};
std::atomic<int> g_alsoAllowedLength{0}; // the next device's size while a switch is under way
std::atomic<int> g_frames{0};
std::atomic<int> g_violations{0};

std::int32_t CheckingCallback(double, BYTE*, std::int32_t length, FrameSize*)
{
    if (g_stopped.load() || (length != g_expectedLength.load() && length != g_alsoAllowedLength.load()))
        ++g_violations;
    ++g_frames;
    return 0;
}

bool WaitForFrames(int count)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (g_frames.load() < count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

TEST(StreamingStop, NoCallbackRunsAfterStop)
{
    TestDevices devices("Test Camera:320x240@30");
    CCaptureGraph graph;
    graph.m_VideoGrabber.m_pCallback = &CheckingCallback;
    const DeviceInfo device = ListedDevice(0);
    graph.SelectDevice(&device);
    g_expectedLength = 320 * 240 * 3;
    g_alsoAllowedLength = 0;
    g_violations = 0;
    for (int round = 0; round < 8; ++round) {
        g_frames = 0;
        g_stopped = false;
        ASSERT_EQ(0, graph.StartPreview());
        ASSERT_TRUE(WaitForFrames(2));
        if (round % 2 == 0) {
            graph.StopGraph();
        } else {
            ASSERT_EQ(0, graph.StopPreview());
        }
        g_stopped = true;
        // A late frame would have a frame interval or two to show up.
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
    }
    EXPECT_EQ(0, g_violations.load());
    EXPECT_TRUE(ShownMessages().empty());
}

TEST(StreamingStop, SwitchedAwayDeviceDeliversNothingMore)
{
    TestDevices devices("Big:640x480@30;Small:320x240@30");
    CCaptureGraph graph;
    graph.m_VideoGrabber.m_pCallback = &CheckingCallback;
    const DeviceInfo big = ListedDevice(0);
    const DeviceInfo small = ListedDevice(1);
    g_violations = 0;
    g_stopped = false;
    g_expectedLength = 640 * 480 * 3;
    g_alsoAllowedLength = 0;
    graph.SelectDevice(&big);
    ASSERT_EQ(0, graph.StartPreview());
    for (int round = 0; round < 6; ++round) {
        g_frames = 0;
        ASSERT_TRUE(WaitForFrames(2));
        const bool toSmall = round % 2 == 0;
        const int next = toSmall ? 320 * 240 * 3 : 640 * 480 * 3;
        // During the switch both sizes may come; once it returns, only the new device's.
        g_alsoAllowedLength = next;
        ASSERT_EQ(0, graph.SelectDevice(toSmall ? &small : &big));
        g_expectedLength = next;
        EXPECT_EQ(2, graph.m_nState);
    }
    graph.StopGraph();
    EXPECT_EQ(0, g_violations.load());
}

} // namespace
