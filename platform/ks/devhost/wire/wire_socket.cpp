#include "platform/ks/devhost/wire/wire_socket.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>

namespace zv::devhost {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) Reset(other.Release());
    return *this;
}

int UniqueFd::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void UniqueFd::Reset(int fd)
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
}

std::unique_ptr<WireSocket> WireSocket::Connect(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    path.copy(address.sun_path, path.size());
    UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) return nullptr;
    int result;
    do {
        result = ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0) return nullptr;
    return std::make_unique<WireSocket>(std::move(fd));
}

bool WireSocket::Pair(std::unique_ptr<WireSocket>* a, std::unique_ptr<WireSocket>* b)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0) return false;
    *a = std::make_unique<WireSocket>(UniqueFd(fds[0]));
    *b = std::make_unique<WireSocket>(UniqueFd(fds[1]));
    return true;
}

namespace {

// The header and at most this many parts travel as one packet.
constexpr std::size_t kMaxPieces = 8;

// sendmsg of `count` pieces as one packet, with `passFd` (when >= 0) riding along; the bytes
// sent, or -1 with errno set.
ssize_t SendPieces(int socket, iovec* pieces, std::size_t count, int passFd, int flags)
{
    msghdr message{};
    message.msg_iov = pieces;
    message.msg_iovlen = count;
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(int))] = {};
    if (passFd >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* item = CMSG_FIRSTHDR(&message);
        item->cmsg_level = SOL_SOCKET;
        item->cmsg_type = SCM_RIGHTS;
        item->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(item), &passFd, sizeof passFd);
    }
    ssize_t sent;
    do {
        sent = ::sendmsg(socket, &message, MSG_NOSIGNAL | flags);
    } while (sent < 0 && errno == EINTR);
    return sent;
}

// The header (its size set to the parts' total) and the parts as pieces of one packet, without
// copying them together; 0 when they exceed kMaxPayloadBytes or kMaxPieces.
std::size_t Gather(wire::MessageHeader* header, std::initializer_list<std::span<const unsigned char>> parts,
                   iovec (&pieces)[kMaxPieces], std::size_t* bytes)
{
    std::size_t total = 0;
    for (const auto& part : parts) total += part.size();
    if (total > wire::kMaxPayloadBytes || parts.size() + 1 > kMaxPieces) return 0;
    header->size = static_cast<std::uint32_t>(total);
    pieces[0] = {header, sizeof *header};
    std::size_t count = 1;
    // sendmsg takes non-const buffers; it only reads them.
    for (const auto& part : parts)
        if (!part.empty()) pieces[count++] = {const_cast<unsigned char*>(part.data()), part.size()};
    *bytes = sizeof *header + total;
    return count;
}

}  // namespace

std::vector<unsigned char> WireSocket::Pack(wire::MessageHeader header,
                                            std::initializer_list<std::span<const unsigned char>> parts)
{
    std::size_t total = 0;
    for (const auto& part : parts) total += part.size();
    if (total > wire::kMaxPayloadBytes) return {};
    header.size = static_cast<std::uint32_t>(total);
    std::vector<unsigned char> packet(sizeof header + total);
    std::memcpy(packet.data(), &header, sizeof header);
    std::size_t at = sizeof header;
    for (const auto& part : parts) {
        if (!part.empty()) std::memcpy(packet.data() + at, part.data(), part.size());
        at += part.size();
    }
    return packet;
}

bool WireSocket::Send(wire::MessageHeader header, std::initializer_list<std::span<const unsigned char>> parts, int fd)
{
    iovec pieces[kMaxPieces];
    std::size_t bytes = 0;
    const std::size_t count = Gather(&header, parts, pieces, &bytes);
    if (count == 0) return false;
    std::lock_guard lock(m_sendMutex);
    if (!m_fd.Valid()) return false;
    return SendPieces(m_fd.Get(), pieces, count, fd, 0) == static_cast<ssize_t>(bytes);
}

bool WireSocket::SendPacket(const std::vector<unsigned char>& packet, int fd)
{
    if (packet.empty()) return false;
    iovec piece{const_cast<unsigned char*>(packet.data()), packet.size()};
    std::lock_guard lock(m_sendMutex);
    if (!m_fd.Valid()) return false;
    return SendPieces(m_fd.Get(), &piece, 1, fd, 0) == static_cast<ssize_t>(packet.size());
}

TrySendResult WireSocket::TrySend(wire::MessageHeader header, std::initializer_list<std::span<const unsigned char>> parts)
{
    iovec pieces[kMaxPieces];
    std::size_t bytes = 0;
    const std::size_t count = Gather(&header, parts, pieces, &bytes);
    if (count == 0) return TrySendResult::Failed;
    // Another thread in a send may be waiting for the peer: so would this one.
    std::unique_lock lock(m_sendMutex, std::try_to_lock);
    if (!lock.owns_lock()) return TrySendResult::WouldBlock;
    if (!m_fd.Valid()) return TrySendResult::Failed;
    const ssize_t sent = SendPieces(m_fd.Get(), pieces, count, -1, MSG_DONTWAIT);
    if (sent == static_cast<ssize_t>(bytes)) return TrySendResult::Sent;
    // A packet socket sends a message whole or not at all.
    return sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? TrySendResult::WouldBlock : TrySendResult::Failed;
}

ReceiveResult WireSocket::Receive(ReceivedMessage* message)
{
    // One byte more than the largest message, so that a larger one shows as truncated.
    if (!m_receiveBuffer) m_receiveBuffer = std::make_unique_for_overwrite<unsigned char[]>(wire::kMaxMessageBytes + 1);
    unsigned char* packet = m_receiveBuffer.get();
    iovec io{packet, wire::kMaxMessageBytes + 1};
    msghdr header{};
    header.msg_iov = &io;
    header.msg_iovlen = 1;
    // Room for a few descriptors, so that a peer sending several cannot leak them into us.
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(int) * 8)];
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    ssize_t received;
    do {
        received = ::recvmsg(m_fd.Get(), &header, MSG_CMSG_CLOEXEC);
    } while (received < 0 && errno == EINTR);
    if (received <= 0) return ReceiveResult::Closed;

    message->fd.Reset();
    for (cmsghdr* item = CMSG_FIRSTHDR(&header); item != nullptr; item = CMSG_NXTHDR(&header, item)) {
        if (item->cmsg_level != SOL_SOCKET || item->cmsg_type != SCM_RIGHTS) continue;
        const std::size_t count = (item->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int fd;
            std::memcpy(&fd, CMSG_DATA(item) + i * sizeof(int), sizeof fd);
            if (!message->fd.Valid())
                message->fd.Reset(fd);
            else
                ::close(fd);
        }
    }
    const auto length = static_cast<std::size_t>(received);
    if ((header.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0 || length < sizeof(wire::MessageHeader) ||
        length > wire::kMaxMessageBytes)
        return ReceiveResult::Malformed;
    std::memcpy(&message->header, packet, sizeof message->header);
    if (message->header.size != length - sizeof(wire::MessageHeader)) return ReceiveResult::Malformed;
    message->payload.assign(packet + sizeof(wire::MessageHeader), packet + length);
    return ReceiveResult::Message;
}

void WireSocket::Shutdown()
{
    ::shutdown(m_fd.Get(), SHUT_RDWR);
}

void WireSocket::LimitWaits(std::chrono::milliseconds limit, bool receives)
{
    const auto ms = limit.count();
    const timeval wait{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>(ms % 1000 * 1000)};
    ::setsockopt(m_fd.Get(), SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    if (receives) ::setsockopt(m_fd.Get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
}

}  // namespace zv::devhost
