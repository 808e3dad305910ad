#include "platform/win32/mutexes.h"

#include "platform/win32/last_error.h"
#include "platform/win32/named_objects.h"
#include "platform/win32/threads.h"
#include "platform/win32/waitable_object.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace zv::win32 {

namespace {

class MutexObject;

// The mutexes a thread owns, so that they can be abandoned when it ends.
struct OwnedMutexes {
    DWORD threadId = 0;
    std::vector<std::weak_ptr<MutexObject>> mutexes;
    ~OwnedMutexes();
};
thread_local OwnedMutexes t_owned;

// The cross-process side of a named mutex: the presence share in the name and the owner lock file.
// The owner file's first byte is 1 while a process owns the mutex, so the next owner can tell that
// the previous one died holding it.
class OwnerLock {
public:
    explicit OwnerLock(int fd) : m_fd(fd) {}
    ~OwnerLock() { close(m_fd); }
    OwnerLock(const OwnerLock&) = delete;
    OwnerLock& operator=(const OwnerLock&) = delete;

    // Takes the lock without waiting; `abandoned` tells whether the previous owner died holding it.
    bool TryTake(bool& abandoned)
    {
        if (flock(m_fd, LOCK_EX | LOCK_NB) != 0)
            return false;
        unsigned char mark = 0;
        abandoned = pread(m_fd, &mark, 1, 0) == 1 && mark == 1;
        WriteMark(1);
        return true;
    }

    // Gives the lock back; a mutex given up by an ending owner keeps its mark and reads as abandoned.
    void Give(bool abandoned)
    {
        WriteMark(abandoned ? 1 : 0);
        flock(m_fd, LOCK_UN);
    }

    void ResetMark() { WriteMark(0); }

private:
    void WriteMark(unsigned char mark)
    {
        // The mark only refines the result of the next wait; a failed write cannot be helped here.
        [[maybe_unused]] ssize_t written = pwrite(m_fd, &mark, 1, 0);
    }

    int m_fd;
};

std::map<std::string, std::weak_ptr<MutexObject>>& NamedMutexes()
{
    static auto* mutexes = new std::map<std::string, std::weak_ptr<MutexObject>>();
    return *mutexes;
}

class MutexObject final : public WaitableObject, public std::enable_shared_from_this<MutexObject> {
public:
    MutexObject() = default;
    MutexObject(std::string objectsFolder, std::string key, std::unique_ptr<PresenceLock> presence,
                std::unique_ptr<OwnerLock> owner)
        : m_objectsFolder(std::move(objectsFolder)), m_key(std::move(key)), m_presence(std::move(presence)),
          m_ownerLock(std::move(owner))
    {
    }

    ~MutexObject() override
    {
        if (!m_ownerLock)
            return;
        {
            std::lock_guard lock(WaitStateLock());
            // Closing the last handle while owned: other processes see the mutex abandoned.
            if (m_owner != 0)
                m_ownerLock->Give(true);
        }
        NamespaceGate gate(m_objectsFolder);
        m_presence->Leave(gate);
        auto& named = NamedMutexes();
        auto it = named.find(m_key);
        if (it != named.end() && it->second.expired())
            named.erase(it);
    }

    AcquireResult TryAcquire(DWORD threadId) override
    {
        if (m_owner == threadId) {
            ++m_recursion;
            return AcquireResult::Acquired;
        }
        if (m_owner != 0)
            return AcquireResult::Unavailable;
        bool abandonedElsewhere = false;
        if (m_ownerLock && !m_ownerLock->TryTake(abandonedElsewhere))
            return AcquireResult::Unavailable;
        const bool abandoned = m_abandoned || abandonedElsewhere;
        m_abandoned = false;
        m_owner = threadId;
        m_recursion = 1;
        RememberOwnedByCurrentThread(threadId);
        return abandoned ? AcquireResult::AcquiredAbandoned : AcquireResult::Acquired;
    }

    void UndoAcquire(DWORD threadId, AcquireResult taken) override
    {
        if (taken == AcquireResult::Unavailable || m_owner != threadId)
            return;
        if (--m_recursion > 0)
            return;
        m_owner = 0;
        m_abandoned = taken == AcquireResult::AcquiredAbandoned;
        if (m_ownerLock)
            m_ownerLock->Give(m_abandoned);
        ForgetOwnedByCurrentThread();
    }

    bool NeedsPolling() const override { return m_ownerLock != nullptr; }

    // Under WaitStateLock().
    bool Release(DWORD threadId)
    {
        if (m_owner != threadId)
            return false;
        if (--m_recursion == 0) {
            m_owner = 0;
            if (m_ownerLock)
                m_ownerLock->Give(false);
            ForgetOwnedByCurrentThread();
            NotifyWaiters();
        }
        return true;
    }

