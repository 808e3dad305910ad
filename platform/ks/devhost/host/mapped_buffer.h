// A client's frame or transfer buffer: its sealed memfd mapped shared into the host. Shared
// ownership keeps the mapping alive while a pending read still writes into it, whatever the
// client does with the buffer meanwhile.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/ks/ntstatus.h"

namespace zv::devhost {

class MappedBuffer {
public:
    // Maps a memfd that carries F_SEAL_SHRINK and holds 1..kMaxBufferBytes bytes; otherwise
    // null with the refusal in `status`.
    static std::shared_ptr<MappedBuffer> Map(int fd, NTSTATUS* status);
    MappedBuffer(unsigned char* base, std::uint64_t size) : m_base(base), m_size(size) {}
    ~MappedBuffer();
    MappedBuffer(const MappedBuffer&) = delete;
    MappedBuffer& operator=(const MappedBuffer&) = delete;

    unsigned char* Base() const { return m_base; }
    std::uint64_t Size() const { return m_size; }

private:
    unsigned char* m_base;
    std::uint64_t m_size;
};

}  // namespace zv::devhost
