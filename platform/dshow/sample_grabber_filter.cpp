#include "platform/dshow/sample_grabber_filter.h"

#include "platform/dshow/bottom_up_copy.h"

#include <gst/video/video.h>

namespace zv::dshow {

namespace {

class GrabberOutputPin final : public Pin {
public:
    GrabberOutputPin(Filter& owner, const Pin& input) : Pin(owner, PINDIR_OUTPUT, "src", MEDIATYPE_Video), m_input(input) {}

    // What comes in goes out, as RGB24.
    std::optional<VideoFormat> CurrentVideoFormat() const override
    {
        return m_input.Peer() ? m_input.Peer()->CurrentVideoFormat() : std::nullopt;
    }

private:
    const Pin& m_input;
};

std::optional<VideoFormat> FormatOfCaps(GstCaps* caps)
{
    GstVideoInfo info;
    if (caps == nullptr || !gst_video_info_from_caps(&info, caps)) return std::nullopt;
    VideoFormat format{GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info), 0};
    if (GST_VIDEO_INFO_FPS_N(&info) > 0)
        format.avgTimePerFrame = kUnitsPerSecond * GST_VIDEO_INFO_FPS_D(&info) / GST_VIDEO_INFO_FPS_N(&info);
    return format;
}

} // namespace

HRESULT SampleGrabberFilter::Create(IUnknown* outer, REFIID riid, void** ppv)
{
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (!EnsureGstreamer()) return E_FAIL;
    GstRef<GstElement> bin(GST_ELEMENT(gst_object_ref_sink(gst_bin_new(nullptr))));
    GstRef<GstElement> convert = MakeElement("videoconvert");
    GstRef<GstElement> rgb = MakeElement("capsfilter");
    if (!convert || !rgb) return E_FAIL;
    CapsRef caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGR", nullptr));
    g_object_set(rgb.get(), "caps", caps.get(), nullptr);
    gst_bin_add_many(GST_BIN(bin.get()), convert.get(), rgb.get(), nullptr);
    if (!gst_element_link(convert.get(), rgb.get()) || !AddGhostPad(bin.get(), convert.get(), "sink", "sink") ||
        !AddGhostPad(bin.get(), rgb.get(), "src", "src"))
        return E_FAIL;
    return HandOutNewObject(new SampleGrabberFilter(std::move(bin), rgb.get()), riid, ppv);
}

SampleGrabberFilter::SampleGrabberFilter(GstRef<GstElement> bin, GstElement* converted)
    : Filter(std::move(bin)), m_convertedPad(gst_element_get_static_pad(converted, "src"))
{
    m_input = &AddPin(std::make_unique<Pin>(*this, PINDIR_INPUT, "sink", GUID_NULL));
    m_output = &AddPin(std::make_unique<GrabberOutputPin>(*this, *m_input));
    gst_pad_add_probe(m_convertedPad.get(), GST_PAD_PROBE_TYPE_BUFFER, &SampleGrabberFilter::OnBuffer, this, nullptr);
}

SampleGrabberFilter::~SampleGrabberFilter()
{
    if (m_callback) m_callback->Release();
}

HRESULT SampleGrabberFilter::QueryFilterInterface(REFIID riid, void** ppv)
{
    return QueryInterfaceFrom({{IID_ISampleGrabber, static_cast<ISampleGrabber*>(this)}}, riid, ppv);
}

HRESULT SampleGrabberFilter::SetMediaType(const AM_MEDIA_TYPE* pType)
{
    if (pType == nullptr) return E_POINTER;
    // Every picture is turned into RGB24 here; other kinds of samples are not grabbed.
    if (pType->majortype != MEDIATYPE_Video) return VFW_E_INVALIDMEDIATYPE;
    if (pType->subtype != MEDIASUBTYPE_RGB24 && pType->subtype != GUID_NULL) return VFW_E_INVALIDMEDIATYPE;
    m_input->SetMajorType(MEDIATYPE_Video);
    return S_OK;
}

