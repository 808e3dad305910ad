// The test virtual camera must keep the side channel's rules exactly as the driver does: the same
// table of cases that holds the driver to them runs here against the test device.
#include "frame_road_fixture.h"

#include "driver/tests/channel_cases.h"
#include "platform/win32/files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace zv::capture::testing;

// The block a case writes: its header, then bytes that differ from position to position.
std::vector<BYTE> CaseBlock(const zv::channel::WriteCase& c)
{
    std::vector<BYTE> block(c.length);
    for (std::size_t i = 5; i < block.size(); ++i)
        block[i] = static_cast<BYTE>(i * 13 + 7);
    const BYTE header[5] = {c.index, static_cast<BYTE>(c.offset), static_cast<BYTE>(c.offset >> 8),
                            static_cast<BYTE>(c.offset >> 16), static_cast<BYTE>(static_cast<std::uint32_t>(c.offset) >> 24)};
    std::memcpy(block.data(), header, std::min<std::size_t>(5, block.size()));
    return block;
}

TEST(ChannelAgreementTest, TestDeviceKeepsTheDriversWriteRules)
{
    for (const zv::channel::WriteCase& c : zv::channel::kWriteCases) {
        SCOPED_TRACE(c.name);
        TestVirtualCameraDevice device(DevicePath(7));
        for (int i = 0; i < 8; ++i) {
            if (c.pulledFormats & (1u << i)) {
                std::vector<BYTE> buffer(zv::channel::kFormats[i].bytes);
                device.Pull(zv::channel::kFormats[i].width, zv::channel::kFormats[i].height, buffer);
            }
        }
        HANDLE handle = CreateFileA(DevicePath(7).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, handle);
        const std::vector<BYTE> block = CaseBlock(c);
        DWORD done = 0;
        EXPECT_TRUE(WriteFile(handle, block.data(), c.length, &done, nullptr));
        BYTE flags[8] = {};
        EXPECT_TRUE(ReadFile(handle, flags, 8, &done, nullptr));
        CloseHandle(handle);

        EXPECT_EQ(0, std::memcmp(flags, c.flags, 8));
        const auto frame = c.index < 8 ? device.StoredFrame(c.index) : std::nullopt;
        if (c.stored) {
            ASSERT_TRUE(frame.has_value());
            EXPECT_EQ(0, std::memcmp(frame->data() + c.offset, block.data(), block.size()));
        } else {
            EXPECT_FALSE(frame.has_value());
        }
    }
}

TEST(ChannelAgreementTest, TestDeviceFillsFlagReadsAsTheDriverDoes)
{
    for (const zv::channel::ReadCase& c : zv::channel::kReadCases) {
        TestVirtualCameraDevice device(DevicePath(7));
        std::vector<BYTE> pull(zv::channel::kFormats[1].bytes);
        device.Pull(176, 144, pull);
        HANDLE handle = CreateFileA(DevicePath(7).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, handle);
        std::vector<BYTE> buffer(c.length + 1, 0xEE);
        DWORD done = 0;
        ReadFile(handle, buffer.data(), c.length, &done, nullptr);
        CloseHandle(handle);
        for (std::uint32_t i = 0; i < buffer.size(); ++i) {
            const BYTE expected = i < c.filled ? (i == 1 ? 1 : 0) : 0xEE;
            EXPECT_EQ(expected, buffer[i]) << "read of " << c.length << ", byte " << i;
        }
    }
}

} // namespace
