#include "platform/user/thread_queue.h"

#include "platform/user/remote_windows.h"
#include "platform/user/timer_clock.h"
#include "platform/user/window_model.h"
#include "platform/win32/wait_service.h"

#include <algorithm>

namespace zv::user {

namespace {

std::mutex g_queuesMutex;
std::vector<std::weak_ptr<ThreadQueue>>& LiveQueues()
{
    static auto* queues = new std::vector<std::weak_ptr<ThreadQueue>>();
    return *queues;
}

// Owns the thread's queue and shuts it down when the thread ends.
struct QueueSlot {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueSlot()
    {
        if (queue)
            queue->Shutdown();
    }
};
thread_local QueueSlot t_slot;

void ServeSentMessagesOfThisThread()
{
    if (ThreadQueue* queue = ThreadQueue::CurrentOrNull())
        queue->ServeSent();
}

} // namespace

void SentMessage::Complete(LRESULT value)
{
    result = value;
    done.store(true, std::memory_order_release);
    if (sender)
        sender->Notify();
}

bool MessageFilter::Accepts(HWND target, UINT message) const
{
    if (hwnd == reinterpret_cast<HWND>(-1)) {
        if (target != nullptr)
            return false;
    } else if (hwnd != nullptr && target != hwnd) {
        return false;
    }
    if (first == 0 && last == 0)
        return true;
    return first <= message && message <= last;
}

std::shared_ptr<ThreadQueue> ThreadQueue::ForCurrentThread()
{
    // The waiter first: thread-locals end in reverse order, so it outlives the queue's slot.
    win32::ThreadWaiter& waiter = win32::ThreadWaiter::Current();
    if (!t_slot.queue) {
        auto queue = std::make_shared<ThreadQueue>(waiter.Token(), win32::ThreadWaiter::FromToken(waiter.Token()));
        {
            std::lock_guard lock(g_queuesMutex);
            LiveQueues().push_back(queue);
        }
        t_slot.queue = std::move(queue);
        win32::SetSentMessageService(&ServeSentMessagesOfThisThread);
    }
    return t_slot.queue;
}

ThreadQueue* ThreadQueue::CurrentOrNull()
{
    return t_slot.queue.get();
}

void ThreadQueue::WakeAll()
{
    std::vector<std::shared_ptr<ThreadQueue>> queues;
    {
        std::lock_guard lock(g_queuesMutex);
        for (const auto& weak : LiveQueues()) {
            if (auto queue = weak.lock())
                queues.push_back(std::move(queue));
        }
    }
    for (const auto& queue : queues)
        queue->Wake();
}

ThreadQueue::ThreadQueue(win32::ThreadToken token, std::shared_ptr<win32::ThreadWaiter> waiter)
    : m_token(token), m_waiter(std::move(waiter))
{
}

bool ThreadQueue::PostLocked(const MSG& msg)
{
    std::lock_guard lock(m_mutex);
    if (m_ended)
        return false;
    m_posted.push_back(msg);
    return true;
}

bool ThreadQueue::EnqueueSentLocked(std::shared_ptr<SentMessage> sent)
{
    std::lock_guard lock(m_mutex);
    if (m_ended)
        return false;
    m_sent.push_back(std::move(sent));
    return true;
}

void ThreadQueue::SetTimerLocked(HWND hwnd, UINT_PTR id, std::uint32_t period, TIMERPROC callback)
{
    const std::uint64_t due = TimerClockNow() + period;
    std::lock_guard lock(m_mutex);
    for (Timer& timer : m_timers) {
        if (timer.hwnd == hwnd && timer.id == id) {
            timer = Timer{hwnd, id, period, due, callback};
            return;
        }
    }
    m_timers.push_back(Timer{hwnd, id, period, due, callback});
}

bool ThreadQueue::KillTimerLocked(HWND hwnd, UINT_PTR id)
{
    std::lock_guard lock(m_mutex);
    auto it = std::find_if(m_timers.begin(), m_timers.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == m_timers.end())
        return false;
    m_timers.erase(it);
    return true;
}

void ThreadQueue::DropWindow(HWND hwnd)
{
    std::vector<std::shared_ptr<SentMessage>> orphaned;
    {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_posted, [&](const MSG& m) { return m.hwnd == hwnd; });
        std::erase_if(m_timers, [&](const Timer& t) { return t.hwnd == hwnd; });
        for (auto it = m_sent.begin(); it != m_sent.end();) {
            if ((*it)->hwnd == hwnd) {
                orphaned.push_back(std::move(*it));
                it = m_sent.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& sent : orphaned)
        sent->Complete(0);
}

void ThreadQueue::Wake()
{
    m_waiter->Notify();
}

void ThreadQueue::WakeForService()
{
    win32::WakeThreadForService(m_token);
}

void ThreadQueue::PostFront(const MSG& msg)
{
    std::lock_guard lock(m_mutex);
    m_posted.push_front(msg);
}

void ThreadQueue::PostQuit(int exitCode)
{
    std::lock_guard lock(m_mutex);
    m_quit = true;
    m_exitCode = exitCode;
}

void ThreadQueue::ServeSent()
{
    for (;;) {
        std::shared_ptr<SentMessage> sent;
        {
            std::lock_guard lock(m_mutex);
            if (m_sent.empty())
                return;
            sent = std::move(m_sent.front());
            m_sent.pop_front();
        }
        // A window destroyed meanwhile answers 0.
        sent->Complete(CallWindowProcedure(sent->hwnd, sent->message, sent->wParam, sent->lParam));
    }
}

bool ThreadQueue::Take(MSG* msg, const MessageFilter& filter, bool remove)
{
    ServeSent();
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_posted.begin(); it != m_posted.end(); ++it) {
            if (filter.Accepts(it->hwnd, it->message)) {
                *msg = *it;
                if (remove)
                    m_posted.erase(it);
                return true;
            }
        }
        // WM_QUIT ignores the message range.
        if (m_quit) {
            *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(m_exitCode), 0, static_cast<DWORD>(TimerClockNow()), {}};
            if (remove)
                m_quit = false;
            return true;
        }
    }
    // WM_PAINT only when nothing else waits, and as long as the window has something to paint
    // (taken without the queue's lock: the window table's lock comes first).
    if (filter.hwnd != reinterpret_cast<HWND>(-1) && filter.Accepts(filter.hwnd, WM_PAINT)) {
        if (const HWND dirty = FindWindowToPaint(this, filter.hwnd)) {
            *msg = MSG{dirty, WM_PAINT, 0, 0, static_cast<DWORD>(TimerClockNow()), {}};
            return true;
        }
    }
    std::lock_guard lock(m_mutex);
    const std::uint64_t now = TimerClockNow();
    Timer* next = nullptr;
    for (Timer& timer : m_timers) {
        if (timer.due <= now && filter.Accepts(timer.hwnd, WM_TIMER) && (!next || timer.due < next->due))
            next = &timer;
    }
    if (!next)
        return false;
    *msg = MSG{next->hwnd, WM_TIMER, next->id, reinterpret_cast<LPARAM>(next->callback),
               static_cast<DWORD>(now), {}};
    // However many periods went by, one WM_TIMER; the next period starts now.
    if (remove)
        next->due = now + next->period;
    return true;
}

