#include "platform/dshow/virtual_camera_filter.h"

#include "platform/dshow/device_controls.h"
#include "platform/dshow/filter_graph_object.h"
#include "platform/dshow/stream_config_pin.h"
#include "platform/win32/last_error.h"

#include <gst/app/gstappsrc.h>

#include <cstring>
#include <optional>

namespace zv::dshow {

// Tells the graph that the device host is gone: a read error of the filter's source, which the
// graph turns into EC_DEVICE_LOST as for an unplugged camera. Told when the host goes (a filter in
// no graph tells nobody) and again at each start on the lost host.
class HostLossReport {
public:
    explicit HostLossReport(GstElement* source) : m_source(GST_ELEMENT(gst_object_ref(source))) {}

    void Report() const
    {
        GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, "The device is gone.");
        GstMessage* message = gst_message_new_error(GST_OBJECT(m_source.get()), error, "device host lost");
        g_error_free(error);
        gst_element_post_message(m_source.get(), message);
    }

private:
    GstRef<GstElement> m_source;
};

namespace {

constexpr std::size_t kReadsInFlight = 3;

// The stream's RGB24 video range; nothing when the driver offers none.
std::optional<KS_DATARANGE_VIDEO> VideoRangeOf(devhost::HostConnection& connection)
{
    std::vector<std::vector<unsigned char>> ranges;
    ULONG instances = 0;
    if (connection.GetDataRanges(0, &ranges, &instances) != STATUS_SUCCESS) return std::nullopt;
    for (const std::vector<unsigned char>& bytes : ranges) {
        if (bytes.size() != sizeof(KS_DATARANGE_VIDEO)) continue;
        KS_DATARANGE_VIDEO range;
        std::memcpy(&range, bytes.data(), sizeof range);
        if (range.DataRange.MajorFormat == KSDATAFORMAT_TYPE_VIDEO && range.DataRange.SubFormat == MEDIASUBTYPE_RGB24 &&
            range.DataRange.Specifier == KSDATAFORMAT_SPECIFIER_VIDEOINFO)
            return range;
    }
    return std::nullopt;
}

// Inside the range's output sizes, on its granularity.
bool SizeFits(const KS_VIDEO_STREAM_CONFIG_CAPS& caps, LONG width, LONG height)
{
    const auto fits = [](LONG value, LONG low, LONG high, int step) {
        return value >= low && value <= high && (step <= 1 || (value - low) % step == 0);
    };
    return fits(width, caps.MinOutputSize.cx, caps.MaxOutputSize.cx, caps.OutputGranularityX) &&
           fits(height, caps.MinOutputSize.cy, caps.MaxOutputSize.cy, caps.OutputGranularityY);
}

// The driver's format for a size and interval within its range; nothing when it refuses.
std::optional<KS_DATAFORMAT_VIDEOINFOHEADER> Negotiate(devhost::HostConnection& connection,
                                                       const KS_DATARANGE_VIDEO& range, LONG width, LONG height,
                                                       REFERENCE_TIME interval)
{
    const KS_VIDEO_STREAM_CONFIG_CAPS& caps = range.ConfigCaps;
    if (!SizeFits(caps, width, height)) return std::nullopt;
    if (interval < caps.MinFrameInterval || interval > caps.MaxFrameInterval) return std::nullopt;
    KS_DATARANGE_VIDEO wanted = range;
    BITMAPINFOHEADER& bitmap = wanted.VideoInfoHeader.bmiHeader;
    bitmap.biWidth = width;
    bitmap.biHeight = height;
    bitmap.biSizeImage = static_cast<DWORD>(DibStride(width)) * static_cast<DWORD>(height);
    wanted.DataRange.SampleSize = bitmap.biSizeImage;
    wanted.VideoInfoHeader.AvgTimePerFrame = interval;
    std::vector<unsigned char> bytes;
    if (connection.Intersect(0, &wanted.DataRange, &bytes) != STATUS_SUCCESS ||
        bytes.size() < sizeof(KS_DATAFORMAT_VIDEOINFOHEADER))
        return std::nullopt;
    KS_DATAFORMAT_VIDEOINFOHEADER format;
    std::memcpy(&format, bytes.data(), sizeof format);
    const BITMAPINFOHEADER& agreed = format.VideoInfoHeader.bmiHeader;
    // The pictures must be the ones asked for, and fill the buffers sized for them.
    if (agreed.biWidth != width || agreed.biHeight != height || agreed.biBitCount != 24 ||
        agreed.biCompression != BI_RGB || agreed.biSizeImage != bitmap.biSizeImage)
        return std::nullopt;
    return format;
}

// A media type that carries a copy of the driver's video info header.
AM_MEDIA_TYPE* MediaTypeOf(const KS_VIDEOINFOHEADER& header)
{
    const BITMAPINFOHEADER& bitmap = header.bmiHeader;
    AM_MEDIA_TYPE* type = CreateRgb24MediaType({bitmap.biWidth, bitmap.biHeight, header.AvgTimePerFrame});
    if (type == nullptr) return nullptr;
    std::memcpy(type->pbFormat, &header, sizeof header);
    type->lSampleSize = bitmap.biSizeImage;
    return type;
}

} // namespace

