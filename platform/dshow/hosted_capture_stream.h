// A capture pin of a device that its device host serves, while the graph pauses or runs: reads
// stay in flight in shared frame buffers, and each completed frame goes into an appsrc, turned
// from the driver's bottom-up rows into GStreamer's top-down ones.
#pragma once

#include "platform/dshow/gst_support.h"
#include "platform/ks/devhost/host_connection.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
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
    struct Completion {
        std::size_t slot;
        NTSTATUS status;
        ULONG dataUsed;
    };

    HostedCaptureStream(std::unique_ptr<devhost::CapturePinClient> pin, const KS_DATAFORMAT_VIDEOINFOHEADER& format,
                        bool clockless, const std::vector<std::unique_ptr<devhost::FrameBuffer>>& buffers,
                        GstElement* appsrc);
    // Reads are submitted here and from the worker only, never on the connection's thread.
    bool Submit(std::size_t slot);
    void Deliver();
    void Push(const devhost::FrameBuffer& buffer) const;

    std::unique_ptr<devhost::CapturePinClient> m_pin;
    const KS_DATAFORMAT_VIDEOINFOHEADER m_format;
    const bool m_clockless;
    const std::vector<devhost::FrameBuffer*> m_buffers;
    GstElement* m_appsrc; // owned by the filter's bin
    bool m_running = false;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Completion> m_completed;
    std::vector<std::uint32_t> m_readIds; // per slot; 0 while none is in flight
    bool m_stopping = false;
    std::thread m_worker;
};

} // namespace zv::dshow
