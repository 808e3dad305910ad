// The pace of a session thread's passes: one message in and one out per pass.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class PassPacer {
public:
    virtual ~PassPacer() = default;
    // Returns when the next pass may start, at once after Wake.
    virtual void WaitForNextPass() = 0;
    // Ends every wait from now on: the session is stopping.
    virtual void Wake() = 0;
};

// One pass per interval of the steady clock.
class IntervalPacer : public PassPacer {
public:
    static constexpr std::chrono::milliseconds kSessionInterval{200};

    explicit IntervalPacer(std::chrono::milliseconds interval = kSessionInterval) : m_interval(interval) {}
    void WaitForNextPass() override;
    void Wake() override;

private:
    std::chrono::milliseconds m_interval;
    std::mutex m_lock;
    std::condition_variable m_woken;
    bool m_wake = false;
};
