// One client: a thread that receives its requests and answers them in order, the queue that
// sends its replies, its buffers, its pins and the ring of reads it hands over in shared memory.
// The ring is emptied before each request is handled and before a tick of any of the client's
// pins (on the timer's thread, when the connection is not busy then). When the client goes
// (closes, dies, misbehaves or is cut off), the same thread closes its pins and lets go of its
// buffers.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/ks/devhost/host/buffer_table.h"
#include "platform/ks/devhost/host/host_device.h"
#include "platform/ks/devhost/host/host_pin.h"
#include "platform/ks/devhost/host/mapped_buffer.h"
#include "platform/ks/devhost/host/outgoing_queue.h"
#include "platform/ks/devhost/wire/read_ring.h"
#include "platform/ks/devhost/wire/wire_socket.h"

namespace zv::devhost {

class Connection {
public:
    // `finished` runs on the connection's thread once it has cleaned up.
    Connection(UniqueFd fd, HostDevice& device, std::function<void()> finished);
    ~Connection();  // joins the thread
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void Start();
    // Ends the connection as if the client had gone, but lets the replies of what closes go out.
    void Stop();
    bool Finished() const { return m_finished; }

private:
    void Serve();
    void CleanUp();
    // False when the message is malformed: the connection is then dropped.
    bool Handle(ReceivedMessage& message);

    bool OnHello(const ReceivedMessage& message);
    bool OnRegisterBuffer(ReceivedMessage& message);
    bool OnReleaseBuffer(const ReceivedMessage& message);
    bool OnTransfer(const ReceivedMessage& message, bool write);
    bool OnGetDataRanges(const ReceivedMessage& message);
    bool OnIntersect(const ReceivedMessage& message);
    bool OnOpenPin(const ReceivedMessage& message);
    bool OnClosePin(const ReceivedMessage& message);
    bool OnDataFormat(const ReceivedMessage& message);
    bool OnSetState(const ReceivedMessage& message);
    bool OnGetState(const ReceivedMessage& message);
    bool OnGetProperty(const ReceivedMessage& message);
    bool OnSetProperty(const ReceivedMessage& message);
    bool OnClock(const ReceivedMessage& message);
    bool OnReadFrame(const ReceivedMessage& message);
    bool OnCancelRead(const ReceivedMessage& message);
    bool OnRegisterReadRing(ReceivedMessage& message);

    // Submits a read to its pin, or answers it at once when it cannot be; under m_mutex.
    void SubmitRead(std::uint32_t readId, const wire::ReadRequest& request);
    // Submits every read in the ring; under m_mutex. A corrupt ring ends the connection.
    void DrainReadRing();
    // Before a tick of one of the pins: drains the ring unless the connection is busy.
    void DrainBeforeTick();

    void ReplyStatus(const ReceivedMessage& message, NTSTATUS status);
    HostPin* FindPin(std::uint32_t pin);

    WireSocket m_socket;
    // Pins, buffers and the ring: the receive thread holds it for each request, a tick while draining.
    std::mutex m_mutex;
    HostDevice& m_device;
    std::function<void()> m_finishedCallback;
    OutgoingQueue m_outgoing;
    BufferTable m_buffers;
    std::map<std::uint32_t, std::unique_ptr<HostPin>> m_pins;
    std::uint32_t m_nextPin = 1;
    std::shared_ptr<MappedBuffer> m_ringMemory;
    std::unique_ptr<wire::ReadRing> m_ring;
    std::atomic<bool> m_finished{false};
    std::thread m_thread;
};

}  // namespace zv::devhost
