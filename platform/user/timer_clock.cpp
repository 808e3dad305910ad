#include "platform/user/timer_clock.h"

#include "platform/user/thread_queue.h"
#include "platform/user/timers.h"

#include <atomic>

namespace zv::user {

namespace {

std::atomic<bool> g_virtual{false};
std::atomic<std::uint64_t> g_virtualNow{0};

std::uint64_t RealNow()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

std::uint64_t TimerClockNow()
{
    return g_virtual.load() ? g_virtualNow.load() : RealNow();
}

std::optional<std::chrono::steady_clock::time_point> TimerWakeDeadline(std::uint64_t due)
{
    if (g_virtual.load())
        return std::nullopt;
    return std::chrono::steady_clock::time_point(std::chrono::milliseconds(due));
}

void VirtualClock::Install()
{
    if (g_virtual.load())
        return; // a second install must not move time back
    g_virtualNow.store(RealNow());
    g_virtual.store(true);
    ThreadQueue::WakeAll();
}

void VirtualClock::Uninstall()
{
    g_virtual.store(false);
    ThreadQueue::WakeAll();
}

bool VirtualClock::Installed()
{
    return g_virtual.load();
}

void VirtualClock::Advance(std::uint32_t milliseconds)
{
    g_virtualNow.fetch_add(milliseconds);
    ThreadQueue::WakeAll();
}

} // namespace zv::user
