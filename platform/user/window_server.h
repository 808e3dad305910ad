// The process's one thread for talking with other processes about windows.
//
// It accepts connections on the process's socket (window_registry.h names it) and hands each
// request to ServeRemoteRequest, and it watches the connections of this process's own calls to
// other processes until their replies come or the peer goes, so that a caller can wait on its own
// thread's waiter and keep serving messages sent to it. It never blocks on anything but poll.
#pragma once

#include "platform/user/remote_protocol.h"
#include "platform/win32/thread_waiter.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zv::user {

// One request to another process, from the sending of its request to its reply.
struct RemoteCall {
    explicit RemoteCall(int connection) : fd(connection) {}

    const int fd;                                // closed by the server once it watched it
    std::shared_ptr<win32::ThreadWaiter> caller; // notified when done
    std::atomic<bool> done{false};
    std::atomic<bool> abandoned{false};          // the caller gave up waiting
    // Valid once done: answered is false when the peer closed without a reply (it died).
    bool answered = false;
    remote::ReplyHeader reply{};
    std::string text;
};

// Runs one request that arrived on `fd` and replies on it; owns and closes `fd`.
void ServeRemoteRequest(int fd, const remote::RequestHeader& request, std::string text);

class WindowServer {
public:
    static WindowServer& Instance();

    // Accepts connections on `listenFd` (owned from now on), instead of any earlier socket.
    void Listen(int listenFd);
    // Watches the call's connection until its reply comes or the peer hangs up, then completes it.
    void Watch(std::shared_ptr<RemoteCall> call);
    // Makes the server drop the calls whose callers gave up.
    void Wake();

private:
    WindowServer();
    void Run();
    void Accept();
    void ReadRequest(int fd);
    void ReadReply(RemoteCall& call);

    int m_wakeFd = -1;
    std::mutex m_mutex;
    int m_pendingListenFd = -1;
    std::vector<std::shared_ptr<RemoteCall>> m_newCalls;
    // The server thread's own.
    int m_listenFd = -1;
    std::vector<int> m_incoming; // accepted, their request not read yet, oldest first
    std::vector<std::shared_ptr<RemoteCall>> m_watched;
};

} // namespace zv::user
