// The machine's list of top-level windows, kept in one folder (ZV_ROOT/run/windows) that every
// process shares.
//
//   .gate          an flock taken for handle allocation, for joining and for sweeping; the file
//                  itself holds the next free window handle, so handles are unique on the machine
//   <pid>.lock     held with an exclusive flock for the whole life of a process that owns windows;
//                  a lock nobody holds means the process is gone
//   <pid>.sock     the Unix socket that process serves (window_server.h)
//   w<handle>      one entry per top-level window (owner, class, caption, visibility, z-order stamp)
//
// Readers check the owner's lock of every entry they read, so an entry of a crashed process is
// never reported; such entries, locks and sockets are swept under the gate.
#pragma once

#include "platform/win32/types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zv::user {

struct WindowEntry {
    DWORD handle = 0;
    DWORD processId = 0;
    DWORD threadId = 0;
    bool visible = false;
    bool iconic = false;
    std::uint64_t stamp = 0; // higher is nearer the top of the z-order
    std::string className;
    std::string caption;
};

class WindowRegistry {
public:
    // The registry under the current ZV_ROOT; empty (last error set) when its folder cannot be made.
    static std::optional<WindowRegistry> ForCurrentRoot();

    const std::string& Folder() const { return m_folder; }
    std::string SocketPath(DWORD processId) const;

    // `count` handles no process of the machine has had: first, first + 2, ... Fails (last error
    // set) when the gate cannot be taken or the 32-bit values are used up.
    bool AllocateHandles(std::uint32_t count, std::uint32_t& first) const;

    // Makes this process a live window owner: sweeps what dead processes left (also under this
    // pid, which a dead process may have had), then holds <pid>.lock. Returns the lock's descriptor
    // (kept open for the life of the process), -1 with the last error set on failure.
    int JoinAsOwner() const;

    // Written whole and renamed into place, so a reader never sees half an entry.
    bool Write(const WindowEntry& entry) const;
    void Remove(DWORD handle) const;

    // Entries whose owner lives; those of dead owners are swept on the way.
    std::vector<WindowEntry> LiveEntries() const;
    std::optional<WindowEntry> LiveEntry(DWORD handle) const;

    // Whether the process holds its lock.
    bool IsOwnerAlive(DWORD processId) const;
    // Removes the entries, locks and sockets of processes that are gone.
    void SweepDead() const;

private:
    explicit WindowRegistry(std::string folder) : m_folder(std::move(folder)) {}

    std::string EntryPath(DWORD handle) const;
    std::string LockPath(DWORD processId) const;
    // Under the gate: the files of `processId`, when it no longer holds its lock.
    void SweepIfDead(DWORD processId) const;

    std::string m_folder;
};

} // namespace zv::user
