// Waiting on the calling thread for something another thread completes, while serving the
// messages other threads (and other processes) send to this thread, so that two senders waiting on
// each other never deadlock.
#pragma once

#include "platform/win32/thread_waiter.h"

#include <atomic>
#include <optional>

namespace zv::user {

// Returns once `done` is set (true), or at the deadline (false; none: no deadline). The one that
// sets `done` notifies this thread's waiter. With `serve` false, sent messages wait meanwhile.
bool AwaitServing(const std::atomic<bool>& done, std::optional<win32::ThreadWaiter::Clock::time_point> deadline,
                  bool serve = true);

} // namespace zv::user
