#include "online/SendQueue.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace std::chrono_literals;

PeerMessage OfType(std::int32_t type)
{
    PeerMessage m;
    m.type = type;
    return m;
}

TEST(SendQueue, FramesGoOnlyOntoAnEmptyQueue)
{
    const struct {
        std::int32_t type;
        bool queuedBehindAnother;
    } cases[] = {{kPeerNone, false}, {kPeerFrame, false}, {kPeerNone7, false}, {kPeerChat, true},
                 {kPeerWithdraw, true}, {kPeerInfo, true}, {kPeerText, true}};
    for (const auto& c : cases) {
        SendQueue queue;
        EXPECT_TRUE(queue.Push(OfType(c.type), 0ms)) << c.type; // an empty queue takes anything
        EXPECT_EQ(queue.Push(OfType(c.type), 0ms), c.queuedBehindAnother) << c.type;
    }
}

TEST(SendQueue, KeepsOrderAndDropsWhenStillFull)
{
    SendQueue queue;
    for (int i = 0; i < static_cast<int>(SendQueue::kCapacity); ++i)
        ASSERT_TRUE(queue.Push(MakePeerChat(i, "x"), 0ms));
    EXPECT_FALSE(queue.Push(MakePeerChat(99, "x"), 0ms));
    EXPECT_EQ(queue.Count(), SendQueue::kCapacity);
    for (int i = 0; i < static_cast<int>(SendQueue::kCapacity); ++i)
        EXPECT_EQ(queue.Pop()->number, i);
    EXPECT_FALSE(queue.Pop());
}

TEST(SendQueue, APushOntoAFullQueueWaitsForASlot)
{
    SendQueue queue;
    for (int i = 0; i < static_cast<int>(SendQueue::kCapacity); ++i)
        ASSERT_TRUE(queue.Push(MakePeerChat(i, "x")));
    bool queued = false;
    std::thread pusher([&] { queued = queue.Push(MakePeerChat(10, "late"), 60s); });
    std::this_thread::sleep_for(20ms); // most likely waiting by now; the result does not depend on it
    EXPECT_EQ(queue.Pop()->number, 0);
    pusher.join();
    EXPECT_TRUE(queued);
    EXPECT_EQ(queue.Count(), SendQueue::kCapacity);
}

} // namespace
