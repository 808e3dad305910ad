#include "platform/winsock/winsock.h"

#include "platform/win32/last_error.h"
#include "platform/winsock/posix_socket.h"
#include "platform/winsock/socket_table.h"
#include "platform/winsock/wsa_errors.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

using zv::winsock::FindSocket;
using zv::winsock::SocketObject;
using zv::winsock::SocketRef;
namespace posix = zv::winsock::posix;

namespace {

std::atomic<int> g_startups{0};

int Fail(int code)
{
    WSASetLastError(code);
    return SOCKET_ERROR;
}

int FailErrno(int err)
{
    return Fail(zv::winsock::WsaErrorFromErrno(err));
}

// The socket of a handle for one call, or null with the error set.
SocketRef Use(SOCKET s)
{
    if (g_startups.load() <= 0) {
        WSASetLastError(WSANOTINITIALISED);
        return nullptr;
    }
    SocketRef socket = FindSocket(s);
    if (!socket || socket->Closed()) {
        WSASetLastError(WSAENOTSOCK);
        return nullptr;
    }
    return socket;
}

// The socket of a send or receive whose arguments are sound, or null with the error set.
SocketRef UseForTransfer(SOCKET s, const char* buffer, int length, int flags)
{
    SocketRef socket = Use(s);
    if (!socket)
        return nullptr;
    if (length < 0 || (length > 0 && !buffer)) {
        WSASetLastError(WSAEFAULT);
        return nullptr;
    }
    if (flags != 0) {
        WSASetLastError(WSAEOPNOTSUPP);
        return nullptr;
    }
    return socket;
}

bool ReadEndpoint(const SOCKADDR* name, int nameLength, posix::Endpoint& endpoint)
{
    if (!name || nameLength < static_cast<int>(sizeof(SOCKADDR_IN))) {
        WSASetLastError(WSAEFAULT);
        return false;
    }
    SOCKADDR_IN in;
    std::memcpy(&in, name, sizeof in);
    if (in.sin_family != AF_INET) {
        WSASetLastError(WSAEAFNOSUPPORT);
        return false;
    }
    endpoint.address = in.sin_addr.s_addr;
    endpoint.port = in.sin_port;
    return true;
}

void WriteEndpoint(posix::Endpoint endpoint, SOCKADDR* name, int* nameLength)
{
    if (!name || !nameLength || *nameLength < static_cast<int>(sizeof(SOCKADDR_IN)))
        return;
    SOCKADDR_IN in{};
    in.sin_family = AF_INET;
    in.sin_port = endpoint.port;
    in.sin_addr.s_addr = endpoint.address;
    std::memcpy(name, &in, sizeof in);
    *nameLength = sizeof in;
}

// A deadline from a time-out in milliseconds (0: none).
class Deadline {
public:
    explicit Deadline(DWORD timeoutMs)
        : m_bounded(timeoutMs != 0), m_end(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs))
    {
    }
    // Milliseconds left for poll: -1 without bound, 0 once passed.
    int Remaining() const
    {
        if (!m_bounded)
            return -1;
        auto left = std::chrono::ceil<std::chrono::milliseconds>(m_end - std::chrono::steady_clock::now()).count();
        return left <= 0 ? 0 : static_cast<int>(left);
    }

private:
    bool m_bounded;
    std::chrono::steady_clock::time_point m_end;
};

// Waits for the socket within the deadline; false with the error set when it cannot go on.
bool WaitUntilReady(const SocketObject& socket, bool writable, const Deadline& deadline)
{
    int err = 0;
    switch (posix::WaitFor(socket.Fd(), writable, socket.WakeFd(), deadline.Remaining(), err)) {
    case posix::Readiness::Ready: return true;
    case posix::Readiness::TimedOut: WSASetLastError(WSAETIMEDOUT); return false;
    case posix::Readiness::Woken: WSASetLastError(WSAEINTR); return false;
    case posix::Readiness::Failed: FailErrno(err); return false;
    }
    return false;
}

} // namespace

int WSAStartup(WORD versionRequested, WSADATA* data)
{
    if ((versionRequested & 0xFF) < 1)
        return WSAVERNOTSUPPORTED;
    if (data) {
        std::memset(data, 0, sizeof *data);
        data->wVersion = versionRequested;
        data->wHighVersion = MAKEWORD(2, 2);
        std::strcpy(data->szDescription, "Zelvante sockets over BSD sockets");
        std::strcpy(data->szSystemStatus, "Running");
    }
    ++g_startups;
    return 0;
}

int WSACleanup()
{
    int count = g_startups.load();
    while (count > 0 && !g_startups.compare_exchange_weak(count, count - 1)) {
    }
    if (count <= 0)
        return Fail(WSANOTINITIALISED);
    return 0;
}

int WSAGetLastError()
{
    return static_cast<int>(GetLastError());
}

void WSASetLastError(int error)
{
    SetLastError(static_cast<DWORD>(error));
}

