#include "platform/ks/time_source.h"

#include <chrono>

#include "platform/ks/kernel_irql.h"

namespace zv::ks {

void TimeSource::Schedule(const void* key, LONGLONG due, std::function<void()> routine)
{
    bool first;
    {
        std::lock_guard lock(m_mutex);
        if (m_draining.count(key) != 0 || m_retired.count(key) != 0) {
            return;  // being cancelled, or cancelled for good
        }
        if (auto previous = m_timers.find(key); previous != m_timers.end()) {
            Unschedule(previous);
        }
        const std::uint64_t order = m_nextOrder++;
        m_timers.emplace(key, Timer{due, order, std::move(routine)});
        const auto firing = m_firing.emplace(due, order, key).first;
        first = firing == m_firing.begin();
    }
    // A timer behind the earliest changes nothing for whoever waits for that one.
    if (first) {
        TimersChanged();
    }
}

void TimeSource::Cancel(const void* key, bool drain)
{
    std::unique_lock lock(m_mutex);
    if (auto timer = m_timers.find(key); timer != m_timers.end()) {
        Unschedule(timer);
    }
    if (drain && m_runningKey == key && m_runningThread != std::this_thread::get_id()) {
        m_draining.insert(key);
        m_routineDone.wait(lock, [&] { return m_runningKey != key; });
        m_draining.erase(key);
    }
}

void TimeSource::Retire(const void* key)
{
    {
        std::lock_guard lock(m_mutex);
        m_retired.insert(key);
    }
    Cancel(key, true);
}

void TimeSource::Reinstate(const void* key)
{
    std::lock_guard lock(m_mutex);
    m_retired.erase(key);
}

void TimeSource::SetBeforeRoutine(std::function<void(const void* key)> hook)
{
    std::lock_guard lock(m_mutex);
    m_beforeRoutine = std::move(hook);
}

bool TimeSource::IsScheduled(const void* key) const
{
    std::lock_guard lock(m_mutex);
    return m_timers.count(key) != 0;
}

void TimeSource::Unschedule(std::map<const void*, Timer>::iterator timer)
{
    m_firing.erase(Firing{timer->second.due, timer->second.order, timer->first});
    m_timers.erase(timer);
}

bool TimeSource::NextDue(LONGLONG* due) const
{
    if (m_firing.empty()) {
        return false;
    }
    *due = std::get<0>(*m_firing.begin());
    return true;
}

bool TimeSource::RunNextDue(LONGLONG limit, LONGLONG* due)
{
    std::unique_lock lock(m_mutex);
    if (m_firing.empty() || std::get<0>(*m_firing.begin()) > limit) {
        return false;
    }
    auto next = m_timers.find(std::get<2>(*m_firing.begin()));
    const void* key = next->first;
    Timer timer = std::move(next->second);
    m_firing.erase(m_firing.begin());
    m_timers.erase(next);
    if (due != nullptr) {
        *due = timer.due;
    }
    m_runningKey = key;
    m_runningThread = std::this_thread::get_id();
    const std::function<void(const void*)>* before = m_beforeRoutine ? &m_beforeRoutine : nullptr;
    lock.unlock();
    if (before != nullptr) {
        (*before)(key);
    }
    {
        ScopedIrql dispatch(DISPATCH_LEVEL);
        timer.routine();
    }
    lock.lock();
    m_runningKey = nullptr;
    m_runningThread = {};
    m_routineDone.notify_all();
    return true;
}

LONGLONG ManualTimeSource::Now() const
{
    std::lock_guard lock(m_mutex);
    return m_now;
}

void ManualTimeSource::Advance(LONGLONG ticks)
{
    LONGLONG target;
    {
        std::lock_guard lock(m_mutex);
        target = m_now + ticks;
    }
    for (;;) {
        LONGLONG due;
        {
            std::lock_guard lock(m_mutex);
            if (!NextDue(&due) || due > target) {
                m_now = target;
                return;
            }
            if (due > m_now) {
                m_now = due;
            }
        }
        RunNextDue(due);
    }
}

SteadyTimeSource::SteadyTimeSource() : m_thread([this] { Run(); }) {}

SteadyTimeSource::~SteadyTimeSource()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

LONGLONG SteadyTimeSource::Now() const
{
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100;
}

void SteadyTimeSource::TimersChanged() { m_wake.notify_all(); }

void SteadyTimeSource::Run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        LONGLONG due;
        if (!NextDue(&due)) {
            m_wake.wait(lock);
            continue;
        }
        LONGLONG now = Now();
        if (due > now) {
            m_wake.wait_for(lock, std::chrono::nanoseconds((due - now) * 100));
            continue;
        }
        lock.unlock();
        RunNextDue(now);
        lock.lock();
    }
}

}  // namespace zv::ks
