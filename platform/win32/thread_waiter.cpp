#include "platform/win32/thread_waiter.h"

#include <atomic>
#include <unordered_map>

namespace zv::win32 {

namespace {

std::mutex g_registryMutex;
std::unordered_map<ThreadToken, std::weak_ptr<ThreadWaiter>>& Registry()
{
    static auto* registry = new std::unordered_map<ThreadToken, std::weak_ptr<ThreadWaiter>>();
    return *registry;
}
std::atomic<ThreadToken> g_nextToken{1};

// Owns the thread's waiter and takes it out of the registry when the thread ends.
struct WaiterSlot {
    std::shared_ptr<ThreadWaiter> waiter;
    ~WaiterSlot()
    {
        if (waiter) {
            std::lock_guard lock(g_registryMutex);
            Registry().erase(waiter->Token());
        }
    }
};
thread_local WaiterSlot t_slot;

} // namespace

ThreadWaiter& ThreadWaiter::Current()
{
    if (!t_slot.waiter) {
        auto waiter = std::make_shared<ThreadWaiter>(g_nextToken.fetch_add(1));
        std::lock_guard lock(g_registryMutex);
        Registry()[waiter->Token()] = waiter;
        t_slot.waiter = std::move(waiter);
    }
    return *t_slot.waiter;
}

std::shared_ptr<ThreadWaiter> ThreadWaiter::FromToken(ThreadToken token)
{
    std::lock_guard lock(g_registryMutex);
    auto it = Registry().find(token);
    return it == Registry().end() ? nullptr : it->second.lock();
}

std::uint64_t ThreadWaiter::Epoch()
{
    std::lock_guard lock(m_mutex);
    return m_epoch;
}

bool ThreadWaiter::Block(std::uint64_t epoch, std::optional<Clock::time_point> deadline)
{
    std::unique_lock lock(m_mutex);
    auto changed = [&] { return m_epoch != epoch; };
    if (!deadline) {
        m_cv.wait(lock, changed);
        return true;
    }
    return m_cv.wait_until(lock, *deadline, changed);
}

void ThreadWaiter::Notify()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_epoch;
    }
    m_cv.notify_all();
}

void ThreadWaiter::RequestService()
{
    {
        std::lock_guard lock(m_mutex);
        m_serviceRequested = true;
        ++m_epoch;
    }
    m_cv.notify_all();
}

void ThreadWaiter::ServeIfRequested()
{
    bool requested = false;
    {
        std::lock_guard lock(m_mutex);
        requested = m_serviceRequested;
        m_serviceRequested = false;
    }
    if (requested && m_serve)
        m_serve();
}

ThreadToken CurrentThreadToken()
{
    return ThreadWaiter::Current().Token();
}

void WakeThreadForService(ThreadToken thread)
{
    if (auto waiter = ThreadWaiter::FromToken(thread))
        waiter->RequestService();
}

void SetSentMessageService(void (*serve)())
{
    ThreadWaiter::Current().m_serve = serve;
}

} // namespace zv::win32
