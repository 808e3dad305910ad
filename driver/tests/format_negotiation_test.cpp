// Data intersection: what format the stream offers for a client's range.
#include <climits>
#include <functional>

#include "driver/tests/DriverHarness.h"

namespace zv::driver_test {
namespace {

struct IntersectionCase {
    const char* name;
    std::function<void(KS_DATARANGE_VIDEO&)> change;
    ULONG bufferSize;
    NTSTATUS status;
    ULONG bytes;
    ULONG imageSize;  // expected biSizeImage of a built format
};

void Size(KS_DATARANGE_VIDEO& range, LONG width, LONG height)
{
    range.VideoInfoHeader.bmiHeader.biWidth = width;
    range.VideoInfoHeader.bmiHeader.biHeight = height;
}

const GUID kOtherGuid = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};

const IntersectionCase kCases[] = {
    {"our own range", [](auto&) {}, 152, STATUS_SUCCESS, 152, 230400},
    {"major format wildcard", [](auto& r) { r.DataRange.MajorFormat = GUID_NULL; }, 152, STATUS_SUCCESS, 152, 230400},
    {"subformat wildcard", [](auto& r) { r.DataRange.SubFormat = GUID_NULL; }, 152, STATUS_SUCCESS, 152, 230400},
    {"specifier wildcard refused", [](auto& r) { r.DataRange.Specifier = GUID_NULL; }, 152, STATUS_NO_MATCH, 0, 0},
    {"other major format", [](auto& r) { r.DataRange.MajorFormat = kOtherGuid; }, 152, STATUS_NO_MATCH, 0, 0},
    {"other subformat", [](auto& r) { r.DataRange.SubFormat = kOtherGuid; }, 152, STATUS_NO_MATCH, 0, 0},
    {"format size 295", [](auto& r) { r.DataRange.FormatSize = 295; }, 152, STATUS_NO_MATCH, 0, 0},
    {"temporal compression FALSE", [](auto& r) { r.bTemporalCompression = FALSE; }, 152, STATUS_NO_MATCH, 0, 0},
    {"variable-size samples", [](auto& r) { r.bFixedSizeSamples = FALSE; }, 152, STATUS_NO_MATCH, 0, 0},
    {"stream description flags", [](auto& r) { r.StreamDescriptionFlags = 1; }, 152, STATUS_NO_MATCH, 0, 0},
    {"memory allocation flags", [](auto& r) { r.MemoryAllocationFlags = 1; }, 152, STATUS_NO_MATCH, 0, 0},
    {"size query", [](auto&) {}, 4, STATUS_SUCCESS, 4, 0},
    {"151-byte buffer", [](auto&) {}, 151, STATUS_BUFFER_TOO_SMALL, 0, 0},
    {"large buffer", [](auto&) {}, 400, STATUS_SUCCESS, 152, 230400},
    {"176x144", [](auto& r) { Size(r, 176, 144); }, 152, STATUS_SUCCESS, 152, 76032},
    {"241x100 without granularity", [](auto& r) { Size(r, 241, 100); }, 152, STATUS_SUCCESS, 152, 72400},
    {"720x480", [](auto& r) { Size(r, 720, 480); }, 152, STATUS_SUCCESS, 152, 1036800},
    {"top-down 320x240", [](auto& r) { Size(r, 320, -240); }, 152, STATUS_SUCCESS, 152, 230400},
    {"biSize 0", [](auto& r) { r.VideoInfoHeader.bmiHeader.biSize = 0; }, 152, STATUS_INVALID_PARAMETER, 0, 0},
    {"biSize 39", [](auto& r) { r.VideoInfoHeader.bmiHeader.biSize = 39; }, 152, STATUS_INVALID_PARAMETER, 0, 0},
    {"biSize 41", [](auto& r) { r.VideoInfoHeader.bmiHeader.biSize = 41; }, 200, STATUS_INVALID_PARAMETER, 0, 0},
    {"biSize wrapping the sum", [](auto& r) { r.VideoInfoHeader.bmiHeader.biSize = 0xFFFFFFF0u; }, 152,
     STATUS_INVALID_PARAMETER, 0, 0},
    {"zero width", [](auto& r) { Size(r, 0, 240); }, 152, STATUS_INVALID_PARAMETER, 0, 0},
    {"negative width", [](auto& r) { Size(r, -320, 240); }, 152, STATUS_INVALID_PARAMETER, 0, 0},
    {"product beyond 32 bits", [](auto& r) { Size(r, 65536, 65536); }, 152, STATUS_INVALID_PARAMETER, 0, 0},
    {"widest row", [](auto& r) { Size(r, INT_MAX, 2); }, 152, STATUS_INVALID_PARAMETER, 0, 0},
    {"most negative height", [](auto& r) { Size(r, 320, INT_MIN); }, 152, STATUS_INVALID_PARAMETER, 0, 0},
    {"32-bit pixels", [](auto& r) { r.VideoInfoHeader.bmiHeader.biBitCount = 32; }, 152, STATUS_NO_MATCH, 0, 0},
    {"compressed pixels", [](auto& r) { r.VideoInfoHeader.bmiHeader.biCompression = 0x32595559; }, 152,
     STATUS_NO_MATCH, 0, 0},
};

class IntersectionTest : public DriverTest, public ::testing::WithParamInterface<IntersectionCase> {};

TEST_P(IntersectionTest, AnswersAsTheFormatRulesSay)
{
    const IntersectionCase& c = GetParam();
    KS_DATARANGE_VIDEO range = AdvertisedRange();
    c.change(range);
    std::vector<unsigned char> buffer(c.bufferSize + 16, 0xEE);
    ULONG bytes = 0xDEAD;
    NTSTATUS status = device->IntersectDataRange(0, &range, sizeof range, buffer.data(), c.bufferSize, &bytes);
    ASSERT_EQ(status, c.status);
    if (status != STATUS_SUCCESS) {
        return;
    }
    EXPECT_EQ(bytes, c.bytes);
    for (std::size_t i = bytes; i < buffer.size(); ++i) {
        ASSERT_EQ(buffer[i], 0xEE) << "byte " << i << " written past the result";
    }
    if (c.bufferSize == 4) {
        EXPECT_EQ(ReadAt<ULONG>(buffer, 0), 152u);
        return;
    }
    // The caller's own range, cut to a format, with the image size worked out.
    std::vector<unsigned char> expected(152);
    std::memcpy(expected.data(), &range, 64);
    std::memcpy(expected.data() + 64, &range.VideoInfoHeader, 88);
    WriteAt<ULONG>(expected, 0, 152);
    WriteAt<ULONG>(expected, 8, c.imageSize);
    WriteAt<ULONG>(expected, 64 + 48 + 20, c.imageSize);
    EXPECT_EQ(std::vector<unsigned char>(buffer.begin(), buffer.begin() + 152), expected);
}

INSTANTIATE_TEST_SUITE_P(Ranges, IntersectionTest, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) {
            ch = '_';
        }
    }
    return name;
});

