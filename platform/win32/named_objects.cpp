#include "platform/win32/named_objects.h"

#include "platform/win32/last_error.h"
#include "platform/win32/zv_root.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zv::win32 {

namespace {

std::mutex& GateMutex()
{
    static auto* mutex = new std::mutex();
    return *mutex;
}

int FlockRetrying(int fd, int operation)
{
    int result;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

int OpenLockFile(const std::string& path)
{
    // Close-on-exec: a child that inherited the descriptor would keep the lock alive.
    return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

// Letters, digits, '_' and '-' stay; any other byte becomes %XX. Long names are hashed so that
// file and shared-memory names stay within their limits.
std::string EncodeName(std::string_view name)
{
    std::string encoded;
    for (unsigned char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                           c == '-';
        if (plain) {
            encoded += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            encoded += escape;
        }
    }
    constexpr std::size_t kLongest = 180;
    if (encoded.size() > kLongest) {
        std::uint64_t hash = 0xcbf29ce484222325ull;
        for (unsigned char c : name) {
            hash ^= c;
            hash *= 0x100000001b3ull;
        }
        char text[24];
        std::snprintf(text, sizeof text, "~%016llx", static_cast<unsigned long long>(hash));
        encoded = encoded.substr(0, kLongest - 17) + text;
    }
    return encoded;
}

} // namespace

std::string NamedObjectsFolder()
{
    std::string folder = ZvFolder("run/objects");
    if (folder.empty())
        SetLastError(ErrorFromErrno(errno));
    return folder;
}

NamespaceGate::NamespaceGate(const std::string& objectsFolder) : m_inProcess(GateMutex())
{
    if (objectsFolder.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return;
    }
    m_fd = OpenLockFile(objectsFolder + "/.gate");
    if (m_fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return;
    }
    if (FlockRetrying(m_fd, LOCK_EX) != 0) {
        SetLastError(ErrorFromErrno(errno));
        close(m_fd);
        m_fd = -1;
    }
}

NamespaceGate::~NamespaceGate()
{
    if (m_fd >= 0)
        close(m_fd);
}

std::string NamedObjectPath(const std::string& objectsFolder, std::string_view kind, std::string_view name,
                            std::string_view suffix)
{
    return objectsFolder + "/" + std::string(kind) + "." + EncodeName(name) + std::string(suffix);
}

std::string NamedObjectShmName(std::string_view kind, std::string_view name)
{
    return ZvShmPrefix() + std::string(kind) + "-" + EncodeName(name);
}

PresenceLock::~PresenceLock()
{
    if (m_fd >= 0)
        close(m_fd);
}

bool PresenceLock::Join(const NamespaceGate&, const std::string& path, bool& othersPresent)
{
    m_fd = OpenLockFile(path);
    if (m_fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return false;
    }
    // Under the gate only testers take the lock exclusively, so the shared lock never waits long,
    // and turning the exclusive lock into a shared one lets nobody in between.
    othersPresent = FlockRetrying(m_fd, LOCK_EX | LOCK_NB) != 0;
    if (FlockRetrying(m_fd, LOCK_SH) != 0) {
        SetLastError(ErrorFromErrno(errno));
        close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

bool PresenceLock::JoinExisting(const NamespaceGate& gate, const std::string& path)
{
    bool othersPresent = false;
    if (!Join(gate, path, othersPresent))
        return false;
    if (!othersPresent) {
        close(m_fd);
        m_fd = -1;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    return true;
}

bool PresenceLock::Leave(const NamespaceGate&)
{
    if (m_fd < 0)
        return false;
    // A failed attempt drops our shared lock as well, which is what leaving means.
    const bool last = FlockRetrying(m_fd, LOCK_EX | LOCK_NB) == 0;
    close(m_fd);
    m_fd = -1;
    return last;
}

} // namespace zv::win32
