// The device's property sets through the port, and the driver's own answers to requests the
// port would not pass.
#include <functional>

#include "driver/tests/DriverHarness.h"

namespace zv::driver_test {
namespace {

struct Answer {
    NTSTATUS status;
    ULONG bytes;
    std::vector<unsigned char> output;
};

class PropertyTest : public DriverTest {
protected:
    Answer Get(const std::vector<unsigned char>& input, ULONG outputSize)
    {
        Answer answer{STATUS_UNSUCCESSFUL, 0, std::vector<unsigned char>(outputSize, 0x5A)};
        answer.status = device->GetProperty(input.data(), static_cast<ULONG>(input.size()), answer.output.data(),
                                            outputSize, &answer.bytes);
        return answer;
    }
    Answer Get(const GUID& set, ULONG id, ULONG inputSize, ULONG outputSize)
    {
        return Get(PropertyInput(set, id, inputSize), outputSize);
    }
    NTSTATUS Set(const GUID& set, ULONG id, LONG value, ULONG streamIndex = 0)
    {
        std::vector<unsigned char> payload = PropertyInput(set, id, 32);
        if (set == PROPSETID_VIDCAP_VIDEODECODER) {
            WriteAt<LONG>(payload, 24, value);
        } else {
            WriteAt<ULONG>(payload, 24, streamIndex);
            WriteAt<LONG>(payload, 28, value);
        }
        std::vector<unsigned char> data = payload;
        ULONG bytes = 0;
        return device->SetProperty(payload.data(), 32, data.data(), 32, &bytes);
    }
    LONG GetValue(const GUID& set, ULONG id, std::size_t offset)
    {
        Answer answer = Get(set, id, 32, 32);
        EXPECT_EQ(answer.status, STATUS_SUCCESS);
        return ReadAt<LONG>(answer.output, offset);
    }
    // A request passed to the driver as it stands, without the port's checks.
    Answer Raw(SRB_COMMAND command, std::vector<unsigned char> input, ULONG outputSize)
    {
        Answer answer{STATUS_UNSUCCESSFUL, 0, std::vector<unsigned char>(outputSize, 0x5A)};
        STREAM_PROPERTY_DESCRIPTOR descriptor{reinterpret_cast<KSPROPERTY*>(input.data()), 0, answer.output.data(),
                                              static_cast<ULONG>(input.size()), outputSize};
        answer.status = device->DeviceRequest(
            command, [&](HW_STREAM_REQUEST_BLOCK& srb) { srb.CommandData.PropertyInfo = &descriptor; },
            &answer.bytes);
        return answer;
    }
};

struct GetCase {
    const char* name;
    GUID set;
    ULONG id;
    ULONG inputSize;
    ULONG outputSize;
    ULONG bytes;
    std::vector<std::pair<std::size_t, ULONG>> fields;  // 32-bit values at offsets
};

const std::vector<GetCase> kGets = {
    {"decoder caps", PROPSETID_VIDCAP_VIDEODECODER, 0, 40, 40, 40, {{24, 0x631}, {28, 7}, {32, 10}, {36, 6}}},
    {"decoder standard", PROPSETID_VIDCAP_VIDEODECODER, 1, 32, 32, 32, {{24, 1}}},
    {"decoder status: NTSC lines, SignalLocked as sent", PROPSETID_VIDCAP_VIDEODECODER, 2, 32, 32, 32,
     {{24, 525}, {28, 0xA5A5A5A5}}},
    {"vcr timing", PROPSETID_VIDCAP_VIDEODECODER, 3, 32, 32, 32, {{24, 0}}},
    {"output enable", PROPSETID_VIDCAP_VIDEODECODER, 4, 32, 32, 32, {{24, 0}}},
    {"video control caps", PROPSETID_VIDCAP_VIDEOCONTROL, 0, 32, 32, 32, {{24, 0}, {28, 0}}},
    {"actual frame rate: 15 whatever the pin", PROPSETID_VIDCAP_VIDEOCONTROL, 1, 56, 56, 56,
     {{28, 0xA5A5A5A5}, {32, 0xA5A5A5A5}, {40, 15}, {44, 0}, {48, 15}, {52, 0}}},
    {"video control mode", PROPSETID_VIDCAP_VIDEOCONTROL, 3, 32, 32, 32, {{28, 0}}},
    {"compression info: quality settings as sent", PROPSETID_VIDCAP_VIDEOCOMPRESSION, 0, 48, 48, 48,
     {{28, 15}, {32, 3}, {36, 5000}, {40, 0xA5A5A5A5}, {44, 0xD}}},
    {"key-frame rate", PROPSETID_VIDCAP_VIDEOCOMPRESSION, 1, 32, 32, 32, {{28, 15}}},
    {"P-frames per key frame", PROPSETID_VIDCAP_VIDEOCOMPRESSION, 2, 32, 32, 32, {{28, 3}}},
    {"quality", PROPSETID_VIDCAP_VIDEOCOMPRESSION, 3, 32, 32, 32, {{28, 5000}}},
};

TEST_F(PropertyTest, EveryGetAnswersWithItsPayload)
{
    for (const GetCase& c : kGets) {
        SCOPED_TRACE(c.name);
        Answer answer = Get(c.set, c.id, c.inputSize, c.outputSize);
        ASSERT_EQ(answer.status, STATUS_SUCCESS);
        EXPECT_EQ(answer.bytes, c.bytes);
        KSPROPERTY header;
        std::memcpy(&header, answer.output.data(), sizeof header);
        EXPECT_EQ(header.Set, c.set);
        EXPECT_EQ(header.Id, c.id);
        for (const auto& [offset, value] : c.fields) {
            EXPECT_EQ(ReadAt<ULONG>(answer.output, offset), value) << "at offset " << offset;
        }
    }
}

TEST_F(PropertyTest, FrameRatesFillNothingAndStayInsideAnEightByteOutput)
{
    Answer answer = Get(PROPSETID_VIDCAP_VIDEOCONTROL, KSPROPERTY_VIDEOCONTROL_FRAME_RATES, 24, 8);
    EXPECT_EQ(answer.status, STATUS_SUCCESS);
    EXPECT_EQ(answer.bytes, 0u);
    // Exactly eight bytes of heap: a longer copy would be caught by the address sanitizer.
    std::vector<unsigned char> input = PropertyInput(PROPSETID_VIDCAP_VIDEOCONTROL, 2, 40);
    auto output = std::make_unique<unsigned char[]>(8);
    STREAM_PROPERTY_DESCRIPTOR descriptor{reinterpret_cast<KSPROPERTY*>(input.data()), 1, output.get(), 40, 8};
    ULONG bytes = 1;
    EXPECT_EQ(device->DeviceRequest(SRB_GET_DEVICE_PROPERTY,
                                    [&](HW_STREAM_REQUEST_BLOCK& srb) { srb.CommandData.PropertyInfo = &descriptor; },
                                    &bytes),
              STATUS_SUCCESS);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(std::memcmp(output.get(), input.data(), 8), 0);
}

struct SetCase {
    const char* name;
    GUID set;
    ULONG id;
    LONG value;
    GUID readSet;
    ULONG readId;
    std::size_t readOffset;
    LONG expected;
};

const std::vector<SetCase> kSets = {
    {"mode", PROPSETID_VIDCAP_VIDEOCONTROL, 3, 2, PROPSETID_VIDCAP_VIDEOCONTROL, 3, 28, 2},
    {"quality", PROPSETID_VIDCAP_VIDEOCOMPRESSION, 3, 7000, PROPSETID_VIDCAP_VIDEOCOMPRESSION, 3, 28, 7000},
    {"quality leaves the default", PROPSETID_VIDCAP_VIDEOCOMPRESSION, 3, 7000, PROPSETID_VIDCAP_VIDEOCOMPRESSION, 0,
     36, 5000},
    {"key-frame rate", PROPSETID_VIDCAP_VIDEOCOMPRESSION, 1, 30, PROPSETID_VIDCAP_VIDEOCOMPRESSION, 1, 28, 30},
    {"P-frames", PROPSETID_VIDCAP_VIDEOCOMPRESSION, 2, 5, PROPSETID_VIDCAP_VIDEOCOMPRESSION, 2, 28, 5},
    {"standard", PROPSETID_VIDCAP_VIDEODECODER, 1, 0x10, PROPSETID_VIDCAP_VIDEODECODER, 1, 24, 0x10},
    {"PAL has 625 lines", PROPSETID_VIDCAP_VIDEODECODER, 1, 0x10, PROPSETID_VIDCAP_VIDEODECODER, 2, 24, 625},
    {"PAL M has 625 lines", PROPSETID_VIDCAP_VIDEODECODER, 1, 0x200, PROPSETID_VIDCAP_VIDEODECODER, 2, 24, 625},
    {"NTSC M J has 525 lines", PROPSETID_VIDCAP_VIDEODECODER, 1, 0x2, PROPSETID_VIDCAP_VIDEODECODER, 2, 24, 525},
    {"NTSC 433 has 525 lines", PROPSETID_VIDCAP_VIDEODECODER, 1, 0x4, PROPSETID_VIDCAP_VIDEODECODER, 2, 24, 525},
    {"vcr timing", PROPSETID_VIDCAP_VIDEODECODER, 3, 1, PROPSETID_VIDCAP_VIDEODECODER, 3, 24, 1},
    {"vcr timing is its own value", PROPSETID_VIDCAP_VIDEODECODER, 3, 1, PROPSETID_VIDCAP_VIDEODECODER, 4, 24, 0},
    {"output enable", PROPSETID_VIDCAP_VIDEODECODER, 4, 1, PROPSETID_VIDCAP_VIDEODECODER, 4, 24, 1},
};

TEST_F(PropertyTest, SetThenGetReadsTheNewValue)
{
    for (const SetCase& c : kSets) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Set(c.set, c.id, c.value), STATUS_SUCCESS);
        Answer answer = Get(c.readSet, c.readId, c.readId == 0 ? 48 : 32, c.readId == 0 ? 48 : 32);
        ASSERT_EQ(answer.status, STATUS_SUCCESS);
        EXPECT_EQ(ReadAt<LONG>(answer.output, c.readOffset), c.expected);
    }
}

