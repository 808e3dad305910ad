// The buffers one connection has registered, and the checks on every range it names.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "platform/ks/devhost/host/mapped_buffer.h"
#include "platform/ks/devhost/wire/wire_protocol.h"

namespace zv::devhost {

// A checked range: the bytes lie inside `buffer`, which stays mapped while this is held.
struct ResolvedRange {
    std::shared_ptr<MappedBuffer> buffer;
    unsigned char* data = nullptr;
    std::uint32_t length = 0;
};

class BufferTable {
public:
    // Maps the memfd within the connection's limits; the new id, or the refusal.
    NTSTATUS Register(int fd, std::uint32_t* id, std::uint64_t* size);
    // Forgets the id; the mapping goes when the last read using it has completed.
    NTSTATUS Release(std::uint32_t id);
    // STATUS_INVALID_PARAMETER unless the id is known, the length is not zero and the range
    // ends inside the buffer.
    NTSTATUS Resolve(const wire::BufferRange& range, ResolvedRange* resolved) const;
    void Clear() { m_buffers.clear(); m_mappedBytes = 0; }

private:
    std::map<std::uint32_t, std::shared_ptr<MappedBuffer>> m_buffers;
    std::uint64_t m_mappedBytes = 0;
    std::uint32_t m_nextId = 1;
};

}  // namespace zv::devhost
