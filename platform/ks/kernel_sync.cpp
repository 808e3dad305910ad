// Spin locks and the per-thread IRQL. A lock word holds 0 when free, else a token of the
// owning thread, so that a thread that takes a lock it already holds is reported instead of
// spinning for ever.
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/ks/kernel_irql.h"
#include "platform/ks/port_checks.h"

namespace {

thread_local KIRQL t_irql = PASSIVE_LEVEL;
thread_local char t_ownerToken;

ULONG_PTR OwnerToken() { return reinterpret_cast<ULONG_PTR>(&t_ownerToken); }

}  // namespace

namespace zv::ks {

ScopedIrql::ScopedIrql(KIRQL level) : m_previous(t_irql) { t_irql = level; }
ScopedIrql::~ScopedIrql() { t_irql = m_previous; }

}  // namespace zv::ks

using zv::ks::ReportPortViolation;

extern "C" void KeInitializeSpinLock(KSPIN_LOCK* lock)
{
    std::atomic_ref<KSPIN_LOCK>(*lock).store(0, std::memory_order_release);
}

extern "C" KIRQL KfAcquireSpinLock(KSPIN_LOCK* lock)
{
    KIRQL previous = t_irql;
    if (previous > DISPATCH_LEVEL) {
        ReportPortViolation("spin lock acquired above DISPATCH_LEVEL");
    }
    std::atomic_ref<KSPIN_LOCK> word(*lock);
    ULONG_PTR self = OwnerToken();
    if (word.load(std::memory_order_relaxed) == self) {
        ReportPortViolation("spin lock acquired twice by one thread");
        std::abort();
    }
    for (unsigned spins = 0;; ++spins) {
        KSPIN_LOCK expected = 0;
        if (word.compare_exchange_weak(expected, self, std::memory_order_acquire, std::memory_order_relaxed)) {
            break;
        }
        // Threads here are not on their own processors; let the holder run.
        if (spins > 64) {
            std::this_thread::yield();
        }
    }
    t_irql = DISPATCH_LEVEL;
    return previous;
}

extern "C" void KfReleaseSpinLock(KSPIN_LOCK* lock, KIRQL newIrql)
{
    std::atomic_ref<KSPIN_LOCK> word(*lock);
    if (word.load(std::memory_order_relaxed) != OwnerToken()) {
        ReportPortViolation("spin lock released by a thread that does not hold it");
    }
    word.store(0, std::memory_order_release);
    t_irql = newIrql;
}

extern "C" KIRQL KeGetCurrentIrql() { return t_irql; }
