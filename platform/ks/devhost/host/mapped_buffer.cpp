#include "platform/ks/devhost/host/mapped_buffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include "platform/ks/devhost/wire/wire_protocol.h"

namespace zv::devhost {

std::shared_ptr<MappedBuffer> MappedBuffer::Map(int fd, NTSTATUS* status)
{
    *status = STATUS_INVALID_PARAMETER;
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    // Without the shrink seal the client could truncate the file under our mapping, and a
    // driver copy into it would fault.
    const int seals = ::fcntl(fd, F_GET_SEALS);
    if (seals < 0 || (seals & F_SEAL_SHRINK) == 0) return nullptr;
    if (info.st_size <= 0 || static_cast<std::uint64_t>(info.st_size) > wire::kMaxBufferBytes) return nullptr;
    const auto size = static_cast<std::uint64_t>(info.st_size);
    void* base = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) return nullptr;
    *status = STATUS_SUCCESS;
    return std::make_shared<MappedBuffer>(static_cast<unsigned char*>(base), size);
}

MappedBuffer::~MappedBuffer() { ::munmap(m_base, m_size); }

}  // namespace zv::devhost
