#include "frame_road_fixture.h"

#include "app/settings/ConfigStore.h"
#include "capture/ColourStage.h"
#include "capture/StretchNearest.h"
#include "platform/win32/events.h"
#include "platform/win32/waits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using namespace zv::capture::testing;

class ZoomDouble final : public IZoomSource {
public:
    double ZoomFraction() const override { return fraction; }
    double ComputeZoomCrop() override { return ++calls, crop ? crop() : void(), fraction; }
    double fraction = 0.5;
    int calls = 0;
    std::function<void()> crop;
};

class FrameCallbackTest : public FrameRoadTest {
protected:
    static void Run(std::vector<BYTE>& frame, FrameSize& size)
    {
        EXPECT_EQ(0, OnVideoFrame(0.0, frame.data(), static_cast<std::int32_t>(frame.size()), &size));
    }
    static std::vector<BYTE> PreviewFrame() { return {g_PreviewFrame, g_PreviewFrame + FrameBytes(g_PreviewFrameSize)}; }
};

// Pixels (blue 100, green 200, red 50) of a 5 x 2 frame through the colour stage.
TEST_F(FrameCallbackTest, ColourLevelsOfTheSourceKind)
{
    const struct { const char* name; int kind; ColourLevels levels; std::array<BYTE, 3> expected; } cases[] = {
        {"neutral device", 1, {}, {100, 200, 50}},
        {"neutral file", 3, {}, {100, 200, 50}},
        {"full brightness, file", 3, {0.5f, 0.5f, 0.5f, 1.0f, 0.5f}, {255, 255, 255}},
        {"brightness ignored for a device", 1, {0.5f, 0.5f, 0.5f, 1.0f, 0.5f}, {100, 200, 50}},
        {"contrast 0", 1, {0.5f, 0.5f, 0.5f, 0.5f, 0.0f}, {128, 128, 128}},
        {"contrast 0, brightness 0.25", 3, {0.5f, 0.5f, 0.5f, 0.25f, 0.0f}, {1, 1, 1}},
        {"contrast 1", 1, {0.5f, 0.5f, 0.5f, 0.5f, 1.0f}, {72, 255, 0}},
        {"red 0.75", 1, {0.75f, 0.5f, 0.5f, 0.5f, 0.5f}, {100, 200, 177}},
        {"blue 1, green 0, contrast 0.75", 1, {0.5f, 0.0f, 1.0f, 0.5f, 0.75f}, {255, 0, 11}},
        {"out of range and not a number", 1, {2.0f, std::nanf(""), -1.0f, 0.5f, 0.5f}, {0, 200, 255}},
    };
    for (const auto& c : cases) {
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
        std::vector<BYTE> frame(32, 0xA5), expected(32, 0xA5);
        for (std::size_t at : {0, 3, 6, 9, 12, 16, 19, 22, 25, 28}) {
            std::copy_n("\x64\xC8\x32", 3, &frame[at]);
            std::copy_n(c.expected.begin(), 3, &expected[at]);
        }
        Run(frame, size);
        EXPECT_EQ(expected, frame) << c.name; // fill bytes too stay as they were
        EXPECT_EQ(c.kind == 3 ? 1 : 0, TakeMessages(VideoPositionMessage)) << c.name;
    }
}

// An unknown size is found from the length; a record that does not fit the sample is found again
// from the length, or the frame is dropped; odd widths follow the row rule.
TEST_F(FrameCallbackTest, SizeRecordMustFitTheSample)
{
    const struct { FrameSize record; std::int32_t length; FrameSize after; bool processed; } cases[] = {
        {{0, 0}, 57600, {160, 120}, true},       {{0, 0}, 76032, {176, 144}, true},       {{0, 0}, 126720, {240, 176}, true},
        {{0, 0}, 129600, {240, 180}, true},      {{0, 0}, 230400, {320, 240}, true},      {{0, 0}, 304128, {352, 288}, true},
        {{0, 0}, 921600, {640, 480}, true},      {{0, 0}, 1036800, {720, 480}, true},     {{0, 0}, 1166400, {0, 0}, true},
        {{0, 0}, 100000, {0, 0}, true},          {{640, 480}, 230400, {320, 240}, true},  {{640, 480}, 100000, {0, 0}, false},
        {{-320, 240}, 230400, {320, 240}, true}, {{320, 240}, 230399, {0, 0}, false},     {{321, 240}, 231360, {321, 240}, true},
        {{854, 480}, 1230720, {854, 480}, true},
    };
    for (const auto& c : cases) {
        std::vector<BYTE> frame(static_cast<std::size_t>(c.length), 0x40);
        FrameSize size = c.record;
        Run(frame, size);
        const std::string name = std::to_string(c.record.width) + "x" + std::to_string(c.record.height) + " in " +
            std::to_string(c.length);
        const auto key = [](const FrameSize& s) { return s.width * 10000 + s.height; };
        EXPECT_EQ(key(c.after), key(size)) << name;
        EXPECT_EQ(c.processed ? 1 : 0, TakeMessages(FrameReadyMessage)) << name;
        EXPECT_TRUE(!c.processed || key(c.after) == key(g_PreviewFrameSize)) << name;
    }
}

