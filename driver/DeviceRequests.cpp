#include "driver/DeviceRequests.h"

#include "driver/DeviceProperties.h"
#include "driver/FormatRules.h"
#include "driver/FrameStore.h"
#include "driver/CapturePin.h"
#include "driver/ReadQueue.h"
#include "driver/RequestQueues.h"
#include "driver/StreamDescription.h"

namespace {

LONG g_nextDeviceNumber;

void DispatchDeviceRequest(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb)
{
    srb->Status = STATUS_SUCCESS;
    switch (srb->Command) {
    case SRB_GET_STREAM_INFO:
        DescribeStreams(srb);
        break;
    case SRB_OPEN_STREAM:
        srb->Status = OpenCapturePin(device, srb);
        break;
    case SRB_CLOSE_STREAM:
        CloseCapturePin(device, srb);
        break;
    case SRB_GET_DEVICE_PROPERTY:
        GetDeviceProperty(device, srb);
        break;
    case SRB_SET_DEVICE_PROPERTY:
        SetDeviceProperty(device, srb);
        break;
    case SRB_INITIALIZE_DEVICE:
        srb->Status = InitializeDevice(device, srb->CommandData.ConfigInfo);
        break;
    case SRB_CHANGE_POWER_STATE:
        device->powerState = srb->CommandData.DeviceState;
        break;
    case SRB_UNINITIALIZE_DEVICE:
        if (device->usesFrameStore != 0) {
            DetachDeviceFromFrameStore();
            device->usesFrameStore = 0;
        }
        break;
    case SRB_PAGING_OUT_DRIVER:
        break;
    case SRB_GET_DATA_INTERSECTION:
        srb->Status = IntersectFormat(srb);
        break;
    case SRB_INITIALIZATION_COMPLETE:
        srb->Status = RegisterCaptureMedium(device);
        break;
    default:
        srb->Status = STATUS_NOT_IMPLEMENTED;
        break;
    }
}

}  // namespace

void HandleDeviceRequest(HW_STREAM_REQUEST_BLOCK* srb)
{
    auto* device = static_cast<DeviceContext*>(srb->HwDeviceExtension);
    if (device->queueReady == 0) {
        if (srb->Command != SRB_INITIALIZE_DEVICE) {
            srb->Status = STATUS_DEVICE_NOT_READY;
            StreamClassDeviceNotification(DeviceRequestComplete, device, srb);
            return;
        }
        // The port starts a device strictly in order, so this first request has nothing else
        // in flight and the queue can be set up without a lock.
        InitializeListHead(&device->deviceQueue);
        KeInitializeSpinLock(&device->adapterLock);
        device->queueReady = 1;
    }
    if (EnqueueIfBusy(device, &device->deviceQueue, &device->deviceBusy, srb)) {
        return;
    }
    do {
        DispatchDeviceRequest(device, srb);
        StreamClassDeviceNotification(DeviceRequestComplete, device, srb);
        srb = DequeueNextRequest(device, &device->deviceQueue, &device->deviceBusy);
    } while (srb != nullptr);
}

void CancelRequest(HW_STREAM_REQUEST_BLOCK* srb)
{
    auto* device = static_cast<DeviceContext*>(srb->HwDeviceExtension);
    if (srb->StreamObject == nullptr || srb->StreamObject->StreamNumber != 0) {
        return;
    }
    // A free slot's queue is empty, so every slot's queue can be searched.
    for (ULONG slot = 0; slot < kPinInstanceSlots; ++slot) {
        if (CancelQueuedRead(device, slot, srb)) {
            return;
        }
    }
}

void ResetRequestTimeout(HW_STREAM_REQUEST_BLOCK* srb) { srb->TimeoutCounter = srb->TimeoutOriginal; }

NTSTATUS InitializeDevice(DeviceContext* device, PORT_CONFIGURATION_INFORMATION* config)
{
    // The device has no hardware resources.
    if (config->NumberOfAccessRanges > 0) {
        return STATUS_NO_SUCH_DEVICE;
    }
    config->StreamDescriptorSize = kStreamDescriptorSize;
    device->videoControlMode = 0;
    device->keyFrameRate = 15;
    device->pFramesPerKeyFrame = 3;
    device->quality = 5000;
    device->physicalDeviceObject = config->PhysicalDeviceObject;
    for (ULONG slot = 0; slot < kPinInstanceSlots; ++slot) {
        InitializeListHead(&device->dataQueue[slot]);
        InitializeListHead(&device->controlQueue[slot]);
        KeInitializeSpinLock(&device->dataQueueLock[slot]);
        device->queuedReads[slot] = 0;
    }
    // Devices of one driver start independently of each other.
    device->deviceNumber = static_cast<ULONG>(InterlockedIncrement(&g_nextDeviceNumber) - 1);
    if (device->usesFrameStore == 0) {
        AttachDeviceToFrameStore();
        device->usesFrameStore = 1;
    }
    device->decoderStandard = KS_AnalogVideo_NTSC_M;
    device->vcrTiming = 0;
    device->outputEnable = 0;
    return STATUS_SUCCESS;
}

void DescribeStreams(HW_STREAM_REQUEST_BLOCK* srb)
{
    HW_STREAM_DESCRIPTOR* descriptor = srb->CommandData.StreamBuffer;
    descriptor->StreamHeader = kStreamHeader;
    descriptor->StreamInfo = kStreamInformation;
}

NTSTATUS RegisterCaptureMedium(DeviceContext* device)
{
    BOOL pinIsOutput = TRUE;
    KSPIN_MEDIUM medium = {GUID_NULL, 0, 0};
    return StreamClassRegisterFilterWithNoKSPins(device->physicalDeviceObject, &KSCATEGORY_CAPTURE, 1, &pinIsOutput,
                                                 &medium, nullptr);
}
