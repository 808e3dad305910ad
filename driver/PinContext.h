// The per-stream extension of a capture-pin instance.
#pragma once

#include "platform/ks/stream_class.h"

struct DeviceContext;

struct PinContext {
    DeviceContext* device;
    HW_STREAM_OBJECT* streamObject;
    KS_VIDEOINFOHEADER* videoHeader;  // owned copy, bmiHeader.biSize + 48 bytes
    KSPIN_LOCK pinLock;               // videoHeader, averageFrameSize, frameInterval
    ULONG averageFrameSize;
    KS_FRAME_INFO frameInfo;
    LONG discontinuity;
    KSSTATE state;
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
