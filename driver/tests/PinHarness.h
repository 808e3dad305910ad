// Capture pins of the loaded driver on the in-process port: formats, reads and ticks.
#pragma once

#include <algorithm>

#include "driver/tests/DriverHarness.h"

namespace zv::driver_test {

constexpr LONGLONG kTick = 166660;  // half of the 30-per-second interval, as the timer rounds it

inline ULONG ImageBytes(LONG width, LONG height)
{
    return static_cast<ULONG>((width * 3 + 3) / 4 * 4 * (height < 0 ? -height : height));
}

inline KS_DATAFORMAT_VIDEOINFOHEADER PinFormat(LONG width, LONG height, LONGLONG interval = 333333)
{
    KS_DATAFORMAT_VIDEOINFOHEADER format{};
    const ULONG bytes = ImageBytes(width, height);
    format.DataFormat = {sizeof format, 0, bytes, 0, KSDATAFORMAT_TYPE_VIDEO, MEDIASUBTYPE_RGB24,
                         KSDATAFORMAT_SPECIFIER_VIDEOINFO};
    format.VideoInfoHeader.AvgTimePerFrame = interval;
    format.VideoInfoHeader.bmiHeader = {sizeof(KS_BITMAPINFOHEADER), width, height, 1, 24, KS_BI_RGB, bytes, 0, 0, 0, 0};
    return format;
}

// One read request: the stream header, the frame information behind it, and the picture.
struct FrameRead {
    struct {
        KSSTREAM_HEADER header;
        KS_FRAME_INFO info;
    } block{};
    std::vector<UCHAR> data;
    std::unique_ptr<PortRequest> request;

    KSSTREAM_HEADER& Header() { return block.header; }
    bool Untouched(UCHAR fill) const
    {
        return std::all_of(data.begin(), data.end(), [&](UCHAR b) { return b == fill; });
    }
};

class PinTest : public DriverTest {
protected:
    std::unique_ptr<StreamClassStream> Open(LONG width, LONG height, LONGLONG interval = 333333,
                                            NTSTATUS expected = STATUS_SUCCESS)
    {
        KS_DATAFORMAT_VIDEOINFOHEADER format = PinFormat(width, height, interval);
        NTSTATUS status = STATUS_UNSUCCESSFUL;
        auto stream = device->OpenStream(0, &format.DataFormat, &status);
        EXPECT_EQ(status, expected) << width << "x" << height;
        return stream;
    }
    // Open and running, without a clock.
    std::unique_ptr<StreamClassStream> Running(LONG width, LONG height)
    {
        auto stream = Open(width, height);
        if (stream) {
            EXPECT_EQ(stream->SetState(KSSTATE_PAUSE), STATUS_SUCCESS);
            EXPECT_EQ(stream->SetState(KSSTATE_RUN), STATUS_SUCCESS);
        }
        return stream;
    }
    static std::unique_ptr<FrameRead> Submit(StreamClassStream& stream, ULONG bytes, UCHAR fill = 0xCD)
    {
        auto read = std::make_unique<FrameRead>();
        read->data.assign(bytes, fill);
        read->block.header.Size = sizeof read->block;
        read->block.header.FrameExtent = bytes;
        read->block.header.DataUsed = 0xDEAD;
        read->block.header.Data = read->data.data();
        read->block.info.ExtendedHeaderSize = sizeof(KS_FRAME_INFO);
        read->request = stream.SubmitData(SRB_READ_DATA, &read->block.header, 1);
        return read;
    }
    // One frame from a running pin without a clock: the next tick fills it. A read left
    // pending is kept until the test's pins have closed (and cancelled it).
    std::unique_ptr<FrameRead> Pull(StreamClassStream& stream, ULONG bytes, UCHAR fill = 0xCD)
    {
        auto read = Submit(stream, bytes, fill);
        time.Advance(kTick);
        if (!read->request->IsComplete()) {
            ADD_FAILURE() << "no frame on the tick";
            pending.push_back(std::move(read));
            auto unsent = std::make_unique<FrameRead>();
            unsent->data.assign(bytes, fill);
            return unsent;
        }
        return read;
    }
    std::vector<UCHAR> ReadFlags(ULONG length, UCHAR fill = 0xEE)
    {
        std::vector<UCHAR> flags(length, fill);
        ULONG_PTR information = 0;
        EXPECT_EQ(device->Read(flags.data(), length, &information), STATUS_SUCCESS);
        EXPECT_EQ(information, length);
        return flags;
    }
    void Write(std::vector<UCHAR> block)
    {
        ULONG_PTR information = 0;
        EXPECT_EQ(device->Write(block.data(), static_cast<ULONG>(block.size()), &information), STATUS_SUCCESS);
        EXPECT_EQ(information, block.size());
    }
    std::vector<std::unique_ptr<FrameRead>> pending;
};

// Pool the driver holds for pins and frames (the port's own blocks aside).
inline bool DriverPoolEmpty()
{
    auto pool = OutstandingPoolByTag();
    return std::all_of(pool.begin(), pool.end(), [](const auto& entry) { return entry.first == kPortPoolTag; });
}

// A block as the main program writes it: patterned bytes with the header over the first five.
inline std::vector<UCHAR> FrameBlock(UCHAR index, std::int32_t offset, ULONG length)
{
    std::vector<UCHAR> block(length);
    for (ULONG i = 0; i < length; ++i) {
        block[i] = static_cast<UCHAR>(i * 7 + 3);
    }
    const UCHAR header[5] = {index, static_cast<UCHAR>(offset), static_cast<UCHAR>(offset >> 8),
                             static_cast<UCHAR>(offset >> 16), static_cast<UCHAR>(offset >> 24)};
    std::copy_n(header, std::min<ULONG>(5, length), block.begin());
    return block;
}

}  // namespace zv::driver_test
