// The read requests a client hands its host through shared memory instead of the socket: a
// ring of fixed entries in a memfd the client registers once per connection (RegisterReadRing).
// The client appends; the host takes entries when a tick of one of the connection's pins is
// about to run and before it handles any message of the connection, so that a read in the ring
// reaches the driver before anything that could see it missing, and no thread of the host wakes
// for a read alone. Either side keeps its own index; the other's is only read, and the host
// checks it: a client that corrupts the ring only loses its connection.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ks/devhost/wire/wire_protocol.h"

namespace zv::devhost::wire {

struct ReadRingEntry {
    std::uint32_t readId;  // as the id of a ReadFrame request: the reply carries it
    std::uint32_t reserved;
    ReadRequest request;
};
static_assert(sizeof(ReadRingEntry) == 32);

constexpr std::uint32_t kReadRingEntries = 256;

// The memfd's layout: the two indices on lines of their own, then the entries. Indices count
// entries ever appended or taken and wrap at 2^32; entry i lives at i % kReadRingEntries.
struct ReadRingLayout {
    alignas(64) std::uint32_t appended;  // written by the client
    alignas(64) std::uint32_t taken;     // written by the host
    alignas(64) ReadRingEntry entries[kReadRingEntries];
};
constexpr std::size_t kReadRingBytes = sizeof(ReadRingLayout);

enum class RingTake { Entry, Empty, Corrupt };
enum class RingSide { Client, Host };

// One side's view of a mapped ring. Not thread-safe: each side calls it under a lock of its own.
class ReadRing {
public:
    // `memory` is kReadRingBytes, mapped (a fresh ring is all zero); this side goes on from its
    // index as it finds it there.
    ReadRing(void* memory, RingSide side);

    // Client: appends an entry; false when the ring is full (the read then goes as a message).
    bool Append(const ReadRingEntry& entry);
    // Host: takes the oldest entry.
    RingTake Take(ReadRingEntry* entry);

private:
    ReadRingLayout* m_ring;
    std::uint32_t m_own;  // appended (client) or taken (host), as this side last wrote it
};

}  // namespace zv::devhost::wire
