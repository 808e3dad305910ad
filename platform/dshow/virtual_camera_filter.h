// The filter of a device that its device host serves (the virtual camera), bound from its
// moniker like any capture device: it connects to the host when made, its capture pin's
// IAMStreamConfig offers the driver's data range and negotiates formats with the driver, and
// while the graph pauses or runs a pin of the device feeds the filter's appsrc.
#pragma once

#include "platform/dshow/device_catalog.h"
#include "platform/dshow/filter.h"
#include "platform/dshow/hosted_capture_stream.h"

#include <memory>
#include <vector>

namespace zv::dshow {

class HostLossReport;

class VirtualCameraFilter final : public Filter {
public:
    // Fails when the host cannot be reached or offers no RGB24 video range.
    static HRESULT Create(const DeviceEntry& device, REFIID riid, void** ppv);

    bool IsCaptureDevice() const override { return true; }
    void OnRun(bool clockless) override { m_clockless = clockless; }
    void OnGraphStateChanging(FILTER_STATE target) override;
    void OnStop() override;

    // The capture pin's stream configuration.
    HRESULT SetFormat(const AM_MEDIA_TYPE* pmt);
    HRESULT GetFormat(AM_MEDIA_TYPE** ppmt) const;
    int CapabilityCount() const { return 1; } // the driver's one data range
    HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) const;
    VideoFormat CurrentFormat() const;

private:
    VirtualCameraFilter(GstRef<GstElement> bin, GstElement* appsrc, std::shared_ptr<devhost::HostConnection> connection,
                        const KS_DATARANGE_VIDEO& range, const KS_DATAFORMAT_VIDEOINFOHEADER& format,
                        std::shared_ptr<HostLossReport> loss);
    ~VirtualCameraFilter() override;

    // Opens the pin (paused) on buffers of the format's size; reports a failure to the graph.
    void StartStream();
    void ApplyCaps();
    void ReleaseBuffers();

    GstElement* m_appsrc; // owned by the bin
    std::shared_ptr<devhost::HostConnection> m_connection;
    std::shared_ptr<HostLossReport> m_loss;
    const KS_DATARANGE_VIDEO m_range;
    KS_DATAFORMAT_VIDEOINFOHEADER m_format; // as the driver negotiated it
    bool m_clockless = false;
    std::vector<std::unique_ptr<devhost::FrameBuffer>> m_buffers; // kept across runs of one size
    std::unique_ptr<HostedCaptureStream> m_stream;                 // goes before the buffers
};

} // namespace zv::dshow
