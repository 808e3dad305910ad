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
};

}  // namespace zv::devhost
