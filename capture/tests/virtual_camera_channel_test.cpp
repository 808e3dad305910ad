#include "frame_road_fixture.h"
#include "test_camera.h"

#include <gtest/gtest.h>

namespace {

using namespace zv::capture::testing;
using zv::win32::IoResult;
using Flags10 = std::array<BYTE, 10>;

// The device's own rules, as tables (the driver is held to them as well).
TEST(VirtualCameraRules, WritesAreStoredOnlyInsideAFrameInUse)
{
    const struct { BYTE index; std::int32_t offset; DWORD length; bool stored; } cases[] = {
        {4, 0, 230400, true}, {4, 230396, 8, false}, {4, 230395, 5, true}, {4, 0, 4, false},  {4, 0, 230401, false},
        {4, -1, 10, false},   {4, 230400, 5, false}, {3, 0, 100, false},   {8, 0, 100, false}, {9, 0, 100, false},
        {6, 921595, 5, true},
    };
    for (const auto& c : cases) {
        std::vector<BYTE> block(std::max<DWORD>(c.length, 5));
        FrameWriteHeader{c.index, c.offset}.WriteTo(block.data());
        EXPECT_EQ(c.stored, JudgeWrite({0, 0, 0, 0, 1, 0, 1, 0}, block.data(), c.length).stored)
            << int(c.index) << " at " << c.offset << " length " << c.length;
    }
}

TEST(VirtualCameraRules, ClientsGetExactSizesOrTheTopRowsOfATallerFrame)
{
    const struct { std::int32_t width, height; int index; std::uint32_t start; } cases[] = {
        {160, 120, 0, 0},     {176, 144, 1, 0},    {240, 176, 2, 0},      {240, 180, 3, 0}, {320, 240, 4, 0},
        {352, 288, 5, 0},     {640, 480, 6, 0},    {720, 480, 7, 0},      {320, 200, 4, 38400},
        {240, 170, 3, 7200},  {320, 260, -1, 0},   {400, 300, -1, 0},     {720, 540, -1, 0}, {320, -240, -1, 0},
    };
    for (const auto& c : cases) {
        const PullSource source = FindPullSource(c.width, c.height);
        EXPECT_EQ(c.index, source.index) << c.width << "x" << c.height;
        EXPECT_EQ(c.start, source.start) << c.width << "x" << c.height;
    }
}

class ChannelTest : public FrameRoadTest {
protected:
    static Flags10 InUse()
    {
        Flags10 flags{};
        for (std::size_t i = 0; i < flags.size(); ++i) flags[i] = g_bFormatInUse[i].load();
        return flags;
    }
};

TEST_F(ChannelTest, FlagReadsFillEightBytesAndTheRestIsCleared)
{
    TestVirtualCameraDevice& device = OpenDevice({{176, 144}, {320, 240}});
    std::vector<BYTE> raw(10, 0xEE), shortRead(7, 0xEE);
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(g_hDriver.load(), raw.data(), 10, &read, nullptr) && read == 10);
    EXPECT_EQ((std::vector<BYTE>{0, 1, 0, 0, 1, 0, 0, 0, 0xEE, 0xEE}), raw);
    ASSERT_TRUE(ReadFile(g_hDriver.load(), shortRead.data(), 7, &read, nullptr) && read == 7);
    EXPECT_EQ(std::vector<BYTE>(7, 0xEE), shortRead);

