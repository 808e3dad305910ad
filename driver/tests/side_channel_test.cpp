// The side channel's cases run against the driver: writes and flag reads through
// IRP_MJ_WRITE and IRP_MJ_READ on the port, checked by what a client pin then receives.
#include <map>

#include "driver/tests/PinHarness.h"
#include "driver/tests/channel_cases.h"
#include "platform/ks/kernel_irql.h"

namespace zv::driver_test {
namespace {

using channel::kFormats;

class SideChannelTest : public PinTest {
protected:
    void TearDown() override
    {
        pins.clear();
        PinTest::TearDown();
    }
    StreamClassStream& PinOf(std::uint8_t format)
    {
        auto& pin = pins[format];
        if (!pin) {
            pin = Running(kFormats[format].width, kFormats[format].height);
        }
        return *pin;
    }
    std::unique_ptr<FrameRead> PullFormat(std::uint8_t format)
    {
        return Pull(PinOf(format), kFormats[format].bytes);
    }
    std::map<std::uint8_t, std::unique_ptr<StreamClassStream>> pins;
};

TEST_F(SideChannelTest, WriteCases)
{
    for (const channel::WriteCase& c : channel::kWriteCases) {
        SCOPED_TRACE(c.name);
        for (std::uint8_t format = 0; format < 8; ++format) {
            if ((c.pulledFormats >> format) & 1) {
                PullFormat(format);
            }
        }
        const std::vector<UCHAR> block = FrameBlock(c.index, c.offset, c.length);
        Write(block);
        std::vector<UCHAR> flags = ReadFlags(10);
        EXPECT_TRUE(std::equal(c.flags, c.flags + 8, flags.begin()));
        EXPECT_EQ(flags[8], 0xEE);
        EXPECT_EQ(flags[9], 0xEE);

        if (c.index < 8) {
            auto frame = PullFormat(c.index);
            EXPECT_EQ(frame->Header().DataUsed, kFormats[c.index].bytes);
            if (c.stored) {
                std::vector<UCHAR> expected(kFormats[c.index].bytes, 0);  // not yet written: black
                std::copy(block.begin(), block.end(), expected.begin() + c.offset);
                EXPECT_TRUE(frame->data == expected);
            } else {
                EXPECT_TRUE(frame->Untouched(0xCD));
            }
        }
        pins.clear();  // every close clears the flags and frees the frames
        EXPECT_EQ(ReadFlags(8), std::vector<UCHAR>(8, 0));
        EXPECT_TRUE(DriverPoolEmpty());
    }
}

TEST_F(SideChannelTest, ReadCasesAndNothingMovesWithoutDirectIo)
{
    PullFormat(4);
    for (const channel::ReadCase& c : channel::kReadCases) {
        std::vector<UCHAR> flags = ReadFlags(c.length);
        for (ULONG i = 0; i < c.length; ++i) {
            EXPECT_EQ(flags[i], i >= c.filled ? 0xEE : i == 4 ? 1 : 0) << c.length << " at " << i;
        }
    }
    device->ClassDeviceObject()->Flags &= ~DO_DIRECT_IO;
    EXPECT_EQ(ReadFlags(10), std::vector<UCHAR>(10, 0xEE));
    Write(FrameBlock(4, 0, 230400));
    device->ClassDeviceObject()->Flags |= DO_DIRECT_IO;
    EXPECT_TRUE(PullFormat(4)->Untouched(0xCD));
}

TEST_F(SideChannelTest, AFailedAllocationDropsTheBlockAndTheNextWriteLands)
{
    PullFormat(4);
    SetPoolFailure([](POOL_TYPE, SIZE_T, ULONG tag) { return tag == 4; });
    Write(FrameBlock(4, 0, 230400));
    SetPoolFailure(nullptr);
    EXPECT_TRUE(PullFormat(4)->Untouched(0xCD));
    Write(FrameBlock(4, 0, 230400));
    EXPECT_TRUE(PullFormat(4)->data == FrameBlock(4, 0, 230400));
}

TEST_F(SideChannelTest, ClosingAnyPinClearsEveryFlagAndFrameButAtDispatchLevelKeepsTheFrames)
{
    PullFormat(0);
    PullFormat(4);
    Write(FrameBlock(4, 0, 230400));
    pins.erase(0);
    EXPECT_EQ(ReadFlags(8), std::vector<UCHAR>(8, 0));
    EXPECT_TRUE(PullFormat(4)->Untouched(0xCD));  // its frame went with the other pin's close

    Write(FrameBlock(4, 0, 230400));
    PullFormat(0);
    {
        ScopedIrql dispatch(DISPATCH_LEVEL);
        pins.erase(0);
    }
    EXPECT_EQ(ReadFlags(8), std::vector<UCHAR>(8, 0));
    EXPECT_EQ(OutstandingPoolByTag().count(4), 1u);  // kept, and freed with the last device
    EXPECT_TRUE(PullFormat(4)->data == FrameBlock(4, 0, 230400));
}

}  // namespace
}  // namespace zv::driver_test
