// The host's accept loop: serves connections until SIGTERM/SIGINT or until it has had no
// connection for the idle time, then ends every connection (closing their pins).
#pragma once

#include <chrono>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "platform/ks/devhost/host/connection.h"
#include "platform/ks/devhost/host/host_device.h"

namespace zv::devhost {

class DeviceServer {
public:
    static constexpr std::size_t kMaxConnections = 256;

    DeviceServer(HostDevice& device, std::chrono::milliseconds idle) : m_device(device), m_idle(idle) {}
    ~DeviceServer();

    // Removes a stale socket file, binds and listens.
    bool Listen(const std::string& path, std::string* error);
    // Serves until a signal in `signalFd` (a signalfd) or the idle time; every connection has
    // ended on return.
    void Serve(int signalFd);

private:
    void Accept();
    // Joins and drops connections that have ended; the number still live.
    std::size_t Reap();

    HostDevice& m_device;
    std::chrono::milliseconds m_idle;
    UniqueFd m_listener;
    UniqueFd m_wake;  // eventfd: a connection has ended
    std::list<std::unique_ptr<Connection>> m_connections;
};

}  // namespace zv::devhost
