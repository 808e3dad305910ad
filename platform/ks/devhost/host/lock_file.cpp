#include "platform/ks/devhost/host/lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zv::devhost {

LockResult LockFile::Acquire(const std::string& path, std::string* error)
{
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.Valid()) {
        *error = "cannot open lock file " + path + ": " + std::strerror(errno);
        return LockResult::Failed;
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) return LockResult::HeldByAnother;
        *error = "cannot lock " + path + ": " + std::strerror(errno);
        return LockResult::Failed;
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd.Get(), 0) != 0 || ::pwrite(fd.Get(), pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
        *error = "cannot write lock file " + path + ": " + std::strerror(errno);
        return LockResult::Failed;
    }
    m_fd = std::move(fd);
    return LockResult::Acquired;
}

}  // namespace zv::devhost
