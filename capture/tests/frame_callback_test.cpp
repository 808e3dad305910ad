#include "frame_road_fixture.h"
#include "test_virtual_camera_device.h"

#include "app/settings/ConfigStore.h"
#include "capture/ColourStage.h"
#include "capture/StretchNearest.h"
#include "platform/win32/events.h"
#include "platform/win32/waits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

namespace {

using zv::capture::testing::DevicePath;
using zv::capture::testing::OpenPath;
using zv::capture::testing::PatternFrame;
using zv::capture::testing::TestVirtualCameraDevice;

class ZoomDouble final : public IZoomSource {
public:
    double ZoomFraction() const override { return fraction; }
    double ComputeZoomCrop() override
    {
        ++calls;
        if (crop) crop();
        return fraction;
    }

    double fraction = 0.5;
    int calls = 0;
    std::function<void()> crop;
};

class FrameCallbackTest : public zv::capture::testing::FrameRoadTest {
protected:
    static void Run(std::vector<BYTE>& frame, FrameSize& size)
    {
        EXPECT_EQ(0, OnVideoFrame(0.0, frame.data(), static_cast<std::int32_t>(frame.size()), &size));
    }
    // The device at path 0 as the program's device, with those formats in use.
    TestVirtualCameraDevice& OpenDevice(std::initializer_list<FrameSize> clients)
    {
        m_device = std::make_unique<TestVirtualCameraDevice>(DevicePath(0));
        for (const FrameSize& size : clients) {
            std::vector<BYTE> buffer(FrameBytes(size));
            m_device->Pull(size.width, size.height, buffer);
        }
        g_hDriver = OpenPath(DevicePath(0));
        return *m_device;
    }
    std::vector<BYTE> PreviewFrame() const
    {
        return std::vector<BYTE>(g_PreviewFrame, g_PreviewFrame + FrameBytes(g_PreviewFrameSize));
    }

