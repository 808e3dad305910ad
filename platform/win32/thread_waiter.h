// The one place where a thread blocks inside the platform layer.
//
// Objects that can be waited on keep the waiters blocked on them and notify them when they change;
// the window layer wakes a waiter so that its thread serves sent messages. A waiter counts its
// wake-ups, so a wait takes the count first, then checks its condition, then blocks only while the
// count is unchanged: no wake-up between the check and the block is lost.
#pragma once

#include "platform/win32/wait_service.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace zv::win32 {

class ThreadWaiter {
public:
    using Clock = std::chrono::steady_clock;

    // The calling thread's waiter, created on first use and kept until the thread ends.
    static ThreadWaiter& Current();
    // The waiter of a live thread, or null once that thread has ended.
    static std::shared_ptr<ThreadWaiter> FromToken(ThreadToken token);

    ThreadToken Token() const { return m_token; }

    // Wake-up count; take it before checking the condition you are about to block on.
    std::uint64_t Epoch();
    // Blocks until the count differs from `epoch` or the deadline passes (none: no deadline).
    // False when it returned because of the deadline.
    bool Block(std::uint64_t epoch, std::optional<Clock::time_point> deadline);
    // Wakes the thread's current or next Block.
    void Notify();

    // Asks the thread to run its sent-message service routine and wakes it.
    void RequestService();
    // Runs the service routine when a request is pending (on the waiter's own thread only).
    void ServeIfRequested();

    explicit ThreadWaiter(ThreadToken token) : m_token(token) {}
    ThreadWaiter(const ThreadWaiter&) = delete;
    ThreadWaiter& operator=(const ThreadWaiter&) = delete;

private:
    friend void SetSentMessageService(void (*serve)());

    const ThreadToken m_token;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::uint64_t m_epoch = 0;
    bool m_serviceRequested = false;
    void (*m_serve)() = nullptr; // touched only by the owning thread
};

} // namespace zv::win32
