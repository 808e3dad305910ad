// The side channel's rules as tables: the oracle the driver is held to as well.
#include "frame_road_fixture.h"
#include "test_virtual_camera_device.h"

#include <gtest/gtest.h>

namespace {

using zv::capture::testing::DevicePath;
using zv::capture::testing::FindPullSource;
using zv::capture::testing::InUseFlags;
using zv::capture::testing::JudgeWrite;
using zv::capture::testing::OpenPath;
using zv::capture::testing::TestVirtualCameraDevice;

TEST(VirtualCameraRules, WrittenBlocksAreStoredOnlyInsideAFrameInUse)
{
    const InUseFlags flags = {0, 0, 0, 0, 1, 0, 1, 0};
    const struct Case {
        BYTE index;
        std::int32_t offset;
        DWORD length;
        bool stored;
    } cases[] = {
        {4, 0, 230400, true},    {4, 230396, 8, false}, {4, 230395, 5, true},   {4, 0, 4, false},
        {4, 0, 230401, false},   {4, -1, 10, false},    {4, 230400, 5, false},  {3, 0, 100, false},
        {8, 0, 100, false},      {9, 0, 100, false},    {6, 921595, 5, true},   {255, 0, 100, false},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> block(std::max<DWORD>(c.length, 5));
        FrameWriteHeader{c.index, c.offset}.WriteTo(block.data());
        EXPECT_EQ(c.stored, JudgeWrite(flags, block.data(), c.length).stored)
            << int(c.index) << " at " << c.offset << " length " << c.length;
    }
}

TEST(VirtualCameraRules, ClientsGetExactSizesOrTheTopRowsOfATallerFrame)
{
    const struct Case {
        std::int32_t width;
        std::int32_t height;
        int index;
        std::uint32_t start;
    } cases[] = {
        {160, 120, 0, 0}, {176, 144, 1, 0}, {240, 176, 2, 0}, {240, 180, 3, 0},     {320, 240, 4, 0},
        {352, 288, 5, 0}, {640, 480, 6, 0}, {720, 480, 7, 0}, {320, 200, 4, 38400}, {240, 170, 3, 7200},
        {176, 100, 1, 23232}, {320, 260, -1, 0}, {400, 300, -1, 0}, {720, 540, -1, 0}, {320, -240, -1, 0},
    };
    for (const Case& c : cases) {
        const auto source = FindPullSource(c.width, c.height);
        EXPECT_EQ(c.index, source.index) << c.width << "x" << c.height;
        EXPECT_EQ(c.start, source.start) << c.width << "x" << c.height;
    }
}

TEST(VirtualCameraRules, FlagReadsFillEightBytesAndReportTheLengthAsked)
{
    TestVirtualCameraDevice device(DevicePath(0));
    std::vector<BYTE> picture(230400, 0x11);
    EXPECT_EQ(230400u, device.Pull(320, 240, picture).value());
    EXPECT_EQ(std::vector<BYTE>(230400, 0x11), picture); // nothing stored yet: the buffer comes back untouched
    const HANDLE handle = OpenPath(DevicePath(0));
    const struct Case {
        DWORD length;
        std::vector<BYTE> expected;
    } cases[] = {
        {10, {0, 0, 0, 0, 1, 0, 0, 0, 0xEE, 0xEE}},
        {7, {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> buffer(c.length, 0xEE);
        DWORD read = 0;
        ASSERT_TRUE(ReadFile(handle, buffer.data(), c.length, &read, nullptr));
        EXPECT_EQ(c.length, read);
        EXPECT_EQ(c.expected, buffer);
    }
    CloseHandle(handle);
}

} // namespace
