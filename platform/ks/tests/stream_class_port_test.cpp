// The port with a small minidriver of the test's own: registration, ordered start-up,
// property checks, completions, streams, timers and the master clock.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/ks/kernel_pool.h"
#include "platform/ks/port_checks.h"
#include "platform/ks/stream_class_port.h"

namespace {

using namespace zv::ks;

const GUID kTestSet = {0xA1B2C3D4, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
const KSPROPERTY_ITEM kTestItems[] = {
    {1, TRUE, 32, 32, TRUE},
    {2, TRUE, 24, 8, FALSE},
};
const KSPROPERTY_SET kTestSets[] = {{&kTestSet, 2, kTestItems}};
const KSDATAFORMAT kTestFormat = {sizeof(KSDATAFORMAT), 0, 0, 0, GUID_NULL, GUID_NULL, GUID_NULL};
const KSDATAFORMAT* const kTestFormats[] = {&kTestFormat};

constexpr ULONG kExtensionSize = 64;
constexpr ULONG kStreamExtensionSize = 48;
constexpr ULONG kTimerMicroseconds = 100;

// What the test's minidriver saw and does.
struct Fake {
    std::mutex mutex;
    std::vector<SRB_COMMAND> commands;
    std::atomic<int> inFlight{0};
    int maxInFlight = 0;
    bool extensionWasZero = false;
    bool streamExtensionWasZero = false;
    NTSTATUS initializeStatus = STATUS_SUCCESS;
    int propertyDispatches = 0;
    ULONG lastPropertyFlags = 0;
    std::thread completer;

    // Streams.
    HW_STREAM_OBJECT* stream = nullptr;
    HANDLE clock = nullptr;
    std::deque<HW_STREAM_REQUEST_BLOCK*> reads;
    KIRQL timerIrql = PASSIVE_LEVEL;
    bool closing = false;
    int timerRunsWhileClosing = 0;
    int cancels = 0;
    std::function<void()> onClose;
};
Fake* g_fake;

bool AllZero(const void* bytes, std::size_t size)
{
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < size; ++i) {
        if (p[i] != 0) {
            return false;
        }
    }
    return true;
}

void CompleteDevice(HW_STREAM_REQUEST_BLOCK* srb)
{
    g_fake->inFlight--;
    StreamClassDeviceNotification(DeviceRequestComplete, srb->HwDeviceExtension, srb);
}

void StreamTimer(PVOID)
{
    g_fake->timerIrql = KeGetCurrentIrql();
    g_fake->timerRunsWhileClosing += g_fake->closing ? 1 : 0;
    HW_STREAM_REQUEST_BLOCK* read = nullptr;
    {
        std::lock_guard lock(g_fake->mutex);
        if (!g_fake->reads.empty()) {
            read = g_fake->reads.front();
            g_fake->reads.pop_front();
        }
    }
    if (read != nullptr) {
        HW_TIME_CONTEXT context{read->HwDeviceExtension, read->StreamObject, TIME_GET_STREAM_TIME, 0, 0};
        if (g_fake->clock != nullptr) {
            StreamClassQueryMasterClockSync(g_fake->clock, &context);
        }
        read->CommandData.DataBufferArray->PresentationTime.Time = static_cast<LONGLONG>(context.Time);
        read->Status = STATUS_SUCCESS;
        StreamClassStreamNotification(StreamRequestComplete, read->StreamObject, read);
    }
    StreamClassScheduleTimer(g_fake->stream, g_fake->stream->HwDeviceExtension, kTimerMicroseconds, StreamTimer,
                             nullptr);
}

void ReceiveData(HW_STREAM_REQUEST_BLOCK* srb)
{
    std::lock_guard lock(g_fake->mutex);
    g_fake->reads.push_back(srb);
}

void ReceiveControl(HW_STREAM_REQUEST_BLOCK* srb)
{
    srb->Status = STATUS_SUCCESS;
    if (srb->Command == SRB_INDICATE_MASTER_CLOCK) {
        g_fake->clock = srb->CommandData.MasterClockHandle;
    } else if (srb->Command == SRB_SET_STREAM_STATE) {
        ULONG delay = srb->CommandData.StreamState == KSSTATE_RUN ? kTimerMicroseconds : 0;
        StreamClassScheduleTimer(srb->StreamObject, srb->HwDeviceExtension, delay, StreamTimer, nullptr);
    }
    StreamClassStreamNotification(StreamRequestComplete, srb->StreamObject, srb);
}

void ReceiveDevice(HW_STREAM_REQUEST_BLOCK* srb)
{
    int inFlight = ++g_fake->inFlight;
    {
        std::lock_guard lock(g_fake->mutex);
        g_fake->commands.push_back(srb->Command);
        g_fake->maxInFlight = std::max(g_fake->maxInFlight, inFlight);
    }
    srb->Status = STATUS_SUCCESS;
    switch (srb->Command) {
    case SRB_INITIALIZE_DEVICE:
        g_fake->extensionWasZero = AllZero(srb->HwDeviceExtension, kExtensionSize);
        srb->CommandData.ConfigInfo->StreamDescriptorSize = sizeof(HW_STREAM_DESCRIPTOR);
        srb->Status = g_fake->initializeStatus;
        break;
    case SRB_GET_STREAM_INFO: {
        HW_STREAM_DESCRIPTOR* descriptor = srb->CommandData.StreamBuffer;
        descriptor->StreamHeader.NumberOfStreams = 1;
        descriptor->StreamHeader.SizeOfHwStreamInformation = sizeof(HW_STREAM_INFORMATION);
        descriptor->StreamHeader.NumDevPropArrayEntries = 1;
        descriptor->StreamHeader.DevicePropertiesArray = kTestSets;
        descriptor->StreamInfo.NumberOfPossibleInstances = 1;
        descriptor->StreamInfo.NumberOfFormatArrayEntries = 1;
        descriptor->StreamInfo.StreamFormatsArray = kTestFormats;
        break;
    }
    case SRB_GET_DEVICE_PROPERTY:
    case SRB_SET_DEVICE_PROPERTY:
        ++g_fake->propertyDispatches;
        g_fake->lastPropertyFlags = srb->CommandData.PropertyInfo->Property->Flags;
        srb->ActualBytesTransferred = srb->CommandData.PropertyInfo->PropertyOutputSize;
        break;
    case SRB_OPEN_STREAM:
        g_fake->streamExtensionWasZero = AllZero(srb->StreamObject->HwStreamExtension, kStreamExtensionSize);
        srb->StreamObject->ReceiveDataPacket = ReceiveData;
        srb->StreamObject->ReceiveControlPacket = ReceiveControl;
        g_fake->stream = srb->StreamObject;
        break;
    case SRB_CLOSE_STREAM:
        g_fake->closing = true;
        // Tries to re-arm its timer; then the test's hook; then ends what it still holds.
        StreamClassScheduleTimer(srb->StreamObject, srb->HwDeviceExtension, 1, StreamTimer, nullptr);
        if (g_fake->onClose) {
            g_fake->onClose();
        }
        for (HW_STREAM_REQUEST_BLOCK* read : g_fake->reads) {
            StreamClassStreamNotification(StreamRequestComplete, read->StreamObject, read);
        }
        g_fake->reads.clear();
        break;
    case SRB_UNKNOWN_DEVICE_COMMAND:
        // Completed later, on another thread.
        g_fake->completer = std::thread([srb] { CompleteDevice(srb); });
        return;
    case SRB_PAGING_OUT_DRIVER:
        CompleteDevice(srb);
        StreamClassDeviceNotification(DeviceRequestComplete, srb->HwDeviceExtension, srb);
        return;
    default:
        break;
    }
    CompleteDevice(srb);
}

void CountCancel(HW_STREAM_REQUEST_BLOCK*) { ++g_fake->cancels; }

HW_INITIALIZATION_DATA Registration()
{
    HW_INITIALIZATION_DATA data{};
    data.HwInitializationDataSize = HW_INITIALIZATION_DATA_REVISION_SIZE;
    data.HwReceivePacket = ReceiveDevice;
    data.HwCancelPacket = CountCancel;
    data.DeviceExtensionSize = kExtensionSize;
    data.PerRequestExtensionSize = 24;
    data.PerStreamExtensionSize = kStreamExtensionSize;
    data.TurnOffSynchronization = TRUE;
    return data;
}

NTSTATUS DriverDispatchRead(DEVICE_OBJECT*, IRP*) { return STATUS_SUCCESS; }
NTSTATUS DriverDispatchWrite(DEVICE_OBJECT*, IRP*) { return STATUS_SUCCESS; }

NTSTATUS TestEntry(DRIVER_OBJECT* driverObject, UNICODE_STRING* registryPath)
{
    driverObject->MajorFunction[IRP_MJ_READ] = DriverDispatchRead;
    driverObject->MajorFunction[IRP_MJ_WRITE] = DriverDispatchWrite;
    HW_INITIALIZATION_DATA data = Registration();
    return StreamClassRegisterAdapter(driverObject, registryPath, &data);
}

class PortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_fake = &fake;
        std::string error;
        driver = KernelDriver::FromEntry(TestEntry, &error);
        ASSERT_NE(driver, nullptr) << error;
    }
    void TearDown() override
    {
        if (fake.completer.joinable()) {
            fake.completer.join();
        }
        driver.reset();
        EXPECT_TRUE(OutstandingPoolByTag().empty());
        EXPECT_TRUE(TakePortViolations().empty());
        g_fake = nullptr;
    }
    std::unique_ptr<StreamClassDevice> Start()
    {
        NTSTATUS status;
        auto device = StreamClassDevice::Start(*driver, time, &status);
        EXPECT_EQ(status, STATUS_SUCCESS);
        return device;
    }

    Fake fake;
    ManualTimeSource time;
    std::unique_ptr<KernelDriver> driver;
};

