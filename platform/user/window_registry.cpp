#include "platform/user/window_registry.h"

#include "platform/win32/fd_io.h"
#include "platform/win32/last_error.h"
#include "platform/win32/zv_root.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/file.h>
#include <unistd.h>

namespace zv::user {

namespace {

// The lowest handle the machine gives out: never a small integer, always even, as the system's.
constexpr std::uint64_t kFirstHandle = 0x10000;
constexpr std::uint64_t kLastHandle = 0xFFFFFFFE;
// Longer entries are not ours (captions and class names are far shorter).
constexpr std::size_t kLongestEntry = 1 << 20;

int FlockRetrying(int fd, int operation)
{
    int result;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

// Exclusive access to the folder's handle counter and to joining and sweeping.
class Gate {
public:
    explicit Gate(const std::string& folder)
    {
        m_fd = open((folder + "/.gate").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0 && FlockRetrying(m_fd, LOCK_EX) != 0) {
            close(m_fd);
            m_fd = -1;
        }
        if (m_fd < 0)
            SetLastError(win32::ErrorFromErrno(errno));
    }
    ~Gate()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;

    bool Ok() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
};

bool ReadWholeFile(const std::string& path, std::string& contents)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    contents.clear();
    const bool ok = win32::ReadAll(fd, contents, kLongestEntry);
    close(fd);
    return ok;
}

// "<pid> <thread> <visible> <iconic> <stamp> <class length>\n<class><caption>"
std::string FormatEntry(const WindowEntry& entry)
{
    char header[128];
    std::snprintf(header, sizeof header, "%" PRIu32 " %" PRIu32 " %d %d %" PRIu64 " %zu\n", entry.processId,
                  entry.threadId, entry.visible ? 1 : 0, entry.iconic ? 1 : 0, entry.stamp, entry.className.size());
    return header + entry.className + entry.caption;
}

std::optional<WindowEntry> ParseEntry(DWORD handle, const std::string& text)
{
    const std::size_t end = text.find('\n');
    if (end == std::string::npos)
        return std::nullopt;
    WindowEntry entry;
    entry.handle = handle;
    unsigned long pid = 0, thread = 0;
    int visible = 0, iconic = 0;
    unsigned long long stamp = 0;
    std::size_t classLength = 0;
    const std::string header = text.substr(0, end);
    if (std::sscanf(header.c_str(), "%lu %lu %d %d %llu %zu", &pid, &thread, &visible, &iconic, &stamp, &classLength) != 6)
        return std::nullopt;
    if (classLength > text.size() - end - 1)
        return std::nullopt;
    entry.processId = static_cast<DWORD>(pid);
    entry.threadId = static_cast<DWORD>(thread);
    entry.visible = visible != 0;
    entry.iconic = iconic != 0;
    entry.stamp = stamp;
    entry.className = text.substr(end + 1, classLength);
    entry.caption = text.substr(end + 1 + classLength);
    return entry;
}

// The handle an entry file names ("w0001a2b4"), or none for any other file.
std::optional<DWORD> HandleOfEntryName(const char* name)
{
    if (name[0] != 'w' || std::strlen(name) != 9)
        return std::nullopt;
    char* end = nullptr;
    const unsigned long value = std::strtoul(name + 1, &end, 16);
    if (*end != '\0')
        return std::nullopt;
    return static_cast<DWORD>(value);
}

// The pid a lock or socket file names ("1234.lock", "1234.sock"), or none.
std::optional<DWORD> ProcessOfOwnerFile(const std::string& name)
{
    const std::size_t dot = name.find('.');
    if (dot == 0 || dot == std::string::npos)
        return std::nullopt;
    const std::string suffix = name.substr(dot);
    if (suffix != ".lock" && suffix != ".sock")
        return std::nullopt;
    if (name.find_first_not_of("0123456789") != dot)
        return std::nullopt;
    return static_cast<DWORD>(std::strtoul(name.c_str(), nullptr, 10));
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* item = readdir(dir))
        names.emplace_back(item->d_name);
    closedir(dir);
    return names;
}

} // namespace

std::optional<WindowRegistry> WindowRegistry::ForCurrentRoot()
{
    std::string folder = win32::ZvFolder("run/windows");
    if (folder.empty()) {
        SetLastError(win32::ErrorFromErrno(errno));
        return std::nullopt;
    }
    return WindowRegistry(std::move(folder));
}

std::string WindowRegistry::SocketPath(DWORD processId) const
{
    return m_folder + "/" + std::to_string(processId) + ".sock";
}

std::string WindowRegistry::LockPath(DWORD processId) const
{
    return m_folder + "/" + std::to_string(processId) + ".lock";
}

std::string WindowRegistry::EntryPath(DWORD handle) const
{
    char name[16];
    std::snprintf(name, sizeof name, "/w%08" PRIx32, handle);
    return m_folder + name;
}

