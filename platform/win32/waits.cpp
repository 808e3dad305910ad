#include "platform/win32/waits.h"

#include "platform/win32/last_error.h"
#include "platform/win32/threads.h"
#include "platform/win32/waitable_object.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

namespace zv::win32 {

namespace {

using Clock = ThreadWaiter::Clock;
using ObjectList = std::vector<std::shared_ptr<WaitableObject>>;

// How often a wait tests objects whose state lives in other processes as well.
constexpr auto kPollInterval = std::chrono::milliseconds(5);

std::optional<Clock::time_point> DeadlineAfter(DWORD milliseconds)
{
    if (milliseconds == INFINITE)
        return std::nullopt;
    return Clock::now() + std::chrono::milliseconds(milliseconds);
}

// Registers a thread as waiting on objects for the life of a wait.
class WaiterRegistration {
public:
    WaiterRegistration(const ObjectList& objects, ThreadWaiter& waiter) : m_objects(objects), m_waiter(waiter)
    {
        std::lock_guard lock(WaitStateLock());
        for (const auto& object : m_objects)
            object->AddWaiter(&m_waiter);
    }
    ~WaiterRegistration()
    {
        std::lock_guard lock(WaitStateLock());
        for (const auto& object : m_objects)
            object->RemoveWaiter(&m_waiter);
    }
    WaiterRegistration(const WaiterRegistration&) = delete;
    WaiterRegistration& operator=(const WaiterRegistration&) = delete;

private:
    const ObjectList& m_objects;
    ThreadWaiter& m_waiter;
};

// Under WaitStateLock(): the wait's result when it can complete now.
std::optional<DWORD> TrySatisfy(const ObjectList& objects, bool waitAll, DWORD threadId)
{
    if (!waitAll) {
        for (std::size_t i = 0; i < objects.size(); ++i) {
            const AcquireResult result = objects[i]->TryAcquire(threadId);
            if (result == AcquireResult::Acquired)
                return WAIT_OBJECT_0 + static_cast<DWORD>(i);
            if (result == AcquireResult::AcquiredAbandoned)
                return WAIT_ABANDONED_0 + static_cast<DWORD>(i);
        }
        return std::nullopt;
    }
    std::vector<AcquireResult> taken;
    taken.reserve(objects.size());
    for (const auto& object : objects) {
        const AcquireResult result = object->TryAcquire(threadId);
        if (result == AcquireResult::Unavailable) {
            for (std::size_t i = taken.size(); i-- > 0;)
                objects[i]->UndoAcquire(threadId, taken[i]);
            return std::nullopt;
        }
        taken.push_back(result);
    }
    const auto abandoned = std::find(taken.begin(), taken.end(), AcquireResult::AcquiredAbandoned);
    if (abandoned != taken.end())
        return WAIT_ABANDONED_0 + static_cast<DWORD>(abandoned - taken.begin());
    return WAIT_OBJECT_0;
}

DWORD WaitForObjects(const ObjectList& objects, bool waitAll, DWORD milliseconds)
{
    const DWORD threadId = GetCurrentThreadId();
    const auto deadline = DeadlineAfter(milliseconds);
    const bool polls = std::any_of(objects.begin(), objects.end(), [](const auto& o) { return o->NeedsPolling(); });
    ThreadWaiter& waiter = ThreadWaiter::Current();
    WaiterRegistration registration(objects, waiter);
    for (;;) {
        const std::uint64_t epoch = waiter.Epoch();
        {
            std::lock_guard lock(WaitStateLock());
            if (auto result = TrySatisfy(objects, waitAll, threadId))
                return *result;
        }
        const auto now = Clock::now();
        if (deadline && now >= *deadline)
            return WAIT_TIMEOUT;
        auto wakeAt = deadline;
        if (polls)
            wakeAt = deadline ? std::min(*deadline, now + kPollInterval) : now + kPollInterval;
        waiter.ServeIfRequested();
        waiter.Block(epoch, wakeAt);
        waiter.ServeIfRequested();
    }
}

DWORD FailWait(DWORD error)
{
    SetLastError(error);
    return WAIT_FAILED;
}

} // namespace

} // namespace zv::win32

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds)
{
    using namespace zv::win32;
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles)
        return FailWait(ERROR_INVALID_PARAMETER);
    ObjectList objects;
    objects.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        auto object = LookupHandleAs<WaitableObject>(handles[i]);
        if (!object)
            return FailWait(ERROR_INVALID_HANDLE);
        if (waitAll && std::find(objects.begin(), objects.end(), object) != objects.end())
            return FailWait(ERROR_INVALID_PARAMETER);
        objects.push_back(std::move(object));
    }
    return WaitForObjects(objects, waitAll != FALSE, milliseconds);
}

void Sleep(DWORD milliseconds)
{
    using namespace zv::win32;
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    const auto deadline = DeadlineAfter(milliseconds);
    ThreadWaiter& waiter = ThreadWaiter::Current();
    for (;;) {
        const std::uint64_t epoch = waiter.Epoch();
        if (deadline && ThreadWaiter::Clock::now() >= *deadline)
            return;
        waiter.ServeIfRequested();
        waiter.Block(epoch, deadline);
        waiter.ServeIfRequested();
    }
}
