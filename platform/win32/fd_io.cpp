#include "platform/win32/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace zv::win32 {

bool ReadAll(int fd, std::string& text, std::size_t limit)
{
    char buffer[65536];
    for (;;) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        if (count == 0)
            return true;
        if (static_cast<std::size_t>(count) > limit - std::min(limit, text.size())) {
            errno = EFBIG;
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
}

bool WriteAll(int fd, std::string_view data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t count = write(fd, data.data() + done, data.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        if (count == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

} // namespace zv::win32