    const Flags10 all{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    device.ScriptRead({0, ERROR_GEN_FAILURE});
    EXPECT_FALSE(ReadDriverFormatFlags());
    EXPECT_EQ(all, InUse());
    EXPECT_TRUE(ReadDriverFormatFlags()); // flags 8 and 9 do not keep the failed read's 0xFF
    EXPECT_EQ((Flags10{0, 1, 0, 0, 1, 0, 0, 0, 0, 0}), InUse());
    device.ScriptRead({0, ERROR_SUCCESS});
    EXPECT_FALSE(ReadDriverFormatFlags());
    EXPECT_EQ(all, InUse());
    CloseDevice();
    EXPECT_FALSE(ReadDriverFormatFlags());
    EXPECT_EQ(all, InUse());
}

// A device whose flag reads deliver ten given bytes.
struct FlagsDevice final : zv::win32::DeviceProvider, zv::win32::IoObject, std::enable_shared_from_this<FlagsDevice> {
    explicit FlagsDevice(Flags10 f) : flags(f) {}
    std::shared_ptr<IoObject> Open(const std::string&, DWORD, DWORD&) override { return shared_from_this(); }
    IoResult Read(void* buffer, DWORD bytes) override { return std::memcpy(buffer, flags.data(), 10), IoResult{bytes, 0}; }
    IoResult Write(const void*, DWORD bytes) override { return {bytes, 0}; }
    Flags10 flags;
};

TEST_F(ChannelTest, CaptureSizeIsTheLargestServedFormatInUse)
{
    const struct { Flags10 flags; bool found; FrameSize size; } cases[] = {
        {{}, false, {0, 0}},         {{1}, true, {160, 120}},   {{0, 1, 0, 0, 1}, true, {320, 240}},
        {{0, 0, 1, 1}, true, {240, 180}}, {{1, 1, 1, 1, 1, 1, 1, 2}, true, {720, 480}},
        {{0, 0, 0, 0, 0, 0, 0, 0, 1, 1}, false, {0, 0}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(zv::win32::RegisterDeviceProvider(DevicePath(5), std::make_shared<FlagsDevice>(c.flags)));
        g_hDriver = CreateFileA(DevicePath(5).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        FrameSize size{-1, -1};
        EXPECT_EQ(c.found, ChooseCaptureSize(size));
        EXPECT_EQ(c.size.width * 1000 + c.size.height, size.width * 1000 + size.height);
        g_sizeCapture = {1, 1};
        UpdateCaptureSize();
        EXPECT_EQ(c.found ? c.size.width : 320, g_sizeCapture.width);
        EXPECT_EQ(c.found ? c.size.height : 240, g_sizeCapture.height);
        CloseDevice();
        zv::win32::UnregisterDeviceProvider(DevicePath(5));
    }
    FrameSize size{};
    EXPECT_TRUE(ChooseCaptureSize(size)); // no device: everything in use
    EXPECT_EQ(720, size.width);
}

// Every block starts with {index, offset}; the caller's frame comes back as it went in.
TEST_F(ChannelTest, WritesBlocksWithHeadersAndRestoresTheFrame)
{
    using Write = std::pair<DWORD, std::array<BYTE, 5>>; // length, first bytes
    const struct { const char* name; std::vector<IoResult> answers; std::vector<Write> writes; } cases[] = {
        {"whole", {}, {{230400, {4, 0, 0, 0, 0}}}},
        {"short", {{100000, 0}}, {{100000, {4, 0, 0, 0, 0}}, {130400, {4, 0xA0, 0x86, 0x01, 0x00}}}},
        {"two left", {{230398, 0}}, {{230398, {4, 0, 0, 0, 0}}, {2, {0x2F, 0x3C}}}}, // no header: frame bytes
        {"empty write", {{0, 0}}, {}},
        {"failed write", {{0, ERROR_GEN_FAILURE}}, {}},
    };
    for (const auto& c : cases) {
        TestVirtualCameraDevice& device = OpenDevice({{320, 240}});
        for (const IoResult& answer : c.answers) device.ScriptWrite(answer);
        const std::vector<BYTE> before = PatternFrame({320, 240});
        std::vector<BYTE> frame = before;
        SendFormat(4, frame.data(), {320, 240});
        EXPECT_EQ(before, frame) << c.name;
        const auto writes = device.Writes();
        ASSERT_EQ(c.writes.size(), writes.size()) << c.name;
        for (std::size_t i = 0; i < writes.size(); ++i) {
            EXPECT_EQ(c.writes[i].first, writes[i].length) << c.name;
            EXPECT_EQ(c.writes[i].second, writes[i].head) << c.name;
        }
    }
    // Nothing for an index outside 0..9, fewer than five bytes or no device.
    TestVirtualCameraDevice& device = OpenDevice({{320, 240}, {160, 120}});
    std::vector<BYTE> frame = PatternFrame({320, 240});
    for (const int index : {10, -1}) WriteFrameToDriver(230400, frame.data(), index);
    WriteFrameToDriver(4, frame.data(), 4);
    SendFormat(10, frame.data(), {320, 240});
    EXPECT_TRUE(device.Writes().empty());
    WriteFrameToDriver(5, frame.data(), 4);
    EXPECT_EQ(1u, device.Writes().size());
    CloseDevice();
    WriteFrameToDriver(230400, frame.data(), 4);
    EXPECT_EQ(PatternFrame({320, 240}), frame);
}

TEST_F(ChannelTest, WithoutDeviceEveryOtherSizeIsStillScaled)
{
    std::vector<BYTE> frame = PatternFrame({160, 120});
    for (CPixImage& image : g_FormatImages) image.Clear(0);
    for (int index = 0; index < kFormatCount; ++index) SendFormat(index, frame.data(), {160, 120});
    EXPECT_EQ(0, g_FormatImages[0].GetRowPointer(0)[1]); // the frame's own size goes out as it is
    for (std::size_t i = 1; i < kFormatCount; ++i)
        EXPECT_EQ(frame[119 * 480 + 1], g_FormatImages[i].GetRowPointer(g_FormatSizes[i].height - 1)[1]) << i;
}

TEST_F(ChannelTest, OpensTheFirstDeviceOfTheExactName)
{
    TestDevices cameras("Zelvante Capture:320x240@30");
    TestVirtualCameraDevice lowerCase(DevicePath(1), "zelvante capture"), first(DevicePath(2)), second(DevicePath(3));
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenVirtualCameraDevice()); // the camera of that name lists first
    unsetenv("ZV_TEST_CAMERA");
    g_hDriver = OpenVirtualCameraDevice();
    std::vector<BYTE> frame = PatternFrame({160, 120});
    for (TestVirtualCameraDevice* device : {&lowerCase, &first, &second}) device->Pull(160, 120, frame);
    SendFormat(0, frame.data(), {160, 120});
    EXPECT_EQ(0u, lowerCase.Writes().size());
    EXPECT_EQ(1u, first.Writes().size());
    EXPECT_EQ(0u, second.Writes().size());
}

} // namespace
