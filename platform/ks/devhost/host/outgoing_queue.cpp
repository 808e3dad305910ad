#include "platform/ks/devhost/host/outgoing_queue.h"

namespace zv::devhost {

OutgoingQueue::OutgoingQueue(WireSocket& socket) : m_socket(socket), m_thread([this] { Run(); }) {}

OutgoingQueue::~OutgoingQueue() { Finish(); }

void OutgoingQueue::Reply(wire::MessageType type, std::uint32_t id,
                          std::initializer_list<std::span<const unsigned char>> parts)
{
    const wire::MessageHeader header{static_cast<std::uint32_t>(type) | wire::kReplyFlag, id, 0, 0};
    std::size_t payload = 0;
    for (const auto& part : parts) payload += part.size();
    if (payload > wire::kMaxPayloadBytes) return;  // replies are built within the limit; an oversized one is a fault of ours
    std::lock_guard lock(m_mutex);
    if (m_broken) return;
    // Only with nothing ahead of it, or it could overtake an earlier reply.
    if (m_packets.empty() && !m_sending) {
        switch (m_socket.TrySend(header, parts)) {
        case TrySendResult::Sent: return;
        case TrySendResult::WouldBlock: break;
        case TrySendResult::Failed: Break(); return;  // the client is gone
        }
    }
    std::vector<unsigned char> packet = WireSocket::Pack(header, parts);
    if (m_queuedBytes + packet.size() > kMaxQueuedBytes) {
        Break();
        return;
    }
    m_queuedBytes += packet.size();
    m_packets.push_back(std::move(packet));
    m_wake.notify_one();
}

void OutgoingQueue::Finish()
{
    {
        std::lock_guard lock(m_mutex);
        m_finishing = true;
        m_wake.notify_one();
    }
    if (m_thread.joinable()) m_thread.join();
}

void OutgoingQueue::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return !m_packets.empty() || m_finishing; });
        if (m_packets.empty()) return;
        std::vector<unsigned char> packet = std::move(m_packets.front());
        m_packets.pop_front();
        m_queuedBytes -= packet.size();
        m_sending = true;
        lock.unlock();
        const bool sent = m_socket.SendPacket(packet);
        lock.lock();
        m_sending = false;
        if (!sent && !m_broken) Break();
    }
}

void OutgoingQueue::Break()
{
    m_broken = true;
    m_packets.clear();
    m_queuedBytes = 0;
    m_socket.Shutdown();
}

}  // namespace zv::devhost
