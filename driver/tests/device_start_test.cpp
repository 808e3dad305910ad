// Start-up, the stream description, the data range and the device commands of the driver.
#include <tuple>

#include "driver/DeviceContext.h"
#include "driver/tests/DriverHarness.h"

namespace zv::driver_test {
namespace {

TEST_F(DriverTest, RegistersOneOutputCapturePinWithAZeroMedium)
{
    const auto& filter = device->Filter();
    ASSERT_TRUE(filter.has_value());
    EXPECT_EQ(filter->interfaceClass, KSCATEGORY_CAPTURE);
    ASSERT_EQ(filter->pinDirections.size(), 1u);
    EXPECT_EQ(filter->pinDirections[0], TRUE);
    ASSERT_EQ(filter->mediums.size(), 1u);
    EXPECT_EQ(filter->mediums[0].Set, GUID_NULL);
    EXPECT_EQ(filter->mediums[0].Id, 0u);
    EXPECT_EQ(filter->mediums[0].Flags, 0u);
    EXPECT_TRUE(filter->categories.empty());
}

TEST_F(DriverTest, DescribesOneCaptureStream)
{
    EXPECT_EQ(device->StreamDescriptor().size(), sizeof(HW_STREAM_HEADER) + sizeof(HW_STREAM_INFORMATION));
    const HW_STREAM_HEADER& header = device->StreamHeader();
    EXPECT_EQ(header.NumberOfStreams, 1u);
    EXPECT_EQ(header.SizeOfHwStreamInformation, sizeof(HW_STREAM_INFORMATION));
    EXPECT_EQ(header.NumDevEventArrayEntries, 0u);
    EXPECT_EQ(header.DeviceEventsArray, nullptr);
    EXPECT_EQ(header.DeviceEventRoutine, nullptr);
    EXPECT_EQ(header.NumDevMethodArrayEntries, 0);
    ASSERT_NE(header.Topology, nullptr);
    ASSERT_EQ(header.Topology->CategoriesCount, 1u);
    EXPECT_EQ(header.Topology->Categories[0], KSCATEGORY_CAPTURE);

    const HW_STREAM_INFORMATION& info = device->StreamInformation(0);
    EXPECT_EQ(info.NumberOfPossibleInstances, 64u);
    EXPECT_EQ(info.DataFlow, KSPIN_DATAFLOW_OUT);
    EXPECT_EQ(info.DataAccessible, TRUE);
    EXPECT_EQ(info.NumberOfFormatArrayEntries, 1u);
    EXPECT_EQ(info.NumStreamEventArrayEntries, 0u);
    ASSERT_NE(info.Category, nullptr);
    ASSERT_NE(info.Name, nullptr);
    EXPECT_EQ(*info.Category, PINNAME_VIDEO_CAPTURE);
    EXPECT_EQ(*info.Name, PINNAME_VIDEO_CAPTURE);
    ASSERT_EQ(info.MediumsCount, 1u);
    EXPECT_EQ(info.Mediums[0].Set, KSMEDIUMSETID_Standard);
    EXPECT_EQ(info.Mediums[0].Id, 0u);
    EXPECT_EQ(info.Mediums[0].Flags, 0u);
    EXPECT_EQ(info.BridgeStream, FALSE);
}

struct PropertyRow {
    GUID set;
    ULONG id;
    ULONG minProperty;
    ULONG minData;
    bool settable;
};

std::vector<PropertyRow> Flatten(const KSPROPERTY_SET* sets, ULONG count)
{
    std::vector<PropertyRow> rows;
    for (ULONG s = 0; s < count; ++s) {
        for (ULONG i = 0; i < sets[s].PropertiesCount; ++i) {
            const KSPROPERTY_ITEM& item = sets[s].PropertyItem[i];
            EXPECT_TRUE(item.GetSupported);
            rows.push_back({*sets[s].Set, item.PropertyId, item.MinProperty, item.MinData, item.SetSupported != 0});
        }
    }
    return rows;
}

bool operator==(const PropertyRow& a, const PropertyRow& b)
{
    return std::tie(a.set, a.id, a.minProperty, a.minData, a.settable) ==
           std::tie(b.set, b.id, b.minProperty, b.minData, b.settable);
}

TEST_F(DriverTest, PropertyTablesListEverySetInOrderWithItsMinimumSizes)
{
    const GUID decoder = PROPSETID_VIDCAP_VIDEODECODER;
    const GUID control = PROPSETID_VIDCAP_VIDEOCONTROL;
    const GUID compression = PROPSETID_VIDCAP_VIDEOCOMPRESSION;
    const std::vector<PropertyRow> expectedDevice = {
        {decoder, 0, 40, 40, false},     {decoder, 1, 32, 32, true},      {decoder, 2, 32, 32, false},
        {decoder, 3, 32, 32, true},      {decoder, 4, 32, 32, true},      {control, 0, 32, 32, false},
        {control, 1, 56, 56, false},     {control, 2, 24, 8, false},      {control, 3, 32, 32, true},
        {compression, 0, 48, 48, false}, {compression, 1, 32, 32, true}, {compression, 2, 32, 32, true},
        {compression, 3, 32, 32, true},
    };
    const HW_STREAM_HEADER& header = device->StreamHeader();
    ASSERT_EQ(header.NumDevPropArrayEntries, 3u);
    EXPECT_EQ(Flatten(header.DevicePropertiesArray, header.NumDevPropArrayEntries), expectedDevice);

    const std::vector<PropertyRow> expectedPin = {
        {KSPROPSETID_Connection, 3, 24, 24, false},
        {PROPSETID_VIDCAP_DROPPEDFRAMES, 0, 48, 48, false},
    };
    const HW_STREAM_INFORMATION& info = device->StreamInformation(0);
    ASSERT_EQ(info.NumStreamPropArrayEntries, 2u);
    EXPECT_EQ(Flatten(info.StreamPropertiesArray, info.NumStreamPropArrayEntries), expectedPin);
}

// The data range written out byte by byte, little-endian, from the table of its fields.
std::vector<unsigned char> ExpectedRangeImage()
{
    std::vector<unsigned char> image(296, 0);
    auto u32 = [&](std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            image[offset + i] = static_cast<unsigned char>(value >> (8 * i));
        }
    };
    auto u64 = [&](std::size_t offset, std::uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            image[offset + i] = static_cast<unsigned char>(value >> (8 * i));
        }
    };
    auto guid = [&](std::size_t offset, std::uint32_t d1, std::uint16_t d2, std::uint16_t d3,
                    std::initializer_list<unsigned char> d4) {
        u32(offset, d1);
        image[offset + 4] = d2 & 0xFF;
        image[offset + 5] = d2 >> 8;
        image[offset + 6] = d3 & 0xFF;
        image[offset + 7] = d3 >> 8;
        std::size_t i = offset + 8;
        for (unsigned char b : d4) {
            image[i++] = b;
        }
    };
    auto videoInfoSpecifier = [&](std::size_t offset) {
        guid(offset, 0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A});
    };
    u32(0, 296);
    u32(8, 230400);
    guid(16, 0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    guid(32, 0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
    videoInfoSpecifier(48);
    u32(64, 1);  // bFixedSizeSamples
    u32(68, 1);  // bTemporalCompression
    // ConfigCaps at 80.
    videoInfoSpecifier(80);
    u32(96, 0x11);
    u32(100, 720), u32(104, 480);  // InputSize
    u32(108, 160), u32(112, 120);  // MinCroppingSize
    u32(116, 720), u32(120, 480);  // MaxCroppingSize
    u32(124, 8), u32(128, 1), u32(132, 8), u32(136, 1);
    u32(140, 160), u32(144, 120);  // MinOutputSize
    u32(148, 720), u32(152, 480);  // MaxOutputSize
    u32(156, 8), u32(160, 1);
    u64(184, 333333);
    u64(192, 640000000);
    u32(200, 13824000);
    u32(204, 248832000);
    // VideoInfoHeader at 208.
    u32(240, 6912000);
    u64(248, 333333);
    u32(256, 40);
    u32(260, 320);
    u32(264, 240);
    image[268] = 1;
    image[270] = 24;
    u32(276, 230400);
    return image;
}

TEST_F(DriverTest, DataRangeIsByteForByteTheAdvertisedRange)
{
    const auto* range = reinterpret_cast<const unsigned char*>(device->StreamInformation(0).StreamFormatsArray[0]);
    EXPECT_EQ(std::vector<unsigned char>(range, range + 296), ExpectedRangeImage());
}

TEST_F(DriverTest, DeviceCommandsAnswerAsTheTableSays)
{
    const std::vector<std::pair<SRB_COMMAND, NTSTATUS>> cases = {
        {SRB_PAGING_OUT_DRIVER, STATUS_SUCCESS},
        {SRB_UNKNOWN_DEVICE_COMMAND, STATUS_NOT_IMPLEMENTED},
        {SRB_OPEN_DEVICE_INSTANCE, STATUS_NOT_IMPLEMENTED},
        {SRB_SURPRISE_REMOVAL, STATUS_NOT_IMPLEMENTED},
        {SRB_READ_DATA, STATUS_NOT_IMPLEMENTED},
    };
    for (const auto& [command, status] : cases) {
        EXPECT_EQ(device->DeviceRequest(command, [](HW_STREAM_REQUEST_BLOCK&) {}), status) << command;
    }
}

TEST_F(DriverTest, PowerStateIsStored)
{
    const auto* context = static_cast<const DeviceContext*>(device->HwDeviceExtension());
    EXPECT_EQ(device->ChangePowerState(PowerDeviceD3), STATUS_SUCCESS);
    EXPECT_EQ(context->powerState, PowerDeviceD3);
    EXPECT_EQ(device->ChangePowerState(PowerDeviceD0), STATUS_SUCCESS);
    EXPECT_EQ(context->powerState, PowerDeviceD0);
}

TEST_F(DriverTest, InitialisationSetsTheDefaultsAndKeepsThePhysicalDevice)
{
    const auto* context = static_cast<const DeviceContext*>(device->HwDeviceExtension());
    EXPECT_EQ(context->physicalDeviceObject, device->PhysicalDeviceObject());
    EXPECT_EQ(context->keyFrameRate, 15);
    EXPECT_EQ(context->pFramesPerKeyFrame, 3);
    EXPECT_EQ(context->quality, 5000);
    EXPECT_EQ(context->decoderStandard, KS_AnalogVideo_NTSC_M);
    EXPECT_EQ(context->openCount, 0);
}

TEST(DriverStart, DeviceWithAccessRangesDoesNotStart)
{
    {
        auto driver = LoadDriver();
        ASSERT_NE(driver, nullptr);
        ManualTimeSource time;
        DeviceStartOptions options;
        options.accessRanges.push_back({0x1000, 16, TRUE});
        NTSTATUS status = STATUS_SUCCESS;
        EXPECT_EQ(StreamClassDevice::Start(*driver, time, &status, options), nullptr);
        EXPECT_EQ(status, STATUS_NO_SUCH_DEVICE);
    }
    EXPECT_TRUE(OutstandingPoolByTag().empty());
    EXPECT_TRUE(TakePortViolations().empty());
}

TEST(DriverStart, EachDeviceGetsTheNextNumber)
{
    auto driver = LoadDriver();
    ASSERT_NE(driver, nullptr);
    ManualTimeSource time;
    NTSTATUS status;
    auto first = StreamClassDevice::Start(*driver, time, &status);
    ASSERT_NE(first, nullptr);
    auto second = StreamClassDevice::Start(*driver, time, &status);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(static_cast<const DeviceContext*>(second->HwDeviceExtension())->deviceNumber,
              static_cast<const DeviceContext*>(first->HwDeviceExtension())->deviceNumber + 1);
}

}  // namespace
}  // namespace zv::driver_test
