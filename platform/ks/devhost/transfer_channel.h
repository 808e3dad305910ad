// The side channel's transfers (ReadFile/WriteFile on a device path) on a socket of their own to
// the host, asked and answered on the calling thread. Through the connection's socket a transfer
// costs two wake-ups on this side (the receive thread for the reply, then the caller); here the
// caller sleeps in its own receive and wakes once. The bytes travel in a buffer the channel keeps
// registered with the host on this socket, grown as larger transfers come. Not for concurrent
// use: the connection lets one transfer through at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/ks/devhost/frame_buffer.h"
#include "platform/ks/devhost/wire/wire_socket.h"
#include "platform/ks/ntstatus.h"

namespace zv::devhost {

class TransferChannel {
public:
    enum class OpenResult { Open, HostGone, Refused };

    // Connects to the host listening at `socketPath`. HostGone when nobody listens there, nobody
    // answers in time (a hung host) or the host that answers is not `hostPid` (ours has gone,
    // another took its place); Refused when the host turns the connection away (it is at its
    // limit, or leaving).
    static std::unique_ptr<TransferChannel> Open(const std::string& socketPath, int hostPid,
                                                 std::chrono::milliseconds replyTimeout, OpenResult* result);

    // IRP_MJ_WRITE (`write`) from `buffer` or IRP_MJ_READ into it, of `length` bytes at most
    // wire::kMaxBufferBytes; `information` receives the bytes the driver reports (never more
    // than `length`). Sets `lost` when the host went away or did not answer in time: the channel
    // is then unusable and the status STATUS_DEVICE_NOT_CONNECTED.
    NTSTATUS Transfer(bool write, void* buffer, std::uint32_t length, ULONG_PTR* information, bool* lost);

    TransferChannel(const TransferChannel&) = delete;
    TransferChannel& operator=(const TransferChannel&) = delete;

private:
    explicit TransferChannel(std::unique_ptr<WireSocket> socket) : m_socket(std::move(socket)) {}

    // Sends a request and receives its reply; false (the channel broken) when no reply to it came.
    bool Call(wire::MessageType type, std::initializer_list<std::span<const unsigned char>> parts,
              ReceivedMessage* reply, int fd = -1);
    // A registered buffer of at least `length` bytes; the status of the attempt.
    NTSTATUS Reserve(std::uint32_t length, bool* lost);

    std::unique_ptr<WireSocket> m_socket;
    bool m_broken = false;
    bool m_timedOut = false;  // broken for want of an answer within the reply time
    std::uint32_t m_nextId = 1;
    std::unique_ptr<FrameBuffer> m_buffer;
    std::uint32_t m_bufferId = 0;
};

}  // namespace zv::devhost
