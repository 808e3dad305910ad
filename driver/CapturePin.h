// Opening and closing capture-pin instances, and the format a pin delivers.
#pragma once

#include "driver/DeviceContext.h"
#include "driver/PinContext.h"

// Pool tag of a pin's video info header.
constexpr ULONG kVideoHeaderPoolTag = MakePoolTag('W', 'd', 'm', ' ');

// SRB_OPEN_STREAM: a pin in the lowest free slot, in STOP, with the request's format.
NTSTATUS OpenCapturePin(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb);
// SRB_CLOSE_STREAM: stops the pin, waits out a tick in flight, cancels its queued reads, frees
// its slot and header, and clears the frame store.
void CloseCapturePin(DeviceContext* device, HW_STREAM_REQUEST_BLOCK* srb);
// Installs a verified format: its video info header, image size and frame interval.
NTSTATUS SetPinFormat(PinContext* pin, const KS_DATAFORMAT_VIDEOINFOHEADER* format);
