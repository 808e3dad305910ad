// Capture pins on the manual clock: which picture each size gets, pacing and time stamps,
// states, counters, properties, formats and instance slots.
#include <tuple>

#include "driver/PinContext.h"
#include "driver/tests/channel_cases.h"
#include "driver/tests/PinHarness.h"

namespace zv::driver_test {
namespace {

constexpr ULONG kOptions = KSSTREAM_HEADER_OPTIONSF_SPLICEPOINT;
constexpr ULONG kTimedOptions =
    KSSTREAM_HEADER_OPTIONSF_SPLICEPOINT | KSSTREAM_HEADER_OPTIONSF_TIMEVALID | KSSTREAM_HEADER_OPTIONSF_DURATIONVALID;

KSPROPERTY_DROPPEDFRAMES_CURRENT_S DroppedFrames(StreamClassStream& stream)
{
    KSPROPERTY_DROPPEDFRAMES_CURRENT_S dropped{};
    dropped.Property = {PROPSETID_VIDCAP_DROPPEDFRAMES, KSPROPERTY_DROPPEDFRAMES_CURRENT, 0};
    ULONG bytes = 0;
    EXPECT_EQ(stream.GetProperty(&dropped, sizeof dropped, &dropped, sizeof dropped, &bytes), STATUS_SUCCESS);
    EXPECT_EQ(bytes, sizeof dropped);
    return dropped;
}

TEST_F(PinTest, EachSizeGetsItsStoredPicture)
{
    struct Case {
        LONG width, height;
        ULONG extent;  // 0: the image size
        int format;    // -1: none
        ULONG start;   // where the picture starts in the stored frame
    };
    const Case cases[] = {
        {320, 240, 0, 4, 0},      {320, 200, 0, 4, 38400},    {240, 176, 0, 2, 0},   {240, 170, 0, 3, 7200},
        {720, 480, 0, 7, 0},      {400, 300, 0, -1, 0},       {320, 260, 0, -1, 0},  {320, -240, 0, -1, 0},
        {320, 240, 230399, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " in " << c.extent);
        const ULONG size = ImageBytes(c.width, c.height);
        const ULONG extent = c.extent != 0 ? c.extent : size;
        const bool delivers = extent >= size && c.format >= 0;
        auto pin = Running(c.width, c.height);
        auto first = Pull(*pin, extent);
        EXPECT_TRUE(first->Untouched(0xCD));
        EXPECT_EQ(first->Header().DataUsed, extent >= size ? size : 0xDEADu);
        std::vector<UCHAR> flags(8, 0);
        flags[delivers ? c.format : 0] = delivers;  // set by the first pull alone
        EXPECT_EQ(ReadFlags(8), flags);
        for (UCHAR format = 0; format < 8; ++format) {
            if (channel::kFormats[format].width == c.width) {
                Write(FrameBlock(format, 0, channel::kFormats[format].bytes));
            }
        }
        auto second = Pull(*pin, extent);
        if (delivers) {
            auto block = FrameBlock(static_cast<UCHAR>(c.format), 0, channel::kFormats[c.format].bytes);
            EXPECT_TRUE(std::equal(second->data.begin(), second->data.end(), block.begin() + c.start));
        } else {
            EXPECT_TRUE(second->Untouched(0xCD));
        }
    }
}

TEST_F(PinTest, WithoutAClockEveryTickDeliversUntimed)
{
    auto pin = Running(160, 120);
    for (LONGLONG picture = 1; picture <= 3; ++picture) {
        auto read = Submit(*pin, 57600);
        time.Advance(kTick - 1);
        EXPECT_FALSE(read->request->IsComplete());
        time.Advance(1);
        ASSERT_TRUE(read->request->IsComplete());
        EXPECT_EQ(read->Header().OptionsFlags, kOptions);
        EXPECT_EQ(read->Header().PresentationTime.Time, 0);
        EXPECT_EQ(read->Header().Duration, 333333);
        EXPECT_EQ(read->block.info.PictureNumber, picture);
        EXPECT_EQ(read->block.info.ExtendedHeaderSize, sizeof(KS_FRAME_INFO));
    }
}

TEST_F(PinTest, WithAClockOneFramePerIntervalStampedAndDropsMarkTheNext)
{
    auto pin = Open(160, 120);
    MasterClock clock(time);
    ASSERT_EQ(pin->IndicateMasterClock(clock.Handle()), STATUS_SUCCESS);
    ASSERT_EQ(pin->SetState(KSSTATE_PAUSE), STATUS_SUCCESS);
    ASSERT_EQ(pin->SetState(KSSTATE_RUN), STATUS_SUCCESS);
    clock.Run();
    // The first tick in RUN sets the due time one interval on: ticks 2 and 3 are short of it.
    time.Advance(3 * kTick);
    // Three frames fall due with no buffer queued.
    time.Advance(5 * kTick);
    EXPECT_EQ(DroppedFrames(*pin).DropCount, 3);
    EXPECT_EQ(DroppedFrames(*pin).PictureNumber, 3);
    auto read = Submit(*pin, 57600);
    time.Advance(kTick);
    EXPECT_FALSE(read->request->IsComplete());
    time.Advance(kTick);
    ASSERT_TRUE(read->request->IsComplete());
    EXPECT_EQ(read->Header().OptionsFlags, kTimedOptions | KSSTREAM_HEADER_OPTIONSF_DATADISCONTINUITY);
    EXPECT_EQ(read->Header().PresentationTime.Time, 10 * kTick);
    EXPECT_EQ(read->block.info.PictureNumber, 4);
    EXPECT_EQ(read->block.info.DropCount, 3);

    auto next = Submit(*pin, 57600);
    time.Advance(2 * kTick);
    ASSERT_TRUE(next->request->IsComplete());
    EXPECT_EQ(next->Header().OptionsFlags, kTimedOptions);
    // A paused clock's stream time stands still: nothing falls due.
    clock.Pause();
    auto held = Submit(*pin, 57600);
    time.Advance(20 * kTick);
    EXPECT_FALSE(held->request->IsComplete());
    clock.Run();
    time.Advance(2 * kTick);
    EXPECT_TRUE(held->request->IsComplete());
    EXPECT_EQ(held->Header().PresentationTime.Time, 14 * kTick);
}

TEST_F(PinTest, StatesQueueStopAndCancelReadsAndPauseFromStopResetsTheCounters)
{
    auto pin = Open(160, 120);
    KSSTATE state = KSSTATE_RUN;
    EXPECT_EQ(pin->GetState(&state), STATUS_SUCCESS);
    EXPECT_EQ(state, KSSTATE_STOP);
    auto stopped = Submit(*pin, 57600);
    ASSERT_TRUE(stopped->request->IsComplete());
    EXPECT_EQ(stopped->request->Status(), STATUS_SUCCESS);
    EXPECT_EQ(stopped->Header().DataUsed, 0u);

    ASSERT_EQ(pin->SetState(KSSTATE_PAUSE), STATUS_SUCCESS);
    EXPECT_EQ(pin->GetState(&state), STATUS_NO_DATA_DETECTED);
    EXPECT_EQ(state, KSSTATE_PAUSE);
    std::unique_ptr<FrameRead> reads[3];
    for (auto& read : reads) {
        read = Submit(*pin, 57600);
    }
    time.Advance(10 * kTick);  // paused: nothing delivered
    pin->Cancel(*reads[1]->request);
    EXPECT_EQ(reads[1]->request->Status(), STATUS_CANCELLED);
    EXPECT_FALSE(reads[0]->request->IsComplete());
    ASSERT_EQ(pin->SetState(KSSTATE_RUN), STATUS_SUCCESS);
    time.Advance(6 * kTick);  // two frames, four drops
    ASSERT_EQ(pin->SetState(KSSTATE_PAUSE), STATUS_SUCCESS);
    EXPECT_EQ(DroppedFrames(*pin).DropCount, 4);  // from RUN: kept
    ASSERT_EQ(pin->SetState(KSSTATE_STOP), STATUS_SUCCESS);
    EXPECT_FALSE(time.IsScheduled(&pin->StreamObject()));
    ASSERT_EQ(pin->SetState(KSSTATE_PAUSE), STATUS_SUCCESS);
    KSPROPERTY_DROPPEDFRAMES_CURRENT_S dropped = DroppedFrames(*pin);
    EXPECT_EQ(dropped.PictureNumber, 0);
    EXPECT_EQ(dropped.DropCount, 0);
    EXPECT_EQ(dropped.AverageFrameSize, 57600u);

    auto queued = Submit(*pin, 57600);
    ASSERT_EQ(pin->SetState(KSSTATE_STOP), STATUS_SUCCESS);
    EXPECT_EQ(queued->request->Status(), STATUS_CANCELLED);
    EXPECT_EQ(queued->Header().DataUsed, 0u);
}

TEST_F(PinTest, FormatsAreVerifiedAndTheIntervalStaysInTheRange)
{
    auto pin = Open(320, 240, 0);
    ASSERT_EQ(pin->SetState(KSSTATE_PAUSE), STATUS_SUCCESS);
    ASSERT_EQ(pin->SetState(KSSTATE_RUN), STATUS_SUCCESS);
    EXPECT_EQ(Pull(*pin, 230400)->Header().Duration, 333333);  // a fresh pin's interval

    KS_DATAFORMAT_VIDEOINFOHEADER bad = PinFormat(320, 240);
    bad.VideoInfoHeader.bmiHeader.biBitCount = 16;
    EXPECT_EQ(pin->DataFormatRequest(SRB_PROPOSE_DATA_FORMAT, &bad.DataFormat), STATUS_NO_MATCH);
    EXPECT_EQ(pin->DataFormatRequest(SRB_SET_DATA_FORMAT, &bad.DataFormat), STATUS_NO_MATCH);
    KS_DATAFORMAT_VIDEOINFOHEADER good = PinFormat(320, 240, 100000);
    EXPECT_EQ(pin->DataFormatRequest(SRB_PROPOSE_DATA_FORMAT, &good.DataFormat), STATUS_SUCCESS);
    const struct {
        LONGLONG requested, used;
    } intervals[] = {{100000, 333333}, {1000000, 1000000}, {0, 1000000}, {-5, 333333}, {10000000000, 640000000}};
    LONGLONG previous = 333333;
    for (const auto& interval : intervals) {
        good.VideoInfoHeader.AvgTimePerFrame = interval.requested;
        ASSERT_EQ(pin->DataFormatRequest(SRB_SET_DATA_FORMAT, &good.DataFormat), STATUS_SUCCESS);
        auto read = Submit(*pin, 230400);
        time.Advance(std::max(previous, interval.used));  // the tick armed at the old interval delivers
        ASSERT_TRUE(read->request->IsComplete());
        EXPECT_EQ(read->Header().Duration, interval.used) << interval.requested;
        previous = interval.used;
    }
    KSALLOCATOR_FRAMING framing{};
    KSPROPERTY property{KSPROPSETID_Connection, KSPROPERTY_CONNECTION_ALLOCATORFRAMING, 0};
    ULONG bytes = 0;
    ASSERT_EQ(pin->GetProperty(&property, sizeof property, &framing, sizeof framing, &bytes), STATUS_SUCCESS);
    EXPECT_EQ(bytes, sizeof framing);
    EXPECT_EQ(std::tie(framing.OptionsFlags, framing.PoolType, framing.Frames, framing.FrameSize),
              std::make_tuple(0x80000003u, 1u, 2u, 230400u));
}

TEST_F(PinTest, SixtyFourInstancesThenTheLowestFreeSlot)
{
    std::vector<std::unique_ptr<StreamClassStream>> pins;
    for (int i = 0; i < 64; ++i) {
        pins.push_back(Open(160, 120));
        ASSERT_NE(pins.back(), nullptr);
    }
    EXPECT_EQ(Open(160, 120, 333333, STATUS_INVALID_PARAMETER), nullptr);
    pins[40].reset();
    pins[9].reset();
    auto reopened = Open(160, 120);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(static_cast<PinContext*>(reopened->Extension())->instanceIndex, 9u);
    KS_DATAFORMAT_VIDEOINFOHEADER format = PinFormat(160, 120);
    format.VideoInfoHeader.bmiHeader.biSizeImage = 100;  // smaller than the picture
    NTSTATUS status;
    EXPECT_EQ(device->OpenStream(0, &format.DataFormat, &status), nullptr);
    EXPECT_EQ(status, STATUS_INVALID_PARAMETER);
}

}  // namespace
}  // namespace zv::driver_test