SOCKET socket(int af, int type, int protocol)
{
    if (g_startups.load() <= 0)
        return Fail(WSANOTINITIALISED), INVALID_SOCKET;
    if (af != AF_INET)
        return Fail(WSAEAFNOSUPPORT), INVALID_SOCKET;
    if (type != SOCK_STREAM)
        return Fail(WSAESOCKTNOSUPPORT), INVALID_SOCKET;
    if (protocol != 0 && protocol != IPPROTO_TCP)
        return Fail(WSAEPROTONOSUPPORT), INVALID_SOCKET;
    int err = 0;
    int fd = posix::CreateStreamSocket(err);
    if (fd < 0)
        return FailErrno(err), INVALID_SOCKET;
    int wakeFd = posix::CreateWakeDescriptor(err);
    if (wakeFd < 0) {
        posix::CloseDescriptor(fd);
        return FailErrno(err), INVALID_SOCKET;
    }
    return zv::winsock::AddSocket(std::make_shared<SocketObject>(fd, wakeFd));
}

int closesocket(SOCKET s)
{
    if (g_startups.load() <= 0)
        return Fail(WSANOTINITIALISED);
    SocketRef socket = zv::winsock::RemoveSocket(s);
    if (!socket)
        return Fail(WSAENOTSOCK);
    socket->Close();
    return 0;
}

int shutdown(SOCKET s, int how)
{
    SocketRef socket = Use(s);
    if (!socket)
        return SOCKET_ERROR;
    if (how < SD_RECEIVE || how > SD_BOTH)
        return Fail(WSAEINVAL);
    int err = 0;
    if (!posix::Shutdown(socket->Fd(), how != SD_SEND, how != SD_RECEIVE, err))
        return FailErrno(err);
    return 0;
}

int bind(SOCKET s, const SOCKADDR* name, int nameLength)
{
    SocketRef socket = Use(s);
    posix::Endpoint local;
    if (!socket || !ReadEndpoint(name, nameLength, local))
        return SOCKET_ERROR;
    int err = 0;
    if (!posix::Bind(socket->Fd(), local, err))
        return FailErrno(err);
    return 0;
}

int listen(SOCKET s, int backlog)
{
    SocketRef socket = Use(s);
    if (!socket)
        return SOCKET_ERROR;
    int err = 0;
    // The system caps the backlog itself; a negative one is taken as the largest.
    if (!posix::Listen(socket->Fd(), backlog < 0 ? SOMAXCONN : backlog, err))
        return FailErrno(err);
    return 0;
}

SOCKET accept(SOCKET s, SOCKADDR* address, int* addressLength)
{
    SocketRef socket = Use(s);
    if (!socket)
        return INVALID_SOCKET;
    if (address && (!addressLength || *addressLength < static_cast<int>(sizeof(SOCKADDR_IN))))
        return Fail(WSAEFAULT), INVALID_SOCKET;
    Deadline noDeadline(0); // accept waits for a connection or for closesocket
    for (;;) {
        if (!WaitUntilReady(*socket, false, noDeadline))
            return INVALID_SOCKET;
        int err = 0;
        posix::Endpoint peer;
        int fd = posix::Accept(socket->Fd(), peer, err);
        if (fd < 0) {
            if (err == EAGAIN || err == EWOULDBLOCK || err == ECONNABORTED || err == EINTR)
                continue; // another thread took it, or the peer gave up first
            if (socket->Closed())
                return Fail(WSAEINTR), INVALID_SOCKET;
            return FailErrno(err), INVALID_SOCKET;
        }
        int wakeFd = posix::CreateWakeDescriptor(err);
        if (wakeFd < 0) {
            posix::CloseDescriptor(fd);
            return FailErrno(err), INVALID_SOCKET;
        }
        WriteEndpoint(peer, address, addressLength);
        return zv::winsock::AddSocket(std::make_shared<SocketObject>(fd, wakeFd));
    }
}

int connect(SOCKET s, const SOCKADDR* name, int nameLength)
{
    SocketRef socket = Use(s);
    posix::Endpoint remote;
    if (!socket || !ReadEndpoint(name, nameLength, remote))
        return SOCKET_ERROR;
    int err = 0;
    if (posix::StartConnect(socket->Fd(), remote, err))
        return 0;
    if (err != EINPROGRESS)
        return FailErrno(err);
    if (!WaitUntilReady(*socket, true, Deadline(socket->sendTimeout.load())))
        return SOCKET_ERROR;
    if (!posix::FinishConnect(socket->Fd(), err))
        return FailErrno(err);
    return 0;
}

int send(SOCKET s, const char* buffer, int length, int flags)
{
    SocketRef socket = UseForTransfer(s, buffer, length, flags);
    if (!socket)
        return SOCKET_ERROR;
    Deadline deadline(socket->sendTimeout.load());
    for (;;) {
        int err = 0;
        long n = posix::Send(socket->Fd(), buffer, static_cast<std::size_t>(length), err);
        if (n >= 0)
            return static_cast<int>(n);
        if (err != EAGAIN && err != EWOULDBLOCK && err != EINTR)
            return socket->Closed() ? Fail(WSAEINTR) : FailErrno(err);
        if (!WaitUntilReady(*socket, true, deadline))
            return SOCKET_ERROR;
    }
}

