#include "platform/ks/devhost/host/host_pin.h"

namespace zv::devhost {

HostPin::HostPin(std::unique_ptr<ks::StreamClassStream> stream, PinSlots& slots, ks::TimeSource& time)
    : m_stream(std::move(stream)), m_slots(slots), m_time(time)
{
}

HostPin::~HostPin()
{
    m_stream->SetState(KSSTATE_STOP);
    if (m_clock) {
        m_stream->IndicateMasterClock(nullptr);
        m_clock.reset();
    }
    m_stream.reset();  // the driver cancels what it still holds
    m_reads.clear();   // each waits for its completion
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
    ForgetCompletedReads();
    if (m_reads.count(readId) != 0) return STATUS_INVALID_PARAMETER;
    if (m_reads.size() >= wire::kMaxReadsPerPin) return STATUS_INSUFFICIENT_RESOURCES;
    auto read = std::make_unique<PendingRead>();
    read->range = std::move(range);
    read->completion = completion;
    KSSTREAM_HEADER& header = read->block.header;
    header.Size = sizeof read->block;
    header.FrameExtent = read->range.length;
    header.Data = read->range.data;
    read->block.info.ExtendedHeaderSize = sizeof(KS_FRAME_INFO);
    PendingRead* pending = read.get();
    // Small enough to need no allocation of its own.
    read->request = m_stream->SubmitData(SRB_READ_DATA, &header, 1, [pending, readId](ks::PortRequest& request) {
        const KSSTREAM_HEADER& done = pending->block.header;
        wire::ReadReply reply{};
        reply.result.status = request.Status();
        reply.optionsFlags = done.OptionsFlags;
        reply.typeSpecificFlags = done.TypeSpecificFlags;
        reply.presentationTime = done.PresentationTime;
        reply.duration = done.Duration;
        reply.frameExtent = done.FrameExtent;
        reply.dataUsed = done.DataUsed;
        reply.frameInfo = pending->block.info;
        pending->completion(readId, reply);
        pending->done = true;
    });
    m_reads.emplace(readId, std::move(read));
    return STATUS_SUCCESS;
}

NTSTATUS HostPin::Cancel(std::uint32_t readId)
{
    auto it = m_reads.find(readId);
    if (it == m_reads.end()) return STATUS_INVALID_PARAMETER;
    if (!it->second->done) m_stream->Cancel(*it->second->request);
    return STATUS_SUCCESS;
}

void HostPin::ForgetCompletedReads()
{
    std::erase_if(m_reads, [](const auto& entry) { return entry.second->done.load(); });
}

}  // namespace zv::devhost
