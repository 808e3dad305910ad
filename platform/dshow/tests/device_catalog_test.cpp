#include "platform/dshow/device_catalog.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using zv::dshow::CapabilitiesFromCaps;
using zv::dshow::CapsRef;
using zv::dshow::FrameRateFor;
using zv::dshow::VideoCapability;

std::vector<VideoCapability> FromText(const char* text)
{
    EXPECT_TRUE(zv::dshow::EnsureGstreamer());
    CapsRef caps(gst_caps_from_string(text));
    EXPECT_TRUE(caps);
    return CapabilitiesFromCaps(caps.get());
}

TEST(DeviceCapabilities, OneCapabilityPerRawSize)
{
    struct Case {
        const char* caps;
        std::size_t count;
        LONG width;
        LONG height;
        REFERENCE_TIME minInterval;
        REFERENCE_TIME maxInterval;
        REFERENCE_TIME defaultInterval;
        std::size_t rates;
    } cases[] = {
        {"video/x-raw,format=YUY2,width=640,height=480,framerate=30/1", 1, 640, 480, 333333, 333333, 333333, 1},
        {"video/x-raw,format=YUY2,width=640,height=480,framerate={ (fraction)30/1, (fraction)15/1, (fraction)5/1 }", 1,
         640, 480, 333333, 2000000, 333333, 3},
        {"video/x-raw,format=YUY2,width=1280,height=720,framerate={ (fraction)10/1, (fraction)5/1 }", 1, 1280, 720,
         1000000, 2000000, 1000000, 2},
        {"video/x-raw,format=I420,width=320,height=240,framerate=[ 1/1, 60/1 ]", 1, 320, 240, 166666, 10000000, 333333, 0},
        // The same size in two pixel formats is one capability with the rates of both.
        {"video/x-raw,format=YUY2,width=640,height=480,framerate=15/1; "
         "video/x-raw,format=NV12,width=640,height=480,framerate=30/1",
         1, 640, 480, 333333, 666666, 333333, 2},
        // Compressed formats and sizes that are ranges are left out.
        {"image/jpeg,width=1920,height=1080,framerate=30/1", 0, 0, 0, 0, 0, 0, 0},
        {"video/x-raw,format=YUY2,width=[ 16, 4096 ],height=[ 16, 4096 ],framerate=30/1", 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const auto capabilities = FromText(c.caps);
        ASSERT_EQ(c.count, capabilities.size()) << c.caps;
        if (c.count == 0) continue;
        const VideoCapability& first = capabilities[0];
        EXPECT_EQ(c.width, first.width) << c.caps;
        EXPECT_EQ(c.height, first.height) << c.caps;
        EXPECT_EQ(c.minInterval, first.minInterval) << c.caps;
        EXPECT_EQ(c.maxInterval, first.maxInterval) << c.caps;
        EXPECT_EQ(c.defaultInterval, first.defaultInterval) << c.caps;
        EXPECT_EQ(c.rates, first.rates.size()) << c.caps;
    }
}

TEST(DeviceCapabilities, FrameRateForAFormat)
{
    const VideoCapability any{320, 240, 333333, 10000000, 333333, {}};
    const VideoCapability listed{640, 480, 333333, 2000000, 333333, {{30, 1}, {15, 1}, {5, 1}}};
    struct Case {
        const VideoCapability* capability;
        REFERENCE_TIME interval;
        int numerator;
        int denominator;
    } cases[] = {{&any, 333333, 30, 1},   {&any, 666666, 15, 1},   {&any, 0, 30, 1},        {&any, 10000000, 1, 1},
                 {&any, 400000, 25, 1},   {&listed, 400000, 30, 1}, {&listed, 1800000, 5, 1}, {&listed, 666666, 15, 1}};
    for (const Case& c : cases) {
        const auto rate = FrameRateFor(*c.capability, c.interval);
        EXPECT_EQ(c.numerator, rate.numerator) << c.interval;
        EXPECT_EQ(c.denominator, rate.denominator) << c.interval;
    }
}

TEST(TestDeviceList, ParsesCamerasAndMicrophonesFromTheEnvironment)
{
    setenv("ZV_TEST_CAMERA", "Cam: HD:1280x720@30,640x480@15;Broken:12x;NoSize;Small:160x120@5", 1);
    setenv("ZV_TEST_MICROPHONE", "Mic;Line In", 1);
    const auto cameras = zv::dshow::TestDevices(zv::dshow::DeviceCategory::Video);
    ASSERT_EQ(2u, cameras.size());
    EXPECT_EQ("Cam: HD", cameras[0].friendlyName);
    EXPECT_EQ("zv-test-camera:0", cameras[0].devicePath.value_or(""));
    EXPECT_FALSE(cameras[0].description.has_value());
    ASSERT_EQ(2u, cameras[0].capabilities.size());
    EXPECT_EQ(1280, cameras[0].capabilities[0].width);
    EXPECT_EQ(333333, cameras[0].capabilities[0].minInterval);
    EXPECT_EQ(666666, cameras[0].capabilities[1].minInterval);
    EXPECT_TRUE(cameras[0].source != nullptr);
    EXPECT_EQ("Small", cameras[1].friendlyName);
    EXPECT_EQ("zv-test-camera:1", cameras[1].devicePath.value_or(""));

    const auto microphones = zv::dshow::TestDevices(zv::dshow::DeviceCategory::Audio);
    ASSERT_EQ(2u, microphones.size());
    EXPECT_EQ("Line In", microphones[1].friendlyName);
    EXPECT_TRUE(microphones[1].source == nullptr);
    unsetenv("ZV_TEST_CAMERA");
    unsetenv("ZV_TEST_MICROPHONE");
    EXPECT_TRUE(zv::dshow::TestDevices(zv::dshow::DeviceCategory::Video).empty());
}

} // namespace