TEST_F(PropertyTest, AnotherStreamIndexIsRefusedForControlAndCompression)
{
    std::vector<unsigned char> input = PropertyInput(PROPSETID_VIDCAP_VIDEOCOMPRESSION, 3, 32);
    WriteAt<ULONG>(input, 24, 1);
    EXPECT_EQ(Get(input, 32).status, STATUS_INVALID_PARAMETER);
    input = PropertyInput(PROPSETID_VIDCAP_VIDEOCONTROL, 3, 32);
    WriteAt<ULONG>(input, 24, 1);
    EXPECT_EQ(Get(input, 32).status, STATUS_INVALID_PARAMETER);

    EXPECT_EQ(Set(PROPSETID_VIDCAP_VIDEOCOMPRESSION, 3, 7000, 1), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Set(PROPSETID_VIDCAP_VIDEOCONTROL, 3, 2, 1), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(GetValue(PROPSETID_VIDCAP_VIDEOCOMPRESSION, 3, 28), 5000);
    EXPECT_EQ(GetValue(PROPSETID_VIDCAP_VIDEOCONTROL, 3, 28), 0);
}

TEST_F(PropertyTest, PortRefusesUnknownPropertiesAndShortBuffers)
{
    const GUID unknownSet = {0xDEADBEEF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(Get(unknownSet, 0, 32, 32).status, STATUS_NOT_FOUND);
    EXPECT_EQ(Get(PROPSETID_VIDCAP_VIDEODECODER, 9, 32, 32).status, STATUS_NOT_FOUND);
    EXPECT_EQ(Get(PROPSETID_VIDCAP_VIDEODECODER, 2, 32, 31).status, STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(Get(PROPSETID_VIDCAP_VIDEODECODER, 2, 31, 32).status, STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Get(PROPSETID_VIDCAP_VIDEOCONTROL, 1, 56, 55).status, STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(Get(PROPSETID_VIDCAP_VIDEOCONTROL, 2, 24, 7).status, STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(Get(PROPSETID_VIDCAP_VIDEOCOMPRESSION, 0, 48, 47).status, STATUS_BUFFER_TOO_SMALL);
    // Read-only properties cannot be set.
    EXPECT_EQ(Set(PROPSETID_VIDCAP_VIDEODECODER, 0, 5), STATUS_NOT_FOUND);
}

TEST_F(PropertyTest, DriverAnswersRequestsThePortWouldNotPass)
{
    const GUID unknownSet = {0xDEADBEEF, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(Raw(SRB_GET_DEVICE_PROPERTY, PropertyInput(unknownSet, 0, 32), 32).status, STATUS_NOT_IMPLEMENTED);
    EXPECT_EQ(Raw(SRB_SET_DEVICE_PROPERTY, PropertyInput(unknownSet, 0, 32), 32).status, STATUS_NOT_IMPLEMENTED);

    // An id the handler does not serve: success, no bytes, the output untouched.
    for (const GUID& set :
         {PROPSETID_VIDCAP_VIDEODECODER, PROPSETID_VIDCAP_VIDEOCONTROL, PROPSETID_VIDCAP_VIDEOCOMPRESSION}) {
        Answer answer = Raw(SRB_GET_DEVICE_PROPERTY, PropertyInput(set, 9, 32), 32);
        EXPECT_EQ(answer.status, STATUS_SUCCESS);
        EXPECT_EQ(answer.bytes, 0u);
        EXPECT_EQ(answer.output, std::vector<unsigned char>(32, 0x5A));
        EXPECT_EQ(Raw(SRB_SET_DEVICE_PROPERTY, PropertyInput(set, 9, 32), 32).status, STATUS_SUCCESS);
    }

    // A set of a read-only property changes nothing.
    std::vector<unsigned char> caps = PropertyInput(PROPSETID_VIDCAP_VIDEOCOMPRESSION, 0, 48);
    Answer answer = Raw(SRB_SET_DEVICE_PROPERTY, caps, 48);
    EXPECT_EQ(answer.status, STATUS_SUCCESS);
    EXPECT_EQ(answer.bytes, 0u);
    EXPECT_EQ(GetValue(PROPSETID_VIDCAP_VIDEOCOMPRESSION, 1, 28), 15);

    // An output too small for the payload is refused rather than overrun.
    EXPECT_EQ(Raw(SRB_GET_DEVICE_PROPERTY, PropertyInput(PROPSETID_VIDCAP_VIDEODECODER, 0, 40), 39).status,
              STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(Raw(SRB_SET_DEVICE_PROPERTY, PropertyInput(PROPSETID_VIDCAP_VIDEODECODER, 1, 32), 31).status,
              STATUS_BUFFER_TOO_SMALL);
}

}  // namespace
}  // namespace zv::driver_test
