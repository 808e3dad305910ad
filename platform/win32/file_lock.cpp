#include "platform/win32/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zv::win32 {

FileLock::FileLock(const std::string& path)
{
    m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return;
    int result;
    do {
        result = flock(m_fd, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        close(m_fd);
        m_fd = -1;
        errno = error;
    }
}

FileLock::~FileLock()
{
    if (m_fd >= 0)
        close(m_fd); // lets the lock go
}

} // namespace zv::win32
