#include "platform/ks/devhost/frame_buffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>

namespace zv::devhost {

namespace {
std::atomic<std::uint64_t> g_nextSerial{1};
}  // namespace

std::unique_ptr<FrameBuffer> FrameBuffer::Create(std::size_t size)
{
    if (size == 0) return nullptr;
    const int fd = ::memfd_create("zv-frame-buffer", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return nullptr;
    // Sealed before anyone else sees it: the host maps it too, and a shrink would pull pages
    // from under the driver's copy.
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0 ||
        ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0) {
        ::close(fd);
        return nullptr;
    }
    void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<FrameBuffer>(new FrameBuffer(static_cast<unsigned char*>(data), size, fd));
}

FrameBuffer::FrameBuffer(unsigned char* data, std::size_t size, int fd)
    : m_data(data), m_size(size), m_fd(fd), m_serial(g_nextSerial.fetch_add(1))
{
}

FrameBuffer::~FrameBuffer()
{
    ::munmap(m_data, m_size);
    ::close(m_fd);
}

unsigned char* FrameBuffer::Data() const { return m_data; }
std::size_t FrameBuffer::Size() const { return m_size; }
int FrameBuffer::Fd() const { return m_fd; }

}  // namespace zv::devhost
