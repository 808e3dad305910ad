#include "platform/win32/threads.h"

#include "platform/win32/last_error.h"
#include "platform/win32/mutexes.h"
#include "platform/win32/waitable_object.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <atomic>
#include <cerrno>
#include <functional>
#include <system_error>
#include <thread>

namespace zv::win32 {

namespace {

std::atomic<DWORD> g_nextThreadId{1};
thread_local DWORD t_threadId = 0;

DWORD NewThreadId()
{
    DWORD id = g_nextThreadId.fetch_add(1);
    if (id == 0) // after wrapping around
        id = g_nextThreadId.fetch_add(1);
    return id;
}

class ThreadObject final : public WaitableObject {
public:
    explicit ThreadObject(DWORD id) : m_id(id) {}

    DWORD Id() const { return m_id; }
    // The kernel's id of the running thread, 0 before it starts and once it has ended.
    pid_t KernelId() const { return m_kernelId.load(); }
    void SetKernelId(pid_t id) { m_kernelId.store(id); }
    // The starter waits for this so the handle it returns can be given a priority at once.
    void MarkStarted()
    {
        m_started.store(true);
        m_started.notify_all();
    }
    void WaitStarted() const { m_started.wait(false); }

    AcquireResult TryAcquire(DWORD) override { return m_ended ? AcquireResult::Acquired : AcquireResult::Unavailable; }
    void UndoAcquire(DWORD, AcquireResult) override {}

    void Finish(DWORD exitCode)
    {
        std::lock_guard lock(WaitStateLock());
        m_exitCode = exitCode;
        m_ended = true;
        NotifyWaiters();
    }

    DWORD ExitCode()
    {
        std::lock_guard lock(WaitStateLock());
        return m_ended ? m_exitCode : STILL_ACTIVE;
    }

private:
    const DWORD m_id;
    std::atomic<pid_t> m_kernelId{0};
    std::atomic<bool> m_started{false};
    bool m_ended = false; // guarded by WaitStateLock()
    DWORD m_exitCode = STILL_ACTIVE;
};

// Starts the thread; null (with the last error set) when it cannot.
HANDLE StartThread(std::function<DWORD()> body, DWORD creationFlags, DWORD* threadId)
{
    if (creationFlags != 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    auto object = std::make_shared<ThreadObject>(NewThreadId());
    HANDLE handle = InsertHandle(object);
    if (!handle)
        return nullptr;
    try {
        std::thread([object, body = std::move(body)] {
            t_threadId = object->Id();
            object->SetKernelId(gettid());
            object->MarkStarted();
            const DWORD exitCode = body();
            object->SetKernelId(0);
            // Mutexes left owned are abandoned before anyone waiting for the end wakes up.
            AbandonMutexesOfCurrentThread();
            object->Finish(exitCode);
        }).detach();
    } catch (const std::system_error&) {
        RemoveHandle(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    object->WaitStarted();
    if (threadId)
        *threadId = object->Id();
    return handle;
}

HANDLE const g_currentThreadPseudoHandle = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2));

struct PriorityLevel {
    int level;
    int nice;
};
// Ordered from the highest priority down.
constexpr std::array<PriorityLevel, 7> kPriorityLevels{{
    {THREAD_PRIORITY_TIME_CRITICAL, -20},
    {THREAD_PRIORITY_HIGHEST, -10},
    {THREAD_PRIORITY_ABOVE_NORMAL, -5},
    {THREAD_PRIORITY_NORMAL, 0},
    {THREAD_PRIORITY_BELOW_NORMAL, 5},
    {THREAD_PRIORITY_LOWEST, 10},
    {THREAD_PRIORITY_IDLE, 19},
}};

// The kernel thread behind a handle; 0 (last error set) for anything else or an ended thread.
pid_t KernelThreadOf(HANDLE thread)
{
    if (thread == g_currentThreadPseudoHandle)
        return gettid();
    auto object = LookupHandleAs<ThreadObject>(thread);
    if (!object)
        return 0;
    const pid_t id = object->KernelId();
    if (id == 0)
        SetLastError(ERROR_INVALID_HANDLE);
    return id;
}

} // namespace

} // namespace zv::win32

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD creationFlags, LPDWORD threadId)
{
    if (!start) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return zv::win32::StartThread([start, parameter] { return start(parameter); }, creationFlags, threadId);
}

std::uintptr_t _beginthreadex(void*, unsigned, unsigned (*start)(void*), void* argument, unsigned initFlags,
                              unsigned* threadId)
{
    if (!start) {
        errno = EINVAL;
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DWORD id = 0;
    HANDLE handle = zv::win32::StartThread([start, argument] { return static_cast<DWORD>(start(argument)); },
                                           initFlags, &id);
    if (!handle) {
        errno = GetLastError() == ERROR_NOT_SUPPORTED ? EINVAL : EAGAIN;
        return 0;
    }
    if (threadId)
        *threadId = id;
    return reinterpret_cast<std::uintptr_t>(handle);
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode)
{
    auto object = zv::win32::LookupHandleAs<zv::win32::ThreadObject>(thread);
    if (!object)
        return FALSE;
    if (!exitCode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *exitCode = object->ExitCode();
    return TRUE;
}

DWORD GetCurrentThreadId()
{
    if (zv::win32::t_threadId == 0)
        zv::win32::t_threadId = zv::win32::NewThreadId();
    return zv::win32::t_threadId;
}

HANDLE GetCurrentThread()
{
    return zv::win32::g_currentThreadPseudoHandle;
}

BOOL SetThreadPriority(HANDLE thread, int priority)
{
    const auto& levels = zv::win32::kPriorityLevels;
    const auto level = std::find_if(levels.begin(), levels.end(), [&](const auto& l) { return l.level == priority; });
    if (level == levels.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const pid_t id = zv::win32::KernelThreadOf(thread);
    if (id == 0)
        return FALSE;
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(id), level->nice) != 0) {
        SetLastError(errno == ESRCH ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

int GetThreadPriority(HANDLE thread)
{
    const pid_t id = zv::win32::KernelThreadOf(thread);
    if (id == 0)
        return THREAD_PRIORITY_ERROR_RETURN;
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(id));
    if (nice == -1 && errno != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return THREAD_PRIORITY_ERROR_RETURN;
    }
    // The nearest level; a nice value set outside this system may lie between two.
    const auto& levels = zv::win32::kPriorityLevels;
    const auto nearest = std::min_element(levels.begin(), levels.end(), [&](const auto& a, const auto& b) {
        return std::abs(a.nice - nice) < std::abs(b.nice - nice);
    });
    return nearest->level;
}
