#include "platform/winsock/posix_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace zv::winsock::posix {
namespace {

sockaddr_in ToSockaddr(Endpoint e)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = e.port;
    a.sin_addr.s_addr = e.address;
    return a;
}

} // namespace

int CreateStreamSocket(int& err)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
        err = errno;
    return fd;
}

int CreateWakeDescriptor(int& err)
{
    int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0)
        err = errno;
    return fd;
}

void SignalWake(int wakeFd)
{
    std::uint64_t one = 1;
    // A full counter still wakes every poller; nothing to do on failure.
    [[maybe_unused]] ssize_t written = ::write(wakeFd, &one, sizeof one);
}

void CloseDescriptor(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

bool SetReuseAddress(int fd, int& err)
{
    int on = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0)
        return true;
    err = errno;
    return false;
}

bool Bind(int fd, Endpoint local, int& err)
{
    sockaddr_in a = ToSockaddr(local);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
        return true;
    err = errno;
    return false;
}

bool Listen(int fd, int backlog, int& err)
{
    if (::listen(fd, backlog) == 0)
        return true;
    err = errno;
    return false;
}

bool LocalEndpoint(int fd, Endpoint& local, int& err)
{
    sockaddr_in a{};
    socklen_t length = sizeof a;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        err = errno;
        return false;
    }
    local.address = a.sin_addr.s_addr;
    local.port = a.sin_port;
    return true;
}

void ShutdownBoth(int fd)
{
    ::shutdown(fd, SHUT_RDWR);
}

bool Shutdown(int fd, bool receive, bool send, int& err)
{
    int how = receive && send ? SHUT_RDWR : receive ? SHUT_RD : SHUT_WR;
    if (::shutdown(fd, how) == 0)
        return true;
    err = errno;
    return false;
}

int Accept(int fd, Endpoint& peer, int& err)
{
    sockaddr_in a{};
    socklen_t length = sizeof a;
    int accepted = ::accept4(fd, reinterpret_cast<sockaddr*>(&a), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (accepted < 0) {
        err = errno;
        return -1;
    }
    peer.address = a.sin_addr.s_addr;
    peer.port = a.sin_port;
    return accepted;
}

bool StartConnect(int fd, Endpoint remote, int& err)
{
    sockaddr_in a = ToSockaddr(remote);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
        return true;
    err = errno;
    return false;
}

bool FinishConnect(int fd, int& err)
{
    int result = 0;
    socklen_t length = sizeof result;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &length) != 0) {
        err = errno;
        return false;
    }
    if (result != 0) {
        err = result;
        return false;
    }
    return true;
}

long Send(int fd, const void* data, std::size_t length, int& err)
{
    ssize_t n = ::send(fd, data, length, MSG_NOSIGNAL);
    if (n < 0)
        err = errno;
    return n;
}

long Receive(int fd, void* data, std::size_t length, int& err)
{
    ssize_t n = ::recv(fd, data, length, 0);
    if (n < 0)
        err = errno;
    return n;
}

Readiness WaitFor(int fd, bool writable, int wakeFd, int timeoutMs, int& err)
{
    pollfd fds[2] = {{fd, static_cast<short>(writable ? POLLOUT : POLLIN), 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
        int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue; // a signal: the caller's deadline decides, not the signal
        if (n < 0) {
            err = errno;
            return Readiness::Failed;
        }
        if (n == 0)
            return Readiness::TimedOut;
        if (fds[1].revents)
            return Readiness::Woken;
        return Readiness::Ready;
    }
}

int PollMany(const int* fds, const int* wakeFds, const bool* wantRead, const bool* wantWrite, int* results,
             std::size_t count, int timeoutMs, int& err)
{
    std::vector<pollfd> polled(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        short events = static_cast<short>((wantRead[i] ? POLLIN : 0) | (wantWrite[i] ? POLLOUT : 0));
        polled[2 * i] = {fds[i], events, 0};
        polled[2 * i + 1] = {wakeFds[i], POLLIN, 0};
    }
    int n;
    do {
        n = ::poll(polled.data(), polled.size(), timeoutMs);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        err = errno;
        return -1;
    }
    int ready = 0;
    for (std::size_t i = 0; i < count; ++i) {
        short r = polled[2 * i].revents;
        int bits = ((r & POLLIN) ? kPollReadable : 0) | ((r & POLLOUT) ? kPollWritable : 0) |
                   ((r & (POLLERR | POLLHUP | POLLNVAL)) ? kPollError : 0) |
                   (polled[2 * i + 1].revents ? kPollWoken : 0);
        results[i] = bits;
        if (bits)
            ++ready;
    }
    return ready;
}

const char* FormatAddress(std::uint32_t networkAddress, char* text, std::size_t size)
{
    in_addr a{};
    a.s_addr = networkAddress;
    return ::inet_ntop(AF_INET, &a, text, static_cast<socklen_t>(size));
}

bool ParseAddress(const char* text, std::uint32_t& networkAddress)
{
    in_addr a{};
    if (::inet_pton(AF_INET, text, &a) != 1)
        return false;
    networkAddress = a.s_addr;
    return true;
}

} // namespace zv::winsock::posix