std::optional<win32::ThreadWaiter::Clock::time_point> ThreadQueue::NextTimerDeadline(const MessageFilter& filter)
{
    std::lock_guard lock(m_mutex);
    std::optional<std::uint64_t> earliest;
    for (const Timer& timer : m_timers) {
        if (filter.Accepts(timer.hwnd, WM_TIMER) && (!earliest || timer.due < *earliest))
            earliest = timer.due;
    }
    if (!earliest)
        return std::nullopt;
    return TimerWakeDeadline(*earliest);
}

bool ThreadQueue::HasTimerCallback(HWND hwnd, UINT_PTR id, TIMERPROC callback)
{
    std::lock_guard lock(m_mutex);
    return std::any_of(m_timers.begin(), m_timers.end(), [&](const Timer& t) {
        return t.hwnd == hwnd && t.id == id && t.callback == callback;
    });
}

void ThreadQueue::Shutdown()
{
    std::vector<HWND> topLevels;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        for (HWND hwnd : table.WindowsOf(this)) {
            WindowRecord* record = table.Find(hwnd);
            if (!record->IsChild())
                topLevels.push_back(hwnd);
            --record->windowClass->windowCount;
            table.Remove(hwnd);
        }
    }
    // They vanish from the screen with their thread.
    for (HWND hwnd : topLevels)
        ForgetDisplayWindow(hwnd);
    for (HWND hwnd : topLevels)
        WithdrawWindow(hwnd);
    std::deque<std::shared_ptr<SentMessage>> pending;
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
        pending.swap(m_sent);
        m_posted.clear();
        m_timers.clear();
    }
    for (const auto& sent : pending)
        sent->Complete(0);
    std::lock_guard lock(g_queuesMutex);
    std::erase_if(LiveQueues(), [&](const std::weak_ptr<ThreadQueue>& weak) {
        auto queue = weak.lock();
        return !queue || queue.get() == this;
    });
}

} // namespace zv::user
