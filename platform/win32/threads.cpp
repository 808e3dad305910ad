#include "platform/win32/threads.h"

#include "platform/win32/last_error.h"
#include "platform/win32/mutexes.h"
#include "platform/win32/waitable_object.h"

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
            const DWORD exitCode = body();
            // Mutexes left owned are abandoned before anyone waiting for the end wakes up.
            AbandonMutexesOfCurrentThread();
            object->Finish(exitCode);
        }).detach();
    } catch (const std::system_error&) {
        RemoveHandle(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (threadId)
        *threadId = object->Id();
    return handle;
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
