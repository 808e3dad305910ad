#include "frame_road_fixture.h"
#include "test_camera.h"
#include "test_virtual_camera_device.h"

#include "platform/win32/device_namespace.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using zv::capture::testing::DevicePath;
using zv::capture::testing::OpenPath;
using zv::capture::testing::PatternFrame;
using zv::capture::testing::TestVirtualCameraDevice;
using zv::win32::IoResult;
using Head = std::vector<BYTE>;

// A device whose flag reads deliver ten given bytes.
class FlagsConnection final : public zv::win32::IoObject {
public:
    explicit FlagsConnection(std::array<BYTE, 10> flags) : m_flags(flags) {}
    IoResult Read(void* buffer, DWORD bytes) override
    {
        std::memcpy(buffer, m_flags.data(), std::min<std::size_t>(bytes, m_flags.size()));
        return {bytes, ERROR_SUCCESS};
    }
    IoResult Write(const void*, DWORD bytes) override { return {bytes, ERROR_SUCCESS}; }

private:
    std::array<BYTE, 10> m_flags;
};

class FlagsDevice final : public zv::win32::DeviceProvider {
public:
    explicit FlagsDevice(std::array<BYTE, 10> flags) : m_flags(flags) {}
    std::shared_ptr<zv::win32::IoObject> Open(const std::string&, DWORD, DWORD&) override
    {
        return std::make_shared<FlagsConnection>(m_flags);
    }

private:
    std::array<BYTE, 10> m_flags;
};

class ChannelTest : public zv::capture::testing::FrameRoadTest {
protected:
    // The device at path 0, opened as the program's device, with the clients' sizes in use.
    TestVirtualCameraDevice& OpenDevice(std::initializer_list<FrameSize> clients = {})
    {
        m_device = std::make_unique<TestVirtualCameraDevice>(DevicePath(0));
        for (const FrameSize& size : clients) {
            std::vector<BYTE> buffer(FrameBytes(size));
            m_device->Pull(size.width, size.height, buffer);
        }
        g_hDriver = OpenPath(DevicePath(0));
        EXPECT_NE(INVALID_HANDLE_VALUE, g_hDriver.load());
        return *m_device;
    }
    static std::array<BYTE, 10> Flags()
    {
        std::array<BYTE, 10> flags{};
        for (std::size_t i = 0; i < flags.size(); ++i) flags[i] = g_bFormatInUse[i].load();
        return flags;
    }

    std::unique_ptr<TestVirtualCameraDevice> m_device;
};

TEST_F(ChannelTest, WithoutDeviceEveryFormatIsScaledAndNothingWritten)
{
    zv::capture::testing::TestDevices devices(nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenVirtualCameraDevice());
    EXPECT_FALSE(ReadDriverFormatFlags());
    for (BYTE flag : Flags()) EXPECT_EQ(0xFF, flag);
    std::vector<BYTE> frame = PatternFrame({160, 120});
    const std::vector<BYTE> before = frame;
    for (CPixImage& image : g_FormatImages) image.Clear(0);
    for (int index = 0; index < kFormatCount; ++index) SendFormat(index, frame.data(), {160, 120});
    EXPECT_EQ(before, frame);
    // Format 0 is the frame's own size: it would be sent from the frame, not scaled.
    EXPECT_EQ(0, g_FormatImages[0].GetRowPointer(0)[0]);
    for (std::size_t index = 1; index < kFormatCount; ++index) {
        const BYTE* top = g_FormatImages[index].GetRowPointer(static_cast<DWORD>(g_FormatSizes[index].height - 1));
        EXPECT_EQ(frame[119 * 480], top[0]) << index;
    }
}

// Every block starts with {index, offset}; what the device took is sent on; the caller's frame
// comes back as it went in.
TEST_F(ChannelTest, WritesBlocksWithHeadersAndRestoresTheFrame)
{
    const struct Case {
        const char* name;
        std::vector<IoResult> answers;
        std::vector<std::pair<DWORD, Head>> writes;
    } cases[] = {
        {"whole", {}, {{230400, {4, 0, 0, 0, 0}}}},
        {"short", {{100000, 0}}, {{100000, {4, 0, 0, 0, 0}}, {130400, {4, 0xA0, 0x86, 0x01, 0x00}}}},
        {"two left", {{230398, 0}}, {{230398, {4, 0, 0, 0, 0}}, {2, {}}}},
        {"empty write", {{0, 0}}, {}},
        {"failed write", {{0, ERROR_GEN_FAILURE}}, {}},
    };
    for (const Case& c : cases) {
        TestVirtualCameraDevice& device = OpenDevice({{320, 240}});
        for (const IoResult& answer : c.answers) device.ScriptWrite(answer);
        std::vector<BYTE> frame = PatternFrame({320, 240});
        const std::vector<BYTE> before = frame;
        SendFormat(4, frame.data(), {320, 240});
        EXPECT_EQ(before, frame) << c.name;
        const auto writes = device.Writes();
        ASSERT_EQ(c.writes.size(), writes.size()) << c.name;
        for (std::size_t i = 0; i < writes.size(); ++i) {
            EXPECT_EQ(c.writes[i].first, writes[i].length) << c.name;
            const DWORD at = 230400 - c.writes[i].first;
            Head head = c.writes[i].second.empty() ? Head(before.begin() + at, before.begin() + at + 2) : c.writes[i].second;
            EXPECT_EQ(head, Head(writes[i].head.begin(), writes[i].head.begin() + static_cast<long>(head.size()))) << c.name;
        }
        CloseHandle(g_hDriver.load());
        g_hDriver = INVALID_HANDLE_VALUE;
        m_device.reset();
    }
}