    // Under WaitStateLock(); the thread has ended.
    void Abandon(DWORD threadId)
    {
        if (m_owner != threadId)
            return;
        m_owner = 0;
        m_recursion = 0;
        m_abandoned = true;
        if (m_ownerLock)
            m_ownerLock->Give(true);
        NotifyWaiters();
    }

private:
    void RememberOwnedByCurrentThread(DWORD threadId)
    {
        t_owned.threadId = threadId;
        t_owned.mutexes.push_back(weak_from_this());
    }

    void ForgetOwnedByCurrentThread()
    {
        auto& list = t_owned.mutexes;
        const auto self = weak_from_this();
        auto it = std::find_if(list.begin(), list.end(), [&](const std::weak_ptr<MutexObject>& entry) {
            return !entry.owner_before(self) && !self.owner_before(entry);
        });
        if (it != list.end())
            list.erase(it);
    }

    const std::string m_objectsFolder;
    const std::string m_key;
    const std::unique_ptr<PresenceLock> m_presence;
    const std::unique_ptr<OwnerLock> m_ownerLock;
    // Guarded by WaitStateLock().
    DWORD m_owner = 0;
    DWORD m_recursion = 0;
    bool m_abandoned = false;
};

void AbandonOwned(OwnedMutexes& owned)
{
    // Strong references are taken and dropped outside the wait lock: dropping the last one may
    // close a named mutex, which takes the namespace gate.
    std::vector<std::shared_ptr<MutexObject>> mutexes;
    for (auto& weak : owned.mutexes) {
        if (auto mutex = weak.lock())
            mutexes.push_back(std::move(mutex));
    }
    owned.mutexes.clear();
    {
        std::lock_guard lock(WaitStateLock());
        for (auto& mutex : mutexes)
            mutex->Abandon(owned.threadId);
    }
}

OwnedMutexes::~OwnedMutexes()
{
    if (!mutexes.empty())
        AbandonOwned(*this);
}

void TakeInitialOwnership(const std::shared_ptr<MutexObject>& mutex)
{
    std::lock_guard lock(WaitStateLock());
    mutex->TryAcquire(GetCurrentThreadId());
}

HANDLE CreateNamedMutex(BOOL initialOwner, const std::string& name)
{
    std::shared_ptr<MutexObject> mutex; // outlives the gate: dropping it may need the gate
    bool existed = false;
    {
        const std::string folder = NamedObjectsFolder();
        NamespaceGate gate(folder);
        if (!gate.Ok())
            return nullptr;
        const std::string presencePath = NamedObjectPath(folder, "mutex", name, ".presence");
        const std::string ownerPath = NamedObjectPath(folder, "mutex", name, ".owner");
        auto& named = NamedMutexes();
        if (auto it = named.find(presencePath); it != named.end())
            mutex = it->second.lock();
        if (mutex) {
            existed = true;
        } else {
            const int ownerFd = open(ownerPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (ownerFd < 0) {
                SetLastError(ErrorFromErrno(errno));
                return nullptr;
            }
            auto owner = std::make_unique<OwnerLock>(ownerFd);
            auto presence = std::make_unique<PresenceLock>();
            if (!presence->Join(gate, presencePath, existed))
                return nullptr;
            if (!existed)
                owner->ResetMark(); // a new mutex: a dead process's mark means nothing to it
            mutex = std::make_shared<MutexObject>(folder, presencePath, std::move(presence), std::move(owner));
            named[presencePath] = mutex;
        }
    }
    if (!existed && initialOwner)
        TakeInitialOwnership(mutex);
    HANDLE handle = InsertHandle(mutex);
    if (handle)
        SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

} // namespace

void AbandonMutexesOfCurrentThread()
{
    if (!t_owned.mutexes.empty())
        AbandonOwned(t_owned);
}

} // namespace zv::win32

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name)
{
    using namespace zv::win32;
    if (name && *name)
        return CreateNamedMutex(initialOwner, name);
    auto mutex = std::make_shared<MutexObject>();
    if (initialOwner)
        TakeInitialOwnership(mutex);
    HANDLE handle = InsertHandle(mutex);
    if (handle)
        SetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL ReleaseMutex(HANDLE mutex)
{
    using namespace zv::win32;
    auto object = LookupHandleAs<MutexObject>(mutex);
    if (!object)
        return FALSE;
    bool released = false;
    {
        std::lock_guard lock(WaitStateLock());
        released = object->Release(GetCurrentThreadId());
    }
    if (!released) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}
