// Timers on the manual and the steady time source.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "platform/ks/time_source.h"

namespace {

using namespace zv::ks;

TEST(ManualTimeSource, RunsTimersInOrderOfDueTimeWithTimeAtTheirDue)
{
    ManualTimeSource time(100);
    std::string log;
    int a = 0, b = 0, c = 0;
    time.Schedule(&a, 130, [&] { log += "a@" + std::to_string(time.Now()) + " "; });
    time.Schedule(&b, 110, [&] { log += "b@" + std::to_string(time.Now()) + " "; });
    time.Schedule(&c, 110, [&] { log += "c@" + std::to_string(time.Now()) + " "; });
    time.Advance(20);
    EXPECT_EQ(log, "b@110 c@110 ");
    EXPECT_EQ(time.Now(), 120);
    time.Advance(10);
    EXPECT_EQ(log, "b@110 c@110 a@130 ");
}

TEST(ManualTimeSource, ReArmingReplacesAndAPeriodicTimerFiresEachPeriod)
{
    ManualTimeSource time;
    int key = 0;
    int fired = 0;
    std::function<void()> tick = [&] {
        ++fired;
        EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);
        time.Schedule(&key, time.Now() + 10, tick);
    };
    time.Schedule(&key, 1000, [&] { fired += 100; });
    time.Schedule(&key, 10, tick);  // replaces the first
    time.Advance(35);
    EXPECT_EQ(fired, 3);
    time.Cancel(&key, true);
    time.Advance(1000);
    EXPECT_EQ(fired, 3);
    EXPECT_FALSE(time.IsScheduled(&key));
}

// What runs before each routine: with the key, in firing order, before that routine and not at
// its raised level; a routine that re-arms gets it again for its next run.
TEST(ManualTimeSource, BeforeRoutineRunsWithTheKeyAheadOfEachRoutine)
{
    ManualTimeSource time;
    int a = 0, b = 0;
    std::string log;
    time.SetBeforeRoutine([&](const void* key) {
        log += key == &a ? "before-a " : key == &b ? "before-b " : "before-? ";
        EXPECT_EQ(KeGetCurrentIrql(), PASSIVE_LEVEL);
    });
    std::function<void()> tickA = [&] {
        log += "a ";
        if (time.Now() < 30) time.Schedule(&a, time.Now() + 20, tickA);
    };
    time.Schedule(&a, 10, tickA);
    time.Schedule(&b, 20, [&] { log += "b "; });
    time.Advance(100);
    EXPECT_EQ(log, "before-a a before-b b before-a a ");

    time.SetBeforeRoutine(nullptr);
    log.clear();
    time.Schedule(&b, time.Now() + 1, [&] { log += "b "; });
    time.Advance(1);
    EXPECT_EQ(log, "b ");
}

// A retire of the key waits for what runs before its routine, as for the routine itself.
TEST(SteadyTimeSource, RetireWaitsForTheHookBeforeTheRoutine)
{
    SteadyTimeSource time;
    int key = 0;
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> hookReturned{false};
    time.SetBeforeRoutine([&](const void*) {
        entered.set_value();
        released.wait();
        hookReturned = true;
    });
    time.Schedule(&key, time.Now(), [] {});
    entered.get_future().wait();
    std::atomic<bool> retiring{false};
    auto retired = std::async(std::launch::async, [&] {
        retiring = true;
        time.Retire(&key);
        return hookReturned.load();
    });
    while (!retiring) std::this_thread::yield();
    // Time for a retire that does not wait to come back with the hook still held.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    release.set_value();
    EXPECT_TRUE(retired.get());
    time.SetBeforeRoutine(nullptr);
}

TEST(SteadyTimeSource, FiresADueTimerOnItsThread)
{
    SteadyTimeSource time;
    int key = 0;
    std::promise<KIRQL> fired;
    time.Schedule(&key, time.Now(), [&] { fired.set_value(KeGetCurrentIrql()); });
    EXPECT_EQ(fired.get_future().get(), DISPATCH_LEVEL);
    time.Cancel(&key, true);
}

// The timer thread sleeps until the earliest timer; a timer that becomes the earliest must wake
// it, whether it slept with no timer at all or for a later one.
TEST(SteadyTimeSource, ATimerThatBecomesTheEarliestWakesTheSleepingThread)
{
    constexpr LONGLONG kHour = 36'000'000'000;
    const struct {
        const char* name;
        bool laterTimer;
    } cases[] = {{"no other timer", false}, {"behind an hour-long timer", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SteadyTimeSource time;
        int later = 0;
        if (c.laterTimer) time.Schedule(&later, time.Now() + kHour, [] {});
        // Each round lets the thread go back to sleep before the next timer comes.
        for (int round = 0; round < 20; ++round) {
            int key = 0;
            std::promise<void> fired;
            time.Schedule(&key, time.Now(), [&] { fired.set_value(); });
            ASSERT_EQ(fired.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready) << round;
            time.Cancel(&key, true);
        }
        time.Cancel(&later, true);
    }
}

}  // namespace
