#include "platform/ks/devhost/host_connection.h"

#include "platform/ks/devhost/device_records.h"
#include "platform/ks/devhost/host_launcher.h"
#include "platform/ks/devhost/transfer_channel.h"
#include "platform/ks/devhost/wire/read_ring.h"
#include "platform/ks/devhost/wire/wire_socket.h"
#include "platform/win32/last_error.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace zv::devhost {

using wire::MessageType;

namespace {

using Parts = std::initializer_list<std::span<const unsigned char>>;

constexpr int kOpenAttempts = 3;

std::span<const unsigned char> BytesOfFormat(const KSDATAFORMAT* format)
{
    return {reinterpret_cast<const unsigned char*>(format), format->FormatSize};
}

bool FormatFits(const KSDATAFORMAT* format, std::size_t besides)
{
    return format != nullptr && format->FormatSize >= sizeof(KSDATAFORMAT) &&
           format->FormatSize <= wire::kMaxPayloadBytes - besides;
}

// How long a request may wait for its answer (or its send) before the host counts as hung and the
// connection as lost: $ZV_DEVHOST_REPLY_MS, else 30 s. Every request is one the host answers
// promptly; only reads wait for frames, and they have no limit.
std::chrono::milliseconds ReplyTimeout()
{
    const char* text = std::getenv("ZV_DEVHOST_REPLY_MS");
    const long value = text ? std::strtol(text, nullptr, 10) : 0;
    return std::chrono::milliseconds(value > 0 ? value : 30000);
}

}  // namespace

// What the connection's receive thread shares with the callers: the socket, the requests waiting
// for their replies, the reads waiting for their completions. The receive thread holds it too, so
// it outlives a connection released on that thread.
struct HostConnection::Core {
    struct Waiter {
        bool done = false;
        bool answered = false;
        ReceivedMessage reply;
    };
    struct PendingRead {
        std::uint32_t pin = 0;
        unsigned char* data = nullptr;
        std::function<void(const ReadCompletion&)> done;
    };

    explicit Core(std::unique_ptr<WireSocket> s) : socket(std::move(s)), replyTimeout(ReplyTimeout())
    {
        // A host that stops taking messages in must not hold a sender for ever either.
        socket->LimitWaits(replyTimeout, false);
    }

    std::unique_ptr<WireSocket> socket;
    const std::chrono::milliseconds replyTimeout;
    std::thread receiver;
    int hostPid = 0;

    std::mutex mutex;
    std::condition_variable changed;
    bool lost = false;
    bool closing = false;
    std::uint32_t nextId = 1;
    std::map<std::uint32_t, Waiter*> waiters;
    std::map<std::uint32_t, PendingRead> reads;
    std::map<std::uint32_t, std::uint32_t> readsInFlight;  // per pin, until their callbacks returned
    std::vector<std::function<void()>> lostCallbacks;
    std::map<std::uint64_t, std::uint32_t> bufferIds;  // FrameBuffer::Serial -> the host's id

    // Reads of pins whose ticks run (paused or running, by the last state set) go through the
    // ring: the host takes them before the next tick, without a message to wake it.
    std::unique_ptr<FrameBuffer> ringMemory;
    std::unique_ptr<wire::ReadRing> ring;
    std::set<std::uint32_t> ticking;

    std::string socketPath;    // the host's, for the transfer channel
    std::mutex transferMutex;  // one side-channel transfer at a time through `transfer`
    std::unique_ptr<TransferChannel> transfer;

    bool OnReceiveThread() const { return std::this_thread::get_id() == receiver.get_id(); }

