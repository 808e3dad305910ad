#include "platform/user/await_serving.h"

#include "platform/user/thread_queue.h"

namespace zv::user {

bool AwaitServing(const std::atomic<bool>& done, std::optional<win32::ThreadWaiter::Clock::time_point> deadline,
                  bool serve)
{
    win32::ThreadWaiter& waiter = win32::ThreadWaiter::Current();
    for (;;) {
        const std::uint64_t epoch = waiter.Epoch();
        if (done.load(std::memory_order_acquire))
            return true;
        if (serve) {
            waiter.ServeIfRequested();
            if (ThreadQueue* own = ThreadQueue::CurrentOrNull())
                own->ServeSent();
            if (done.load(std::memory_order_acquire))
                return true;
        }
        if (!waiter.Block(epoch, deadline))
            return done.load(std::memory_order_acquire);
    }
}

} // namespace zv::user
