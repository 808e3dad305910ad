// The emulated interrupt request level of the calling thread, for code that plays the kernel:
// the port runs timer routines at DISPATCH_LEVEL, tests raise the level to try a driver there.
#pragma once

#include "platform/ks/kernel.h"

namespace zv::ks {

class ScopedIrql {
public:
    explicit ScopedIrql(KIRQL level);
    ~ScopedIrql();
    ScopedIrql(const ScopedIrql&) = delete;
    ScopedIrql& operator=(const ScopedIrql&) = delete;

private:
    KIRQL m_previous;
};

}  // namespace zv::ks