    // Gives up a host found gone or hung elsewhere than on the socket: the receive thread sees
    // the shutdown and fails every waiter and read; returns once it has (unless called on it).
    void GiveUp()
    {
        socket->Shutdown();
        if (OnReceiveThread()) return;
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return lost; });
    }

    std::uint32_t NewId()  // under `mutex`
    {
        const std::uint32_t id = nextId++;
        if (nextId == 0) nextId = 1;
        return id;
    }

    // Sends a request and waits for its reply; the reply's status, or STATUS_DEVICE_NOT_CONNECTED
    // once the host is gone.
    NTSTATUS Call(MessageType type, Parts parts, ReceivedMessage* reply, int fd = -1)
    {
        // The reply could only come through this very thread.
        if (OnReceiveThread()) return STATUS_INVALID_DEVICE_STATE;
        Waiter waiter;
        std::uint32_t id;
        {
            std::lock_guard lock(mutex);
            if (lost) return STATUS_DEVICE_NOT_CONNECTED;
            id = NewId();
            waiters[id] = &waiter;
        }
        wire::MessageHeader header{static_cast<std::uint32_t>(type), id, 0, 0};
        // Not under the lock: a send may block until the receive thread has taken replies in.
        const bool sent = socket->Send(header, parts, fd);
        std::unique_lock lock(mutex);
        if (!sent) {
            waiters.erase(id);
            lock.unlock();
            socket->Shutdown();  // a host we cannot write to is gone for every caller
            return STATUS_DEVICE_NOT_CONNECTED;
        }
        if (!changed.wait_for(lock, replyTimeout, [&] { return waiter.done; })) {
            // A hung host is given up like a dead one: the receive thread sees the shutdown and
            // fails every waiter and read.
            lock.unlock();
            socket->Shutdown();
            lock.lock();
            changed.wait(lock, [&] { return waiter.done; });
        }
        if (!waiter.answered) return STATUS_DEVICE_NOT_CONNECTED;
        *reply = std::move(waiter.reply);
        if (reply->header.type != (static_cast<std::uint32_t>(type) | wire::kReplyFlag)) return STATUS_UNSUCCESSFUL;
        return ReplyStatusOf(*reply);
    }

    void ReceiveLoop()
    {
        ReceivedMessage message;  // a read's reply leaves its payload's storage here for the next
        for (;;) {
            if (socket->Receive(&message) != ReceiveResult::Message) break;
            std::unique_lock lock(mutex);
            if (auto waiter = waiters.find(message.header.id); waiter != waiters.end()) {
                waiter->second->reply = std::move(message);
                waiter->second->answered = true;
                waiter->second->done = true;
                waiters.erase(waiter);
                changed.notify_all();
                continue;
            }
            auto read = reads.find(message.header.id);
            if (read == reads.end()) continue;  // the reply to a close nobody waits for
            PendingRead pending = std::move(read->second);
            reads.erase(read);
            lock.unlock();
            Complete(message.header.id, pending, &message);
        }
        MarkLost();
    }

    // Runs a read's callback (with the host's reply, or as failed for a lost host).
    void Complete(std::uint32_t readId, PendingRead& read, const ReceivedMessage* reply)
    {
        ReadCompletion completion;
        completion.readId = readId;
        completion.status = STATUS_DEVICE_NOT_CONNECTED;
        if (reply) {
            wire::ReadReply fields{};
            if (reply->header.type != (static_cast<std::uint32_t>(MessageType::ReadFrame) | wire::kReplyFlag)) {
                completion.status = STATUS_UNSUCCESSFUL;
            } else if (ReadPayload(reply->payload, 0, &fields)) {
                completion.status = fields.result.status;
                completion.header.Size = sizeof(KSSTREAM_HEADER);
                completion.header.OptionsFlags = fields.optionsFlags;
                completion.header.TypeSpecificFlags = fields.typeSpecificFlags;
                completion.header.PresentationTime = fields.presentationTime;
                completion.header.Duration = fields.duration;
                completion.header.FrameExtent = fields.frameExtent;
                completion.header.DataUsed = fields.dataUsed;
                completion.frameInfo = fields.frameInfo;
            } else {
                completion.status = ReplyStatusOf(*reply);  // refused at once: the status alone
            }
        }
        completion.header.Data = read.data;
        read.done(completion);
        std::lock_guard lock(mutex);
        if (--readsInFlight[read.pin] == 0) readsInFlight.erase(read.pin);
        changed.notify_all();
    }

    void MarkLost()
    {
        std::map<std::uint32_t, PendingRead> failed;
        std::vector<std::function<void()>> callbacks;
        {
            std::lock_guard lock(mutex);
            if (lost) return;
            lost = true;
            for (auto& [id, waiter] : waiters) waiter->done = true;
            waiters.clear();
            failed.swap(reads);
            // A connection closed by its owner is not lost to it.
            if (!closing) callbacks.swap(lostCallbacks);
            lostCallbacks.clear();
            changed.notify_all();
        }
        // The lost callbacks first: whoever sees a read fail for the loss has heard of it already.
        for (auto& callback : callbacks) callback();
        for (auto& [id, read] : failed) Complete(id, read, nullptr);
    }

    NTSTATUS Property(std::uint32_t target, const void* property, ULONG propertySize, void* data, ULONG dataSize,
                      ULONG* bytesReturned)
    {
        if (bytesReturned) *bytesReturned = 0;
        if (property == nullptr || propertySize < sizeof(KSPROPERTY) ||
            propertySize > wire::kMaxPayloadBytes - sizeof(wire::PropertyRequest) ||
            dataSize > wire::kMaxPayloadBytes - sizeof(wire::ReplyStatus) - sizeof(wire::PropertyReply) ||
            (data == nullptr && dataSize != 0))
            return STATUS_INVALID_PARAMETER;
        const wire::PropertyRequest request{target, propertySize, dataSize, 0};
        ReceivedMessage reply;
        const NTSTATUS status = Call(
            MessageType::GetProperty,
            {BytesOf(request), std::span<const unsigned char>(static_cast<const unsigned char*>(property), propertySize)},
            &reply);
        wire::PropertyReply result{};
        constexpr std::size_t dataAt = sizeof(wire::ReplyStatus) + sizeof(wire::PropertyReply);
        if (!ReadPayload(reply.payload, sizeof(wire::ReplyStatus), &result)) return status;
        if (bytesReturned) *bytesReturned = result.bytesReturned;
        const std::size_t copied = std::min<std::size_t>(
            {static_cast<std::size_t>(dataSize), static_cast<std::size_t>(result.bytesReturned), reply.payload.size() - dataAt});
        if (copied > 0) std::copy_n(reply.payload.data() + dataAt, copied, static_cast<unsigned char*>(data));
        return status;
    }

    // Once per connection, with its first pin; without a ring every read goes as a message.
    void RegisterReadRing()
    {
        {
            std::lock_guard lock(mutex);
            if (ring) return;
        }
        auto memory = FrameBuffer::Create(wire::kReadRingBytes);
        if (!memory) return;
        ReceivedMessage reply;
        if (!NT_SUCCESS(Call(MessageType::RegisterReadRing, {}, &reply, memory->Fd()))) return;
        std::lock_guard lock(mutex);
        ring = std::make_unique<wire::ReadRing>(memory->Data(), wire::RingSide::Client);
        ringMemory = std::move(memory);
    }

    std::optional<std::uint32_t> BufferId(const FrameBuffer& buffer)
    {
        std::lock_guard lock(mutex);
        const auto it = bufferIds.find(buffer.Serial());
        if (it == bufferIds.end()) return std::nullopt;
        return it->second;
    }
};

