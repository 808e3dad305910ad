#include "platform/ks/devhost/host/host_pin.h"

namespace zv::devhost {

HostPin::HostPin(std::unique_ptr<ks::StreamClassStream> stream, PinSlots& slots, ks::TimeSource& time,
                 PinTicks& ticks, std::function<void()> beforeTick)
    : m_stream(std::move(stream)), m_slots(slots), m_time(time), m_ticks(ticks)
{
    // The port's timers are keyed by the stream object.
    m_ticks.Add(&m_stream->StreamObject(), std::move(beforeTick));
}

HostPin::~HostPin()
{
    m_ticks.Remove(&m_stream->StreamObject());
    m_stream->SetState(KSSTATE_STOP);
    if (m_clock) {
        m_stream->IndicateMasterClock(nullptr);
        m_clock.reset();
    }
    m_stream.reset();  // the driver cancels what it still holds
    for (auto& read : m_reads) read.reset();  // each waits for its completion
    m_slots.Give();
}

NTSTATUS HostPin::Clock(wire::ClockOp op)
{
    switch (op) {
    case wire::ClockOp::Attach: {
        if (m_clock) return STATUS_INVALID_DEVICE_STATE;
        auto clock = std::make_unique<ks::MasterClock>(m_time);
        const NTSTATUS status = m_stream->IndicateMasterClock(clock->Handle());
        if (NT_SUCCESS(status)) m_clock = std::move(clock);
        return status;
    }
    case wire::ClockOp::Detach: {
        if (!m_clock) return STATUS_SUCCESS;
        const NTSTATUS status = m_stream->IndicateMasterClock(nullptr);
        if (NT_SUCCESS(status)) m_clock.reset();
        return status;
    }
    case wire::ClockOp::Run:
    case wire::ClockOp::Pause:
        if (!m_clock) return STATUS_INVALID_DEVICE_STATE;
        if (op == wire::ClockOp::Run)
            m_clock->Run();
        else
            m_clock->Pause();
        return STATUS_SUCCESS;
    }
    return STATUS_INVALID_PARAMETER;
}

NTSTATUS HostPin::Read(std::uint32_t readId, ResolvedRange range, const ReadCompletion& completion)
{
    PendingRead* read = FreeSlot();
    if (Pending(readId) != nullptr) return STATUS_INVALID_PARAMETER;
    if (read == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
    if (read->request) {
        read->request->Reset();
    } else {
        read->request = m_stream->NewDataRequest();
        read->request->SetCompletionCallback([this, read](ks::PortRequest& request) { Complete(*read, request.Status()); });
    }
    read->inUse = true;
    read->done = false;
    read->readId = readId;
    read->range = std::move(range);
    read->completion = completion;
    read->block = {};
    KSSTREAM_HEADER& header = read->block.header;
    header.Size = sizeof read->block;
    header.FrameExtent = read->range.length;
    header.Data = read->range.data;
    read->block.info.ExtendedHeaderSize = sizeof(KS_FRAME_INFO);
    m_stream->SubmitData(*read->request, SRB_READ_DATA, &header, 1);
    return STATUS_SUCCESS;
}

// On the thread that completes the read.
void HostPin::Complete(PendingRead& read, NTSTATUS status)
{
    const KSSTREAM_HEADER& done = read.block.header;
    wire::ReadReply reply{};
    reply.result.status = status;
    reply.optionsFlags = done.OptionsFlags;
    reply.typeSpecificFlags = done.TypeSpecificFlags;
    reply.presentationTime = done.PresentationTime;
    reply.duration = done.Duration;
    reply.frameExtent = done.FrameExtent;
    reply.dataUsed = done.DataUsed;
    reply.frameInfo = read.block.info;
    read.completion(read.readId, reply);
    read.done = true;
}

NTSTATUS HostPin::Cancel(std::uint32_t readId)
{
    PendingRead* read = Pending(readId);
    if (read == nullptr) return STATUS_INVALID_PARAMETER;
    if (!read->done) m_stream->Cancel(*read->request);
    return STATUS_SUCCESS;
}

HostPin::PendingRead* HostPin::FreeSlot()
{
    PendingRead* free = nullptr;
    std::unique_ptr<PendingRead>* unused = nullptr;
    for (auto& slot : m_reads) {
        if (!slot) {
            if (unused == nullptr) unused = &slot;
            continue;
        }
        if (slot->inUse && slot->done) {
            slot->inUse = false;
            slot->range = {};  // lets go of the client's buffer
        }
        if (!slot->inUse && free == nullptr) free = slot.get();
    }
    if (free == nullptr && unused != nullptr) free = (*unused = std::make_unique<PendingRead>()).get();
    return free;
}

HostPin::PendingRead* HostPin::Pending(std::uint32_t readId)
{
    for (auto& slot : m_reads)
        if (slot && slot->inUse && slot->readId == readId) return slot.get();
    return nullptr;
}

}  // namespace zv::devhost