TEST_F(FrameCallbackTest, DeinterlaceDoublesTheEvenRowsAndOnlyLiveKindsGoOn)
{
    const std::vector<BYTE> before = PatternFrame({320, 240});
    for (const int kind : {1, 2}) {
        TestVirtualCameraDevice& device = OpenDevice({{320, 240}, {160, 120}});
        g_bDeinterlace = 1;
        g_nSourceKind = kind;
        std::vector<BYTE> frame = before;
        FrameSize size{320, 240};
        Run(frame, size);
        for (std::size_t row = 0; row < 240; ++row)
            ASSERT_TRUE(std::equal(&frame[row * 960], &frame[row * 960 + 960], &before[(row & ~std::size_t{1}) * 960])) << row;
        EXPECT_EQ(kind == 1 ? 2u : 0u, device.Writes().size()) << kind;
        EXPECT_EQ(kind == 1 ? 1 : 0, TakeMessages(FrameReadyMessage)) << kind;
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
    EXPECT_EQ(160 * 120, g_Snapshot.width * g_Snapshot.height);
    EXPECT_EQ(frame, std::vector<BYTE>(g_Snapshot.bits.get(), g_Snapshot.bits.get() + g_Snapshot.length));
}

// The peer picture is filled only while the sender's event is clear, and it is not the output
// image of the same size, which the virtual camera keeps getting either way. The header sent
// with each frame never shows in the frame, the preview or the peer picture.
TEST_F(FrameCallbackTest, PeerEventGatesThePeerPictureAndHeadersStayOnTheWire)
{
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_hFrameReadyEvent = ready;
    TestVirtualCameraDevice& device = OpenDevice({{320, 240}});
    const std::vector<BYTE> before = PatternFrame({320, 240});
    std::vector<BYTE> frame = before;
    FrameSize size{320, 240};
    g_PeerImage.Clear(0);
    Run(frame, size);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 0));
    EXPECT_EQ(before, frame);
    EXPECT_EQ(before, PreviewFrame());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), g_PeerImage.GetRowPointer(0)));
    std::vector<BYTE> wire = before;
    FrameWriteHeader{4, 0}.WriteTo(wire.data());
    EXPECT_EQ(wire, device.StoredFrame(4).value());

    frame = PatternFrame({640, 480});
    size = {640, 480};
    g_PeerImage.Clear(0);
    Run(frame, size);
    EXPECT_EQ(0, g_PeerImage.GetRowPointer(0)[100]);
    EXPECT_EQ(2u, device.Writes().size());
    EXPECT_EQ(frame[2 * 1920 + 6], g_FormatImages[kPeerFormat].GetRowPointer(1)[3]);
    CloseHandle(ready);
}

TEST_F(FrameCallbackTest, ZoomReplacesTheFrameOnlyWithAPictureOfItsSize)
{
    ZoomDouble zoom;
    g_pZoomSource = &zoom;
    const struct { const char* name; double fraction; std::function<void()> crop; bool replaced; } cases[] = {
        {"no zoom", 0.0, nullptr, false},
        {"crop and resample", 0.5,
         [] { g_FrameImage.Crop(80, 60, 240, 180, &g_ZoomImage) && g_ZoomImage.Resample(320, 240, 1); }, true},
        {"stale picture", 0.5, [] { g_ZoomImage.Create(160, 120, 24, 0); }, false},
        {"empty picture", 0.5, [] { g_ZoomImage.Destroy(); }, false},
    };
    for (const auto& c : cases) {
        zoom.fraction = c.fraction;
        zoom.crop = c.crop;
        zoom.calls = 0;
        const std::vector<BYTE> before = PatternFrame({320, 240});
        std::vector<BYTE> frame = before;
        FrameSize size{320, 240};
        Run(frame, size);
        EXPECT_EQ(c.fraction != 0.0 ? 1 : 0, zoom.calls) << c.name;
        EXPECT_EQ(320 * 240, size.width * size.height) << c.name;
        EXPECT_EQ(c.replaced, before != frame) << c.name;
        const BYTE* zoomed = g_ZoomImage.GetRowPointer(0);
        EXPECT_EQ(c.replaced ? std::vector<BYTE>(zoomed, zoomed + 230400) : before, frame) << c.name;
    }
}

TEST_F(FrameCallbackTest, LargeFramesReachThePreviewScaledToFit)
{
    const struct { FrameSize frame, shown; } cases[] = {
        {{1600, 1200}, {1600, 1200}}, {{1920, 1080}, {1845, 1038}}, {{4000, 100}, {4000, 100}}, {{6000, 400}, {5355, 357}},
    };
    for (const auto& c : cases) {
        std::vector<BYTE> frame = PatternFrame(c.frame);
        FrameSize size = c.frame;
        Run(frame, size);
        ASSERT_EQ(1, TakeMessages(FrameReadyMessage));
        EXPECT_EQ(c.shown.width, g_PreviewFrameSize.width);
        EXPECT_EQ(c.shown.height, g_PreviewFrameSize.height);
        EXPECT_LE(FrameBytes(g_PreviewFrameSize), kPreviewFrameBytes);
        std::vector<BYTE> expected = PreviewFrame(); // fill bytes are nobody's
        StretchNearest(frame.data(), c.frame, expected.data(), c.shown);
        EXPECT_EQ(expected, PreviewFrame()) << c.frame.width;
    }
    EXPECT_EQ(1919999, PreviewSizeFor({3000000, 1}).width);
}

} // namespace
