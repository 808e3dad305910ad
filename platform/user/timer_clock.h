// The time that timers run on: real (steady) time, or the tests' virtual clock.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace zv::user {

// Milliseconds on the timers' clock.
std::uint64_t TimerClockNow();
// When a thread must wake for a timer due at `due`; none under the virtual clock, which wakes the
// queues itself when it moves.
std::optional<std::chrono::steady_clock::time_point> TimerWakeDeadline(std::uint64_t due);

} // namespace zv::user
