#include "online/PassPacer.h"

void IntervalPacer::WaitForNextPass()
{
    std::unique_lock lock(m_lock);
    m_woken.wait_for(lock, m_interval, [&] { return m_wake; });
}

void IntervalPacer::Wake()
{
    {
        std::lock_guard lock(m_lock);
        m_wake = true;
    }
    m_woken.notify_all();
}
