// The replies of one connection, in order. A reply goes out at once from the thread that makes
// it when nothing is queued before it and the client's socket takes it without waiting (the
// usual case: no hand-over to another thread). Otherwise it is queued and a thread of its own
// sends it, so that no thread that produces a reply (the port's timer thread completing a read
// above all) ever waits for a slow or hostile client. A client whose queue overflows, or whose
// socket stays full past the send timeout, is cut off.
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
    // Under m_mutex: drops what is queued and shuts the socket (the receive thread sees the end).
    void Break();

    WireSocket& m_socket;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::vector<unsigned char>> m_packets;  // header + payload
    std::size_t m_queuedBytes = 0;
    bool m_sending = false;  // the sender thread is sending a packet it took off the queue
    bool m_finishing = false;
    bool m_broken = false;
    std::thread m_thread;
};

}  // namespace zv::devhost
