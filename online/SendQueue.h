// SendQueue: a session's bounded queue of messages waiting to be sent, first in, first out.
//
// A video frame (or another type 0, 6, 7 message) is queued only onto an empty queue, so a slow
// link sheds frames instead of building a backlog. A push onto a full queue waits for a free slot
// for a bounded time and then drops the message.
#pragma once

#include "online/PeerMessage.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

class SendQueue {
public:
    static constexpr std::size_t kCapacity = 10;
    static constexpr std::chrono::milliseconds kFullWait{1000};

    // True when the message was queued; false when it was dropped.
    bool Push(PeerMessage message, std::chrono::milliseconds fullWait = kFullWait);
    std::optional<PeerMessage> Pop();
    void Clear();
    std::size_t Count() const;

private:
    mutable std::mutex m_lock;
    std::condition_variable m_notFull;
    std::deque<PeerMessage> m_messages;
};
