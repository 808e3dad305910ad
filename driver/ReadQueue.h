// Each pin instance's queue of read requests waiting for a frame. The queue is linked through
// the requests' IRPs and guarded by the slot's data-queue lock.
#pragma once

#include "driver/DeviceContext.h"
#include "driver/PinContext.h"

// Appends a read; when the pin has meanwhile gone to STOP it is taken out again and cancelled.
void QueueReadRequest(PinContext* pin, HW_STREAM_REQUEST_BLOCK* srb);
// The oldest queued read, taken out of the queue, or NULL.
HW_STREAM_REQUEST_BLOCK* TakeReadRequest(PinContext* pin);
// Completes `srb` with STATUS_CANCELLED and DataUsed 0 when it waits in the slot's queue;
// false when it does not.
bool CancelQueuedRead(DeviceContext* device, ULONG slot, HW_STREAM_REQUEST_BLOCK* srb);
// Completes every queued read of the pin with STATUS_CANCELLED and DataUsed 0.
void CancelAllReadRequests(PinContext* pin);
