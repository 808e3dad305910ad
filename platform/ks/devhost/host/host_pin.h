// One pin a client opened: the port's stream, its master clock, its pending reads and the
// device slot it holds. Used under its connection's lock only (from the receive thread, or from
// the timer's thread before a tick); the completion of a read runs on whatever thread the driver
// completes it on and touches nothing but that read.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>

#include "platform/ks/devhost/host/buffer_table.h"
#include "platform/ks/devhost/host/pin_slots.h"
#include "platform/ks/devhost/host/pin_ticks.h"
#include "platform/ks/stream_class_port.h"

namespace zv::devhost {

// What a completed read tells its client.
using ReadCompletion = std::function<void(std::uint32_t readId, const wire::ReadReply& reply)>;

class HostPin {
public:
    // Takes the slot given; gives it back when destroyed. `beforeTick` runs before each tick of
    // the pin, on the timer's thread, until the pin is destroyed.
    HostPin(std::unique_ptr<ks::StreamClassStream> stream, PinSlots& slots, ks::TimeSource& time, PinTicks& ticks,
            std::function<void()> beforeTick);
    // Stop, clock detached, closed; every read has completed (and been answered) on return.
    ~HostPin();
    HostPin(const HostPin&) = delete;
    HostPin& operator=(const HostPin&) = delete;

    ks::StreamClassStream& Stream() { return *m_stream; }

    NTSTATUS Clock(wire::ClockOp op);
    // Submits a read into `range`; the completion reports it (at once when it fails early).
    NTSTATUS Read(std::uint32_t readId, ResolvedRange range, const ReadCompletion& completion);
    NTSTATUS Cancel(std::uint32_t readId);

private:
    // A read slot, kept for the pin's life and used again once its read has completed, so that
    // a read costs no allocation: neither of the slot nor of the port's request block.
    struct PendingRead {
        struct {
            KSSTREAM_HEADER header;
            KS_FRAME_INFO info;
        } block{};
        ResolvedRange range;
        ReadCompletion completion;
        std::uint32_t readId = 0;
        bool inUse = false;  // the receive thread's own
        std::atomic<bool> done{false};
        std::unique_ptr<ks::PortRequest> request;  // last: destroyed first, waiting for completion
    };
    // Frees the slots whose reads have completed; a free slot, or null when all are taken.
    PendingRead* FreeSlot();
    PendingRead* Pending(std::uint32_t readId);
    void Complete(PendingRead& read, NTSTATUS status);

    std::unique_ptr<ks::StreamClassStream> m_stream;
    PinSlots& m_slots;
    ks::TimeSource& m_time;
    PinTicks& m_ticks;
    std::unique_ptr<ks::MasterClock> m_clock;
    std::array<std::unique_ptr<PendingRead>, wire::kMaxReadsPerPin> m_reads;
};

}  // namespace zv::devhost
