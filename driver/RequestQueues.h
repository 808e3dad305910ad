// The driver's own serialisation of requests (the port's is turned off): a request that
// arrives while another of the same queue is being handled waits in the queue and is handled
// by the thread already inside, in arrival order.
#pragma once

#include "driver/DeviceContext.h"

// Under `adapterLock`: queues the request and returns true when the queue is busy; otherwise
// marks it busy and returns false (the caller handles the request).
bool EnqueueIfBusy(DeviceContext* device, LIST_ENTRY* queue, LONG* busy, HW_STREAM_REQUEST_BLOCK* srb);
// Under `adapterLock`: the next waiting request, or NULL after marking the queue idle.
HW_STREAM_REQUEST_BLOCK* DequeueNextRequest(DeviceContext* device, LIST_ENTRY* queue, LONG* busy);
