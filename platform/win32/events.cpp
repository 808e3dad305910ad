#include "platform/win32/events.h"

#include "platform/win32/last_error.h"
#include "platform/win32/waitable_object.h"

namespace zv::win32 {
namespace {

class EventObject final : public WaitableObject {
public:
    EventObject(bool manualReset, bool signalled) : m_manualReset(manualReset), m_signalled(signalled) {}

    AcquireResult TryAcquire(DWORD) override
    {
        if (!m_signalled)
            return AcquireResult::Unavailable;
        if (!m_manualReset)
            m_signalled = false;
        return AcquireResult::Acquired;
    }

    void UndoAcquire(DWORD, AcquireResult taken) override
    {
        if (taken != AcquireResult::Unavailable)
            m_signalled = true;
    }

    void Set(bool signalled)
    {
        std::lock_guard lock(WaitStateLock());
        m_signalled = signalled;
        if (signalled)
            NotifyWaiters();
    }

private:
    const bool m_manualReset;
    bool m_signalled; // guarded by WaitStateLock()
};

BOOL SetEventState(HANDLE event, bool signalled)
{
    auto object = LookupHandleAs<EventObject>(event);
    if (!object)
        return FALSE;
    object->Set(signalled);
    return TRUE;
}

} // namespace
} // namespace zv::win32

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name)
{
    if (name) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    HANDLE handle = zv::win32::InsertHandle(
        std::make_shared<zv::win32::EventObject>(manualReset != FALSE, initialState != FALSE));
    if (handle)
        SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL SetEvent(HANDLE event)
{
    return zv::win32::SetEventState(event, true);
}

BOOL ResetEvent(HANDLE event)
{
    return zv::win32::SetEventState(event, false);
}
