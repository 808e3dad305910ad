// A capture pin of a device that its device host serves, while the graph pauses or runs: reads
// stay in flight in shared frame buffers, and each completed frame goes into an appsrc, turned
// from the driver's bottom-up rows into GStreamer's top-down ones. A frame is pushed and its read
// submitted again from the read's completion, on the connection's receive thread: the appsrc
// never blocks (it drops old buffers when full), and a read of a ticking pin goes through the
// shared ring, so nothing there waits for the host. No thread of our own wakes for each frame.
#pragma once

#include "platform/dshow/gst_support.h"
#include "platform/ks/devhost/host_connection.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace zv::dshow {

class HostedCaptureStream {
public:
    // Opens a pin with `format`, attaches the host's clock unless `clockless`, pauses the pin and
    // submits a read into each buffer (each at least the format's image size, registered with the
    // connection). Null with the host's status when the pin cannot be had.
    static std::unique_ptr<HostedCaptureStream> Open(devhost::HostConnection& connection,
                                                     const KS_DATAFORMAT_VIDEOINFOHEADER& format, bool clockless,
                                                     const std::vector<std::unique_ptr<devhost::FrameBuffer>>& buffers,
                                                     GstElement* appsrc, NTSTATUS* status);
    // Pauses and stops the pin, cancels its reads and closes it.
    ~HostedCaptureStream();
    HostedCaptureStream(const HostedCaptureStream&) = delete;
    HostedCaptureStream& operator=(const HostedCaptureStream&) = delete;

    NTSTATUS Run();
    NTSTATUS Pause();

private:
    HostedCaptureStream(std::unique_ptr<devhost::CapturePinClient> pin, const KS_DATAFORMAT_VIDEOINFOHEADER& format,
                        bool clockless, const std::vector<std::unique_ptr<devhost::FrameBuffer>>& buffers,
                        GstElement* appsrc);
    // Under m_mutex: a completion waits for its read's id to be recorded, and none submits again
    // once the destructor has begun.
    bool Submit(std::size_t slot);
    // On the connection's receive thread.
    void Completed(std::size_t slot, const devhost::ReadCompletion& done);
    void Push(const devhost::FrameBuffer& buffer) const;

    std::unique_ptr<devhost::CapturePinClient> m_pin;
    const KS_DATAFORMAT_VIDEOINFOHEADER m_format;
    const bool m_clockless;
    const std::vector<devhost::FrameBuffer*> m_buffers;
    GstElement* m_appsrc; // owned by the filter's bin
    bool m_running = false;

    std::mutex m_mutex;
    std::vector<std::uint32_t> m_readIds; // per slot; 0 while none is in flight
    bool m_stopping = false;              // no read is submitted again
};

} // namespace zv::dshow
