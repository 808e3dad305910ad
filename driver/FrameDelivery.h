// The pin's timer and what one tick does: pace frames on the graph's clock, fill the oldest
// queued read from the frame store, count drops.
#pragma once

#include "driver/PinContext.h"

// The pin's timer routine (context: the pin): one tick, then re-armed for half a frame
// interval, unless the pin is stopped.
void CapturePinTimer(PVOID context);
// One tick, under the pin's tick lock. Returns the read it filled, for the caller to complete
// once the lock is released, or NULL.
HW_STREAM_REQUEST_BLOCK* CaptureFrame(PinContext* pin, LONGLONG frameInterval);
// Copies the pin's picture from the frame store into the read's buffer.
void FillCaptureBuffer(PinContext* pin, KSSTREAM_HEADER* header);
