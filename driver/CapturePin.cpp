#include "driver/CapturePin.h"

#include "driver/FormatRules.h"
#include "driver/FrameDelivery.h"
#include "driver/FrameStore.h"
#include "driver/PinRequests.h"
#include "driver/ReadQueue.h"
#include "driver/StreamDescription.h"

namespace {

// The data range's limits; a format asking for a rate outside them gets the nearest limit.
LONGLONG ClampFrameInterval(LONGLONG interval)
{
    const LONGLONG shortest = kCaptureRange.ConfigCaps.MinFrameInterval;
    const LONGLONG longest = kCaptureRange.ConfigCaps.MaxFrameInterval;
    return interval < shortest ? shortest : interval > longest ? longest : interval;
}

}  // namespace

NTSTATUS SetPinFormat(PinContext* pin, const KS_DATAFORMAT_VIDEOINFOHEADER* format)
{
    if (!(format->DataFormat.Specifier == KSDATAFORMAT_SPECIFIER_VIDEOINFO)) {
        return STATUS_INVALID_PARAMETER;
    }
    // Verification has shown biSize + 112 bytes of format, so biSize + 48 of video header.
    const ULONG headerBytes = format->VideoInfoHeader.bmiHeader.biSize + offsetof(KS_VIDEOINFOHEADER, bmiHeader);
    auto* header = static_cast<KS_VIDEOINFOHEADER*>(ExAllocatePoolWithTag(NonPagedPool, headerBytes, kVideoHeaderPoolTag));
    if (header == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    RtlCopyMemory(header, &format->VideoInfoHeader, headerBytes);

    KIRQL irql = KfAcquireSpinLock(&pin->pinLock);
    KS_VIDEOINFOHEADER* previous = pin->videoHeader;
    pin->videoHeader = header;
    pin->averageFrameSize = header->bmiHeader.biSizeImage;
    if (header->AvgTimePerFrame != 0) {
        pin->frameInterval = ClampFrameInterval(header->AvgTimePerFrame);
    }
    KfReleaseSpinLock(&pin->pinLock, irql);
    if (previous != nullptr) {
        ExFreePool(previous);
    }
    return STATUS_SUCCESS;
}

NTSTATUS OpenCapturePin(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb)
{
    HW_STREAM_OBJECT* stream = srb->StreamObject;
    const auto* format = reinterpret_cast<const KS_DATAFORMAT_VIDEOINFOHEADER*>(srb->CommandData.OpenFormat);
    if (stream->StreamNumber != 0) {
        return STATUS_INVALID_PARAMETER;
    }
    ULONG slot = 0;
    while (slot < kPinInstanceSlots && device->instances[slot] != nullptr) {
        ++slot;
    }
    if (slot == kPinInstanceSlots || !VerifyFormat(format, stream->StreamNumber)) {
        return STATUS_INVALID_PARAMETER;
    }
    auto* pin = static_cast<PinContext*>(stream->HwStreamExtension);
    KeInitializeSpinLock(&pin->pinLock);
    KeInitializeSpinLock(&pin->tickLock);
    pin->frameInterval = kCaptureRange.ConfigCaps.MinFrameInterval;  // until a format names one
    NTSTATUS status = SetPinFormat(pin, format);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    pin->instanceIndex = slot;
    device->instances[slot] = pin;
    ++device->openCount;

    stream->ReceiveDataPacket = HandlePinDataRequest;
    stream->ReceiveControlPacket = HandlePinControlRequest;
    stream->HwClockObject.HwClockFunction = nullptr;
    stream->HwClockObject.ClockSupportFlags = 0;
    stream->Dma = FALSE;
    stream->Pio = TRUE;
    stream->StreamHeaderMediaSpecific = sizeof(KS_FRAME_INFO);
    stream->StreamHeaderWorkspace = 0;

    pin->device = device;
    pin->streamObject = stream;
    pin->keyFrameRate = device->keyFrameRate;
    pin->pFramesPerKeyFrame = device->pFramesPerKeyFrame;
    pin->quality = device->quality;
    pin->videoControlMode = device->videoControlMode;
    SetPinStateField(pin, KSSTATE_STOP);
    return STATUS_SUCCESS;
}

void CloseCapturePin(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb)
{
    // The level is the caller's: inside the store's lock it would always read DISPATCH_LEVEL.
    const KIRQL callerIrql = KeGetCurrentIrql();
    auto* pin = static_cast<PinContext*>(srb->StreamObject->HwStreamExtension);

    // Stopped first, so that no read is queued and no tick re-arms after this; taking the
    // tick lock waits out a tick in flight.
    KIRQL irql = KfAcquireSpinLock(&pin->tickLock);
    SetPinStateField(pin, KSSTATE_STOP);
    pin->masterClock = nullptr;
    StreamClassScheduleTimer(pin->streamObject, device, 0, CapturePinTimer, pin);
    KfReleaseSpinLock(&pin->tickLock, irql);

    CancelAllReadRequests(pin);
    --device->openCount;
    device->instances[pin->instanceIndex] = nullptr;

    irql = KfAcquireSpinLock(&pin->pinLock);
    KS_VIDEOINFOHEADER* header = pin->videoHeader;
    pin->videoHeader = nullptr;
    KfReleaseSpinLock(&pin->pinLock, irql);
    if (header != nullptr) {
        ExFreePool(header);
    }

    ClearFrameStore(callerIrql);
}
