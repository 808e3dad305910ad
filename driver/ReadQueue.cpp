#include "driver/ReadQueue.h"

namespace {

HW_STREAM_REQUEST_BLOCK* RequestOf(LIST_ENTRY* entry)
{
    IRP* irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
    return static_cast<HW_STREAM_REQUEST_BLOCK*>(irp->Tail.Overlay.DriverContext[0]);
}

// Under the slot's lock; the lock stays held while the request completes, so that a
// concurrent cancel cannot find it in between.
void CompleteCancelled(HW_STREAM_REQUEST_BLOCK* srb)
{
    srb->Status = STATUS_CANCELLED;
    srb->ActualBytesTransferred = 0;
    if (srb->NumberOfBuffers != 0 && srb->CommandData.DataBufferArray != nullptr) {
        srb->CommandData.DataBufferArray->DataUsed = 0;
    }
    StreamClassStreamNotification(StreamRequestComplete, srb->StreamObject, srb);
}

}  // namespace

void QueueReadRequest(PinContext* pin, HW_STREAM_REQUEST_BLOCK* srb)
{
    DeviceContext* device = pin->device;
    const ULONG slot = pin->instanceIndex;
    srb->Irp->Tail.Overlay.DriverContext[0] = srb;
    KIRQL irql = KfAcquireSpinLock(&device->dataQueueLock[slot]);
    InsertTailList(&device->dataQueue[slot], &srb->Irp->Tail.Overlay.ListEntry);
    ++device->queuedReads[slot];
    KfReleaseSpinLock(&device->dataQueueLock[slot], irql);
    // STOP is stored before its cancellation of the queue runs: a read queued after that
    // cancellation sees STOP here.
    if (PinState(pin) == KSSTATE_STOP) {
        CancelQueuedRead(device, slot, srb);
    }
}

HW_STREAM_REQUEST_BLOCK* TakeReadRequest(PinContext* pin)
{
    DeviceContext* device = pin->device;
    const ULONG slot = pin->instanceIndex;
    HW_STREAM_REQUEST_BLOCK* srb = nullptr;
    KIRQL irql = KfAcquireSpinLock(&device->dataQueueLock[slot]);
    if (!IsListEmpty(&device->dataQueue[slot])) {
        srb = RequestOf(RemoveHeadList(&device->dataQueue[slot]));
        --device->queuedReads[slot];
    }
    KfReleaseSpinLock(&device->dataQueueLock[slot], irql);
    return srb;
}

bool CancelQueuedRead(DeviceContext* device, ULONG slot, HW_STREAM_REQUEST_BLOCK* srb)
{
    bool found = false;
    KIRQL irql = KfAcquireSpinLock(&device->dataQueueLock[slot]);
    LIST_ENTRY* head = &device->dataQueue[slot];
    for (LIST_ENTRY* entry = head->Flink; entry != head; entry = entry->Flink) {
        if (RequestOf(entry) == srb) {
            RemoveEntryList(entry);
            --device->queuedReads[slot];
            CompleteCancelled(srb);
            found = true;
            break;
        }
    }
    KfReleaseSpinLock(&device->dataQueueLock[slot], irql);
    return found;
}

void CancelAllReadRequests(PinContext* pin)
{
    DeviceContext* device = pin->device;
    const ULONG slot = pin->instanceIndex;
    KIRQL irql = KfAcquireSpinLock(&device->dataQueueLock[slot]);
    while (!IsListEmpty(&device->dataQueue[slot])) {
        HW_STREAM_REQUEST_BLOCK* srb = RequestOf(RemoveHeadList(&device->dataQueue[slot]));
        --device->queuedReads[slot];
        CompleteCancelled(srb);
    }
    KfReleaseSpinLock(&device->dataQueueLock[slot], irql);
}
