// The requests of a connection, each checked before the port or the driver sees it. A payload
// of the wrong size is malformed (the connection is dropped); a well-formed request naming
// something unknown or out of bounds is refused with STATUS_INVALID_PARAMETER.
#include <unistd.h>

#include <vector>

#include "platform/ks/devhost/host/connection.h"

namespace zv::devhost {
namespace {

using wire::MessageType;

template <typename T>
bool ReadExact(const ReceivedMessage& message, T* value)
{
    return message.payload.size() == sizeof(T) && ReadPayload(message.payload, 0, value);
}

// A format or data range that follows a request of `prefix` bytes, copied to aligned storage.
// Its FormatSize must be exactly the bytes sent, and at least a KSDATAFORMAT.
bool TakeFormat(const ReceivedMessage& message, std::size_t prefix, std::vector<std::uint64_t>* storage)
{
    const std::size_t bytes = message.payload.size() - prefix;
    KSDATAFORMAT head;
    if (bytes < sizeof head || !ReadPayload(message.payload, prefix, &head) || head.FormatSize != bytes) return false;
    storage->assign((bytes + 7) / 8, 0);
    std::memcpy(storage->data(), message.payload.data() + prefix, bytes);
    return true;
}

const KSDATAFORMAT* AsFormat(const std::vector<std::uint64_t>& storage)
{
    return reinterpret_cast<const KSDATAFORMAT*>(storage.data());
}

std::span<const unsigned char> Bytes(const void* data, std::size_t size)
{
    return {static_cast<const unsigned char*>(data), size};
}

}  // namespace

bool Connection::OnHello(const ReceivedMessage& message)
{
    wire::HelloRequest request;
    if (!ReadExact(message, &request)) return false;
    wire::HelloReply reply{};
    reply.result.status = request.version == wire::kProtocolVersion ? STATUS_SUCCESS : STATUS_REVISION_MISMATCH;
    reply.version = wire::kProtocolVersion;
    reply.hostPid = ::getpid();
    m_outgoing.Reply(MessageType::Hello, message.header.id, {BytesOf(reply)});
    return true;
}

bool Connection::OnRegisterBuffer(ReceivedMessage& message)
{
    if (!message.payload.empty()) return false;
    wire::RegisterBufferReply reply{};
    reply.result.status = m_buffers.Register(message.fd.Get(), &reply.bufferId, &reply.size);
    message.fd.Reset();  // the mapping stays; the descriptor is not needed
    m_outgoing.Reply(MessageType::RegisterBuffer, message.header.id, {BytesOf(reply)});
    return true;
}

bool Connection::OnReleaseBuffer(const ReceivedMessage& message)
{
    wire::BufferRequest request;
    if (!ReadExact(message, &request)) return false;
    ReplyStatus(message, m_buffers.Release(request.bufferId));
    return true;
}

bool Connection::OnTransfer(const ReceivedMessage& message, bool write)
{
    wire::TransferRequest request;
    if (!ReadExact(message, &request)) return false;
    wire::TransferReply reply{};
    ResolvedRange range;
    reply.result.status = m_buffers.Resolve(request.range, &range);
    if (NT_SUCCESS(reply.result.status)) {
        ULONG_PTR information = 0;
        reply.result.status = write ? m_device.device.Write(range.data, range.length, &information)
                                    : m_device.device.Read(range.data, range.length, &information);
        reply.information = information;
    }
    m_outgoing.Reply(static_cast<MessageType>(message.header.type), message.header.id, {BytesOf(reply)});
    return true;
}

bool Connection::OnGetDataRanges(const ReceivedMessage& message)
{
    wire::StreamRequest request;
    if (!ReadExact(message, &request)) return false;
    if (request.stream >= m_device.slots.size()) {
        ReplyStatus(message, STATUS_INVALID_PARAMETER);
        return true;
    }
    const HW_STREAM_INFORMATION& info = m_device.device.StreamInformation(request.stream);
    const wire::DataRangesReply ranges{info.NumberOfFormatArrayEntries, info.NumberOfPossibleInstances};
    std::vector<unsigned char> bytes;
    for (ULONG i = 0; i < info.NumberOfFormatArrayEntries; ++i) {
        const auto* range = reinterpret_cast<const unsigned char*>(info.StreamFormatsArray[i]);
        bytes.insert(bytes.end(), range, range + info.StreamFormatsArray[i]->FormatSize);
    }
    const wire::ReplyStatus ok{STATUS_SUCCESS, 0};
    if (sizeof ok + sizeof ranges + bytes.size() > wire::kMaxPayloadBytes) {
        ReplyStatus(message, STATUS_BUFFER_TOO_SMALL);
        return true;
    }
    m_outgoing.Reply(MessageType::GetDataRanges, message.header.id, {BytesOf(ok), BytesOf(ranges), bytes});
    return true;
}

bool Connection::OnIntersect(const ReceivedMessage& message)
{
    wire::StreamRequest request;
    if (!ReadPayload(message.payload, 0, &request)) return false;
    std::vector<std::uint64_t> range;
    if (request.stream >= m_device.slots.size() || !TakeFormat(message, sizeof request, &range)) {
        ReplyStatus(message, STATUS_INVALID_PARAMETER);
        return true;
    }
    std::vector<std::uint64_t> format((wire::kMaxPayloadBytes - sizeof(wire::ReplyStatus)) / 8);
    const auto capacity = static_cast<ULONG>(format.size() * 8);
    ULONG returned = 0;
    const NTSTATUS status = m_device.device.IntersectDataRange(request.stream, range.data(), AsFormat(range)->FormatSize,
                                                               format.data(), capacity, &returned);
    const wire::ReplyStatus reply{status, 0};
    const std::size_t length = NT_SUCCESS(status) ? std::min<ULONG>(returned, capacity) : 0;
    m_outgoing.Reply(MessageType::Intersect, message.header.id, {BytesOf(reply), Bytes(format.data(), length)});
    return true;
}

bool Connection::OnOpenPin(const ReceivedMessage& message)
{
    wire::StreamRequest request;
    if (!ReadPayload(message.payload, 0, &request)) return false;
    wire::OpenPinReply reply{};
    std::vector<std::uint64_t> format;
    if (request.stream >= m_device.slots.size() || !TakeFormat(message, sizeof request, &format)) {
        reply.result.status = STATUS_INVALID_PARAMETER;
    } else if (m_pins.size() >= wire::kMaxPinsPerConnection || !m_device.slots[request.stream]->TryTake()) {
        reply.result.status = STATUS_INSUFFICIENT_RESOURCES;
    } else {
        NTSTATUS status = STATUS_UNSUCCESSFUL;
        auto stream = m_device.device.OpenStream(request.stream, AsFormat(format), &status);
        reply.result.status = status;
        if (stream) {
            reply.pin = m_nextPin++;
            m_pins.emplace(reply.pin, std::make_unique<HostPin>(std::move(stream), *m_device.slots[request.stream],
                                                                m_device.time, m_device.ticks,
                                                                [this] { DrainBeforeTick(); }));
        } else {
            m_device.slots[request.stream]->Give();
        }
    }
    m_outgoing.Reply(MessageType::OpenPin, message.header.id, {BytesOf(reply)});
    return true;
}

bool Connection::OnClosePin(const ReceivedMessage& message)
{
    wire::PinRequest request;
    if (!ReadExact(message, &request)) return false;
    // Destroying the pin answers its reads before this reply is queued.
    ReplyStatus(message, m_pins.erase(request.pin) != 0 ? STATUS_SUCCESS : STATUS_INVALID_PARAMETER);
    return true;
}

bool Connection::OnDataFormat(const ReceivedMessage& message)
{
    wire::DataFormatRequest request;
    if (!ReadPayload(message.payload, 0, &request)) return false;
    std::vector<std::uint64_t> format;
    HostPin* pin = FindPin(request.pin);
    const bool known = request.command == wire::FormatCommand::Propose || request.command == wire::FormatCommand::Set;
    if (pin == nullptr || !known || !TakeFormat(message, sizeof request, &format)) {
        ReplyStatus(message, STATUS_INVALID_PARAMETER);
        return true;
    }
    const SRB_COMMAND command =
        request.command == wire::FormatCommand::Propose ? SRB_PROPOSE_DATA_FORMAT : SRB_SET_DATA_FORMAT;
    ReplyStatus(message, pin->Stream().DataFormatRequest(command, AsFormat(format)));
    return true;
}

bool Connection::OnSetState(const ReceivedMessage& message)
{
    wire::StateRequest request;
    if (!ReadExact(message, &request)) return false;
    HostPin* pin = FindPin(request.pin);
    if (pin == nullptr || request.state < KSSTATE_STOP || request.state > KSSTATE_RUN) {
        ReplyStatus(message, STATUS_INVALID_PARAMETER);
        return true;
    }
    ReplyStatus(message, pin->Stream().SetState(static_cast<KSSTATE>(request.state)));
    return true;
}

bool Connection::OnGetState(const ReceivedMessage& message)
{
    wire::PinRequest request;
    if (!ReadExact(message, &request)) return false;
    wire::StateReply reply{};
    HostPin* pin = FindPin(request.pin);
    KSSTATE state = KSSTATE_STOP;
    reply.result.status = pin == nullptr ? STATUS_INVALID_PARAMETER : pin->Stream().GetState(&state);
    reply.state = state;
    m_outgoing.Reply(MessageType::GetState, message.header.id, {BytesOf(reply)});
    return true;
}

bool Connection::OnGetProperty(const ReceivedMessage& message)
{
    wire::PropertyRequest request;
    if (!ReadPayload(message.payload, 0, &request)) return false;
    if (message.payload.size() - sizeof request != request.propertySize) return false;
    const std::size_t room = wire::kMaxPayloadBytes - sizeof(wire::ReplyStatus) - sizeof(wire::PropertyReply);
    HostPin* pin = request.pin == wire::kDeviceTarget ? nullptr : FindPin(request.pin);
    if ((request.pin != wire::kDeviceTarget && pin == nullptr) || request.dataSize > room) {
        ReplyStatus(message, STATUS_INVALID_PARAMETER);
        return true;
    }
    std::vector<std::uint64_t> property((request.propertySize + 7) / 8 + 1);
    std::memcpy(property.data(), message.payload.data() + sizeof request, request.propertySize);
    std::vector<std::uint64_t> data(request.dataSize / 8 + 1);
    ULONG returned = 0;
    const NTSTATUS status =
        pin != nullptr
            ? pin->Stream().GetProperty(property.data(), request.propertySize, request.dataSize ? data.data() : nullptr,
                                        request.dataSize, &returned)
            : m_device.device.GetProperty(property.data(), request.propertySize, request.dataSize ? data.data() : nullptr,
                                          request.dataSize, &returned);
    returned = std::min(returned, request.dataSize);
    const wire::ReplyStatus result{status, 0};
    const wire::PropertyReply reply{returned, 0};
    m_outgoing.Reply(MessageType::GetProperty, message.header.id,
                     {BytesOf(result), BytesOf(reply), Bytes(data.data(), NT_SUCCESS(status) ? returned : 0)});
    return true;
}

bool Connection::OnSetProperty(const ReceivedMessage& message)
{
    wire::PropertyRequest request;
    if (!ReadPayload(message.payload, 0, &request)) return false;
    if (message.payload.size() - sizeof request != std::uint64_t{request.propertySize} + request.dataSize) return false;
    const wire::PropertyReply none{0, 0};
    if (request.pin != wire::kDeviceTarget) {
        // The port takes property values on the device only.
        const wire::ReplyStatus result{FindPin(request.pin) ? STATUS_NOT_SUPPORTED : STATUS_INVALID_PARAMETER, 0};
        m_outgoing.Reply(MessageType::SetProperty, message.header.id, {BytesOf(result), BytesOf(none)});
        return true;
    }
    std::vector<std::uint64_t> property((request.propertySize + 7) / 8 + 1);
    std::memcpy(property.data(), message.payload.data() + sizeof request, request.propertySize);
    std::vector<std::uint64_t> data(request.dataSize / 8 + 1);
    std::memcpy(data.data(), message.payload.data() + sizeof request + request.propertySize, request.dataSize);
    ULONG returned = 0;
    const NTSTATUS status = m_device.device.SetProperty(property.data(), request.propertySize,
                                                        request.dataSize ? data.data() : nullptr, request.dataSize, &returned);
    const wire::ReplyStatus result{status, 0};
    const wire::PropertyReply reply{std::min(returned, request.dataSize), 0};
    m_outgoing.Reply(MessageType::SetProperty, message.header.id, {BytesOf(result), BytesOf(reply)});
    return true;
}

bool Connection::OnClock(const ReceivedMessage& message)
{
    wire::ClockRequest request;
    if (!ReadExact(message, &request)) return false;
    HostPin* pin = FindPin(request.pin);
    ReplyStatus(message, pin == nullptr ? STATUS_INVALID_PARAMETER : pin->Clock(request.op));
    return true;
}

bool Connection::OnReadFrame(const ReceivedMessage& message)
{
    wire::ReadRequest request;
    if (!ReadExact(message, &request)) return false;
    SubmitRead(message.header.id, request);
    return true;
}

void Connection::SubmitRead(std::uint32_t readId, const wire::ReadRequest& request)
{
    HostPin* pin = FindPin(request.pin);
    ResolvedRange range;
    NTSTATUS status = pin == nullptr ? STATUS_INVALID_PARAMETER : m_buffers.Resolve(request.range, &range);
    if (NT_SUCCESS(status)) {
        OutgoingQueue* outgoing = &m_outgoing;
        status = pin->Read(readId, std::move(range), [outgoing](std::uint32_t id, const wire::ReadReply& reply) {
            outgoing->Reply(MessageType::ReadFrame, id, {BytesOf(reply)});
        });
    }
    if (!NT_SUCCESS(status)) {
        wire::ReadReply reply{};
        reply.result.status = status;
        m_outgoing.Reply(MessageType::ReadFrame, readId, {BytesOf(reply)});
    }
}

bool Connection::OnCancelRead(const ReceivedMessage& message)
{
    wire::CancelRequest request;
    if (!ReadExact(message, &request)) return false;
    HostPin* pin = FindPin(request.pin);
    ReplyStatus(message, pin == nullptr ? STATUS_INVALID_PARAMETER : pin->Cancel(request.readId));
    return true;
}

bool Connection::OnRegisterReadRing(ReceivedMessage& message)
{
    if (!message.payload.empty()) return false;
    NTSTATUS status = STATUS_INVALID_DEVICE_STATE;  // one ring per connection
    if (!m_ring) {
        auto memory = MappedBuffer::Map(message.fd.Get(), &status);
        if (memory && memory->Size() != wire::kReadRingBytes) status = STATUS_INVALID_PARAMETER;
        if (NT_SUCCESS(status)) {
            m_ringMemory = std::move(memory);
            m_ring = std::make_unique<wire::ReadRing>(m_ringMemory->Base(), wire::RingSide::Host);
        }
    }
    message.fd.Reset();
    ReplyStatus(message, status);
    return true;
}

}  // namespace zv::devhost
