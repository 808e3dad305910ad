#include "platform/dshow/hosted_capture_stream.h"

#include "platform/dshow/media_types.h"

#include <gst/app/gstappsrc.h>

#include <algorithm>
#include <cstring>

namespace zv::dshow {

namespace {

ULONG ImageBytes(const KS_DATAFORMAT_VIDEOINFOHEADER& format)
{
    const BITMAPINFOHEADER& bitmap = format.VideoInfoHeader.bmiHeader;
    return static_cast<ULONG>(DibStride(bitmap.biWidth)) * static_cast<ULONG>(bitmap.biHeight);
}

std::vector<devhost::FrameBuffer*> Borrow(const std::vector<std::unique_ptr<devhost::FrameBuffer>>& buffers)
{
    std::vector<devhost::FrameBuffer*> borrowed;
    for (const auto& buffer : buffers) borrowed.push_back(buffer.get());
    return borrowed;
}

} // namespace

std::unique_ptr<HostedCaptureStream> HostedCaptureStream::Open(
    devhost::HostConnection& connection, const KS_DATAFORMAT_VIDEOINFOHEADER& format, bool clockless,
    const std::vector<std::unique_ptr<devhost::FrameBuffer>>& buffers, GstElement* appsrc, NTSTATUS* status)
{
    std::unique_ptr<devhost::CapturePinClient> pin = connection.OpenPin(0, &format.DataFormat, status);
    if (!pin) return nullptr;
    if (!clockless && (*status = pin->AttachClock()) != STATUS_SUCCESS) return nullptr;
    if ((*status = pin->SetState(KSSTATE_PAUSE)) != STATUS_SUCCESS) return nullptr;
    std::unique_ptr<HostedCaptureStream> stream(
        new HostedCaptureStream(std::move(pin), format, clockless, buffers, appsrc));
    std::lock_guard lock(stream->m_mutex);
    for (std::size_t slot = 0; slot < buffers.size(); ++slot) {
        if (!stream->Submit(slot)) {
            *status = connection.IsLost() ? STATUS_DEVICE_NOT_CONNECTED : STATUS_UNSUCCESSFUL;
            return nullptr;
        }
    }
    return stream;
}

HostedCaptureStream::HostedCaptureStream(std::unique_ptr<devhost::CapturePinClient> pin,
                                         const KS_DATAFORMAT_VIDEOINFOHEADER& format, bool clockless,
                                         const std::vector<std::unique_ptr<devhost::FrameBuffer>>& buffers,
                                         GstElement* appsrc)
    : m_pin(std::move(pin)), m_format(format), m_clockless(clockless), m_buffers(Borrow(buffers)),
      m_appsrc(appsrc), m_readIds(buffers.size(), 0)
{
}

HostedCaptureStream::~HostedCaptureStream()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    if (m_running) Pause();
    m_pin->SetState(KSSTATE_STOP);
    if (!m_clockless) m_pin->DetachClock();
    std::vector<std::uint32_t> inFlight;
    {
        std::lock_guard lock(m_mutex);
        inFlight = m_readIds;
    }
    for (const std::uint32_t id : inFlight) {
        if (id != 0) m_pin->CancelRead(id);
    }
    m_pin.reset(); // waits for the last completions
}

NTSTATUS HostedCaptureStream::Run()
{
    if (m_running) return STATUS_SUCCESS;
    if (!m_clockless) {
        const NTSTATUS status = m_pin->RunClock();
        if (status != STATUS_SUCCESS) return status;
    }
    const NTSTATUS status = m_pin->SetState(KSSTATE_RUN);
    m_running = status == STATUS_SUCCESS;
    return status;
}

NTSTATUS HostedCaptureStream::Pause()
{
    if (!m_running) return STATUS_SUCCESS;
    m_running = false;
    const NTSTATUS status = m_pin->SetState(KSSTATE_PAUSE);
    if (!m_clockless) m_pin->PauseClock();
    return status;
}

bool HostedCaptureStream::Submit(std::size_t slot)
{
    // The completion cannot run before the id is recorded: it waits for m_mutex, which we hold.
    m_readIds[slot] = m_pin->SubmitRead(*m_buffers[slot], 0, ImageBytes(m_format),
                                        [this, slot](const devhost::ReadCompletion& done) { Completed(slot, done); });
    return m_readIds[slot] != 0;
}

void HostedCaptureStream::Completed(std::size_t slot, const devhost::ReadCompletion& done)
{
    std::lock_guard lock(m_mutex);
    if (m_readIds[slot] == done.readId) m_readIds[slot] = 0;
    // A failed or cancelled read is not repeated: the pin is closing or the host is gone.
    if (m_stopping || done.status != STATUS_SUCCESS) return;
    if (done.header.DataUsed >= ImageBytes(m_format)) Push(*m_buffers[slot]);
    Submit(slot);
}

void HostedCaptureStream::Push(const devhost::FrameBuffer& frame) const
{
    const BITMAPINFOHEADER& bitmap = m_format.VideoInfoHeader.bmiHeader;
    const auto stride = static_cast<std::size_t>(DibStride(bitmap.biWidth));
    const auto rows = static_cast<std::size_t>(bitmap.biHeight);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, stride * rows, nullptr);
    if (buffer == nullptr) return;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        gst_buffer_unref(buffer);
        return;
    }
    for (std::size_t row = 0; row < rows; ++row)
        std::memcpy(map.data + row * stride, frame.Data() + (rows - 1 - row) * stride, stride);
    gst_buffer_unmap(buffer, &map);
    // Refused only while the bin is not streaming; the frame is then not wanted.
    gst_app_src_push_buffer(GST_APP_SRC(m_appsrc), buffer);
}

} // namespace zv::dshow
