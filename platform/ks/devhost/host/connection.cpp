#include "platform/ks/devhost/host/connection.h"

#include <sys/socket.h>

namespace zv::devhost {

Connection::Connection(UniqueFd fd, HostDevice& device, std::function<void()> finished)
    : m_socket(std::move(fd)), m_device(device), m_finishedCallback(std::move(finished)), m_outgoing(m_socket)
{
}

Connection::~Connection()
{
    if (m_thread.joinable()) m_thread.join();
}

void Connection::Start() { m_thread = std::thread([this] { Serve(); }); }

void Connection::Stop() { ::shutdown(m_socket.Fd(), SHUT_RD); }

void Connection::Serve()
{
    ReceivedMessage message;
    while (m_socket.Receive(&message) == ReceiveResult::Message) {
        std::lock_guard lock(m_mutex);
        // Reads handed over before this request come first.
        DrainReadRing();
        if (!Handle(message)) break;
    }
    CleanUp();
    m_finished = true;
    m_finishedCallback();
}

void Connection::CleanUp()
{
    {
        std::lock_guard lock(m_mutex);
        // Pins first: their reads complete (answered if the client still listens) and let go of
        // the buffers they write into. Reads still in the ring are not taken: nobody waits for them.
        while (!m_pins.empty()) m_pins.erase(m_pins.begin());
        m_buffers.Clear();
        m_ring.reset();
        m_ringMemory.reset();
    }
    m_outgoing.Finish();
    m_socket.Shutdown();
}

bool Connection::Handle(ReceivedMessage& message)
{
    using wire::MessageType;
    switch (static_cast<MessageType>(message.header.type)) {
    case MessageType::Hello: return OnHello(message);
    case MessageType::RegisterBuffer: return OnRegisterBuffer(message);
    case MessageType::ReleaseBuffer: return OnReleaseBuffer(message);
    case MessageType::DeviceRead: return OnTransfer(message, false);
    case MessageType::DeviceWrite: return OnTransfer(message, true);
    case MessageType::GetDataRanges: return OnGetDataRanges(message);
    case MessageType::Intersect: return OnIntersect(message);
    case MessageType::OpenPin: return OnOpenPin(message);
    case MessageType::ClosePin: return OnClosePin(message);
    case MessageType::DataFormat: return OnDataFormat(message);
    case MessageType::SetState: return OnSetState(message);
    case MessageType::GetState: return OnGetState(message);
    case MessageType::GetProperty: return OnGetProperty(message);
    case MessageType::SetProperty: return OnSetProperty(message);
    case MessageType::Clock: return OnClock(message);
    case MessageType::ReadFrame: return OnReadFrame(message);
    case MessageType::CancelRead: return OnCancelRead(message);
    case MessageType::RegisterReadRing: return OnRegisterReadRing(message);
    }
    return false;
}

void Connection::ReplyStatus(const ReceivedMessage& message, NTSTATUS status)
{
    const wire::ReplyStatus reply{status, 0};
    m_outgoing.Reply(static_cast<wire::MessageType>(message.header.type), message.header.id, {BytesOf(reply)});
}

void Connection::DrainReadRing()
{
    if (!m_ring) return;
    wire::ReadRingEntry entry;
    for (;;) {
        switch (m_ring->Take(&entry)) {
        case wire::RingTake::Entry: SubmitRead(entry.readId, entry.request); continue;
        case wire::RingTake::Empty: return;
        case wire::RingTake::Corrupt:
            m_ring.reset();
            m_socket.Shutdown();  // the receive thread sees the end and cleans up
            return;
        }
    }
}

void Connection::DrainBeforeTick()
{
    // Busy means the receive thread drains before its next request, or is closing a pin
    // and waiting for this very tick.
    std::unique_lock lock(m_mutex, std::try_to_lock);
    if (lock.owns_lock()) DrainReadRing();
}

HostPin* Connection::FindPin(std::uint32_t pin)
{
    auto it = m_pins.find(pin);
    return it == m_pins.end() ? nullptr : it->second.get();
}

}  // namespace zv::devhost
