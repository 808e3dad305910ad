// The replies of one connection, sent in order by a thread of their own, so that no thread that
// produces a reply (the port's timer thread completing a read above all) ever waits for a slow
// or hostile client. A client whose queue overflows, or whose socket stays full past the send
// timeout, is cut off.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "platform/ks/devhost/wire/wire_socket.h"

namespace zv::devhost {

class OutgoingQueue {
public:
    static constexpr std::size_t kMaxQueuedBytes = 8u << 20;

    explicit OutgoingQueue(WireSocket& socket);
    ~OutgoingQueue();  // Finish() if not done
    OutgoingQueue(const OutgoingQueue&) = delete;
    OutgoingQueue& operator=(const OutgoingQueue&) = delete;

    // Queues a reply of `type` to request `id`; any thread. On overflow the socket is shut down.
    void Reply(wire::MessageType type, std::uint32_t id, std::initializer_list<std::span<const unsigned char>> parts);
    // Sends what is queued (as long as the client takes it) and stops the sender thread.
    void Finish();

private:
    void Run();

    WireSocket& m_socket;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::vector<unsigned char>> m_packets;  // header + payload
    std::size_t m_queuedBytes = 0;
    bool m_finishing = false;
    bool m_broken = false;
    std::thread m_thread;
};

}  // namespace zv::devhost