HRESULT VirtualCameraFilter::Create(const DeviceEntry& device, REFIID riid, void** ppv)
{
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!device.devicePath) return E_NOTIMPL;
    if (!EnsureGstreamer()) return E_FAIL;
    DWORD error = ERROR_GEN_FAILURE;
    std::shared_ptr<devhost::HostConnection> connection = devhost::HostConnection::Open(*device.devicePath, &error);
    if (!connection) return HRESULT_FROM_WIN32(error);
    const std::optional<KS_DATARANGE_VIDEO> range = VideoRangeOf(*connection);
    if (!range) return VFW_E_NO_ACCEPTABLE_TYPES;
    const BITMAPINFOHEADER& preferred = range->VideoInfoHeader.bmiHeader;
    const std::optional<KS_DATAFORMAT_VIDEOINFOHEADER> format = Negotiate(
        *connection, *range, preferred.biWidth, preferred.biHeight, range->VideoInfoHeader.AvgTimePerFrame);
    if (!format) return VFW_E_NO_ACCEPTABLE_TYPES;

    GstRef<GstElement> bin(GST_ELEMENT(gst_object_ref_sink(gst_bin_new(nullptr))));
    GstRef<GstElement> appsrc = MakeElement("appsrc");
    if (!appsrc) return E_FAIL;
    // A camera: frames are stamped as they arrive, and a late consumer loses old frames, not new.
    g_object_set(appsrc.get(), "is-live", TRUE, "format", GST_FORMAT_TIME, "do-timestamp", TRUE, "max-buffers",
                 guint64{kReadsInFlight}, nullptr);
    gst_util_set_object_arg(G_OBJECT(appsrc.get()), "leaky-type", "downstream");
    gst_bin_add(GST_BIN(bin.get()), appsrc.get());
    if (!AddGhostPad(bin.get(), appsrc.get(), "src", "src")) return E_FAIL;

    auto loss = std::make_shared<HostLossReport>(appsrc.get());
    connection->OnLost([loss] { loss->Report(); });
    auto* filter = new VirtualCameraFilter(std::move(bin), appsrc.get(), std::move(connection), *range, *format,
                                           std::move(loss));
    return HandOutNewObject(filter, riid, ppv);
}

VirtualCameraFilter::VirtualCameraFilter(GstRef<GstElement> bin, GstElement* appsrc,
                                         std::shared_ptr<devhost::HostConnection> connection,
                                         const KS_DATARANGE_VIDEO& range, const KS_DATAFORMAT_VIDEOINFOHEADER& format,
                                         std::shared_ptr<HostLossReport> loss)
    : Filter(std::move(bin)), m_appsrc(appsrc), m_connection(std::move(connection)), m_loss(std::move(loss)),
      m_range(range), m_format(format)
{
    AddPin(std::make_unique<StreamConfigPin<VirtualCameraFilter>>(*this));
    ApplyCaps();
}

VirtualCameraFilter::~VirtualCameraFilter()
{
    m_stream.reset();
}

void VirtualCameraFilter::ApplyCaps()
{
    const VideoFormat format = CurrentFormat();
    const VideoCapability capability{format.width, format.height, format.avgTimePerFrame, format.avgTimePerFrame,
                                     format.avgTimePerFrame, {}};
    const FrameRate rate = FrameRateFor(capability, format.avgTimePerFrame);
    CapsRef caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", "width", G_TYPE_INT,
                                     static_cast<int>(format.width), "height", G_TYPE_INT,
                                     static_cast<int>(format.height), "framerate", GST_TYPE_FRACTION, rate.numerator,
                                     rate.denominator, nullptr));
    gst_app_src_set_caps(GST_APP_SRC(m_appsrc), caps.get());
}

