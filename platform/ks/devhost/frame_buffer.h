// Shared memory that the host's driver fills directly: a memfd sealed against shrinking and
// growing, mapped here and, once registered, in the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zv::devhost {

class FrameBuffer {
public:
    // Null when the memory cannot be had.
    static std::unique_ptr<FrameBuffer> Create(std::size_t size);
    ~FrameBuffer();
    FrameBuffer(const FrameBuffer&) = delete;
    FrameBuffer& operator=(const FrameBuffer&) = delete;

    unsigned char* Data() const;
    std::size_t Size() const;
    int Fd() const;
    // Unique within the process for its life, so a connection can tell buffers apart even when
    // one is allocated where a freed one was.
    std::uint64_t Serial() const { return m_serial; }

private:
    FrameBuffer(unsigned char* data, std::size_t size, int fd);

    unsigned char* m_data;
    std::size_t m_size;
    int m_fd;
    std::uint64_t m_serial;
};

}  // namespace zv::devhost