std::shared_ptr<HostConnection> HostConnection::Open(const std::string& devicePath, DWORD* error)
{
    DWORD ignored = ERROR_SUCCESS;
    if (error == nullptr) error = &ignored;
    const auto record = FindDeviceByPath(devicePath);
    if (!record) {
        *error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    // A host that is leaving (idle, stopped) may still take a connection and then drop it: the
    // next attempt starts a new one.
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        auto socket = ConnectToHost(record->instanceId, record->driverFile, error);
        if (!socket) return nullptr;
        auto core = std::make_shared<Core>(std::move(socket));
        if (const auto files = HostFilesFor(record->instanceId)) core->socketPath = files->socket;
        core->receiver = std::thread([core] { core->ReceiveLoop(); });
        std::shared_ptr<HostConnection> connection(new HostConnection(core));

        const wire::HelloRequest hello{wire::kProtocolVersion, 0};
        ReceivedMessage reply;
        const NTSTATUS status = core->Call(MessageType::Hello, {BytesOf(hello)}, &reply);
        wire::HelloReply answer{};
        if (NT_SUCCESS(status) && ReadPayload(reply.payload, 0, &answer) && answer.version == wire::kProtocolVersion) {
            core->hostPid = answer.hostPid;
            return connection;
        }
        if (status != STATUS_DEVICE_NOT_CONNECTED) {
            *error = ERROR_GEN_FAILURE;  // a host of another version, or one that refuses us
            return nullptr;
        }
    }
    *error = ERROR_DEVICE_NOT_CONNECTED;
    return nullptr;
}

HostConnection::HostConnection(std::shared_ptr<Core> core) : m_core(std::move(core)) {}

