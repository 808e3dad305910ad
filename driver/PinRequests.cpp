#include "driver/PinRequests.h"

#include "driver/CapturePin.h"
#include "driver/DeviceContext.h"
#include "driver/FormatRules.h"
#include "driver/FrameDelivery.h"
#include "driver/ReadQueue.h"
#include "driver/RequestQueues.h"
#include "platform/ks/ks_properties.h"

namespace {

constexpr ULONG kAllocatorFramingFlags = KSALLOCATOR_REQUIREMENTF_PREFERENCES_ONLY |
                                         KSALLOCATOR_REQUIREMENTF_SYSTEM_MEMORY |
                                         KSALLOCATOR_REQUIREMENTF_INPLACE_MODIFIER;
constexpr ULONG kAllocatorFrames = 2;

PinContext* PinOf(HW_STREAM_REQUEST_BLOCK* srb) { return static_cast<PinContext*>(srb->StreamObject->HwStreamExtension); }

const KS_DATAFORMAT_VIDEOINFOHEADER* FormatOf(HW_STREAM_REQUEST_BLOCK* srb)
{
    return reinterpret_cast<const KS_DATAFORMAT_VIDEOINFOHEADER*>(srb->CommandData.OpenFormat);
}

ULONG PinImageSize(PinContext* pin)
{
    KIRQL irql = KfAcquireSpinLock(&pin->pinLock);
    ULONG size = pin->averageFrameSize;
    KfReleaseSpinLock(&pin->pinLock, irql);
    return size;
}

// The output buffer need not be aligned: the payload is filled in a local copy.
template <typename Payload, typename Fill>
void AnswerGet(HW_STREAM_REQUEST_BLOCK* srb, Fill fill)
{
    STREAM_PROPERTY_DESCRIPTOR* descriptor = srb->CommandData.PropertyInfo;
    if (descriptor->PropertyOutputSize < sizeof(Payload)) {
        srb->Status = STATUS_BUFFER_TOO_SMALL;
        return;
    }
    Payload payload;
    RtlCopyMemory(&payload, descriptor->PropertyInfo, sizeof payload);
    fill(payload);
    RtlCopyMemory(descriptor->PropertyInfo, &payload, sizeof payload);
    srb->ActualBytesTransferred = sizeof payload;
}

void DispatchPinControl(PinContext* pin, HW_STREAM_REQUEST_BLOCK* srb)
{
    srb->Status = STATUS_SUCCESS;
    switch (srb->Command) {
    case SRB_GET_STREAM_STATE:
        GetPinState(pin, srb);
        break;
    case SRB_SET_STREAM_STATE:
        SetPinState(pin, srb->CommandData.StreamState);
        break;
    case SRB_GET_STREAM_PROPERTY:
        GetPinProperty(pin, srb);
        break;
    case SRB_INDICATE_MASTER_CLOCK:
        SetPinClock(pin, srb->CommandData.MasterClockHandle);
        break;
    case SRB_PROPOSE_DATA_FORMAT:
        if (!VerifyFormat(FormatOf(srb), srb->StreamObject->StreamNumber)) {
            srb->Status = STATUS_NO_MATCH;
        }
        break;
    case SRB_SET_DATA_FORMAT:
        srb->Status = VerifyFormat(FormatOf(srb), srb->StreamObject->StreamNumber) ? SetPinFormat(pin, FormatOf(srb))
                                                                                   : STATUS_NO_MATCH;
        break;
    default:
        srb->Status = STATUS_NOT_IMPLEMENTED;
        break;
    }
}

}  // namespace

void HandlePinControlRequest(HW_STREAM_REQUEST_BLOCK* srb)
{
    DeviceContext* device = PinOf(srb)->device;
    const ULONG slot = PinOf(srb)->instanceIndex;
    if (EnqueueIfBusy(device, &device->controlQueue[slot], &device->controlBusy[slot], srb)) {
        return;
    }
    do {
        DispatchPinControl(PinOf(srb), srb);
        StreamClassStreamNotification(StreamRequestComplete, srb->StreamObject, srb);
        srb = DequeueNextRequest(device, &device->controlQueue[slot], &device->controlBusy[slot]);
    } while (srb != nullptr);
}