TEST(PortRegistration, RefusesAnotherRevisionOrNoRegistration)
{
    std::string error;
    auto wrongSize = [](DRIVER_OBJECT* driverObject, UNICODE_STRING* path) -> NTSTATUS {
        HW_INITIALIZATION_DATA data = Registration();
        data.HwInitializationDataSize = 52;
        return StreamClassRegisterAdapter(driverObject, path, &data);
    };
    EXPECT_EQ(KernelDriver::FromEntry(wrongSize, &error), nullptr);
    EXPECT_NE(error.find("0xC0000059"), std::string::npos) << error;

    auto noReceiver = [](DRIVER_OBJECT* driverObject, UNICODE_STRING* path) -> NTSTATUS {
        HW_INITIALIZATION_DATA data = Registration();
        data.HwReceivePacket = nullptr;
        return StreamClassRegisterAdapter(driverObject, path, &data);
    };
    EXPECT_EQ(KernelDriver::FromEntry(noReceiver, &error), nullptr);

    auto silent = [](DRIVER_OBJECT*, UNICODE_STRING*) -> NTSTATUS { return STATUS_SUCCESS; };
    EXPECT_EQ(KernelDriver::FromEntry(silent, &error), nullptr);
    EXPECT_NE(error.find("did not register"), std::string::npos);
}

