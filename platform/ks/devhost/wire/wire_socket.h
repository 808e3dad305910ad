// One end of a device-host connection: whole messages over a SOCK_SEQPACKET Unix socket, with an
// optional file descriptor riding along. Sends are serialised, so any thread may send; one thread
// receives.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <sys/types.h>
#include <vector>

#include "platform/ks/devhost/wire/wire_protocol.h"

namespace zv::devhost {

// A file descriptor that closes itself.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    int Release();
    void Reset(int fd = -1);

private:
    int m_fd = -1;
};

struct ReceivedMessage {
    wire::MessageHeader header{};
    std::vector<unsigned char> payload;
    UniqueFd fd;  // at most one descriptor per message; extra ones are closed
};

enum class ReceiveResult { Message, Closed, Malformed };

// What a send that must not wait did: sent whole, refused because the peer's queue is full
// (nothing sent), or failed for good (peer gone, message too large).
enum class TrySendResult { Sent, WouldBlock, Failed };

class WireSocket {
public:
    explicit WireSocket(UniqueFd fd) : m_fd(std::move(fd)) {}

    // Connects to a listening socket; null (errno set) when nobody listens there.
    static std::unique_ptr<WireSocket> Connect(const std::string& path);
    // A connected pair, for tests.
    static bool Pair(std::unique_ptr<WireSocket>* a, std::unique_ptr<WireSocket>* b);

    // One message as a packet: the header, its size set to the parts' total, then the parts.
    // Empty when the parts exceed kMaxPayloadBytes.
    static std::vector<unsigned char> Pack(wire::MessageHeader header,
                                           std::initializer_list<std::span<const unsigned char>> parts);
    // Sends one message made of the header and the parts; `fd` (when >= 0) travels with it.
    // False when the peer is gone or the message exceeds kMaxMessageBytes.
    bool Send(wire::MessageHeader header, std::initializer_list<std::span<const unsigned char>> parts, int fd = -1);
    // Sends a packet made by Pack.
    bool SendPacket(const std::vector<unsigned char>& packet, int fd = -1);
    // Sends the message only if that needs no waiting for the peer.
    TrySendResult TrySend(wire::MessageHeader header, std::initializer_list<std::span<const unsigned char>> parts);
    // Waits for the next message. Closed: the peer closed or the socket was shut down. Malformed:
    // a truncated packet or a header whose size disagrees with the packet.
    ReceiveResult Receive(ReceivedMessage* message);
    // Wakes a thread blocked in Receive (it sees Closed) and fails later sends.
    void Shutdown();
    // A send (and, when `receives`, a receive) that waits longer than `limit` fails (errno EAGAIN).
    void LimitWaits(std::chrono::milliseconds limit, bool receives);

    bool Valid() const { return m_fd.Valid(); }
    int Fd() const { return m_fd.Get(); }

private:
    using Parts = std::initializer_list<std::span<const unsigned char>>;
    // sendmsg of the header and the parts as one packet, under the send lock; the bytes sent or -1.
    ssize_t SendParts(wire::MessageHeader* header, Parts parts, int fd, int flags);

    UniqueFd m_fd;
    std::mutex m_sendMutex;
    // The receiving thread's packet, kept from one message to the next.
    std::unique_ptr<unsigned char[]> m_receiveBuffer;
};

// The bytes of a trivially copyable value, for Send's parts.
template <typename T>
std::span<const unsigned char> BytesOf(const T& value)
{
    return {reinterpret_cast<const unsigned char*>(&value), sizeof value};
}

// Reads a T at `offset` of a payload; false when the payload is too short.
template <typename T>
bool ReadPayload(const std::vector<unsigned char>& payload, std::size_t offset, T* value)
{
    if (offset > payload.size() || payload.size() - offset < sizeof(T)) return false;
    std::memcpy(value, payload.data() + offset, sizeof(T));
    return true;
}

// The status a reply's payload starts with; STATUS_UNSUCCESSFUL when it is too short to hold one.
inline NTSTATUS ReplyStatusOf(const ReceivedMessage& reply)
{
    wire::ReplyStatus status{};
    return ReadPayload(reply.payload, 0, &status) ? status.status : STATUS_UNSUCCESSFUL;
}

}  // namespace zv::devhost
