#include "capture/AudioGrabber.h"
#include "capture/VideoGrabber.h"

#include <gtest/gtest.h>

namespace {

IID OtherIid()
{
    return IID_ISampleGrabber;
}

TEST(GrabberCallbacks, QueryInterfaceGivesTheObjectForItsTwoInterfacesOnly)
{
    std::int32_t width = 0, height = 0;
    CVideoGrabber video(width, height);
    CAudioGrabber audio;
    for (ISampleGrabberCB* grabber : {static_cast<ISampleGrabberCB*>(&video), static_cast<ISampleGrabberCB*>(&audio)}) {
        void* out = nullptr;
        EXPECT_EQ(S_OK, grabber->QueryInterface(IID_ISampleGrabberCB, &out));
        EXPECT_EQ(grabber, out);
        EXPECT_EQ(S_OK, grabber->QueryInterface(IID_IUnknown, &out));
        EXPECT_EQ(grabber, out);
        EXPECT_EQ(E_NOINTERFACE, grabber->QueryInterface(OtherIid(), &out));
        EXPECT_EQ(nullptr, out);
        EXPECT_EQ(E_POINTER, grabber->QueryInterface(IID_IUnknown, nullptr));
        // The objects live with their owner: the counts mean nothing.
        EXPECT_EQ(2u, grabber->AddRef());
        EXPECT_EQ(1u, grabber->Release());
        EXPECT_EQ(1u, grabber->Release());
        EXPECT_EQ(0, grabber->SampleCB(1.0, nullptr));
    }
}

TEST(GrabberCallbacks, WithoutCallbackTheSampleIsDropped)
{
    std::int32_t width = 7, height = 9;
    CVideoGrabber video(width, height);
    CAudioGrabber audio;
    BYTE bytes[12] = {};
    EXPECT_EQ(0, video.BufferCB(0.5, bytes, sizeof bytes));
    EXPECT_EQ(0, audio.BufferCB(0.5, bytes, sizeof bytes));
    EXPECT_EQ(7, width);
    EXPECT_EQ(9, height);
}

struct VideoCall {
    double time;
    BYTE* bits;
    std::int32_t length;
    FrameSize size;
};
VideoCall g_videoCall;

std::int32_t ResizingCallback(double time, BYTE* bits, std::int32_t length, FrameSize* size)
{
    g_videoCall = {time, bits, length, *size};
    size->width = 320;
    size->height = 240;
    return 42;
}

TEST(GrabberCallbacks, VideoCallbackGetsTheSampleAndTheOwnersSizeAndMayChangeIt)
{
    std::int32_t width = 0, height = 0;
    CVideoGrabber video(width, height);
    video.m_pCallback = &ResizingCallback;
    BYTE bytes[230400] = {};
    EXPECT_EQ(42, video.BufferCB(2.5, bytes, sizeof bytes));
    EXPECT_EQ(2.5, g_videoCall.time);
    EXPECT_EQ(bytes, g_videoCall.bits);
    EXPECT_EQ(230400, g_videoCall.length);
    EXPECT_EQ(0, g_videoCall.size.width);
    EXPECT_EQ(0, g_videoCall.size.height);
    EXPECT_EQ(320, width);
    EXPECT_EQ(240, height);
    EXPECT_EQ(320, video.GetFrameSize().width);
    video.SetFrameSize(640, 480);
    EXPECT_EQ(640, width);
    EXPECT_EQ(480, height);
}

std::int32_t g_audioLength = 0;
std::int32_t AudioCallbackReturningLength(double, BYTE*, std::int32_t length)
{
    g_audioLength = length;
    return length;
}

TEST(GrabberCallbacks, AudioCallbackResultGoesBack)
{
    CAudioGrabber audio;
    audio.m_pCallback = &AudioCallbackReturningLength;
    BYTE bytes[100] = {};
    EXPECT_EQ(100, audio.BufferCB(0.0, bytes, 100));
    EXPECT_EQ(100, g_audioLength);
}

} // namespace
