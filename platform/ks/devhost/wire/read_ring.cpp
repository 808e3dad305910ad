#include "platform/ks/devhost/wire/read_ring.h"

#include <atomic>
#include <cstring>

namespace zv::devhost::wire {

ReadRing::ReadRing(void* memory, RingSide side)
    : m_ring(static_cast<ReadRingLayout*>(memory)),
      m_own(std::atomic_ref(side == RingSide::Client ? m_ring->appended : m_ring->taken).load(std::memory_order_acquire))
{
}

bool ReadRing::Append(const ReadRingEntry& entry)
{
    const std::uint32_t taken = std::atomic_ref(m_ring->taken).load(std::memory_order_acquire);
    if (m_own - taken >= kReadRingEntries) return false;
    std::memcpy(&m_ring->entries[m_own % kReadRingEntries], &entry, sizeof entry);
    ++m_own;
    // The entry's bytes before the index that shows them.
    std::atomic_ref(m_ring->appended).store(m_own, std::memory_order_release);
    return true;
}

RingTake ReadRing::Take(ReadRingEntry* entry)
{
    const std::uint32_t appended = std::atomic_ref(m_ring->appended).load(std::memory_order_acquire);
    if (appended == m_own) return RingTake::Empty;
    // More than the ring holds, or behind what was taken: not an index the client could write.
    if (appended - m_own > kReadRingEntries) return RingTake::Corrupt;
    std::memcpy(entry, &m_ring->entries[m_own % kReadRingEntries], sizeof *entry);
    ++m_own;
    // The entry is copied out before its place is given back.
    std::atomic_ref(m_ring->taken).store(m_own, std::memory_order_release);
    return RingTake::Entry;
}

}  // namespace zv::devhost::wire
