#include "platform/ks/devhost/transfer_channel.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zv::devhost {

using wire::MessageType;

namespace {

constexpr std::size_t kMinTransferBytes = 64 * 1024;

}  // namespace

std::unique_ptr<TransferChannel> TransferChannel::Open(const std::string& socketPath, int hostPid,
                                                       std::chrono::milliseconds replyTimeout, OpenResult* result)
{
    auto socket = WireSocket::Connect(socketPath);
    if (!socket) {
        *result = OpenResult::HostGone;
        return nullptr;
    }
    // A hung host fails the transfer waiting on it, in either direction.
    socket->LimitWaits(replyTimeout, true);

    std::unique_ptr<TransferChannel> channel(new TransferChannel(std::move(socket)));
    const wire::HelloRequest hello{wire::kProtocolVersion, 0};
    ReceivedMessage reply;
    wire::HelloReply answer{};
    if (!channel->Call(MessageType::Hello, {BytesOf(hello)}, &reply) || !ReadPayload(reply.payload, 0, &answer) ||
        answer.result.status != STATUS_SUCCESS) {
        // A host that lets the greeting go unanswered is hung, not full.
        *result = channel->m_timedOut ? OpenResult::HostGone : OpenResult::Refused;
        return nullptr;
    }
    if (answer.hostPid != hostPid) {
        *result = OpenResult::HostGone;
        return nullptr;
    }
    *result = OpenResult::Open;
    return channel;
}

bool TransferChannel::Call(MessageType type, std::initializer_list<std::span<const unsigned char>> parts,
                           ReceivedMessage* reply, int fd)
{
    if (m_broken) return false;
    const std::uint32_t id = m_nextId++;
    if (m_nextId == 0) m_nextId = 1;
    // Only replies to this channel's own requests come back, one for each, in order.
    errno = 0;
    m_broken = !m_socket->Send({static_cast<std::uint32_t>(type), id, 0, 0}, parts, fd) ||
               m_socket->Receive(reply) != ReceiveResult::Message || reply->header.id != id ||
               reply->header.type != (static_cast<std::uint32_t>(type) | wire::kReplyFlag);
    if (m_broken) {
        m_timedOut = errno == EAGAIN || errno == EWOULDBLOCK;
        m_socket->Shutdown();
    }
    return !m_broken;
}

NTSTATUS TransferChannel::Reserve(std::uint32_t length, bool* lost)
{
    if (m_buffer && m_buffer->Size() >= length) return STATUS_SUCCESS;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::size_t size = std::max<std::size_t>({kMinTransferBytes, length, m_buffer ? m_buffer->Size() * 2 : 0});
    size = std::min<std::size_t>((size + page - 1) / page * page, wire::kMaxBufferBytes);
    auto larger = FrameBuffer::Create(size);
    if (!larger) return STATUS_INSUFFICIENT_RESOURCES;
    ReceivedMessage reply;
    wire::RegisterBufferReply registered{};
    if (!Call(MessageType::RegisterBuffer, {}, &reply, larger->Fd())) {
        *lost = true;
        return STATUS_DEVICE_NOT_CONNECTED;
    }
    if (!ReadPayload(reply.payload, 0, &registered) || !NT_SUCCESS(registered.result.status) ||
        registered.size < larger->Size())
        return STATUS_INSUFFICIENT_RESOURCES;
    if (m_buffer) {
        const wire::BufferRequest release{m_bufferId, 0};
        if (!Call(MessageType::ReleaseBuffer, {BytesOf(release)}, &reply)) {
            *lost = true;
            return STATUS_DEVICE_NOT_CONNECTED;
        }
    }
    m_buffer = std::move(larger);
    m_bufferId = registered.bufferId;
    return STATUS_SUCCESS;
}

NTSTATUS TransferChannel::Transfer(bool write, void* buffer, std::uint32_t length, ULONG_PTR* information, bool* lost)
{
    *information = 0;
    *lost = false;
    if (m_broken) {
        *lost = true;
        return STATUS_DEVICE_NOT_CONNECTED;
    }
    const NTSTATUS reserved = Reserve(length, lost);
    if (!NT_SUCCESS(reserved)) return reserved;
    if (write && length > 0) std::copy_n(static_cast<const unsigned char*>(buffer), length, m_buffer->Data());

    const wire::TransferRequest request{{m_bufferId, length, 0}};
    ReceivedMessage reply;
    if (!Call(write ? MessageType::DeviceWrite : MessageType::DeviceRead, {BytesOf(request)}, &reply)) {
        *lost = true;
        return STATUS_DEVICE_NOT_CONNECTED;
    }
    const NTSTATUS status = ReplyStatusOf(reply);
    wire::TransferReply result{};
    if (!ReadPayload(reply.payload, 0, &result)) return status;
    const auto moved = static_cast<std::uint32_t>(std::min<std::uint64_t>(result.information, length));
    if (!write && NT_SUCCESS(status) && moved > 0) std::copy_n(m_buffer->Data(), moved, static_cast<unsigned char*>(buffer));
    *information = moved;
    return status;
}

}  // namespace zv::devhost
