#include "platform/ks/devhost/host/device_server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zv::devhost {
namespace {

// A client that takes nothing for this long while its socket is full is cut off.
constexpr timeval kSendTimeout{5, 0};

}  // namespace

DeviceServer::~DeviceServer()
{
    for (auto& connection : m_connections) connection->Stop();
    m_connections.clear();
}

bool DeviceServer::Listen(const std::string& path, std::string* error)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        *error = "socket path too long: " + path;
        return false;
    }
    path.copy(address.sun_path, path.size());
    m_wake.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    m_listener.Reset(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (!m_wake.Valid() || !m_listener.Valid()) {
        *error = std::string("cannot create socket: ") + std::strerror(errno);
        return false;
    }
    ::unlink(path.c_str());  // a dead host's; the lock says no live host uses it
    if (::bind(m_listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener.Get(), SOMAXCONN) != 0) {
        *error = "cannot listen on " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void DeviceServer::Serve(int signalFd)
{
    auto idleSince = std::chrono::steady_clock::now();
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        int timeout = -1;
        if (Reap() == 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(idleSince + m_idle - now);
            if (left.count() <= 0) break;
            timeout = static_cast<int>(std::min<long long>(left.count(), 60000));
        }
        pollfd fds[3] = {{m_listener.Get(), POLLIN, 0}, {m_wake.Get(), POLLIN, 0}, {signalFd, POLLIN, 0}};
        if (::poll(fds, 3, timeout) < 0 && errno != EINTR) break;
        if (fds[2].revents != 0) break;
        if (fds[1].revents != 0) {
            std::uint64_t count;
            [[maybe_unused]] ssize_t ignored = ::read(m_wake.Get(), &count, sizeof count);
        }
        if (fds[0].revents != 0) Accept();
        if (Reap() != 0) idleSince = std::chrono::steady_clock::now();
    }
    for (auto& connection : m_connections) connection->Stop();
    m_connections.clear();
}

void DeviceServer::Accept()
{
    UniqueFd fd(::accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!fd.Valid() || m_connections.size() >= kMaxConnections) return;
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_SNDTIMEO, &kSendTimeout, sizeof kSendTimeout);
    const int wake = m_wake.Get();
    auto connection = std::make_unique<Connection>(std::move(fd), m_device, [wake] {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t ignored = ::write(wake, &one, sizeof one);
    });
    connection->Start();
    m_connections.push_back(std::move(connection));
}

std::size_t DeviceServer::Reap()
{
    m_connections.remove_if([](const auto& connection) { return connection->Finished(); });
    return m_connections.size();
}

}  // namespace zv::devhost