TEST(PortRegistration, LoadReportsAMissingImage)
{
    std::string error;
    EXPECT_EQ(KernelDriver::Load("/nonexistent/zelvante.sys", &error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST_F(PortTest, ReadAndWriteDispatchSurviveRegistration)
{
    EXPECT_EQ(driver->DriverObject()->MajorFunction[IRP_MJ_READ], DriverDispatchRead);
    EXPECT_EQ(driver->DriverObject()->MajorFunction[IRP_MJ_WRITE], DriverDispatchWrite);
}

TEST_F(PortTest, StartsInOrderOnAZeroedExtensionAndUninitialisesAtTheEnd)
{
    auto device = Start();
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(fake.extensionWasZero);
    EXPECT_EQ(fake.commands,
              (std::vector<SRB_COMMAND>{SRB_INITIALIZE_DEVICE, SRB_GET_STREAM_INFO, SRB_INITIALIZATION_COMPLETE}));
    EXPECT_EQ(fake.maxInFlight, 1);
    EXPECT_EQ(device->StreamHeader().NumberOfStreams, 1u);
    device.reset();
    EXPECT_EQ(fake.commands.back(), SRB_UNINITIALIZE_DEVICE);
}

TEST_F(PortTest, DeviceThatFailsInitialisationIsNotUninitialised)
{
    fake.initializeStatus = STATUS_NO_SUCH_DEVICE;
    NTSTATUS status;
    EXPECT_EQ(StreamClassDevice::Start(*driver, time, &status), nullptr);
    EXPECT_EQ(status, STATUS_NO_SUCH_DEVICE);
    EXPECT_EQ(fake.commands, std::vector<SRB_COMMAND>{SRB_INITIALIZE_DEVICE});
}

TEST_F(PortTest, PropertyRequestsAreCheckedBeforeDispatch)
{
    auto device = Start();
    ASSERT_NE(device, nullptr);
    const GUID otherSet = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    struct Case {
        GUID set;
        ULONG id;
        ULONG inputSize;
        ULONG outputSize;
        bool set_;
        NTSTATUS status;
    };
    const Case cases[] = {
        {otherSet, 1, 32, 32, false, STATUS_NOT_FOUND},
        {kTestSet, 3, 32, 32, false, STATUS_NOT_FOUND},
        {kTestSet, 1, 31, 32, false, STATUS_INVALID_PARAMETER},
        {kTestSet, 1, 32, 31, false, STATUS_BUFFER_TOO_SMALL},
        {kTestSet, 2, 24, 7, false, STATUS_BUFFER_TOO_SMALL},
        {kTestSet, 2, 24, 8, true, STATUS_NOT_FOUND},
        {kTestSet, 1, 23, 32, false, STATUS_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> input(c.inputSize, 0), output(c.outputSize, 0);
        KSPROPERTY header{c.set, c.id, 0};
        std::memcpy(input.data(), &header, std::min<std::size_t>(sizeof header, input.size()));
        ULONG bytes = 7;
        NTSTATUS status = c.set_ ? device->SetProperty(input.data(), c.inputSize, output.data(), c.outputSize, &bytes)
                                 : device->GetProperty(input.data(), c.inputSize, output.data(), c.outputSize, &bytes);
        EXPECT_EQ(status, c.status) << c.id << " " << c.inputSize << "/" << c.outputSize;
        EXPECT_EQ(bytes, 0u);
    }
    EXPECT_EQ(fake.propertyDispatches, 0);

    std::vector<unsigned char> input(32, 0), output(32, 0);
    KSPROPERTY header{kTestSet, 1, 0};
    std::memcpy(input.data(), &header, sizeof header);
    ULONG bytes = 0;
    EXPECT_EQ(device->SetProperty(input.data(), 32, output.data(), 32, &bytes), STATUS_SUCCESS);
    EXPECT_EQ(fake.lastPropertyFlags, KSPROPERTY_TYPE_SET);
    EXPECT_EQ(device->GetProperty(input.data(), 32, output.data(), 32, &bytes), STATUS_SUCCESS);
    EXPECT_EQ(fake.lastPropertyFlags, KSPROPERTY_TYPE_GET);
    EXPECT_EQ(bytes, 32u);
    EXPECT_EQ(fake.propertyDispatches, 2);
}

TEST_F(PortTest, CompletionOnAnotherThreadWakesTheCaller)
{
    auto device = Start();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->DeviceRequest(SRB_UNKNOWN_DEVICE_COMMAND, [](HW_STREAM_REQUEST_BLOCK&) {}), STATUS_SUCCESS);
    fake.completer.join();
}

TEST_F(PortTest, ASecondCompletionIsReported)
{
    auto device = Start();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->DeviceRequest(SRB_PAGING_OUT_DRIVER, [](HW_STREAM_REQUEST_BLOCK&) {}), STATUS_SUCCESS);
    EXPECT_EQ(TakePortViolations().size(), 1u);
}

TEST_F(PortTest, StreamTimerPacesReadsOnTheMasterClock)
{
    auto device = Start();
    ASSERT_NE(device, nullptr);
    NTSTATUS status;
    auto stream = device->OpenStream(0, &kTestFormat, &status);
    ASSERT_EQ(status, STATUS_SUCCESS);
    ASSERT_NE(stream, nullptr);
    EXPECT_TRUE(fake.streamExtensionWasZero);

    time.Advance(500);
    MasterClock clock(time);
    clock.Run();  // stream time 0 from here
    EXPECT_EQ(stream->IndicateMasterClock(clock.Handle()), STATUS_SUCCESS);
    EXPECT_EQ(stream->SetState(KSSTATE_RUN), STATUS_SUCCESS);
    KSSTREAM_HEADER headers[2]{};
    headers[0].Size = headers[1].Size = sizeof(KSSTREAM_HEADER);
    auto first = stream->SubmitData(SRB_READ_DATA, &headers[0], 1);
    auto second = stream->SubmitData(SRB_READ_DATA, &headers[1], 1);

    time.Advance(kTimerMicroseconds * 10 - 1);
    EXPECT_FALSE(first->IsComplete());
    time.Advance(1);
    ASSERT_TRUE(first->IsComplete());
    EXPECT_EQ(headers[0].PresentationTime.Time, 1000);
    EXPECT_EQ(fake.timerIrql, DISPATCH_LEVEL);
    EXPECT_FALSE(second->IsComplete());
    time.Advance(kTimerMicroseconds * 10);
    ASSERT_TRUE(second->IsComplete());
    EXPECT_EQ(headers[1].PresentationTime.Time, 2000);

    EXPECT_EQ(stream->SetState(KSSTATE_STOP), STATUS_SUCCESS);
    EXPECT_FALSE(time.IsScheduled(&stream->StreamObject()));
    EXPECT_EQ(stream->SetState(KSSTATE_RUN), STATUS_SUCCESS);
    HW_STREAM_OBJECT* object = &stream->StreamObject();
    stream.reset();  // closes with the timer still armed
    EXPECT_FALSE(time.IsScheduled(object));
    EXPECT_EQ(fake.commands.back(), SRB_CLOSE_STREAM);
}

TEST_F(PortTest, UnknownMasterClockIsReported)
{
    HW_TIME_CONTEXT context{nullptr, nullptr, TIME_GET_STREAM_TIME, 5, 5};
    StreamClassQueryMasterClockSync(reinterpret_cast<HANDLE>(0x7777), &context);
    EXPECT_EQ(context.Time, 0u);
    EXPECT_EQ(TakePortViolations().size(), 1u);
}

TEST_F(PortTest, AClosingStreamGetsNeitherCancelNorTimerCalls)
{
    auto device = Start();
    ASSERT_NE(device, nullptr);
    NTSTATUS status;
    auto stream = device->OpenStream(0, &kTestFormat, &status);
    ASSERT_NE(stream, nullptr);
    KSSTREAM_HEADER header{};
    header.Size = sizeof header - 1;  // no room for what the driver writes behind it
    EXPECT_EQ(stream->SubmitData(SRB_READ_DATA, &header, 1)->Status(), STATUS_INVALID_PARAMETER);
    EXPECT_TRUE(fake.reads.empty());

    EXPECT_EQ(stream->SetState(KSSTATE_RUN), STATUS_SUCCESS);
    header.Size = sizeof header;
    auto read = stream->SubmitData(SRB_READ_DATA, &header, 1);
    auto queued = stream->SubmitData(SRB_READ_DATA, &header, 1);
    stream->Cancel(*read);
    EXPECT_EQ(fake.cancels, 1);
    fake.onClose = [&, raw = stream.get()] { raw->Cancel(*queued); };
    HW_STREAM_OBJECT* object = &stream->StreamObject();
    stream.reset();  // the driver re-arms its timer while closing
    EXPECT_EQ(fake.cancels, 1);
    EXPECT_FALSE(time.IsScheduled(object));
    time.Advance(1000);
    EXPECT_EQ(fake.timerRunsWhileClosing, 0);
}

}  // namespace