TEST_F(DriverTest, IntersectionForAnotherStreamIsNotServed)
{
    KS_DATARANGE_VIDEO range = AdvertisedRange();
    unsigned char buffer[152];
    ULONG bytes = 0;
    // The port knows the device has one stream.
    EXPECT_EQ(device->IntersectDataRange(1, &range, sizeof range, buffer, sizeof buffer, &bytes),
              STATUS_INVALID_PARAMETER);
    // The driver refuses it on its own too.
    STREAM_DATA_INTERSECT_INFO info{1, &range.DataRange, buffer, sizeof buffer};
    EXPECT_EQ(device->DeviceRequest(SRB_GET_DATA_INTERSECTION,
                                    [&](HW_STREAM_REQUEST_BLOCK& srb) { srb.CommandData.IntersectInfo = &info; }),
              STATUS_NOT_IMPLEMENTED);
}

TEST_F(DriverTest, PortRefusesARangeLargerThanItsBuffer)
{
    KS_DATARANGE_VIDEO range = AdvertisedRange();
    range.DataRange.FormatSize = 400;
    unsigned char buffer[152];
    ULONG bytes = 0;
    EXPECT_EQ(device->IntersectDataRange(0, &range, sizeof range, buffer, sizeof buffer, &bytes),
              STATUS_INVALID_PARAMETER);
}

}  // namespace
}  // namespace zv::driver_test