TEST_F(ChannelTest, WritesNothingWithoutHandleBadIndexOrUnderFiveBytes)
{
    std::vector<BYTE> frame = PatternFrame({320, 240});
    const std::vector<BYTE> before = frame;
    WriteFrameToDriver(230400, frame.data(), 4); // no handle yet
    TestVirtualCameraDevice& device = OpenDevice({{320, 240}, {160, 120}});
    WriteFrameToDriver(230400, frame.data(), 10);
    WriteFrameToDriver(230400, frame.data(), -1);
    WriteFrameToDriver(4, frame.data(), 4);
    SendFormat(10, frame.data(), {320, 240});
    EXPECT_TRUE(device.Writes().empty());
    EXPECT_EQ(before, frame);
    WriteFrameToDriver(5, frame.data(), 4);
    ASSERT_EQ(1u, device.Writes().size());
    EXPECT_EQ(5u, device.Writes()[0].length);
}

TEST_F(ChannelTest, FlagsAreClearedBeforeEachReadAndAllSetWhenItFails)
{
    TestVirtualCameraDevice& device = OpenDevice({{176, 144}, {320, 240}});
    const std::array<BYTE, 10> all = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const std::array<BYTE, 10> inUse = {0, 1, 0, 0, 1, 0, 0, 0, 0, 0};
    device.ScriptRead({0, ERROR_GEN_FAILURE});
    EXPECT_FALSE(ReadDriverFormatFlags());
    EXPECT_EQ(all, Flags());
    // The device fills eight bytes: flags 8 and 9 must not keep the 0xFF of the failed read.
    EXPECT_TRUE(ReadDriverFormatFlags());
    EXPECT_EQ(inUse, Flags());
    device.ScriptRead({0, ERROR_SUCCESS});
    EXPECT_FALSE(ReadDriverFormatFlags());
    EXPECT_EQ(all, Flags());
}

TEST_F(ChannelTest, CaptureSizeIsTheLargestServedFormatInUse)
{
    const struct Case {
        std::array<BYTE, 10> flags;
        bool found;
        FrameSize size;
    } cases[] = {
        {{}, false, {0, 0}},
        {{1}, true, {160, 120}},
        {{0, 1, 0, 0, 1}, true, {320, 240}},
        {{0, 0, 1, 1}, true, {240, 180}},
        {{0, 0, 0, 0, 0, 1, 1, 0}, true, {640, 480}},
        {{1, 1, 1, 1, 1, 1, 1, 2}, true, {720, 480}},
        {{0, 0, 0, 0, 0, 0, 0, 0, 1, 1}, false, {0, 0}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(zv::win32::RegisterDeviceProvider(DevicePath(5), std::make_shared<FlagsDevice>(c.flags)));
        g_hDriver = OpenPath(DevicePath(5));
        FrameSize size{-1, -1};
        EXPECT_EQ(c.found, ChooseCaptureSize(size));
        EXPECT_EQ(c.size.width, size.width);
        EXPECT_EQ(c.size.height, size.height);
        g_sizeCapture = {1, 1};
        UpdateCaptureSize();
        EXPECT_EQ(c.found ? c.size.width : 320, g_sizeCapture.width);
        EXPECT_EQ(c.found ? c.size.height : 240, g_sizeCapture.height);
        CloseHandle(g_hDriver.load());
        zv::win32::UnregisterDeviceProvider(DevicePath(5));
    }
    g_hDriver = INVALID_HANDLE_VALUE;
    FrameSize size{};
    EXPECT_TRUE(ChooseCaptureSize(size));
    EXPECT_EQ(720, size.width);
    EXPECT_EQ(480, size.height);
}

TEST_F(ChannelTest, OpensTheFirstDeviceOfTheExactName)
{
    zv::capture::testing::TestDevices cameras("Zelvante Capture:320x240@30");
    TestVirtualCameraDevice lowerCase(DevicePath(1), "zelvante capture");
    TestVirtualCameraDevice first(DevicePath(2));
    TestVirtualCameraDevice second(DevicePath(3));
    // The test camera of that name lists first but has no device path the namespace serves.
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenVirtualCameraDevice());
    unsetenv("ZV_TEST_CAMERA");
    g_hDriver = OpenVirtualCameraDevice();
    ASSERT_NE(INVALID_HANDLE_VALUE, g_hDriver.load());
    for (TestVirtualCameraDevice* device : {&lowerCase, &first, &second}) {
        std::vector<BYTE> buffer(57600);
        device->Pull(160, 120, buffer);
    }
    std::vector<BYTE> frame = PatternFrame({160, 120});
    SendFormat(0, frame.data(), {160, 120});
    EXPECT_TRUE(lowerCase.Writes().empty());
    EXPECT_EQ(1u, first.Writes().size());
    EXPECT_TRUE(second.Writes().empty());
}

} // namespace