HostConnection::~HostConnection()
{
    {
        std::lock_guard lock(m_core->mutex);
        m_core->closing = true;
    }
    m_core->socket->Shutdown();
    if (m_core->OnReceiveThread())
        m_core->receiver.detach();  // it ends once the callback that released us returns
    else
        m_core->receiver.join();
}

NTSTATUS HostConnection::Transfer(bool write, void* buffer, ULONG length, ULONG_PTR* information)
{
    ULONG_PTR moved = 0;
    if (information) *information = 0;
    if (length > wire::kMaxBufferBytes || (buffer == nullptr && length != 0)) return STATUS_INVALID_PARAMETER;
    std::lock_guard transferLock(m_core->transferMutex);
    if (IsLost()) return STATUS_DEVICE_NOT_CONNECTED;
    auto& transfer = m_core->transfer;
    if (!transfer) {
        auto opened = TransferChannel::OpenResult::Refused;
        transfer = TransferChannel::Open(m_core->socketPath, m_core->hostPid, m_core->replyTimeout, &opened);
        if (opened == TransferChannel::OpenResult::HostGone) {
            m_core->GiveUp();
            return STATUS_DEVICE_NOT_CONNECTED;
        }
        if (!transfer) return IsLost() ? STATUS_DEVICE_NOT_CONNECTED : STATUS_INSUFFICIENT_RESOURCES;
    }
    bool lost = false;
    const NTSTATUS status = transfer->Transfer(write, buffer, length, &moved, &lost);
    if (lost) {
        // A host gone or hung on this socket is so for every caller of the connection.
        transfer.reset();
        m_core->GiveUp();
        return STATUS_DEVICE_NOT_CONNECTED;
    }
    if (information) *information = moved;
    return status;
}

NTSTATUS HostConnection::DeviceRead(void* buffer, ULONG length, ULONG_PTR* information)
{
    return Transfer(false, buffer, length, information);
}

NTSTATUS HostConnection::DeviceWrite(const void* buffer, ULONG length, ULONG_PTR* information)
{
    // Transfer copies out of the buffer for a write and never into it.
    return Transfer(true, const_cast<void*>(buffer), length, information);
}

NTSTATUS HostConnection::GetDataRanges(ULONG stream, std::vector<std::vector<unsigned char>>* ranges,
                                       ULONG* possibleInstances)
{
    ranges->clear();
    const wire::StreamRequest request{stream, 0};
    ReceivedMessage reply;
    const NTSTATUS status = m_core->Call(MessageType::GetDataRanges, {BytesOf(request)}, &reply);
    if (!NT_SUCCESS(status)) return status;
    wire::DataRangesReply header{};
    std::size_t at = sizeof(wire::ReplyStatus);
    if (!ReadPayload(reply.payload, at, &header)) return STATUS_UNSUCCESSFUL;
    at += sizeof header;
    for (std::uint32_t i = 0; i < header.count; ++i) {
        KSDATARANGE range{};
        if (!ReadPayload(reply.payload, at, &range) || range.FormatSize < sizeof range ||
            range.FormatSize > reply.payload.size() - at) {
            ranges->clear();
            return STATUS_UNSUCCESSFUL;
        }
        ranges->emplace_back(reply.payload.begin() + static_cast<std::ptrdiff_t>(at),
                             reply.payload.begin() + static_cast<std::ptrdiff_t>(at + range.FormatSize));
        at += range.FormatSize;
    }
    if (possibleInstances) *possibleInstances = header.possibleInstances;
    return status;
}

NTSTATUS HostConnection::Intersect(ULONG stream, const KSDATARANGE* range, std::vector<unsigned char>* format)
{
    format->clear();
    if (!FormatFits(range, sizeof(wire::StreamRequest))) return STATUS_INVALID_PARAMETER;
    const wire::StreamRequest request{stream, 0};
    ReceivedMessage reply;
    const NTSTATUS status = m_core->Call(MessageType::Intersect, {BytesOf(request), BytesOfFormat(range)}, &reply);
    if (!NT_SUCCESS(status)) return status;
    if (reply.payload.size() < sizeof(wire::ReplyStatus) + sizeof(KSDATAFORMAT)) return STATUS_UNSUCCESSFUL;
    format->assign(reply.payload.begin() + sizeof(wire::ReplyStatus), reply.payload.end());
    return status;
}

