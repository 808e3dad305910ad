#include "online/SendQueue.h"

bool SendQueue::Push(PeerMessage message, std::chrono::milliseconds fullWait)
{
    std::unique_lock lock(m_lock);
    const bool sheddable = message.type == kPeerNone || message.type == kPeerFrame || message.type == kPeerNone7;
    if (sheddable && !m_messages.empty())
        return false;
    if (!m_notFull.wait_for(lock, fullWait, [&] { return m_messages.size() < kCapacity; }))
        return false;
    m_messages.push_back(std::move(message));
    return true;
}

std::optional<PeerMessage> SendQueue::Pop()
{
    std::optional<PeerMessage> first;
    {
        std::lock_guard lock(m_lock);
        if (m_messages.empty())
            return std::nullopt;
        first = std::move(m_messages.front());
        m_messages.pop_front();
    }
    m_notFull.notify_one();
    return first;
}

void SendQueue::Clear()
{
    {
        std::lock_guard lock(m_lock);
        m_messages.clear();
    }
    m_notFull.notify_all();
}

std::size_t SendQueue::Count() const
{
    std::lock_guard lock(m_lock);
    return m_messages.size();
}
