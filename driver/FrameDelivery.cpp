#include "driver/FrameDelivery.h"

#include "driver/FrameStore.h"
#include "driver/ReadQueue.h"

namespace {

LONGLONG PinFrameInterval(PinContext* pin)
{
    KIRQL irql = KfAcquireSpinLock(&pin->pinLock);
    LONGLONG interval = pin->frameInterval;
    KfReleaseSpinLock(&pin->pinLock, irql);
    return interval;
}

void Deliver(PinContext* pin, HW_STREAM_REQUEST_BLOCK* srb, LONGLONG frameInterval, bool clocked)
{
    KSSTREAM_HEADER* header = srb->CommandData.DataBufferArray;
    // The stream's media-specific part: one frame information right behind the header.
    auto* clientInfo = reinterpret_cast<UCHAR*>(header + 1);
    FillCaptureBuffer(pin, header);
    RtlCopyMemory(&pin->frameInfo.ExtendedHeaderSize, clientInfo, sizeof pin->frameInfo.ExtendedHeaderSize);
    RtlCopyMemory(clientInfo, &pin->frameInfo, sizeof pin->frameInfo);

    header->OptionsFlags = pin->discontinuity != 0 ? KSSTREAM_HEADER_OPTIONSF_DATADISCONTINUITY : 0;
    pin->discontinuity = 0;
    header->PresentationTime.Numerator = 1;
    header->PresentationTime.Denominator = 1;
    header->Duration = frameInterval;
    if (clocked) {
        header->PresentationTime.Time = pin->streamTime;
        header->OptionsFlags |= KSSTREAM_HEADER_OPTIONSF_TIMEVALID | KSSTREAM_HEADER_OPTIONSF_DURATIONVALID;
    } else {
        header->PresentationTime.Time = 0;
    }
    header->OptionsFlags |= KSSTREAM_HEADER_OPTIONSF_SPLICEPOINT;
    srb->Status = STATUS_SUCCESS;
}

}  // namespace

void CapturePinTimer(PVOID context)
{
    auto* pin = static_cast<PinContext*>(context);
    KIRQL irql = KfAcquireSpinLock(&pin->tickLock);
    if (PinState(pin) == KSSTATE_STOP) {
        KfReleaseSpinLock(&pin->tickLock, irql);
        return;
    }
    const LONGLONG interval = PinFrameInterval(pin);
    HW_STREAM_REQUEST_BLOCK* delivered = CaptureFrame(pin, interval);
    HW_STREAM_OBJECT* stream = pin->streamObject;
    // Re-armed under the tick lock, so that a STOP, which cancels the timer under it, cannot
    // be overtaken by this tick.
    StreamClassScheduleTimer(stream, pin->device, static_cast<ULONG>(interval / 20), CapturePinTimer, pin);
    KfReleaseSpinLock(&pin->tickLock, irql);
    if (delivered != nullptr) {
        StreamClassStreamNotification(StreamRequestComplete, stream, delivered);
    }
}

HW_STREAM_REQUEST_BLOCK* CaptureFrame(PinContext* pin, LONGLONG frameInterval)
{
    const KSSTATE state = PinState(pin);
    if (state == KSSTATE_STOP) {
        return nullptr;
    }
    const bool clocked = pin->masterClock != nullptr;
    if (clocked) {
        HW_TIME_CONTEXT time{pin->device, pin->streamObject, TIME_GET_STREAM_TIME, 0, 0};
        StreamClassQueryMasterClockSync(pin->masterClock, &time);
        pin->streamTime = static_cast<LONGLONG>(time.Time);
        pin->systemTime = time.SystemTime;
        if (pin->nextDue == 0) {
            pin->nextDue = pin->streamTime + frameInterval;
        }
    }
    if (state != KSSTATE_RUN || (clocked && pin->streamTime < pin->nextDue)) {
        return nullptr;
    }
    ++pin->frameInfo.PictureNumber;
    HW_STREAM_REQUEST_BLOCK* srb = TakeReadRequest(pin);
    if (srb == nullptr) {
        ++pin->frameInfo.DropCount;
        pin->discontinuity = 1;
    } else {
        Deliver(pin, srb, frameInterval, clocked);
    }
    pin->nextDue += frameInterval;
    return srb;
}

void FillCaptureBuffer(PinContext* pin, KSSTREAM_HEADER* header)
{
    KIRQL irql = KfAcquireSpinLock(&pin->pinLock);
    const KS_BITMAPINFOHEADER& bitmap = pin->videoHeader->bmiHeader;
    // Compared unsigned: a top-down (negative) height matches no stored format.
    const auto width = static_cast<ULONG>(bitmap.biWidth);
    const auto height = static_cast<ULONG>(bitmap.biHeight);
    const ULONG imageSize = bitmap.biSizeImage;
    KfReleaseSpinLock(&pin->pinLock, irql);

    if (header->FrameExtent < imageSize) {
        return;
    }
    ULONG format;
    ULONG start;
    if (FindStoredFormat(width, height, &format, &start)) {
        CopyStoredFrame(format, start, static_cast<UCHAR*>(header->Data), imageSize);
    }
    header->DataUsed = imageSize;
}