NTSTATUS HostConnection::GetDeviceProperty(const void* property, ULONG propertySize, void* data, ULONG dataSize,
                                           ULONG* bytesReturned)
{
    return m_core->Property(wire::kDeviceTarget, property, propertySize, data, dataSize, bytesReturned);
}

std::unique_ptr<CapturePinClient> HostConnection::OpenPin(ULONG stream, const KSDATAFORMAT* format, NTSTATUS* status)
{
    NTSTATUS ignored;
    if (status == nullptr) status = &ignored;
    if (!FormatFits(format, sizeof(wire::StreamRequest))) {
        *status = STATUS_INVALID_PARAMETER;
        return nullptr;
    }
    const wire::StreamRequest request{stream, 0};
    ReceivedMessage reply;
    *status = m_core->Call(MessageType::OpenPin, {BytesOf(request), BytesOfFormat(format)}, &reply);
    wire::OpenPinReply opened{};
    if (!NT_SUCCESS(*status)) return nullptr;
    if (!ReadPayload(reply.payload, 0, &opened)) {
        *status = STATUS_UNSUCCESSFUL;
        return nullptr;
    }
    m_core->RegisterReadRing();
    return std::unique_ptr<CapturePinClient>(new CapturePinClient(shared_from_this(), opened.pin));
}

bool HostConnection::Register(FrameBuffer& buffer)
{
    if (m_core->BufferId(buffer)) return true;
    ReceivedMessage reply;
    const NTSTATUS status = m_core->Call(MessageType::RegisterBuffer, {}, &reply, buffer.Fd());
    wire::RegisterBufferReply registered{};
    if (!NT_SUCCESS(status) || !ReadPayload(reply.payload, 0, &registered) || registered.size < buffer.Size())
        return false;
    std::lock_guard lock(m_core->mutex);
    m_core->bufferIds[buffer.Serial()] = registered.bufferId;
    return true;
}

void HostConnection::Unregister(FrameBuffer& buffer)
{
    std::uint32_t id;
    {
        std::lock_guard lock(m_core->mutex);
        const auto it = m_core->bufferIds.find(buffer.Serial());
        if (it == m_core->bufferIds.end()) return;
        id = it->second;
        m_core->bufferIds.erase(it);
    }
    const wire::BufferRequest request{id, 0};
    ReceivedMessage reply;
    m_core->Call(MessageType::ReleaseBuffer, {BytesOf(request)}, &reply);
}

bool HostConnection::IsLost() const
{
    std::lock_guard lock(m_core->mutex);
    return m_core->lost;
}

void HostConnection::OnLost(std::function<void()> callback)
{
    {
        std::lock_guard lock(m_core->mutex);
        if (!m_core->lost) {
            m_core->lostCallbacks.push_back(std::move(callback));
            return;
        }
    }
    callback();
}

int HostConnection::HostPid() const { return m_core->hostPid; }

CapturePinClient::CapturePinClient(std::shared_ptr<HostConnection> connection, std::uint32_t pin)
    : m_connection(std::move(connection)), m_pin(pin)
{
}

CapturePinClient::~CapturePinClient()
{
    auto& core = *m_connection->m_core;
    const wire::PinRequest request{m_pin, 0};
    {
        std::lock_guard lock(core.mutex);
        core.ticking.erase(m_pin);
    }
    if (core.OnReceiveThread()) {
        // Closed from one of its own callbacks: nobody can wait for the reply here.
        wire::MessageHeader header{static_cast<std::uint32_t>(MessageType::ClosePin), 0, 0, 0};
        {
            std::lock_guard lock(core.mutex);
            header.id = core.NewId();
        }
        core.socket->Send(header, {BytesOf(request)});
        return;
    }
    ReceivedMessage reply;
    core.Call(MessageType::ClosePin, {BytesOf(request)}, &reply);
    // The host answers the close after every read of the pin; their callbacks may still be running.
    std::unique_lock lock(core.mutex);
    core.changed.wait(lock, [&] { return core.readsInFlight.count(m_pin) == 0; });
}

