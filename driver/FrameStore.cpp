#include "driver/FrameStore.h"

FrameStore g_frameStore;

namespace {

// Frees the frames taken out of the store, after its lock is released.
void FreeFrames(UCHAR* const* frames)
{
    for (ULONG format = 0; format < kStoredFormats; ++format) {
        if (frames[format] != nullptr) {
            ExFreePool(frames[format]);
        }
    }
}

bool BlockFits(LONG offset, ULONG length, ULONG frameBytes)
{
    return offset >= 0 && static_cast<ULONG>(offset) <= frameBytes && length <= frameBytes - static_cast<ULONG>(offset);
}

}  // namespace

void InitializeFrameStore() { KeInitializeSpinLock(&g_frameStore.lock); }

void AttachDeviceToFrameStore()
{
    KIRQL irql = KfAcquireSpinLock(&g_frameStore.lock);
    if (g_frameStore.devicesInUse++ == 0) {
        RtlZeroMemory(g_frameStore.FormatInUseFlags, sizeof g_frameStore.FormatInUseFlags);
    }
    KfReleaseSpinLock(&g_frameStore.lock, irql);
}

void DetachDeviceFromFrameStore()
{
    UCHAR* frames[kStoredFormats] = {};
    const KIRQL callerIrql = KeGetCurrentIrql();
    KIRQL irql = KfAcquireSpinLock(&g_frameStore.lock);
    if (--g_frameStore.devicesInUse == 0 && callerIrql < DISPATCH_LEVEL) {
        RtlCopyMemory(frames, g_frameStore.buffers, sizeof frames);
        RtlZeroMemory(g_frameStore.buffers, sizeof g_frameStore.buffers);
    }
    KfReleaseSpinLock(&g_frameStore.lock, irql);
    FreeFrames(frames);
}

bool FindStoredFormat(ULONG width, ULONG height, ULONG* format, ULONG* start)
{
    for (ULONG index = 0; index < kStoredFormats; ++index) {
        if (kStoredFormatSizes[index].width == width && kStoredFormatSizes[index].height == height) {
            *format = index;
            *start = 0;
            return true;
        }
    }
    // Of the formats of this width, the tallest; the table lists heights in rising order.
    for (ULONG index = kStoredFormats; index-- > 0;) {
        const StoredFormat& stored = kStoredFormatSizes[index];
        if (stored.width == width) {
            if (height >= stored.height) {
                return false;
            }
            *format = index;
            *start = (stored.height - height) * width * 3;
            return true;
        }
    }
    return false;
}

void CopyStoredFrame(ULONG format, ULONG start, UCHAR* destination, ULONG bytes)
{
    const ULONG available = kStoredFormatSizes[format].bytes - start;
    KIRQL irql = KfAcquireSpinLock(&g_frameStore.lock);
    g_frameStore.FormatInUseFlags[format] = 1;
    const ULONG copied = bytes < available ? bytes : available;
    if (g_frameStore.buffers[format] != nullptr && copied != 0) {
        RtlCopyMemory(destination, g_frameStore.buffers[format] + start, copied);
    }
    KfReleaseSpinLock(&g_frameStore.lock, irql);
}

void StoreFrameBlock(const UCHAR* block, ULONG length)
{
    if (length < kFrameWriteHeaderBytes) {
        return;
    }
    // The block lies in memory its writer still maps: each header field is read exactly once.
    const ULONG format = block[0];
    if (format >= kStoredFormats) {
        return;
    }
    const ULONG frameBytes = kStoredFormatSizes[format].bytes;
    LONG offset;
    RtlCopyMemory(&offset, block + 1, sizeof offset);
    // Tested before any allocation: a block that cannot land leaves no frame behind.
    if (!BlockFits(offset, length, frameBytes)) {
        return;
    }
    KIRQL irql = KfAcquireSpinLock(&g_frameStore.lock);
    if (g_frameStore.FormatInUseFlags[format] == 0) {
        KfReleaseSpinLock(&g_frameStore.lock, irql);
        return;
    }
    UCHAR* spare = nullptr;
    if (g_frameStore.buffers[format] == nullptr) {
        KfReleaseSpinLock(&g_frameStore.lock, irql);
        auto* fresh = static_cast<UCHAR*>(ExAllocatePoolWithTag(NonPagedPool, frameBytes, format));
        if (fresh == nullptr) {
            return;
        }
        // Clients get the rows no block has reached yet as black, not as old pool contents.
        RtlZeroMemory(fresh, frameBytes);
        irql = KfAcquireSpinLock(&g_frameStore.lock);
        if (g_frameStore.FormatInUseFlags[format] == 0) {
            // A close cleared the store meanwhile: the block is no longer wanted.
            spare = fresh;
        } else if (g_frameStore.buffers[format] != nullptr) {
            spare = fresh;  // another write installed one first
        } else {
            g_frameStore.buffers[format] = fresh;
        }
    }
    if (g_frameStore.FormatInUseFlags[format] != 0) {
        RtlCopyMemory(g_frameStore.buffers[format] + offset, block, length);
    }
    KfReleaseSpinLock(&g_frameStore.lock, irql);
    if (spare != nullptr) {
        ExFreePool(spare);
    }
}

void ReadFormatFlags(UCHAR* flags)
{
    KIRQL irql = KfAcquireSpinLock(&g_frameStore.lock);
    RtlCopyMemory(flags, g_frameStore.FormatInUseFlags, kStoredFormats);
    KfReleaseSpinLock(&g_frameStore.lock, irql);
}

void ClearFrameStore(KIRQL callerIrql)
{
    UCHAR* frames[kStoredFormats] = {};
    KIRQL irql = KfAcquireSpinLock(&g_frameStore.lock);
    RtlZeroMemory(g_frameStore.FormatInUseFlags, sizeof g_frameStore.FormatInUseFlags);
    if (callerIrql < DISPATCH_LEVEL) {
        RtlCopyMemory(frames, g_frameStore.buffers, sizeof frames);
        RtlZeroMemory(g_frameStore.buffers, sizeof g_frameStore.buffers);
    }
    KfReleaseSpinLock(&g_frameStore.lock, irql);
    FreeFrames(frames);
}
