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
    while (m_socket.Receive(&message) == ReceiveResult::Message && Handle(message)) {
    }
    CleanUp();
    m_finished = true;
    m_finishedCallback();
}

void Connection::CleanUp()
{
    // Pins first: their reads complete (answered if the client still listens) and let go of
    // the buffers they write into.
    while (!m_pins.empty()) m_pins.erase(m_pins.begin());
    m_buffers.Clear();
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
    }
    return false;
}

void Connection::ReplyStatus(const ReceivedMessage& message, NTSTATUS status)
{
    const wire::ReplyStatus reply{status, 0};
    m_outgoing.Reply(static_cast<wire::MessageType>(message.header.type), message.header.id, {BytesOf(reply)});
}

HostPin* Connection::FindPin(std::uint32_t pin)
{
    auto it = m_pins.find(pin);
    return it == m_pins.end() ? nullptr : it->second.get();
}

}  // namespace zv::devhost