NTSTATUS CapturePinClient::SetState(KSSTATE state)
{
    auto& core = *m_connection->m_core;
    // Ticks run from PAUSE on and stop with STOP. Left before the request goes: a read appended
    // to the ring after the host has emptied it for this request would wait for a tick that
    // never comes.
    if (state != KSSTATE_PAUSE && state != KSSTATE_RUN) {
        std::lock_guard lock(core.mutex);
        core.ticking.erase(m_pin);
    }
    const wire::StateRequest request{m_pin, state};
    ReceivedMessage reply;
    const NTSTATUS status = core.Call(MessageType::SetState, {BytesOf(request)}, &reply);
    if (NT_SUCCESS(status) && state == KSSTATE_PAUSE) {
        std::lock_guard lock(core.mutex);
        core.ticking.insert(m_pin);
    }
    return status;
}

NTSTATUS CapturePinClient::GetState(KSSTATE* state)
{
    const wire::PinRequest request{m_pin, 0};
    ReceivedMessage reply;
    const NTSTATUS status = m_connection->m_core->Call(MessageType::GetState, {BytesOf(request)}, &reply);
    wire::StateReply result{};
    if (NT_SUCCESS(status) && ReadPayload(reply.payload, 0, &result)) *state = static_cast<KSSTATE>(result.state);
    return status;
}

NTSTATUS CapturePinClient::DataFormat(bool set, const KSDATAFORMAT* format)
{
    if (!FormatFits(format, sizeof(wire::DataFormatRequest))) return STATUS_INVALID_PARAMETER;
    const wire::DataFormatRequest request{m_pin, set ? wire::FormatCommand::Set : wire::FormatCommand::Propose};
    ReceivedMessage reply;
    return m_connection->m_core->Call(MessageType::DataFormat, {BytesOf(request), BytesOfFormat(format)}, &reply);
}

NTSTATUS CapturePinClient::GetProperty(const void* property, ULONG propertySize, void* data, ULONG dataSize,
                                       ULONG* bytesReturned)
{
    return m_connection->m_core->Property(m_pin, property, propertySize, data, dataSize, bytesReturned);
}

NTSTATUS CapturePinClient::Clock(std::uint32_t op)
{
    const wire::ClockRequest request{m_pin, static_cast<wire::ClockOp>(op)};
    ReceivedMessage reply;
    return m_connection->m_core->Call(MessageType::Clock, {BytesOf(request)}, &reply);
}

NTSTATUS CapturePinClient::AttachClock() { return Clock(static_cast<std::uint32_t>(wire::ClockOp::Attach)); }
NTSTATUS CapturePinClient::RunClock() { return Clock(static_cast<std::uint32_t>(wire::ClockOp::Run)); }
NTSTATUS CapturePinClient::PauseClock() { return Clock(static_cast<std::uint32_t>(wire::ClockOp::Pause)); }
NTSTATUS CapturePinClient::DetachClock() { return Clock(static_cast<std::uint32_t>(wire::ClockOp::Detach)); }

std::uint32_t CapturePinClient::SubmitRead(FrameBuffer& buffer, std::uint64_t offset, ULONG length,
                                           std::function<void(const ReadCompletion&)> done)
{
    auto& core = *m_connection->m_core;
    const auto bufferId = core.BufferId(buffer);
    if (!bufferId || offset > buffer.Size() || length > buffer.Size() - offset || !done) return 0;
    const wire::ReadRequest request{m_pin, 0, {*bufferId, length, offset}};
    std::uint32_t id;
    {
        std::lock_guard lock(core.mutex);
        if (core.lost) return 0;
        id = core.NewId();
        core.reads[id] = HostConnection::Core::PendingRead{m_pin, buffer.Data() + offset, std::move(done)};
        ++core.readsInFlight[m_pin];
        if (core.ring && core.ticking.count(m_pin) != 0 && core.ring->Append({id, 0, request})) return id;
    }
    if (core.socket->Send({static_cast<std::uint32_t>(MessageType::ReadFrame), id, 0, 0}, {BytesOf(request)}))
        return id;
    std::lock_guard lock(core.mutex);
    // Not sent; unless the host was lost meanwhile and the callback runs for that, it never will.
    if (core.reads.erase(id) == 0) return id;
    if (--core.readsInFlight[m_pin] == 0) core.readsInFlight.erase(m_pin);
    core.changed.notify_all();
    return 0;
}

NTSTATUS CapturePinClient::CancelRead(std::uint32_t readId)
{
    const wire::CancelRequest request{m_pin, readId};
    ReceivedMessage reply;
    return m_connection->m_core->Call(MessageType::CancelRead, {BytesOf(request)}, &reply);
}

}  // namespace zv::devhost
