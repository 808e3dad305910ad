// The time the port runs on, and the timers that fire on it. The port's stream timers and
// master clocks read one time source: the steady clock in the device host, a manual one in
// tests, so that timer-driven code runs exactly and without waiting.
#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>

#include "platform/ks/kernel.h"

namespace zv::ks {

class TimeSource {
public:
    virtual ~TimeSource() = default;

    // 100-ns units; never goes back.
    virtual LONGLONG Now() const = 0;

    // One timer per key: scheduling again replaces it. Routines run at DISPATCH_LEVEL, one at a
    // time, never concurrently with themselves.
    void Schedule(const void* key, LONGLONG due, std::function<void()> routine);
    // Removes the key's timer. With `drain`, also waits until a routine of the key that is
    // running on another thread has returned (and removes what it re-armed).
    void Cancel(const void* key, bool drain);
    // Cancels the key's timer for good: it cannot be scheduled again until Reinstate, and a
    // routine of the key running on another thread has returned when this returns.
    void Retire(const void* key);
    // Lets a retired key (an address about to be reused) be scheduled again.
    void Reinstate(const void* key);
    bool IsScheduled(const void* key) const;
    // Runs `hook` with the key on the timer's thread before each routine, not at the routine's
    // raised level; a Cancel with drain or a Retire of the key waits for it as for the routine.
    // Set before any timer is scheduled; cleared (null) only once none is left.
    void SetBeforeRoutine(std::function<void(const void* key)> hook);

protected:
    // Runs the earliest timer due at or before `limit`. Returns false when there is none;
    // `due` receives the due time of the timer that ran.
    bool RunNextDue(LONGLONG limit, LONGLONG* due = nullptr);
    // The earliest due time, or false when no timer is set.
    bool NextDue(LONGLONG* due) const;
    virtual void TimersChanged() {}

    mutable std::mutex m_mutex;

private:
    struct Timer {
        LONGLONG due;
        std::uint64_t order;
        std::function<void()> routine;
    };
    // The timers by key, and the same timers in firing order (due time, then order of
    // scheduling), so that the next one is found without looking at every pin's.
    using Firing = std::tuple<LONGLONG, std::uint64_t, const void*>;
    void Unschedule(std::map<const void*, Timer>::iterator timer);
    std::map<const void*, Timer> m_timers;
    std::set<Firing> m_firing;
    std::set<const void*> m_draining;
    std::set<const void*> m_retired;
    std::uint64_t m_nextOrder = 0;
    std::function<void(const void*)> m_beforeRoutine;
    const void* m_runningKey = nullptr;
    std::thread::id m_runningThread;
    std::condition_variable m_routineDone;
};

// Time that moves only when told; timers fire on the thread that moves it.
class ManualTimeSource : public TimeSource {
public:
    explicit ManualTimeSource(LONGLONG start = 0) : m_now(start) {}
    LONGLONG Now() const override;
    // Moves time forward by `ticks`, running every timer that falls due on the way in order of
    // due time, each with the time standing at its due time.
    void Advance(LONGLONG ticks);

private:
    LONGLONG m_now;
};

// The steady clock; a thread of its own runs the timers.
class SteadyTimeSource : public TimeSource {
public:
    SteadyTimeSource();
    ~SteadyTimeSource() override;
    LONGLONG Now() const override;

protected:
    void TimersChanged() override;

private:
    void Run();

    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace zv::ks