void HandlePinDataRequest(HW_STREAM_REQUEST_BLOCK* srb)
{
    PinContext* pin = PinOf(srb);
    if (srb->Command != SRB_READ_DATA) {
        srb->Status = STATUS_NOT_IMPLEMENTED;
        StreamClassStreamNotification(StreamRequestComplete, srb->StreamObject, srb);
        return;
    }
    if (PinState(pin) == KSSTATE_STOP) {
        srb->Status = STATUS_SUCCESS;
        srb->ActualBytesTransferred = 0;
        srb->CommandData.DataBufferArray->DataUsed = 0;
        StreamClassStreamNotification(StreamRequestComplete, srb->StreamObject, srb);
        return;
    }
    QueueReadRequest(pin, srb);
}

void GetPinState(PinContext* pin, HW_STREAM_REQUEST_BLOCK* srb)
{
    srb->CommandData.StreamState = PinState(pin);
    srb->ActualBytesTransferred = sizeof(KSSTATE);
    // A paused capture pin delivers nothing; the graph must not wait for it to cue data.
    if (srb->CommandData.StreamState == KSSTATE_PAUSE) {
        srb->Status = STATUS_NO_DATA_DETECTED;
    }
}

void SetPinState(PinContext* pin, KSSTATE state)
{
    bool startTimer = false;
    KIRQL irql = KfAcquireSpinLock(&pin->tickLock);
    const KSSTATE previous = PinState(pin);
    SetPinStateField(pin, state);
    switch (state) {
    case KSSTATE_STOP:
        StreamClassScheduleTimer(pin->streamObject, pin->device, 0, CapturePinTimer, pin);
        break;
    case KSSTATE_PAUSE:
        if (previous == KSSTATE_STOP || previous == KSSTATE_ACQUIRE) {
            pin->frameInfo.PictureNumber = 0;
            pin->frameInfo.DropCount = 0;
            pin->frameInfo.dwFrameFlags = 0;
            startTimer = true;
        }
        break;
    case KSSTATE_RUN:
        pin->discontinuity = 0;
        pin->nextDue = 0;
        break;
    default:
        break;
    }
    KfReleaseSpinLock(&pin->tickLock, irql);
    if (state == KSSTATE_STOP) {
        CancelAllReadRequests(pin);
    }
    if (startTimer) {
        CapturePinTimer(pin);
    }
}

void GetPinProperty(PinContext* pin, HW_STREAM_REQUEST_BLOCK* srb)
{
    const KSPROPERTY* property = srb->CommandData.PropertyInfo->Property;
    if (property->Set == KSPROPSETID_Connection) {
        if (property->Id == KSPROPERTY_CONNECTION_ALLOCATORFRAMING) {
            AnswerGet<KSALLOCATOR_FRAMING>(srb, [&](KSALLOCATOR_FRAMING& framing) {
                framing = {kAllocatorFramingFlags, PagedPool, kAllocatorFrames, PinImageSize(pin), 0, 0};
            });
        }
    } else if (property->Set == PROPSETID_VIDCAP_DROPPEDFRAMES) {
        if (property->Id == KSPROPERTY_DROPPEDFRAMES_CURRENT) {
            AnswerGet<KSPROPERTY_DROPPEDFRAMES_CURRENT_S>(srb, [&](KSPROPERTY_DROPPEDFRAMES_CURRENT_S& dropped) {
                KIRQL irql = KfAcquireSpinLock(&pin->tickLock);
                dropped.PictureNumber = pin->frameInfo.PictureNumber;
                dropped.DropCount = pin->frameInfo.DropCount;
                KfReleaseSpinLock(&pin->tickLock, irql);
                dropped.AverageFrameSize = PinImageSize(pin);
            });
        }
    } else {
        srb->Status = STATUS_NOT_IMPLEMENTED;
    }
}

void SetPinClock(PinContext* pin, HANDLE clock)
{
    KIRQL irql = KfAcquireSpinLock(&pin->tickLock);
    pin->masterClock = clock;
    KfReleaseSpinLock(&pin->tickLock, irql);
}
