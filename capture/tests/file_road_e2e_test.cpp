// A video file through the file graph and the frame callback into the test virtual camera: a
// client of the camera receives the file's frames.
#include "frame_road_fixture.h"
#include "test_camera.h"

#include "app/settings/ConfigStore.h"
#include "platform/win32/waits.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

using namespace zv::capture::testing;
using FileRoadEndToEnd = FrameRoadTest;

TEST_F(FileRoadEndToEnd, AClientOfTheVirtualCameraSeesTheFilesFrames)
{
    gst_init(nullptr, nullptr);
    const std::string path = "/tmp/zv-file-road-" + std::to_string(getpid()) + ".avi";
    GstElement* pipeline = gst_parse_launch(("videotestsrc num-buffers=20 ! video/x-raw,width=320,height=240,"
                                             "framerate=10/1 ! jpegenc ! avimux ! filesink location=" + path).c_str(),
                                            nullptr);
    ASSERT_NE(nullptr, pipeline);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    gst_message_unref(gst_bus_timed_pop_filtered(bus, 20 * GST_SECOND,
                                                 static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);

    TestDevices noCameras(nullptr);
    TestVirtualCameraDevice& device = OpenDevice({{320, 240}});
    ConfigStore config;
    g_pConfigStore = &config;
    g_nSourceKind = 3; // a video file
    CCaptureGraph graph;
    graph.m_VideoGrabber.m_pCallback = &OnVideoFrame;
    ASSERT_TRUE(graph.SetFileName(path.c_str()));
    ASSERT_TRUE(graph.PlayFile());
    const auto written = [&] {
        const auto writes = device.Writes();
        return std::any_of(writes.begin(), writes.end(), [](const auto& b) { return b.stored; });
    };
    for (int wait = 0; wait < 2000 && !written(); ++wait) Sleep(5);
    ASSERT_TRUE(graph.PausePlayback()); // the last frame stays where the callback left it
    ASSERT_TRUE(written());
    std::remove(path.c_str());

    ASSERT_EQ(320, g_PreviewFrameSize.width);
    ASSERT_EQ(240, g_PreviewFrameSize.height);
    std::vector<BYTE> pulled(320 * 240 * 3);
    device.Pull(320, 240, pulled);
    // Beyond the five header bytes the client has the last frame through the callback.
    EXPECT_TRUE(std::equal(pulled.begin() + 5, pulled.end(), g_PreviewFrame + 5));
    EXPECT_NE(std::count(pulled.begin(), pulled.end(), 0), static_cast<long>(pulled.size())) << "a picture, not black";
    graph.StopGraph();
}

} // namespace
