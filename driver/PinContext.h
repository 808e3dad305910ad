// The per-stream extension of a capture-pin instance, zeroed by the port at open.
//
// Locks, always taken in this order and never the other way round: `tickLock`, then one of
// the slot's data-queue lock, `pinLock` or the frame store's lock (never two of those).
#pragma once

#include <atomic>

#include "platform/ks/stream_class.h"

struct DeviceContext;

struct PinContext {
    DeviceContext* device;
    HW_STREAM_OBJECT* streamObject;
    KS_VIDEOINFOHEADER* videoHeader;  // owned copy, bmiHeader.biSize + 48 bytes
    KSPIN_LOCK pinLock;               // videoHeader, averageFrameSize, frameInterval
    ULONG averageFrameSize;
    // Held for a whole tick and by every change of the fields below, so that two ticks never
    // overlap and a state change waits out a tick in flight.
    KSPIN_LOCK tickLock;
    KS_FRAME_INFO frameInfo;
    LONG discontinuity;
    KSSTATE state;  // written under tickLock; read anywhere through PinState
    ULONG instanceIndex;
    HANDLE masterClock;
    ULONGLONG systemTime;
    LONGLONG nextDue;
    LONGLONG streamTime;
    LONGLONG frameInterval;
    LONG keyFrameRate;
    LONG pFramesPerKeyFrame;
    LONG quality;
    LONG videoControlMode;
};

// The data path reads the state without the tick lock.
inline KSSTATE PinState(PinContext* pin) { return std::atomic_ref<KSSTATE>(pin->state).load(std::memory_order_acquire); }
inline void SetPinStateField(PinContext* pin, KSSTATE state)
{
    std::atomic_ref<KSSTATE>(pin->state).store(state, std::memory_order_release);
}
