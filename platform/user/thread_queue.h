// One thread's message queue: messages sent to it from other threads, posted messages, the quit
// request and the timers of its windows.
#pragma once

#include "platform/user/messages.h"
#include "platform/win32/thread_waiter.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace zv::user {

// A message sent from another thread, waiting for the owner thread to handle it.
struct SentMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::shared_ptr<win32::ThreadWaiter> sender;
    LRESULT result = 0;
    std::atomic<bool> done{false};

    // Hands the result to the waiting sender.
    void Complete(LRESULT value);
};

// Which messages a retrieval accepts.
struct MessageFilter {
    HWND hwnd;  // null: any; (HWND)-1: thread messages only
    UINT first; // first == last == 0: any message
    UINT last;

    bool Accepts(HWND target, UINT message) const;
};

class ThreadQueue {
public:
    // The calling thread's queue, created (with its sent-message service) on first use.
    static std::shared_ptr<ThreadQueue> ForCurrentThread();
    // The calling thread's queue, or null when it has none.
    static ThreadQueue* CurrentOrNull();
    // Wakes every thread blocked on its queue (the timer clock moved).
    static void WakeAll();

    ThreadQueue(win32::ThreadToken token, std::shared_ptr<win32::ThreadWaiter> waiter);
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    win32::ThreadToken Token() const { return m_token; }

    // From any thread. The *Locked calls expect the window table's lock, so that a message is
    // either queued before its window goes away (and dropped with it) or refused.
    // Both return false once the owning thread has ended.
    bool PostLocked(const MSG& msg);
    bool EnqueueSentLocked(std::shared_ptr<SentMessage> sent);
    void SetTimerLocked(HWND hwnd, UINT_PTR id, std::uint32_t period, TIMERPROC callback);
    bool KillTimerLocked(HWND hwnd, UINT_PTR id);
    // Drops the posted messages and timers of a window that is gone and answers its pending sends
    // with 0. Called after the window left the table.
    void DropWindow(HWND hwnd);
    // Wakes the owning thread's wait.
    void Wake();
    // Wakes it to serve sent messages.
    void WakeForService();

    // Owning thread only.
    void PostFront(const MSG& msg);
    void PostQuit(int exitCode);
    // Handles every message sent to this thread so far.
    void ServeSent();
    // Serves sent messages, then takes the first acceptable posted message, WM_QUIT or due timer.
    bool Take(MSG* msg, const MessageFilter& filter, bool remove);
    // When the thread must wake for the next acceptable timer; none when no timer needs it.
    std::optional<win32::ThreadWaiter::Clock::time_point> NextTimerDeadline(const MessageFilter& filter);
    // Whether the timer with that callback exists (DispatchMessageA calls only callbacks it set).
    bool HasTimerCallback(HWND hwnd, UINT_PTR id, TIMERPROC callback);

    // The owning thread ends: its windows go without messages, pending sends get 0.
    void Shutdown();

private:
    struct Timer {
        HWND hwnd;
        UINT_PTR id;
        std::uint64_t period;
        std::uint64_t due;
        TIMERPROC callback;
    };

    const win32::ThreadToken m_token;
    const std::shared_ptr<win32::ThreadWaiter> m_waiter;

    std::mutex m_mutex;
    bool m_ended = false;
    std::deque<std::shared_ptr<SentMessage>> m_sent;
    std::deque<MSG> m_posted;
    bool m_quit = false;
    int m_exitCode = 0;
    std::vector<Timer> m_timers; // in order of creation
};

} // namespace zv::user
