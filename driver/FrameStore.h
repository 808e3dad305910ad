// The one frame store of the driver, shared by all devices and pins: the latest frame of each
// stored output size and the flags that tell the main program which sizes are in use.
#pragma once

#include "platform/ks/kernel.h"

constexpr ULONG kStoredFormats = 8;

// width x height x 3 of the output formats 0 to 7.
inline constexpr ULONG kStoredFrameBytes[kStoredFormats] = {57600, 76032, 126720, 129600,
                                                            230400, 304128, 921600, 1036800};

struct FrameStore {
    KSPIN_LOCK lock;  // flags, buffer pointers and contents, on every path and for every device
    UCHAR* buffers[kStoredFormats];
    UCHAR FormatInUseFlags[kStoredFormats];
    LONG devicesInUse;  // initialised devices; guarded by `lock`
};

extern FrameStore g_frameStore;

// Once, from DriverEntry, before any device exists.
void InitializeFrameStore();
// A device starts using the store. Only the first device clears the flags: another device's
// pins may be relying on them.
void AttachDeviceToFrameStore();
void DetachDeviceFromFrameStore();