    std::unique_ptr<TestVirtualCameraDevice> m_device;
};

// Pixels (blue 100, green 200, red 50) through the colour stage of a source kind.
TEST_F(FrameCallbackTest, ColourLevelsOfTheSourceKind)
{
    const struct Case {
        const char* name;
        int kind;
        ColourLevels levels; // red, green, blue, brightness, contrast
        std::array<BYTE, 3> expected;
    } cases[] = {
        {"neutral device", 1, {}, {100, 200, 50}},
        {"neutral file", 3, {}, {100, 200, 50}},
        {"full brightness, file", 3, {0.5f, 0.5f, 0.5f, 1.0f, 0.5f}, {255, 255, 255}},
        {"brightness ignored for a device", 1, {0.5f, 0.5f, 0.5f, 1.0f, 0.5f}, {100, 200, 50}},
        {"contrast 0", 1, {0.5f, 0.5f, 0.5f, 0.5f, 0.0f}, {128, 128, 128}},
        {"contrast 0, brightness 0.25", 3, {0.5f, 0.5f, 0.5f, 0.25f, 0.0f}, {1, 1, 1}},
        {"contrast 1", 1, {0.5f, 0.5f, 0.5f, 0.5f, 1.0f}, {72, 255, 0}},
        {"red 0.75", 1, {0.75f, 0.5f, 0.5f, 0.5f, 0.5f}, {100, 200, 177}},
        {"green 0", 1, {0.5f, 0.0f, 0.5f, 0.5f, 0.5f}, {100, 0, 50}},
        {"blue 1, contrast 0.75", 1, {0.5f, 0.5f, 1.0f, 0.5f, 0.75f}, {255, 235, 11}},
        {"out of range and not a number", 1, {2.0f, std::nanf(""), -1.0f, 0.5f, 0.5f}, {0, 200, 255}},
    };
    for (const Case& c : cases) {
        ConfigStore config;
        const std::size_t base = 4 * static_cast<std::size_t>(c.kind - 1);
        config.levels[base] = c.levels.red;
        config.levels[base + 1] = c.levels.green;
        config.levels[base + 2] = c.levels.blue;
        config.levels[12 + base] = c.levels.brightness;
        config.levels[13 + base] = c.levels.contrast;
        g_pConfigStore = &config;
        g_nSourceKind = c.kind;
        FrameSize size{5, 2};
        std::vector<BYTE> frame(FrameBytes(size), 0xA5);
        for (std::size_t row = 0; row < 2; ++row)
            for (std::size_t x = 0; x < 5; ++x) std::memcpy(&frame[row * 16 + x * 3], "\x64\xC8\x32", 3);
        Run(frame, size);
        for (std::size_t row = 0; row < 2; ++row) {
            for (std::size_t x = 0; x < 5; ++x)
                EXPECT_EQ(c.expected, (std::array<BYTE, 3>{frame[row * 16 + x * 3], frame[row * 16 + x * 3 + 1], frame[row * 16 + x * 3 + 2]}))
                    << c.name;
            EXPECT_EQ(0xA5, frame[row * 16 + 15]) << c.name << ": fill byte";
        }
        EXPECT_EQ(c.kind == 3 ? 1 : 0, TakeMessages(VideoPositionMessage)) << c.name;
        g_pConfigStore = nullptr;
    }
}

TEST_F(FrameCallbackTest, SizeFromLengthKnowsTheEightServedFormats)
{
    const struct Case {
        std::int32_t length;
        FrameSize size;
    } cases[] = {
        {57600, {160, 120}},  {76032, {176, 144}},  {126720, {240, 176}},  {129600, {240, 180}},
        {230400, {320, 240}}, {304128, {352, 288}}, {921600, {640, 480}},  {1036800, {720, 480}},
        {100000, {7, 7}},     {1166400, {7, 7}},    {0, {7, 7}},           {-230400, {7, 7}},
    };
    for (const Case& c : cases) {
        FrameSize size{7, 7};
        SizeFromLength(c.length, size);
        EXPECT_EQ(c.size.width, size.width) << c.length;
        EXPECT_EQ(c.size.height, size.height) << c.length;
    }
}

// A size record that does not fit the sample is derived again from the length, or the frame is
// dropped; the one stride rule holds for odd widths.
TEST_F(FrameCallbackTest, SizeRecordMustFitTheSample)
{
    const struct Case {
        FrameSize record;
        std::int32_t length;
        FrameSize after;
        bool processed;
    } cases[] = {
        {{0, 0}, 230400, {320, 240}, true},    {{0, 0}, 100000, {0, 0}, true},
        {{640, 480}, 230400, {320, 240}, true}, {{640, 480}, 100000, {0, 0}, false},
        {{-320, 240}, 230400, {320, 240}, true}, {{320, 240}, 230399, {0, 0}, false},
        {{321, 240}, 231360, {321, 240}, true},  {{854, 480}, 1230720, {854, 480}, true},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> frame(static_cast<std::size_t>(c.length), 0x40);
        FrameSize size = c.record;
        Run(frame, size);
        EXPECT_EQ(c.after.width, size.width) << c.record.width << "x" << c.record.height << " in " << c.length;
        EXPECT_EQ(c.after.height, size.height) << c.record.width << "x" << c.record.height << " in " << c.length;
        EXPECT_EQ(c.processed ? 1 : 0, TakeMessages(FrameReadyMessage)) << c.length;
        if (c.processed) {
            EXPECT_EQ(c.after.width, g_PreviewFrameSize.width);
            EXPECT_EQ(c.after.height, g_PreviewFrameSize.height);
        }
    }
}

TEST_F(FrameCallbackTest, DeinterlaceDoublesTheEvenRows)
{
    const FrameSize original{320, 240};
    const std::vector<BYTE> before = PatternFrame(original);
    for (const int kind : {1, 2}) {
        TestVirtualCameraDevice& device = OpenDevice({{320, 240}, {160, 120}});
        g_bDeinterlace = 1;
        g_nSourceKind = kind;
        std::vector<BYTE> frame = before;
        FrameSize size = original;
        Run(frame, size);
        for (std::size_t row = 0; row < 240; ++row)
            EXPECT_EQ(0, std::memcmp(&frame[row * 960], &before[(row & ~std::size_t{1}) * 960], 960)) << row;
        // Another kind than a device or a file goes no further than the zoom.
        EXPECT_EQ(kind == 1 ? 2u : 0u, device.Writes().size()) << kind;
        EXPECT_EQ(kind == 1 ? 1 : 0, TakeMessages(FrameReadyMessage)) << kind;
        CloseHandle(g_hDriver.load());
        g_hDriver = INVALID_HANDLE_VALUE;
        m_device.reset();
    }
}

TEST_F(FrameCallbackTest, SnapshotIsTakenOnceOnRequest)
{
    std::vector<BYTE> frame = PatternFrame({160, 120});
    FrameSize size{160, 120};
    g_bSnapshotRequest = 1;
    Run(frame, size);
    Run(frame, size);
    EXPECT_EQ(1, TakeMessages(SnapshotMessage));
    EXPECT_EQ(0, g_bSnapshotRequest.load());
    std::lock_guard lock(g_Snapshot.lock);
    ASSERT_EQ(frame.size(), g_Snapshot.length);
    EXPECT_EQ(160, g_Snapshot.width);
    EXPECT_EQ(120, g_Snapshot.height);
    EXPECT_EQ(0, std::memcmp(frame.data(), g_Snapshot.bits.get(), frame.size()));
}

// The peer picture is filled only while the sender's event is clear, and it is not an output
// image: the virtual camera's 320 x 240 keeps being written either way.
TEST_F(FrameCallbackTest, PeerEventGatesThePeerPicture)
{
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_hFrameReadyEvent = ready;
    TestVirtualCameraDevice& device = OpenDevice({{320, 240}});
    std::vector<BYTE> frame = PatternFrame({640, 480});
    std::vector<BYTE> expected(230400);
    StretchNearest(frame.data(), {640, 480}, expected.data(), {320, 240});
    FrameSize size{640, 480};
    g_PeerImage.Clear(0);
    Run(frame, size);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 0));
    EXPECT_EQ(0, std::memcmp(expected.data(), g_PeerImage.GetRowPointer(0), expected.size()));
    g_PeerImage.Clear(0);
    Run(frame, size);
    EXPECT_EQ(0, g_PeerImage.GetRowPointer(0)[100]);
    EXPECT_EQ(2u, device.Writes().size());
    EXPECT_NE(g_PeerImage.GetRowPointer(0), g_FormatImages[kPeerFormat].GetRowPointer(0));
    CloseHandle(ready);
}

