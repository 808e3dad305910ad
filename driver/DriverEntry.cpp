#include "driver/DeviceContext.h"
#include "driver/DeviceRequests.h"
#include "driver/FrameStore.h"
#include "driver/PinContext.h"
#include "driver/SideChannel.h"

extern "C" __attribute__((visibility("default"))) NTSTATUS DriverEntry(DRIVER_OBJECT* driverObject,
                                                                       UNICODE_STRING* registryPath)
{
    InitializeFrameStore();
    // The port serves create, close, device control, PnP and power; read and write stay ours.
    driverObject->MajorFunction[IRP_MJ_WRITE] = DispatchFrameWrite;
    driverObject->MajorFunction[IRP_MJ_READ] = DispatchFlagsRead;

    HW_INITIALIZATION_DATA init;
    RtlZeroMemory(&init, sizeof init);
    init.HwInitializationDataSize = HW_INITIALIZATION_DATA_REVISION_SIZE;
    init.HwInterrupt = nullptr;
    init.HwReceivePacket = HandleDeviceRequest;
    init.HwCancelPacket = CancelRequest;
    init.HwRequestTimeoutHandler = ResetRequestTimeout;
    init.DeviceExtensionSize = sizeof(DeviceContext);
    init.PerRequestExtensionSize = sizeof(RequestLink);
    init.PerStreamExtensionSize = sizeof(PinContext);
    init.FilterInstanceExtensionSize = 0;
    init.BusMasterDMA = FALSE;
    init.Dma24BitAddresses = FALSE;
    init.BufferAlignment = 3;
    init.TurnOffSynchronization = TRUE;
    init.DmaBufferSize = 0;
    return StreamClassRegisterAdapter(driverObject, registryPath, &init);
}
