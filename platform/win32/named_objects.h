// What named kernel objects (mutexes, file mappings) share across processes.
//
// A name "exists" while a live process holds an object of that name open. Each such process keeps
// a shared flock on the name's presence file under ZV_ROOT/run/objects; the kernel drops it when the
// process dies, so the leftovers of a crashed process never count. Lookups, creations and the last
// close run under the namespace gate, a lock that is both process-wide and machine-wide.
#pragma once

#include "platform/win32/types.h"

#include <mutex>
#include <string>
#include <string_view>

namespace zv::win32 {

// ZV_ROOT/run/objects of the current root, created when missing; empty (last error set) when it
// cannot be. Objects remember it, so that they go back to their own root's namespace when closed.
std::string NamedObjectsFolder();

// Exclusive access to the named-object namespace kept in `objectsFolder`.
class NamespaceGate {
public:
    explicit NamespaceGate(const std::string& objectsFolder);
    ~NamespaceGate();
    NamespaceGate(const NamespaceGate&) = delete;
    NamespaceGate& operator=(const NamespaceGate&) = delete;

    // False (last error set) when the gate's lock file could not be opened; nothing is locked then
    // across processes, and the caller must fail.
    bool Ok() const { return m_fd >= 0; }

private:
    std::unique_lock<std::mutex> m_inProcess;
    int m_fd = -1;
};

// The path of a lock file of a named object: <objectsFolder>/<kind>.<encoded name><suffix>.
std::string NamedObjectPath(const std::string& objectsFolder, std::string_view kind, std::string_view name,
                            std::string_view suffix);

// The POSIX shared-memory name of a named object of the current ZV_ROOT.
std::string NamedObjectShmName(std::string_view kind, std::string_view name);

// This process's share in a name.
class PresenceLock {
public:
    PresenceLock() = default;
    ~PresenceLock();
    PresenceLock(const PresenceLock&) = delete;
    PresenceLock& operator=(const PresenceLock&) = delete;

    // Takes a share in the name; `othersPresent` tells whether a live process already held one.
    // False with the last error set on failure.
    bool Join(const NamespaceGate& gate, const std::string& path, bool& othersPresent);
    // Takes a share only when a live process holds one already; else false with ERROR_FILE_NOT_FOUND.
    bool JoinExisting(const NamespaceGate& gate, const std::string& path);
    // Gives the share back; true when no other live process holds one (the caller then removes
    // what the name leaves behind).
    bool Leave(const NamespaceGate& gate);

private:
    int m_fd = -1;
};

} // namespace zv::win32
