#include "platform/win32/waitable_object.h"

#include <algorithm>

namespace zv::win32 {

std::mutex& WaitStateLock()
{
    // Never destroyed: detached threads may still signal objects while the process exits.
    static auto* lock = new std::mutex();
    return *lock;
}

void WaitableObject::AddWaiter(ThreadWaiter* waiter)
{
    m_waiters.push_back(waiter);
}

void WaitableObject::RemoveWaiter(ThreadWaiter* waiter)
{
    // One entry only: a thread may wait on the same object again from its message service routine.
    auto it = std::find(m_waiters.begin(), m_waiters.end(), waiter);
    if (it != m_waiters.end())
        m_waiters.erase(it);
}

void WaitableObject::NotifyWaiters()
{
    for (ThreadWaiter* waiter : m_waiters)
        waiter->Notify();
}

} // namespace zv::win32
