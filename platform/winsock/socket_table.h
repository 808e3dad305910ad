// The sockets of the process behind their SOCKET handles.
//
// Every call holds a reference to the socket for its duration, so closesocket from another thread
// never closes a descriptor that a blocked call still polls: it marks the socket closed, wakes the
// waiters and shuts the connection down; the descriptor is closed with the last reference.
#pragma once

#include "platform/winsock/winsock.h"

#include <atomic>
#include <memory>

namespace zv::winsock {

class SocketObject {
public:
    SocketObject(int fd, int wakeFd) : m_fd(fd), m_wakeFd(wakeFd) {}
    ~SocketObject();
    SocketObject(const SocketObject&) = delete;
    SocketObject& operator=(const SocketObject&) = delete;

    int Fd() const { return m_fd; }
    int WakeFd() const { return m_wakeFd; }
    bool Closed() const { return m_closed.load(); }
    // Marks the socket closed, wakes every waiter and shuts the connection down.
    void Close();

    // Time-outs in milliseconds; 0 waits without bound.
    std::atomic<DWORD> receiveTimeout{0};
    std::atomic<DWORD> sendTimeout{0};

private:
    int m_fd;
    int m_wakeFd;
    std::atomic<bool> m_closed{false};
};

using SocketRef = std::shared_ptr<SocketObject>;

// A new handle for the socket; handles are not reused while the process runs.
SOCKET AddSocket(SocketRef socket);
// The socket of a handle, or null.
SocketRef FindSocket(SOCKET s);
// Takes the handle out of the table and returns its socket, or null.
SocketRef RemoveSocket(SOCKET s);

} // namespace zv::winsock
