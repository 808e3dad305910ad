#include "platform/ks/devhost/host/buffer_table.h"

namespace zv::devhost {

NTSTATUS BufferTable::Register(int fd, std::uint32_t* id, std::uint64_t* size)
{
    if (m_buffers.size() >= wire::kMaxBuffersPerConnection) return STATUS_INSUFFICIENT_RESOURCES;
    NTSTATUS status = STATUS_SUCCESS;
    auto buffer = MappedBuffer::Map(fd, &status);
    if (!buffer) return status;
    if (buffer->Size() > wire::kMaxMappedBytesPerConnection - m_mappedBytes) return STATUS_INSUFFICIENT_RESOURCES;
    m_mappedBytes += buffer->Size();
    *id = m_nextId++;
    if (m_nextId == 0) m_nextId = 1;
    *size = buffer->Size();
    m_buffers.emplace(*id, std::move(buffer));
    return STATUS_SUCCESS;
}

NTSTATUS BufferTable::Release(std::uint32_t id)
{
    auto it = m_buffers.find(id);
    if (it == m_buffers.end()) return STATUS_INVALID_PARAMETER;
    m_mappedBytes -= it->second->Size();
    m_buffers.erase(it);
    return STATUS_SUCCESS;
}

NTSTATUS BufferTable::Resolve(const wire::BufferRange& range, ResolvedRange* resolved) const
{
    auto it = m_buffers.find(range.bufferId);
    if (it == m_buffers.end() || range.length == 0) return STATUS_INVALID_PARAMETER;
    const std::uint64_t size = it->second->Size();
    // Written so that no sum can wrap.
    if (range.offset > size || range.length > size - range.offset) return STATUS_INVALID_PARAMETER;
    resolved->buffer = it->second;
    resolved->data = it->second->Base() + range.offset;
    resolved->length = range.length;
    return STATUS_SUCCESS;
}

}  // namespace zv::devhost
