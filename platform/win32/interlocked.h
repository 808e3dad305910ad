// Atomic operations on LONG variables that other threads change at the same time.
#pragma once

#include "platform/win32/types.h"

#include <atomic>

inline LONG InterlockedIncrement(LONG volatile* target)
{
    // Atomic arithmetic wraps; the adjustment of the result must wrap the same way.
    const LONG before = std::atomic_ref<LONG>(*const_cast<LONG*>(target)).fetch_add(1);
    return static_cast<LONG>(static_cast<ULONG>(before) + 1u);
}

inline LONG InterlockedDecrement(LONG volatile* target)
{
    const LONG before = std::atomic_ref<LONG>(*const_cast<LONG*>(target)).fetch_sub(1);
    return static_cast<LONG>(static_cast<ULONG>(before) - 1u);
}

// Stores `value` and returns what was there before.
inline LONG InterlockedExchange(LONG volatile* target, LONG value)
{
    return std::atomic_ref<LONG>(*const_cast<LONG*>(target)).exchange(value);
}