bool WindowRegistry::AllocateHandles(std::uint32_t count, std::uint32_t& first) const
{
    Gate gate(m_folder);
    if (!gate.Ok())
        return false;
    std::uint64_t next = 0;
    const ssize_t got = pread(gate.Fd(), &next, sizeof next, 0);
    if (got != static_cast<ssize_t>(sizeof next) || next < kFirstHandle)
        next = kFirstHandle;
    next += next & 1;
    const std::uint64_t last = next + 2ull * (count - 1);
    if (count == 0 || last > kLastHandle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    const std::uint64_t after = last + 2;
    if (pwrite(gate.Fd(), &after, sizeof after, 0) != static_cast<ssize_t>(sizeof after)) {
        SetLastError(win32::ErrorFromErrno(errno));
        return false;
    }
    first = static_cast<std::uint32_t>(next);
    return true;
}

int WindowRegistry::JoinAsOwner() const
{
    Gate gate(m_folder);
    if (!gate.Ok())
        return -1;
    const DWORD self = static_cast<DWORD>(getpid());
    // Leftovers under our own pid are a dead process's: we hold no lock yet.
    for (const std::string& name : FolderNames(m_folder)) {
        if (const auto pid = ProcessOfOwnerFile(name))
            SweepIfDead(*pid);
    }
    SweepIfDead(self);
    // Locked before it appears under its name, so nobody ever sees it unlocked.
    const std::string temporary = m_folder + "/." + std::to_string(self) + ".lock.tmp";
    const int fd = open(temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || FlockRetrying(fd, LOCK_EX) != 0 || rename(temporary.c_str(), LockPath(self).c_str()) != 0) {
        SetLastError(win32::ErrorFromErrno(errno));
        if (fd >= 0)
            close(fd);
        unlink(temporary.c_str());
        return -1;
    }
    return fd;
}

bool WindowRegistry::Write(const WindowEntry& entry) const
{
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "/.w%08" PRIx32 ".%" PRIu32 ".tmp", entry.handle, entry.processId);
    const std::string temporary = m_folder + suffix;
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = win32::WriteAll(fd, FormatEntry(entry));
    close(fd);
    if (!written || rename(temporary.c_str(), EntryPath(entry.handle).c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

void WindowRegistry::Remove(DWORD handle) const
{
    unlink(EntryPath(handle).c_str());
}

bool WindowRegistry::IsOwnerAlive(DWORD processId) const
{
    const int fd = open(LockPath(processId).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // The owner holds it exclusively; if we can share it, nobody does.
    const bool alive = FlockRetrying(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return alive;
}

std::vector<WindowEntry> WindowRegistry::LiveEntries() const
{
    std::vector<WindowEntry> entries;
    std::map<DWORD, bool> alive;
    bool deadSeen = false;
    for (const std::string& name : FolderNames(m_folder)) {
        const auto handle = HandleOfEntryName(name.c_str());
        std::string text;
        if (!handle || !ReadWholeFile(m_folder + "/" + name, text))
            continue;
        auto entry = ParseEntry(*handle, text);
        if (!entry)
            continue;
        auto known = alive.find(entry->processId);
        if (known == alive.end())
            known = alive.emplace(entry->processId, IsOwnerAlive(entry->processId)).first;
        if (known->second)
            entries.push_back(std::move(*entry));
        else
            deadSeen = true;
    }
    if (deadSeen)
        SweepDead();
    return entries;
}

std::optional<WindowEntry> WindowRegistry::LiveEntry(DWORD handle) const
{
    std::string text;
    if (!ReadWholeFile(EntryPath(handle), text))
        return std::nullopt;
    auto entry = ParseEntry(handle, text);
    if (!entry)
        return std::nullopt;
    if (!IsOwnerAlive(entry->processId)) {
        SweepDead();
        return std::nullopt;
    }
    return entry;
}

void WindowRegistry::SweepDead() const
{
    Gate gate(m_folder);
    if (!gate.Ok())
        return;
    std::set<DWORD> owners;
    for (const std::string& name : FolderNames(m_folder)) {
        if (const auto pid = ProcessOfOwnerFile(name))
            owners.insert(*pid);
        std::string text;
        if (const auto handle = HandleOfEntryName(name.c_str()); handle && ReadWholeFile(m_folder + "/" + name, text)) {
            if (const auto entry = ParseEntry(*handle, text))
                owners.insert(entry->processId);
        }
    }
    for (DWORD pid : owners)
        SweepIfDead(pid);
}

void WindowRegistry::SweepIfDead(DWORD processId) const
{
    if (IsOwnerAlive(processId))
        return;
    std::string tmpSuffix = ".";
    tmpSuffix += std::to_string(processId) + ".tmp";
    for (const std::string& name : FolderNames(m_folder)) {
        const std::string path = m_folder + "/" + name;
        std::string text;
        if (const auto handle = HandleOfEntryName(name.c_str()); handle && ReadWholeFile(path, text)) {
            const auto entry = ParseEntry(*handle, text);
            if (!entry || entry->processId == processId)
                unlink(path.c_str());
        } else if (name.size() > tmpSuffix.size() && name[0] == '.' &&
                   name.compare(name.size() - tmpSuffix.size(), tmpSuffix.size(), tmpSuffix) == 0) {
            unlink(path.c_str()); // an entry it was writing when it died
        }
    }
    unlink((m_folder + "/." + std::to_string(processId) + ".lock.tmp").c_str());
    unlink(SocketPath(processId).c_str());
    unlink(LockPath(processId).c_str());
}

} // namespace zv::user
