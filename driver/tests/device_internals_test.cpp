// The driver's device-side internals: the shared frame store across devices, requests before
// initialisation, time-outs and cancellation of a queued read.
#include <gtest/gtest.h>

#include "driver/DeviceContext.h"
#include "driver/DeviceRequests.h"
#include "driver/FrameStore.h"
#include "driver/RequestQueues.h"
#include "platform/ks/kernel_pool.h"
#include "platform/ks/port_checks.h"
#include "platform/ks/stream_class_port.h"
#include "platform/ks/stream_class_registry.h"

extern "C" NTSTATUS DriverEntry(DRIVER_OBJECT* driverObject, UNICODE_STRING* registryPath);

namespace {

using namespace zv::ks;

class DeviceInternalsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        driver = KernelDriver::FromEntry(DriverEntry, &error);
        ASSERT_NE(driver, nullptr) << error;
    }
    void TearDown() override
    {
        driver.reset();
        EXPECT_TRUE(OutstandingPoolByTag().empty());
        EXPECT_TRUE(TakePortViolations().empty());
    }
    std::unique_ptr<StreamClassDevice> Start()
    {
        NTSTATUS status;
        auto device = StreamClassDevice::Start(*driver, time, &status);
        EXPECT_EQ(status, STATUS_SUCCESS);
        return device;
    }

    ManualTimeSource time;
    std::unique_ptr<KernelDriver> driver;
};

TEST_F(DeviceInternalsTest, ASecondDeviceKeepsTheFlagsTheFirstReliesOn)
{
    auto first = Start();
    ASSERT_NE(first, nullptr);
    g_frameStore.FormatInUseFlags[4] = 1;  // a pin of the first device pulled 320x240
    auto second = Start();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(g_frameStore.FormatInUseFlags[4], 1);
    EXPECT_EQ(g_frameStore.devicesInUse, 2);

    first.reset();
    second.reset();
    EXPECT_EQ(g_frameStore.devicesInUse, 0);
    // With no device left, the next one starts from clear flags.
    auto third = Start();
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(g_frameStore.FormatInUseFlags[4], 0);
}

TEST_F(DeviceInternalsTest, RequestBeforeInitialisationIsRefused)
{
    DeviceContext context{};
    HW_STREAM_REQUEST_BLOCK srb{};
    srb.Command = SRB_GET_DEVICE_PROPERTY;
    srb.HwDeviceExtension = &context;
    HandleDeviceRequest(&srb);
    EXPECT_EQ(srb.Status, STATUS_DEVICE_NOT_READY);
    EXPECT_EQ(context.queueReady, 0);
    EXPECT_EQ(context.deviceBusy, 0);
    // The completion reached a port that never started this device.
    EXPECT_EQ(TakePortViolations().size(), 1u);
}

TEST_F(DeviceInternalsTest, TimeoutsAreResetNotHonoured)
{
    HW_STREAM_REQUEST_BLOCK srb{};
    srb.TimeoutOriginal = 15;
    srb.TimeoutCounter = 0;
    ResetRequestTimeout(&srb);
    EXPECT_EQ(srb.TimeoutCounter, 15u);
}

TEST_F(DeviceInternalsTest, CancelCompletesAQueuedReadAndLeavesOthersAlone)
{
    auto device = Start();
    ASSERT_NE(device, nullptr);
    auto* context = static_cast<DeviceContext*>(device->HwDeviceExtension());
    HW_STREAM_OBJECT stream{};
    stream.StreamNumber = 0;
    stream.HwDeviceExtension = context;
    RegisterStream(&stream, &device->Record());

    KSSTREAM_HEADER header{};
    header.DataUsed = 1234;
    {
        PortRequest queued(sizeof(RequestLink));
        HW_STREAM_REQUEST_BLOCK& srb = queued.Block();
        srb.Command = SRB_READ_DATA;
        srb.StreamObject = &stream;
        srb.HwDeviceExtension = context;
        srb.CommandData.DataBufferArray = &header;
        srb.NumberOfBuffers = 1;
        srb.Irp->Tail.Overlay.DriverContext[0] = &srb;
        InsertTailList(&context->dataQueue[5], &srb.Irp->Tail.Overlay.ListEntry);
        context->queuedReads[5] = 1;
        device->Record().Track(&srb);

        PortRequest stranger(sizeof(RequestLink));
        stranger.Block().StreamObject = &stream;
        stranger.Block().HwDeviceExtension = context;
        stranger.Block().Status = STATUS_PENDING;
        device->Record().Track(&stranger.Block());
        CancelRequest(&stranger.Block());
        EXPECT_FALSE(stranger.IsComplete());
        EXPECT_EQ(stranger.Block().Status, STATUS_PENDING);

        CancelRequest(&srb);
        ASSERT_TRUE(queued.IsComplete());
        EXPECT_EQ(queued.Status(), STATUS_CANCELLED);
        EXPECT_EQ(header.DataUsed, 0u);
        EXPECT_EQ(context->queuedReads[5], 0);
        EXPECT_TRUE(IsListEmpty(&context->dataQueue[5]));

        // Complete the stranger so that it can be freed.
        StreamClassStreamNotification(StreamRequestComplete, &stream, &stranger.Block());
    }
    UnregisterStream(&stream);
}

TEST_F(DeviceInternalsTest, AWriteWhoseFormatIsClearedDuringItsAllocationLeavesNoFrame)
{
    auto device = Start();
    ASSERT_NE(device, nullptr);
    g_frameStore.FormatInUseFlags[4] = 1;
    // A close clears the store while the write allocates without the lock.
    SetPoolFailure([](POOL_TYPE, SIZE_T, ULONG tag) {
        if (tag == 4) {
            ClearFrameStore(PASSIVE_LEVEL);
        }
        return false;
    });
    UCHAR block[100] = {4, 0, 0, 0, 0};
    StoreFrameBlock(block, sizeof block);
    SetPoolFailure(nullptr);
    EXPECT_EQ(g_frameStore.buffers[4], nullptr);
    EXPECT_EQ(OutstandingPoolByTag().count(4), 0u);
}

}  // namespace
