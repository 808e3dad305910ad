// The driver's device extension and the link that queues a waiting request.
#pragma once

#include "platform/ks/stream_class.h"

struct PinContext;

constexpr ULONG kPinInstanceSlots = 64;

// The per-request extension: queues a device or control request while another is handled.
struct RequestLink {
    LIST_ENTRY link;
    HW_STREAM_REQUEST_BLOCK* request;
};

// Zeroed by the port. The queue head and `adapterLock` are set up by the first request, which
// the port's ordered start-up makes SRB_INITIALIZE_DEVICE with nothing else in flight.
struct DeviceContext {
    PinContext* instances[kPinInstanceSlots];
    LONG openCount;
    DEVICE_OBJECT* physicalDeviceObject;
    DEVICE_POWER_STATE powerState;

    KSPIN_LOCK adapterLock;  // device queue and every slot's control queue
    LONG queueReady;
    LIST_ENTRY deviceQueue;
    LONG deviceBusy;

    // Per instance slot.
    LIST_ENTRY dataQueue[kPinInstanceSlots];  // read requests, linked through their IRPs
    KSPIN_LOCK dataQueueLock[kPinInstanceSlots];
    LONG queuedReads[kPinInstanceSlots];
    LIST_ENTRY controlQueue[kPinInstanceSlots];
    LONG controlBusy[kPinInstanceSlots];

    ULONG deviceNumber;
    LONG usesFrameStore;  // counted among the devices that share the frame store

    LONG videoControlMode;
    LONG keyFrameRate;
    LONG pFramesPerKeyFrame;
    LONG quality;

    ULONG decoderStandard;
    ULONG vcrTiming;
    ULONG outputEnable;
};