// The header goes to the device, but every later step sees the frame's own bytes.
TEST_F(FrameCallbackTest, HeaderBytesStayOnTheWire)
{
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_hFrameReadyEvent = ready;
    TestVirtualCameraDevice& device = OpenDevice({{320, 240}});
    const std::vector<BYTE> before = PatternFrame({320, 240});
    std::vector<BYTE> frame = before;
    FrameSize size{320, 240};
    Run(frame, size);
    EXPECT_EQ(before, frame);
    EXPECT_EQ(before, PreviewFrame());
    EXPECT_EQ(0, std::memcmp(before.data(), g_PeerImage.GetRowPointer(0), 16));
    std::vector<BYTE> wire = before;
    FrameWriteHeader{4, 0}.WriteTo(wire.data());
    EXPECT_EQ(wire, device.StoredFrame(4).value());
    CloseHandle(ready);
}

TEST_F(FrameCallbackTest, ZoomReplacesTheFrameOnlyWithAPictureOfItsSize)
{
    ZoomDouble zoom;
    g_pZoomSource = &zoom;
    const struct Case {
        const char* name;
        double fraction;
        std::function<void()> crop;
        bool replaced;
    } cases[] = {
        {"no zoom", 0.0, nullptr, false},
        {"crop and resample", 0.5,
         [] { ASSERT_TRUE(g_FrameImage.Crop(80, 60, 240, 180, &g_ZoomImage) && g_ZoomImage.Resample(320, 240, 1)); }, true},
        {"stale picture", 0.5, [] { g_ZoomImage.Create(160, 120, 24, 0); }, false},
        {"empty picture", 0.5, [] { g_ZoomImage.Destroy(); }, false},
    };
    for (const Case& c : cases) {
        zoom.fraction = c.fraction;
        zoom.crop = c.crop;
        zoom.calls = 0;
        const std::vector<BYTE> before = PatternFrame({320, 240});
        std::vector<BYTE> frame = before;
        FrameSize size{320, 240};
        Run(frame, size);
        EXPECT_EQ(c.fraction != 0.0 ? 1 : 0, zoom.calls) << c.name;
        EXPECT_EQ(320, size.width) << c.name;
        EXPECT_EQ(240, size.height) << c.name;
        if (c.replaced) {
            EXPECT_EQ(0, std::memcmp(g_ZoomImage.GetRowPointer(0), frame.data(), frame.size())) << c.name;
            EXPECT_NE(before, frame) << c.name;
        } else {
            EXPECT_EQ(before, frame) << c.name;
        }
    }
}

TEST_F(FrameCallbackTest, LargeFramesReachThePreviewScaledToFit)
{
    const struct Case {
        FrameSize frame;
        FrameSize shown;
    } cases[] = {{{1600, 1200}, {1600, 1200}}, {{1920, 1080}, {1845, 1038}}, {{4000, 100}, {4000, 100}}, {{6000, 400}, {5355, 357}}, {{3000000, 1}, {1919999, 1}}};
    for (const Case& c : cases) {
        std::vector<BYTE> frame = PatternFrame(c.frame);
        FrameSize size = c.frame;
        Run(frame, size);
        ASSERT_EQ(1, TakeMessages(FrameReadyMessage));
        EXPECT_EQ(c.shown.width, g_PreviewFrameSize.width) << c.frame.width;
        EXPECT_EQ(c.shown.height, g_PreviewFrameSize.height) << c.frame.width;
        EXPECT_LE(FrameBytes(g_PreviewFrameSize), kPreviewFrameBytes);
        std::vector<BYTE> expected = PreviewFrame(); // fill bytes are nobody's
        StretchNearest(frame.data(), c.frame, expected.data(), c.shown);
        EXPECT_EQ(expected, PreviewFrame()) << c.frame.width;
    }
}

} // namespace