VideoFormat VirtualCameraFilter::CurrentFormat() const
{
    const KS_VIDEOINFOHEADER& header = m_format.VideoInfoHeader;
    return {header.bmiHeader.biWidth, header.bmiHeader.biHeight, header.AvgTimePerFrame};
}

HRESULT VirtualCameraFilter::SetFormat(const AM_MEDIA_TYPE* pmt)
{
    if (pmt == nullptr) return E_POINTER;
    if ((Graph() != nullptr && !Graph()->IsStopped()) || m_stream) return VFW_E_NOT_STOPPED;
    const std::optional<VideoFormat> wanted = VideoFormatOf(*pmt);
    if (!wanted || pmt->subtype != MEDIASUBTYPE_RGB24) return VFW_E_INVALIDMEDIATYPE;
    VIDEOINFOHEADER info;
    std::memcpy(&info, pmt->pbFormat, sizeof info);
    if (info.bmiHeader.biBitCount != 24 || info.bmiHeader.biCompression != BI_RGB) return VFW_E_INVALIDMEDIATYPE;
    const REFERENCE_TIME interval =
        wanted->avgTimePerFrame != 0 ? wanted->avgTimePerFrame : m_range.VideoInfoHeader.AvgTimePerFrame;
    const std::optional<KS_DATAFORMAT_VIDEOINFOHEADER> format =
        Negotiate(*m_connection, m_range, wanted->width, wanted->height, interval);
    if (!format) return VFW_E_INVALIDMEDIATYPE;
    m_format = *format;
    ApplyCaps();
    return S_OK;
}

HRESULT VirtualCameraFilter::GetFormat(AM_MEDIA_TYPE** ppmt) const
{
    if (ppmt == nullptr) return E_POINTER;
    *ppmt = MediaTypeOf(m_format.VideoInfoHeader);
    return *ppmt ? S_OK : E_OUTOFMEMORY;
}

HRESULT VirtualCameraFilter::GetStreamCaps(int index, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) const
{
    if (ppmt == nullptr || pSCC == nullptr) return E_POINTER;
    *ppmt = nullptr;
    if (index != 0) return S_FALSE;
    *ppmt = MediaTypeOf(m_range.VideoInfoHeader);
    if (*ppmt == nullptr) return E_OUTOFMEMORY;
    std::memcpy(pSCC, &m_range.ConfigCaps, sizeof m_range.ConfigCaps);
    return S_OK;
}

void VirtualCameraFilter::OnGraphStateChanging(FILTER_STATE target)
{
    if (!m_stream) StartStream();
    if (!m_stream) return;
    const NTSTATUS status = target == State_Running ? m_stream->Run() : m_stream->Pause();
    if (status != STATUS_SUCCESS && m_connection->IsLost()) m_loss->Report();
}

void VirtualCameraFilter::StartStream()
{
    const std::size_t bytes = m_format.VideoInfoHeader.bmiHeader.biSizeImage;
    if (m_buffers.empty() || m_buffers.front()->Size() != bytes) {
        ReleaseBuffers();
        for (std::size_t i = 0; i < kReadsInFlight; ++i) {
            std::unique_ptr<devhost::FrameBuffer> buffer = devhost::FrameBuffer::Create(bytes);
            if (!buffer || !m_connection->Register(*buffer)) {
                ReleaseBuffers();
                break;
            }
            m_buffers.push_back(std::move(buffer));
        }
    }
    NTSTATUS status = STATUS_INSUFFICIENT_RESOURCES;
    if (!m_buffers.empty())
        m_stream = HostedCaptureStream::Open(*m_connection, m_format, m_clockless, m_buffers, m_appsrc, &status);
    if (m_stream) return;
    if (m_connection->IsLost()) {
        m_loss->Report();
        return;
    }
    // Refused (every pin of the device taken, say): the graph aborts.
    GError* error = g_error_new(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_BUSY,
                                "The device refused a capture pin (status 0x%08X).", static_cast<unsigned>(status));
    GstMessage* message = gst_message_new_error(GST_OBJECT(m_appsrc), error, "capture pin refused");
    g_error_free(error);
    gst_element_post_message(m_appsrc, message);
}

void VirtualCameraFilter::ReleaseBuffers()
{
    // The host maps each registered buffer until it is handed back.
    for (const auto& buffer : m_buffers) m_connection->Unregister(*buffer);
    m_buffers.clear();
}

void VirtualCameraFilter::OnStop()
{
    m_stream.reset();
}

} // namespace zv::dshow
