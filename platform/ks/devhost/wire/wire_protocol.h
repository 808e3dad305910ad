// The device host's wire protocol. A client connects to the host's Unix socket (SOCK_SEQPACKET:
// one message per packet, in order) and sends requests; the host answers each with a reply that
// carries the request's id. A read request on a pin is answered when the read completes, which may
// be much later and out of order. Frame and transfer buffers never travel in messages: the client
// passes a sealed memfd once (SCM_RIGHTS with RegisterBuffer) and names ranges of it by buffer id.
// Reads may also be handed over without a message, through a ring in shared memory (read_ring.h);
// they are answered by the same ReadFrame reply.
//
// Every message is a MessageHeader followed by `size` payload bytes. Replies carry the request's
// type with kReplyFlag set and start their payload with a ReplyStatus. Layouts are fixed: both
// sides are this system's own code, built from this header, and the host checks every size.
// A connection that sends a malformed message (wrong size, unknown type) is dropped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ks/ks_formats.h"
#include "platform/ks/stream_class.h"

namespace zv::devhost::wire {

constexpr std::uint32_t kProtocolVersion = 2;

// Largest packet either side sends or accepts (formats, ranges and properties are small; frames
// travel through buffers).
constexpr std::uint32_t kMaxMessageBytes = 16 * 1024;
constexpr std::uint32_t kMaxPayloadBytes = kMaxMessageBytes - 16;

// Limits the host enforces per connection.
constexpr std::uint32_t kMaxBuffersPerConnection = 256;
constexpr std::uint64_t kMaxBufferBytes = 256ull << 20;          // one memfd
constexpr std::uint64_t kMaxMappedBytesPerConnection = 1ull << 30;  // all of a connection's memfds
constexpr std::uint32_t kMaxReadsPerPin = 32;                     // pending at once
constexpr std::uint32_t kMaxPinsPerConnection = 64;

constexpr std::uint32_t kReplyFlag = 0x80000000u;

enum class MessageType : std::uint32_t {
    Hello = 1,           // HelloRequest -> HelloReply
    RegisterBuffer,      // no payload, one memfd attached -> RegisterBufferReply
    ReleaseBuffer,       // BufferRequest -> ReplyStatus
    DeviceRead,          // TransferRequest -> TransferReply (IRP_MJ_READ into the buffer range)
    DeviceWrite,         // TransferRequest -> TransferReply (IRP_MJ_WRITE from the buffer range)
    GetDataRanges,       // StreamRequest -> ReplyStatus, DataRangesReply, then the ranges back to back
    Intersect,           // StreamRequest + a data range -> ReplyStatus, then the format
    OpenPin,             // StreamRequest + a format -> OpenPinReply
    ClosePin,            // PinRequest -> ReplyStatus (after every read of the pin has been answered)
    DataFormat,          // DataFormatRequest + a format -> ReplyStatus
    SetState,            // StateRequest -> ReplyStatus
    GetState,            // PinRequest -> StateReply
    GetProperty,         // PropertyRequest + property bytes -> ReplyStatus, PropertyReply, data
    SetProperty,         // PropertyRequest + property bytes + data -> ReplyStatus, PropertyReply
    Clock,               // ClockRequest -> ReplyStatus
    ReadFrame,           // ReadRequest -> ReadReply when the read completes (or fails at once)
    CancelRead,          // CancelRequest -> ReplyStatus (the read's own reply follows or preceded it)
    RegisterReadRing,    // no payload, one memfd of kReadRingBytes attached (read_ring.h) -> ReplyStatus
};

struct MessageHeader {
    std::uint32_t type;  // MessageType, with kReplyFlag on replies
    std::uint32_t id;    // chosen by the client; echoed by the reply
    std::uint32_t size;  // payload bytes after this header
    std::uint32_t reserved;
};
static_assert(sizeof(MessageHeader) == 16);

// First in every reply's payload. `status` is an NTSTATUS from the port or the driver, or the
// host's own refusal (STATUS_INVALID_PARAMETER for a bad size/offset/id, STATUS_INSUFFICIENT_RESOURCES
// for a limit, STATUS_NOT_SUPPORTED for what the port cannot do).
struct ReplyStatus {
    std::int32_t status;
    std::uint32_t reserved;
};

struct HelloRequest {
    std::uint32_t version;
    std::uint32_t reserved;
};
struct HelloReply {
    ReplyStatus result;
    std::uint32_t version;
    std::int32_t hostPid;
};

// RegisterBuffer: the memfd must carry F_SEAL_SHRINK (so that the host's mapping cannot lose its
// pages) and be at most kMaxBufferBytes.
struct RegisterBufferReply {
    ReplyStatus result;
    std::uint32_t bufferId;
    std::uint32_t reserved;
    std::uint64_t size;  // the memfd's size as the host mapped it
};

struct BufferRequest {
    std::uint32_t bufferId;
    std::uint32_t reserved;
};

// A range of a registered buffer.
struct BufferRange {
    std::uint32_t bufferId;
    std::uint32_t length;
    std::uint64_t offset;
};

struct TransferRequest {
    BufferRange range;
};
struct TransferReply {
    ReplyStatus result;
    std::uint64_t information;  // bytes the driver reports moved
};

struct StreamRequest {
    std::uint32_t stream;
    std::uint32_t reserved;
};
struct DataRangesReply {
    std::uint32_t count;           // ranges that follow, each FormatSize bytes
    std::uint32_t possibleInstances;  // NumberOfPossibleInstances of the stream
};

struct OpenPinReply {
    ReplyStatus result;
    std::uint32_t pin;  // the host's id of the pin, valid on this connection only
    std::uint32_t reserved;
};

struct PinRequest {
    std::uint32_t pin;
    std::uint32_t reserved;
};

enum class FormatCommand : std::uint32_t { Propose = 1, Set = 2 };
struct DataFormatRequest {
    std::uint32_t pin;
    FormatCommand command;
};

struct StateRequest {
    std::uint32_t pin;
    std::int32_t state;  // KSSTATE
};
struct StateReply {
    ReplyStatus result;
    std::int32_t state;
    std::uint32_t reserved;
};

constexpr std::uint32_t kDeviceTarget = 0xFFFFFFFFu;  // PropertyRequest::pin for the device's sets
struct PropertyRequest {
    std::uint32_t pin;           // a pin id, or kDeviceTarget
    std::uint32_t propertySize;  // bytes of the property (KSPROPERTY and what follows it)
    std::uint32_t dataSize;      // bytes of the value buffer (Set: they follow the property)
    std::uint32_t reserved;
};
struct PropertyReply {
    std::uint32_t bytesReturned;
    std::uint32_t reserved;
};

// The pin's master clock, kept by the host on its steady time. Attach makes one (paused) and
// indicates it to the pin; Detach indicates no clock and drops it.
enum class ClockOp : std::uint32_t { Attach = 1, Detach, Run, Pause };
struct ClockRequest {
    std::uint32_t pin;
    ClockOp op;
};

// One read: the host builds a KSSTREAM_HEADER over the range (FrameExtent = length) followed by a
// KS_FRAME_INFO, submits it, and answers with what the driver filled in.
struct ReadRequest {
    std::uint32_t pin;
    std::uint32_t reserved;
    BufferRange range;
};
struct ReadReply {
    ReplyStatus result;
    std::uint32_t optionsFlags;
    std::uint32_t typeSpecificFlags;
    KSTIME presentationTime;
    std::int64_t duration;
    std::uint32_t frameExtent;
    std::uint32_t dataUsed;
    KS_FRAME_INFO frameInfo;  // 64 bytes, as the driver left them
};
static_assert(sizeof(KS_FRAME_INFO) == 64);

struct CancelRequest {
    std::uint32_t pin;
    std::uint32_t readId;  // the id of the ReadFrame request
};

}  // namespace zv::devhost::wire
