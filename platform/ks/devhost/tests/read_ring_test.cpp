// The read ring on its own: what the client appends the host takes in order and byte for byte,
// across the end of the entries and across the wrap of the indices; a full ring refuses; an
// index no client could have written is reported, not followed.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/ks/devhost/wire/read_ring.h"

namespace zv::devhost::wire {
namespace {

// A ring as both sides see it, with `start` entries gone through already.
struct Ring {
    explicit Ring(std::uint32_t start) : layout(std::make_unique<ReadRingLayout>())
    {
        std::memset(layout.get(), 0, sizeof *layout);
        layout->appended = start;
        layout->taken = start;
        client = std::make_unique<ReadRing>(layout.get(), RingSide::Client);
        host = std::make_unique<ReadRing>(layout.get(), RingSide::Host);
    }
    std::unique_ptr<ReadRingLayout> layout;
    std::unique_ptr<ReadRing> client;
    std::unique_ptr<ReadRing> host;
};

ReadRingEntry EntryNumber(std::uint32_t n)
{
    return {n, 0, {n * 3 + 1, 0, {n * 5 + 2, n * 7 + 3, std::uint64_t{n} << 33 | n}}};
}

bool SameEntry(const ReadRingEntry& a, const ReadRingEntry& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(ReadRing, TakesWhatWasAppendedInOrderAcrossTheEndAndTheWrap)
{
    const struct {
        std::uint32_t start;
        std::uint32_t batch;  // appended before each taking
        std::uint32_t total;
    } cases[] = {
        {0, 1, 3 * kReadRingEntries},
        {0, kReadRingEntries, 2 * kReadRingEntries},  // full every time
        {kReadRingEntries - 3, 7, 40},                // over the end of the entries
        {0xFFFFFFFFu - 10, 5, 60},                    // over the wrap of the indices
        {0xFFFFFFFFu - kReadRingEntries / 2, kReadRingEntries, 3 * kReadRingEntries},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        Ring ring(c.start);
        std::uint32_t appended = 0, taken = 0;
        while (taken < c.total) {
            for (std::uint32_t i = 0; i < c.batch && appended < c.total; ++i)
                ASSERT_TRUE(ring.client->Append(EntryNumber(appended++)));
            ReadRingEntry entry;
            RingTake result;
            while ((result = ring.host->Take(&entry)) == RingTake::Entry) {
                ASSERT_TRUE(SameEntry(entry, EntryNumber(taken))) << "entry " << taken;
                ++taken;
            }
            ASSERT_EQ(result, RingTake::Empty);
            ASSERT_EQ(taken, appended);
        }
        EXPECT_EQ(ring.layout->taken, c.start + c.total);
    }
}

TEST(ReadRing, AFullRingRefusesUntilTheHostTakes)
{
    for (const std::uint32_t start : {0u, 0xFFFFFFFFu - 3}) {
        Ring ring(start);
        for (std::uint32_t i = 0; i < kReadRingEntries; ++i) ASSERT_TRUE(ring.client->Append(EntryNumber(i)));
        EXPECT_FALSE(ring.client->Append(EntryNumber(999)));
        ReadRingEntry entry;
        ASSERT_EQ(ring.host->Take(&entry), RingTake::Entry);
        EXPECT_TRUE(SameEntry(entry, EntryNumber(0)));
        EXPECT_TRUE(ring.client->Append(EntryNumber(kReadRingEntries)));
        EXPECT_FALSE(ring.client->Append(EntryNumber(999)));
        // A host index past the client's own (never written by an honest host) reads as full.
        ring.layout->taken = start + 5 * kReadRingEntries;
        EXPECT_FALSE(ring.client->Append(EntryNumber(999)));
    }
}

TEST(ReadRing, AnIndexNoClientCouldHaveWrittenIsCorrupt)
{
    const struct {
        std::uint32_t appendedOffset;  // the client's index as found, from the host's
        RingTake expected;
    } cases[] = {
        {0, RingTake::Empty},
        {1, RingTake::Entry},
        {kReadRingEntries, RingTake::Entry},
        {kReadRingEntries + 1, RingTake::Corrupt},  // more than the ring holds
        {0xFFFFFFFFu, RingTake::Corrupt},            // behind what was taken
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.appendedOffset);
        Ring ring(100);
        ring.layout->appended = 100 + c.appendedOffset;
        ReadRingEntry entry;
        EXPECT_EQ(ring.host->Take(&entry), c.expected);
        EXPECT_EQ(ring.layout->taken, c.expected == RingTake::Entry ? 101u : 100u);
    }
}

}  // namespace
}  // namespace zv::devhost::wire
