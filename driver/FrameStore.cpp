#include "driver/FrameStore.h"

FrameStore g_frameStore;

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
    KIRQL irql = KfAcquireSpinLock(&g_frameStore.lock);
    --g_frameStore.devicesInUse;
    KfReleaseSpinLock(&g_frameStore.lock, irql);
}
