#include "platform/winsock/socket_table.h"

#include "platform/winsock/posix_socket.h"

#include <mutex>
#include <unordered_map>

namespace zv::winsock {
namespace {

struct Table {
    std::mutex lock;
    std::unordered_map<SOCKET, SocketRef> sockets;
    SOCKET next = 0x100;
};

Table& TheTable()
{
    static Table* table = new Table; // outlives every static that may still close a socket
    return *table;
}

} // namespace

SocketObject::~SocketObject()
{
    posix::CloseDescriptor(m_fd);
    posix::CloseDescriptor(m_wakeFd);
}

void SocketObject::Close()
{
    if (m_closed.exchange(true))
        return;
    posix::SignalWake(m_wakeFd);
    posix::ShutdownBoth(m_fd);
}

SOCKET AddSocket(SocketRef socket)
{
    Table& t = TheTable();
    std::lock_guard lock(t.lock);
    SOCKET handle = t.next;
    t.next += 4;
    t.sockets.emplace(handle, std::move(socket));
    return handle;
}

SocketRef FindSocket(SOCKET s)
{
    Table& t = TheTable();
    std::lock_guard lock(t.lock);
    auto it = t.sockets.find(s);
    return it == t.sockets.end() ? nullptr : it->second;
}

SocketRef RemoveSocket(SOCKET s)
{
    Table& t = TheTable();
    std::lock_guard lock(t.lock);
    auto it = t.sockets.find(s);
    if (it == t.sockets.end())
        return nullptr;
    SocketRef socket = std::move(it->second);
    t.sockets.erase(it);
    return socket;
}

} // namespace zv::winsock