int recv(SOCKET s, char* buffer, int length, int flags)
{
    SocketRef socket = UseForTransfer(s, buffer, length, flags);
    if (!socket)
        return SOCKET_ERROR;
    Deadline deadline(socket->receiveTimeout.load());
    for (;;) {
        if (!WaitUntilReady(*socket, false, deadline))
            return SOCKET_ERROR;
        if (socket->Closed())
            return Fail(WSAEINTR);
        int err = 0;
        long n = posix::Receive(socket->Fd(), buffer, static_cast<std::size_t>(length), err);
        if (n >= 0)
            return static_cast<int>(n);
        if (err != EAGAIN && err != EWOULDBLOCK && err != EINTR)
            return FailErrno(err);
    }
}

int setsockopt(SOCKET s, int level, int name, const char* value, int valueLength)
{
    SocketRef socket = Use(s);
    if (!socket)
        return SOCKET_ERROR;
    if (level != SOL_SOCKET)
        return Fail(WSAENOPROTOOPT);
    if (!value || valueLength < static_cast<int>(sizeof(DWORD)))
        return Fail(WSAEFAULT);
    DWORD v;
    std::memcpy(&v, value, sizeof v);
    switch (name) {
    case SO_REUSEADDR: {
        if (v == 0)
            return 0; // the system's default
        int err = 0;
        return posix::SetReuseAddress(socket->Fd(), err) ? 0 : FailErrno(err);
    }
    case SO_RCVTIMEO: socket->receiveTimeout.store(v); return 0;
    case SO_SNDTIMEO: socket->sendTimeout.store(v); return 0;
    default: return Fail(WSAENOPROTOOPT);
    }
}

int getsockname(SOCKET s, SOCKADDR* name, int* nameLength)
{
    SocketRef socket = Use(s);
    if (!socket)
        return SOCKET_ERROR;
    if (!name || !nameLength || *nameLength < static_cast<int>(sizeof(SOCKADDR_IN)))
        return Fail(WSAEFAULT);
    int err = 0;
    posix::Endpoint local;
    if (!posix::LocalEndpoint(socket->Fd(), local, err))
        return FailErrno(err);
    WriteEndpoint(local, name, nameLength);
    return 0;
}

int WSAPoll(WSAPOLLFD* fds, ULONG count, INT timeout)
{
    if (g_startups.load() <= 0)
        return Fail(WSANOTINITIALISED);
    if (!fds && count > 0)
        return Fail(WSAEFAULT);
    std::vector<SocketRef> sockets(count);
    std::vector<int> descriptors(count, -1), wakes(count, -1), results(count, 0);
    std::unique_ptr<bool[]> wantRead(new bool[count]), wantWrite(new bool[count]);
    for (ULONG i = 0; i < count; ++i) {
        fds[i].revents = 0;
        sockets[i] = FindSocket(fds[i].fd);
        if (sockets[i] && !sockets[i]->Closed()) {
            descriptors[i] = sockets[i]->Fd();
            wakes[i] = sockets[i]->WakeFd();
        }
        wantRead[i] = (fds[i].events & POLLRDNORM) != 0;
        wantWrite[i] = (fds[i].events & POLLWRNORM) != 0;
    }
    int err = 0;
    if (posix::PollMany(descriptors.data(), wakes.data(), wantRead.get(), wantWrite.get(), results.data(), count,
                        timeout < 0 ? -1 : timeout, err) < 0)
        return FailErrno(err);
    int ready = 0;
    for (ULONG i = 0; i < count; ++i) {
        SHORT r = 0;
        if (descriptors[i] < 0 || (results[i] & posix::kPollWoken))
            r = POLLNVAL;
        else
            r = static_cast<SHORT>(((results[i] & posix::kPollReadable) ? POLLRDNORM : 0) |
                                   ((results[i] & posix::kPollWritable) ? POLLWRNORM : 0) |
                                   ((results[i] & posix::kPollError) ? POLLHUP : 0));
        fds[i].revents = r;
        if (r)
            ++ready;
    }
    return ready;
}

const char* inet_ntop(INT family, const void* address, char* text, std::size_t size)
{
    if (family != AF_INET) {
        WSASetLastError(WSAEAFNOSUPPORT);
        return nullptr;
    }
    if (!address || !text) {
        WSASetLastError(WSAEFAULT);
        return nullptr;
    }
    std::uint32_t a;
    std::memcpy(&a, address, sizeof a);
    const char* result = posix::FormatAddress(a, text, size);
    if (!result)
        WSASetLastError(WSAEINVAL);
    return result;
}

INT inet_pton(INT family, const char* text, void* address)
{
    if (family != AF_INET) {
        WSASetLastError(WSAEAFNOSUPPORT);
        return -1;
    }
    if (!text || !address) {
        WSASetLastError(WSAEFAULT);
        return -1;
    }
    std::uint32_t a;
    if (!posix::ParseAddress(text, a))
        return 0;
    std::memcpy(address, &a, sizeof a);
    return 1;
}