HRESULT SampleGrabberFilter::GetConnectedMediaType(AM_MEDIA_TYPE* pType)
{
    if (pType == nullptr) return E_POINTER;
    if (m_input->Peer() == nullptr) return VFW_E_NOT_CONNECTED;
    CapsRef caps(gst_pad_get_current_caps(m_convertedPad.get()));
    std::optional<VideoFormat> format = FormatOfCaps(caps.get());
    if (!format) format = m_input->Peer()->CurrentVideoFormat();
    if (!format) return E_UNEXPECTED;
    format->height = std::abs(format->height); // delivered bottom-up
    return FillRgb24MediaType(*pType, *format) ? S_OK : E_OUTOFMEMORY;
}

HRESULT SampleGrabberFilter::SetBufferSamples(BOOL BufferThem)
{
    return BufferThem ? E_NOTIMPL : S_OK;
}

HRESULT SampleGrabberFilter::SetCallback(ISampleGrabberCB* pCallback, LONG WhichMethodToCallback)
{
    if (pCallback != nullptr && WhichMethodToCallback != 1)
        return WhichMethodToCallback == 0 ? E_NOTIMPL : E_INVALIDARG;
    if (pCallback) pCallback->AddRef();
    ISampleGrabberCB* previous = nullptr;
    {
        std::lock_guard lock(m_callbackMutex);
        previous = m_callback;
        m_callback = pCallback;
    }
    if (previous) previous->Release();
    return S_OK;
}

void SampleGrabberFilter::OnInputConnecting(Pin& input, const Pin& output)
{
    if (&input != m_input || input.MajorType() != GUID_NULL || output.MajorType() != MEDIATYPE_Audio) return;
    GstRef<GstElement> passThrough = MakeElement("identity");
    if (!passThrough || !gst_bin_add(GST_BIN(Bin()), passThrough.get())) return;
    GstRef<GstPad> sink(gst_element_get_static_pad(Bin(), "sink"));
    GstRef<GstPad> src(gst_element_get_static_pad(Bin(), "src"));
    GstRef<GstPad> inner(gst_element_get_static_pad(passThrough.get(), "sink"));
    GstRef<GstPad> outer(gst_element_get_static_pad(passThrough.get(), "src"));
    gst_ghost_pad_set_target(GST_GHOST_PAD(sink.get()), inner.get());
    gst_ghost_pad_set_target(GST_GHOST_PAD(src.get()), outer.get());
    m_output->SetMajorType(MEDIATYPE_Audio);
}

void SampleGrabberFilter::OnRun(bool)
{
    std::lock_guard lock(m_callbackMutex);
    m_streaming = true;
}

void SampleGrabberFilter::OnStop()
{
    std::lock_guard lock(m_callbackMutex);
    m_streaming = false;
}

GstPadProbeReturn SampleGrabberFilter::OnBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self)
{
    static_cast<SampleGrabberFilter*>(self)->Deliver(pad, GST_PAD_PROBE_INFO_BUFFER(info));
    return GST_PAD_PROBE_OK;
}

void SampleGrabberFilter::Deliver(GstPad* pad, GstBuffer* buffer)
{
    std::lock_guard lock(m_callbackMutex);
    if (!m_streaming || m_callback == nullptr || buffer == nullptr) return;
    CapsRef caps(gst_pad_get_current_caps(pad));
    GstVideoInfo info;
    if (!caps || !gst_video_info_from_caps(&info, caps.get()) || GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGR)
        return;
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) return;
    const LONG width = GST_VIDEO_FRAME_WIDTH(&frame);
    const LONG height = GST_VIDEO_FRAME_HEIGHT(&frame);
    m_frame.resize(static_cast<std::size_t>(DibStride(width)) * static_cast<std::size_t>(height));
    CopyRowsBottomUp(static_cast<const BYTE*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                     GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), width, height, m_frame.data());
    gst_video_frame_unmap(&frame);
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    const double sampleTime = GST_CLOCK_TIME_IS_VALID(pts) ? static_cast<double>(pts) / GST_SECOND : 0.0;
    m_callback->BufferCB(sampleTime, m_frame.data(), static_cast<LONG>(m_frame.size()));
}

} // namespace zv::dshow
