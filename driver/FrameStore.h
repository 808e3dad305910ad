// The one frame store of the driver, shared by all devices and pins: the latest frame of each
// stored output size and the flags that tell the main program which sizes are in use.
#pragma once

#include "platform/ks/kernel.h"

constexpr ULONG kStoredFormats = 8;

struct StoredFormat {
    ULONG width;
    ULONG height;
    ULONG bytes;  // width x height x 3: RGB24 rows, bottom-up, no padding
};
inline constexpr StoredFormat kStoredFormatSizes[kStoredFormats] = {
    {160, 120, 57600},   {176, 144, 76032},   {240, 176, 126720}, {240, 180, 129600},
    {320, 240, 230400},  {352, 288, 304128},  {640, 480, 921600}, {720, 480, 1036800},
};

// A written block starts with this header: format index, then a little-endian signed offset.
constexpr ULONG kFrameWriteHeaderBytes = 5;

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
// The last device to go frees the frames that a close at raised level had to keep.
void DetachDeviceFromFrameStore();

// The stored format whose picture a pin of `width` x `height` gets, and the byte at which its
// picture starts in the stored frame (a lower picture gets the top rows of the taller frame).
bool FindStoredFormat(ULONG width, ULONG height, ULONG* format, ULONG* start);
// Marks the format in use and copies up to `bytes` of its stored frame, from `start`, into
// `destination`; copies nothing while no frame of the format is stored.
void CopyStoredFrame(ULONG format, ULONG start, UCHAR* destination, ULONG bytes);
// A block written by the main program, header included: stored whole at its offset when its
// format is in use and it fits in the frame, else dropped.
void StoreFrameBlock(const UCHAR* block, ULONG length);
// The eight in-use flags.
void ReadFormatFlags(UCHAR* flags);
// Clears every flag and releases every stored frame. Frames are freed only when the caller
// runs below DISPATCH_LEVEL; otherwise they are kept.
void ClearFrameStore(KIRQL callerIrql);
