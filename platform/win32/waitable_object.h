// Kernel objects that a thread can wait on (events, mutexes, threads).
//
// All of their wait state lives under one process-wide lock, so a wait for several objects at once
// can test and take all of them in one step. A waiting thread registers its ThreadWaiter with every
// object it waits on; an object whose state changes notifies its waiters, which then test again.
#pragma once

#include "platform/win32/handle_table.h"
#include "platform/win32/thread_waiter.h"

#include <mutex>
#include <vector>

namespace zv::win32 {

// The lock that guards the wait state of every waitable object.
std::mutex& WaitStateLock();

enum class AcquireResult {
    Unavailable,
    Acquired,
    // Acquired a mutex whose owner ended without releasing it.
    AcquiredAbandoned,
};

class WaitableObject : public KernelObject {
public:
    // The calls below expect WaitStateLock() to be held.

    // Takes the object for the calling thread when it is signalled (an auto-reset event resets, a
    // mutex becomes owned).
    virtual AcquireResult TryAcquire(DWORD threadId) = 0;
    // Gives back what TryAcquire took, when a wait for all objects could not take the others.
    virtual void UndoAcquire(DWORD threadId, AcquireResult taken) = 0;
    // True when the object can become signalled without notifying its waiters (its state lives in
    // other processes too); waiters then test it again every little while.
    virtual bool NeedsPolling() const { return false; }

    void AddWaiter(ThreadWaiter* waiter);
    void RemoveWaiter(ThreadWaiter* waiter);

protected:
    // Wakes every thread waiting on the object.
    void NotifyWaiters();

private:
    std::vector<ThreadWaiter*> m_waiters;
};

} // namespace zv::win32
