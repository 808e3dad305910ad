#include "driver/RequestQueues.h"

bool EnqueueIfBusy(DeviceContext* device, LIST_ENTRY* queue, LONG* busy, HW_STREAM_REQUEST_BLOCK* srb)
{
    KIRQL irql = KfAcquireSpinLock(&device->adapterLock);
    bool queued = *busy != 0;
    if (queued) {
        auto* link = static_cast<RequestLink*>(srb->SRBExtension);
        link->request = srb;
        InsertTailList(queue, &link->link);
    } else {
        *busy = 1;
    }
    KfReleaseSpinLock(&device->adapterLock, irql);
    return queued;
}

HW_STREAM_REQUEST_BLOCK* DequeueNextRequest(DeviceContext* device, LIST_ENTRY* queue, LONG* busy)
{
    HW_STREAM_REQUEST_BLOCK* next = nullptr;
    KIRQL irql = KfAcquireSpinLock(&device->adapterLock);
    if (IsListEmpty(queue)) {
        *busy = 0;
    } else {
        next = CONTAINING_RECORD(RemoveHeadList(queue), RequestLink, link)->request;
    }
    KfReleaseSpinLock(&device->adapterLock, irql);
    return next;
}
