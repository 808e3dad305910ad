#include "platform/win32/events.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/interlocked.h"
#include "platform/win32/last_error.h"
#include "platform/win32/mutexes.h"
#include "platform/win32/threads.h"
#include "platform/win32/tick_count.h"
#include "platform/win32/wait_service.h"
#include "platform/win32/waits.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <future>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The result of a wait made by another thread (which ends right after it).
DWORD WaitFromOtherThread(HANDLE handle, DWORD milliseconds)
{
    DWORD result = 0;
    std::thread([&] { result = WaitForSingleObject(handle, milliseconds); }).join();
    return result;
}

class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle()
    {
        if (m_handle)
            CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return m_handle; }
    HANDLE release() { return std::exchange(m_handle, nullptr); }

private:
    HANDLE m_handle;
};

TEST(EventTest, ResetModesDecideWhetherAWaitConsumesTheSignal)
{
    struct Case {
        BOOL manualReset;
        BOOL initialState;
        DWORD firstWait;
        DWORD secondWait;
    };
    const Case cases[] = {
        {FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},
        {TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},
        {FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "manual " << c.manualReset << " initial " << c.initialState);
        Handle event(CreateEventA(nullptr, c.manualReset, c.initialState, nullptr));
        ASSERT_NE(event.get(), nullptr);
        EXPECT_EQ(WaitForSingleObject(event.get(), 0), c.firstWait);
        EXPECT_EQ(WaitForSingleObject(event.get(), 0), c.secondWait);
    }
}

TEST(EventTest, ResetEventEndsTheSignalOfAManualEvent)
{
    Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    EXPECT_TRUE(SetEvent(event.get()));
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(event.get()));
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
}

