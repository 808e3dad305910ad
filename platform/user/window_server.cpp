#include "platform/user/window_server.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace zv::user {

namespace {

// Connections that never send their request are dropped, oldest first, beyond this many.
constexpr std::size_t kMostIncoming = 64;

void Complete(RemoteCall& call)
{
    call.done.store(true, std::memory_order_release);
    if (call.caller)
        call.caller->Notify();
}

} // namespace

WindowServer& WindowServer::Instance()
{
    // Never destroyed: its thread runs until the process ends.
    static auto* server = new WindowServer();
    return *server;
}

WindowServer::WindowServer()
{
    m_wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    std::thread([this] { Run(); }).detach();
}

void WindowServer::Listen(int listenFd)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_pendingListenFd >= 0)
            close(m_pendingListenFd);
        m_pendingListenFd = listenFd;
    }
    Wake();
}

void WindowServer::Watch(std::shared_ptr<RemoteCall> call)
{
    {
        std::lock_guard lock(m_mutex);
        m_newCalls.push_back(std::move(call));
    }
    Wake();
}

void WindowServer::Wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
}

void WindowServer::Run()
{
    std::vector<pollfd> polled;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_pendingListenFd >= 0) {
                if (m_listenFd >= 0)
                    close(m_listenFd);
                m_listenFd = m_pendingListenFd;
                m_pendingListenFd = -1;
            }
            for (auto& call : m_newCalls)
                m_watched.push_back(std::move(call));
            m_newCalls.clear();
        }
        std::erase_if(m_watched, [](const std::shared_ptr<RemoteCall>& call) {
            if (!call->abandoned.load(std::memory_order_acquire))
                return false;
            close(call->fd);
            return true;
        });

        polled.clear();
        polled.push_back({m_wakeFd, POLLIN, 0});
        polled.push_back({m_listenFd, POLLIN, 0}); // a negative descriptor is skipped
        for (int fd : m_incoming)
            polled.push_back({fd, POLLIN, 0});
        for (const auto& call : m_watched)
            polled.push_back({call->fd, POLLIN, 0});
        if (poll(polled.data(), polled.size(), -1) < 0)
            continue; // EINTR

        if (polled[0].revents) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = read(m_wakeFd, &count, sizeof count);
        }
        std::size_t index = 2;
        std::vector<int> ready;
        for (auto it = m_incoming.begin(); it != m_incoming.end(); ++index) {
            if (polled[index].revents) {
                ready.push_back(*it);
                it = m_incoming.erase(it);
            } else {
                ++it;
            }
        }
        for (auto it = m_watched.begin(); it != m_watched.end(); ++index) {
            if (polled[index].revents) {
                ReadReply(**it);
                close((*it)->fd);
                it = m_watched.erase(it);
            } else {
                ++it;
            }
        }
        for (int fd : ready)
            ReadRequest(fd);
        if (polled[1].revents)
            Accept();
    }
}

void WindowServer::Accept()
{
    for (;;) {
        const int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        m_incoming.push_back(fd);
        if (m_incoming.size() > kMostIncoming) {
            close(m_incoming.front());
            m_incoming.erase(m_incoming.begin());
        }
    }
}

void WindowServer::ReadRequest(int fd)
{
    std::string packet(remote::kMaxPacketBytes + 1, '\0');
    ssize_t got;
    do {
        got = recv(fd, packet.data(), packet.size(), MSG_DONTWAIT);
    } while (got < 0 && errno == EINTR);
    remote::RequestHeader request{};
    if (got < static_cast<ssize_t>(sizeof request)) {
        close(fd); // hung up, or not one of ours
        return;
    }
    std::memcpy(&request, packet.data(), sizeof request);
    if (request.textBytes > remote::kMaxTextBytes || static_cast<std::size_t>(got) != sizeof request + request.textBytes) {
        close(fd);
        return;
    }
    ServeRemoteRequest(fd, request, packet.substr(sizeof request, request.textBytes));
}

void WindowServer::ReadReply(RemoteCall& call)
{
    std::string packet(sizeof(remote::ReplyHeader) + remote::kMaxTextBytes + 1, '\0');
    ssize_t got;
    do {
        got = recv(call.fd, packet.data(), packet.size(), MSG_DONTWAIT);
    } while (got < 0 && errno == EINTR);
    if (got >= static_cast<ssize_t>(sizeof call.reply)) {
        std::memcpy(&call.reply, packet.data(), sizeof call.reply);
        const std::size_t textBytes = static_cast<std::size_t>(got) - sizeof call.reply;
        if (call.reply.textBytes == textBytes) {
            call.text = packet.substr(sizeof call.reply, textBytes);
            call.answered = true;
        }
    }
    Complete(call);
}

} // namespace zv::user
