#include "imagelib/jas/Jas.h"

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <unistd.h>

namespace jas {
namespace {

    struct FdObject {
        int fd;
    };

    int FdRead(void* object, char* buffer, unsigned count)
    {
        ssize_t n;
        do
            n = ::read(static_cast<FdObject*>(object)->fd, buffer, count);
        while (n < 0 && errno == EINTR);
        return static_cast<int>(n);
    }

    int FdWrite(void* object, const char* buffer, unsigned count)
    {
        unsigned done = 0;
        while (done < count) {
            const ssize_t n = ::write(static_cast<FdObject*>(object)->fd, buffer + done, count - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return done > 0 ? static_cast<int>(done) : -1;
            done += static_cast<unsigned>(n);
        }
        return static_cast<int>(done);
    }

    long FdSeek(void* object, long offset, int origin)
    {
        return static_cast<long>(::lseek(static_cast<FdObject*>(object)->fd, offset, origin));
    }

    int FdClose(void* object)
    {
        auto* file = static_cast<FdObject*>(object);
        const int result = ::close(file->fd);
        delete file;
        return result;
    }

} // namespace

Stream* StreamFdOpen(int fd, const char* mode)
{
    if (!mode)
        return nullptr;
    auto* stream = new (std::nothrow) Stream {};
    if (!stream)
        return nullptr;
    if (fd >= 0) {
        const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        auto* object = copy >= 0 ? new (std::nothrow) FdObject {copy} : nullptr;
        if (!object) {
            if (copy >= 0)
                ::close(copy);
            delete stream;
            return nullptr;
        }
        stream->ops = StreamOps {FdRead, FdWrite, FdSeek, FdClose};
        stream->object = object;
    }
    stream->readable = std::strchr(mode, 'r') != nullptr || std::strchr(mode, '+') != nullptr;
    stream->writable = std::strchr(mode, 'w') != nullptr || std::strchr(mode, '+') != nullptr;
    return stream;
}

int StreamClose(Stream* stream)
{
    if (!stream)
        return -1;
    const int result = stream->ops.close ? stream->ops.close(stream->object) : 0;
    delete stream;
    return result;
}

int StreamFlush(Stream* stream)
{
    return stream ? 0 : -1;
}

} // namespace jas