TEST(EventTest, SetEventWakesAThreadWaitingWithoutTimeOut)
{
    Handle event(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    auto waiter = std::async(std::launch::async, [&] { return WaitForSingleObject(event.get(), INFINITE); });
    EXPECT_TRUE(SetEvent(event.get()));
    EXPECT_EQ(waiter.get(), WAIT_OBJECT_0);
    // The waiter consumed the signal of the auto-reset event.
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
}

TEST(EventTest, NamedEventsAreRefused)
{
    EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, "SomeEvent"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

TEST(WaitTest, UnsignalledObjectTimesOut)
{
    Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(event.get(), 20), WAIT_TIMEOUT);
}

TEST(WaitTest, BadHandlesAndArgumentsFailTheWait)
{
    Handle event(CreateEventA(nullptr, TRUE, TRUE, nullptr));
    HANDLE closed = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    ASSERT_TRUE(CloseHandle(closed));
    EXPECT_FALSE(CloseHandle(closed));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    struct Case {
        std::vector<HANDLE> handles;
        BOOL waitAll;
        DWORD error;
    };
    const Case cases[] = {
        {{closed}, FALSE, ERROR_INVALID_HANDLE},
        {{nullptr}, FALSE, ERROR_INVALID_HANDLE},
        {{INVALID_HANDLE_VALUE}, FALSE, ERROR_INVALID_HANDLE},
        {{event.get(), closed}, TRUE, ERROR_INVALID_HANDLE},
        {{event.get(), event.get()}, TRUE, ERROR_INVALID_PARAMETER},
        {{}, FALSE, ERROR_INVALID_PARAMETER},
        {std::vector<HANDLE>(MAXIMUM_WAIT_OBJECTS + 1, event.get()), FALSE, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(WaitForMultipleObjects(static_cast<DWORD>(c.handles.size()), c.handles.data(), c.waitAll, 0),
                  WAIT_FAILED);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST(WaitTest, WaitAnyReturnsTheLowestSignalledIndex)
{
    struct Case {
        std::vector<bool> signalled;
        DWORD expected;
    };
    const Case cases[] = {
        {{false, false, false}, WAIT_TIMEOUT},
        {{true, false, false}, WAIT_OBJECT_0},
        {{false, false, true}, WAIT_OBJECT_0 + 2},
        {{false, true, true}, WAIT_OBJECT_0 + 1},
    };
    for (const Case& c : cases) {
        std::vector<HANDLE> events;
        for (bool on : c.signalled)
            events.push_back(CreateEventA(nullptr, FALSE, on, nullptr));
        EXPECT_EQ(WaitForMultipleObjects(3, events.data(), FALSE, 0), c.expected);
        // Only the winning auto-reset event was consumed.
        for (std::size_t i = 0; i < events.size(); ++i) {
            const bool consumed = c.expected == WAIT_OBJECT_0 + i;
            EXPECT_EQ(WaitForSingleObject(events[i], 0), c.signalled[i] && !consumed ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
            CloseHandle(events[i]);
        }
    }
}

TEST(WaitTest, WaitAllTakesNothingUntilEveryObjectIsSignalled)
{
    Handle first(CreateEventA(nullptr, FALSE, TRUE, nullptr));
    Handle second(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    const HANDLE both[] = {first.get(), second.get()};

    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 10), WAIT_TIMEOUT);

    SetEvent(second.get());
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(first.get(), 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(second.get(), 0), WAIT_TIMEOUT);
}

TEST(WaitTest, WaitAllCompletesWhenTheLastObjectIsSignalled)
{
    Handle first(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    Handle second(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const HANDLE both[] = {first.get(), second.get()};
    auto waiter = std::async(std::launch::async, [&] { return WaitForMultipleObjects(2, both, TRUE, INFINITE); });
    SetEvent(first.get());
    SetEvent(second.get());
    EXPECT_EQ(waiter.get(), WAIT_OBJECT_0);
}

TEST(WaitTest, WaitAllDoesNotTakeAnEventWhileAMutexIsHeldElsewhere)
{
    Handle mutex(CreateMutexA(nullptr, TRUE, nullptr));
    Handle event(CreateEventA(nullptr, FALSE, TRUE, nullptr));
    const HANDLE both[] = {event.get(), mutex.get()};
    DWORD result = 0;
    std::thread([&] { result = WaitForMultipleObjects(2, both, TRUE, 0); }).join();
    EXPECT_EQ(result, WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
}

// A wait keeps its object alive: closing the handle on another thread does not end or break it.
TEST(WaitTest, WaitOutlivesACloseOfItsHandle)
{
    Handle go(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE worker = CreateThread(
        nullptr, 0, [](LPVOID go) -> DWORD { return WaitForSingleObject(go, INFINITE) == WAIT_OBJECT_0 ? 7 : 0; },
        go.get(), 0, nullptr);
    ASSERT_NE(worker, nullptr);

    static std::atomic<bool> s_inWait;
    s_inWait = false;
    std::promise<zv::win32::ThreadToken> token;
    auto waiter = std::async(std::launch::async, [&] {
        zv::win32::SetSentMessageService([] { s_inWait = true; });
        token.set_value(zv::win32::CurrentThreadToken());
        const DWORD result = WaitForSingleObject(worker, INFINITE);
        zv::win32::SetSentMessageService(nullptr);
        return result;
    });
    // Once the service routine ran, the waiter is inside its wait.
    zv::win32::WakeThreadForService(token.get_future().get());
    while (!s_inWait)
        std::this_thread::yield();
    EXPECT_TRUE(CloseHandle(worker));
    SetEvent(go.get());
    EXPECT_EQ(waiter.get(), WAIT_OBJECT_0);
}

TEST(WaitTest, WaitingThreadServesSentMessagesAndGoesOnWaiting)
{
    static std::atomic<int> s_served;
    s_served = 0;
    Handle served(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    Handle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    static HANDLE s_servedEvent;
    s_servedEvent = served.get();

    std::promise<zv::win32::ThreadToken> token;
    auto waiter = std::async(std::launch::async, [&] {
        zv::win32::SetSentMessageService([] {
            ++s_served;
            SetEvent(s_servedEvent);
        });
        token.set_value(zv::win32::CurrentThreadToken());
        const DWORD result = WaitForSingleObject(done.get(), INFINITE);
        zv::win32::SetSentMessageService(nullptr);
        return result;
    });
    const zv::win32::ThreadToken thread = token.get_future().get();
    for (int round = 1; round <= 3; ++round) {
        zv::win32::WakeThreadForService(thread);
        EXPECT_EQ(WaitForSingleObject(served.get(), INFINITE), WAIT_OBJECT_0);
        EXPECT_EQ(s_served.load(), round);
    }
    // Being served did not end the wait; only its own object does.
    EXPECT_EQ(waiter.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    SetEvent(done.get());
    EXPECT_EQ(waiter.get(), WAIT_OBJECT_0);
}

TEST(MutexTest, OwnerTakesItRecursivelyAndMustReleaseAsOften)
{
    Handle mutex(CreateMutexA(nullptr, TRUE, nullptr));
    ASSERT_NE(mutex.get(), nullptr);
    EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex.get(), INFINITE), WAIT_OBJECT_0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(WaitFromOtherThread(mutex.get(), 0), WAIT_TIMEOUT) << "after " << i << " releases";
        EXPECT_TRUE(ReleaseMutex(mutex.get()));
    }
    EXPECT_FALSE(ReleaseMutex(mutex.get()));
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
}

TEST(MutexTest, ZeroTimeOutFailsFastWhileAnotherThreadHoldsIt)
{
    Handle mutex(CreateMutexA(nullptr, FALSE, nullptr));
    EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitFromOtherThread(mutex.get(), 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitFromOtherThread(mutex.get(), 15), WAIT_TIMEOUT);
    DWORD released = TRUE;
    std::thread([&] { released = ReleaseMutex(mutex.get()); }).join();
    EXPECT_FALSE(released);
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
}

TEST(MutexTest, ReleaseHandsTheMutexToAWaitingThread)
{
    Handle mutex(CreateMutexA(nullptr, TRUE, nullptr));
    std::atomic<bool> waiterReleased{false};
    auto waiter = std::async(std::launch::async, [&] {
        const DWORD result = WaitForSingleObject(mutex.get(), INFINITE);
        waiterReleased = ReleaseMutex(mutex.get()) != FALSE;
        return result;
    });
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
    EXPECT_EQ(waiter.get(), WAIT_OBJECT_0);
    EXPECT_TRUE(waiterReleased);
}

TEST(MutexTest, MutexLeftOwnedByAnEndedThreadIsAbandoned)
{
    Handle mutex(CreateMutexA(nullptr, FALSE, nullptr));
    // A thread of the layer and a plain thread both leave the mutex owned when they end.
    HANDLE layerThread = CreateThread(
        nullptr, 0, [](LPVOID mutex) -> DWORD { return WaitForSingleObject(mutex, 0); }, mutex.get(), 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(layerThread, INFINITE), WAIT_OBJECT_0);
    DWORD taken = 0;
    ASSERT_TRUE(GetExitCodeThread(layerThread, &taken));
    CloseHandle(layerThread);
    ASSERT_EQ(taken, WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
    EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex.get()));

    ASSERT_EQ(WaitFromOtherThread(mutex.get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
}

TEST(MutexTest, WaitForSeveralReportsTheAbandonedIndex)
{
    Handle event(CreateEventA(nullptr, TRUE, TRUE, nullptr));
    Handle mutex(CreateMutexA(nullptr, FALSE, nullptr));
    ASSERT_EQ(WaitFromOtherThread(mutex.get(), 0), WAIT_OBJECT_0);
    const HANDLE both[] = {event.get(), mutex.get()};
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_ABANDONED_0 + 1);
    EXPECT_TRUE(ReleaseMutex(mutex.get()));
}

DWORD ReturnParameter(LPVOID parameter)
{
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(parameter));
}

TEST(ThreadTest, ExitCodeIsStillActiveUntilTheThreadEnds)
{
    Handle go(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    DWORD id = 0;
    Handle thread(CreateThread(
        nullptr, 0, [](LPVOID go) -> DWORD { return WaitForSingleObject(go, INFINITE) == WAIT_OBJECT_0 ? 42 : 1; },
        go.get(), 0, &id));
    ASSERT_NE(thread.get(), nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, GetCurrentThreadId());
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread.get(), &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(thread.get(), 0), WAIT_TIMEOUT);

    SetEvent(go.get());
    EXPECT_EQ(WaitForSingleObject(thread.get(), INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(thread.get(), &code));
    EXPECT_EQ(code, 42u);
    // An ended thread stays signalled.
    EXPECT_EQ(WaitForSingleObject(thread.get(), 0), WAIT_OBJECT_0);
}

TEST(ThreadTest, RuntimeThreadCreationGivesAWaitableHandleAndTheThreadId)
{
    struct Seen {
        DWORD id = 0;
    } seen;
    unsigned id = 0;
    const std::uintptr_t handle = _beginthreadex(
        nullptr, 0,
        [](void* seen) -> unsigned {
            static_cast<Seen*>(seen)->id = GetCurrentThreadId();
            return 7;
        },
        &seen, 0, &id);
    ASSERT_NE(handle, 0u);
    HANDLE thread = reinterpret_cast<HANDLE>(handle);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(seen.id, id);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(ThreadTest, WaitAllForSeveralThreadsCollectsEveryExitCode)
{
    std::vector<HANDLE> threads;
    for (std::uintptr_t i = 1; i <= 5; ++i)
        threads.push_back(CreateThread(nullptr, 0, ReturnParameter, reinterpret_cast<LPVOID>(i * 10), 0, nullptr));
    EXPECT_EQ(WaitForMultipleObjects(5, threads.data(), TRUE, INFINITE), WAIT_OBJECT_0);
    for (std::size_t i = 0; i < threads.size(); ++i) {
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeThread(threads[i], &code));
        EXPECT_EQ(code, (i + 1) * 10);
        CloseHandle(threads[i]);
    }
}

TEST(ThreadTest, UnsupportedRequestsAreRefused)
{
    EXPECT_EQ(CreateThread(nullptr, 0, ReturnParameter, nullptr, CREATE_SUSPENDED, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    DWORD code = 0;
    EXPECT_FALSE(GetExitCodeThread(event.get(), &code));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(ThreadTest, ThreadIdsAreDistinctAndStable)
{
    const DWORD mine = GetCurrentThreadId();
    EXPECT_EQ(GetCurrentThreadId(), mine);
    DWORD other = 0;
    std::thread([&] { other = GetCurrentThreadId(); }).join();
    EXPECT_NE(other, 0u);
    EXPECT_NE(other, mine);
}

TEST(InterlockedTest, ConcurrentIncrementsAndDecrementsAllCount)
{
    LONG volatile counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 10000; ++i) {
                if (t % 2 == 0) {
                    InterlockedIncrement(&counter);
                    InterlockedIncrement(&counter);
                } else {
                    InterlockedDecrement(&counter);
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 20000);
}

TEST(InterlockedTest, ResultsAreTheNewValueAndWrapAround)
{
    LONG volatile value = 5;
    EXPECT_EQ(InterlockedIncrement(&value), 6);
    EXPECT_EQ(InterlockedDecrement(&value), 5);
    EXPECT_EQ(InterlockedExchange(&value, 9), 5);
    EXPECT_EQ(value, 9);
    value = INT_MAX;
    EXPECT_EQ(InterlockedIncrement(&value), INT_MIN);
    EXPECT_EQ(InterlockedDecrement(&value), INT_MAX);
}

TEST(TimeTest, SleepLastsAtLeastItsTimeAndTheTickCountFollows)
{
    const DWORD ticksBefore = GetTickCount();
    const auto before = std::chrono::steady_clock::now();
    Sleep(30);
    const auto slept = std::chrono::steady_clock::now() - before;
    EXPECT_GE(slept, std::chrono::milliseconds(30));
    // Unsigned difference: correct across the 49.7-day wrap as well.
    EXPECT_GE(GetTickCount() - ticksBefore, 29u);
}

} // namespace
