#include "platform/dshow/capture_filter.h"

#include "platform/dshow/filter_graph_object.h"
#include "platform/dshow/stream_config_pin.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace zv::dshow {

namespace {

// Words in the names of the controls that stand for each property.
const char* ChannelWord(LONG property)
{
    switch (property) {
    case VideoProcAmp_Brightness: return "brightness";
    case VideoProcAmp_Contrast: return "contrast";
    case VideoProcAmp_Hue: return "hue";
    case VideoProcAmp_Saturation: return "saturation";
    case VideoProcAmp_Sharpness: return "sharpness";
    case VideoProcAmp_Gamma: return "gamma";
    case VideoProcAmp_WhiteBalance: return "white balance";
    case VideoProcAmp_BacklightCompensation: return "backlight";
    case VideoProcAmp_Gain: return "gain";
    default: return nullptr;
    }
}

bool LabelHasWord(const char* label, const char* word)
{
    std::string folded(label ? label : "");
    std::transform(folded.begin(), folded.end(), folded.begin(), [](unsigned char c) { return std::tolower(c); });
    return folded.find(word) != std::string::npos;
}

LONG ClampToLong(long long value)
{
    return static_cast<LONG>(std::clamp<long long>(value, 0, std::numeric_limits<LONG>::max()));
}

} // namespace

HRESULT VideoCaptureFilter::Create(const DeviceEntry& device, REFIID riid, void** ppv)
{
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!device.source || device.capabilities.empty()) return E_NOTIMPL;
    if (!EnsureGstreamer()) return E_FAIL;
    GstRef<GstElement> bin(GST_ELEMENT(gst_object_ref_sink(gst_bin_new(nullptr))));
    GstRef<GstElement> source = device.source->CreateElement();
    GstRef<GstElement> format = MakeElement("capsfilter");
    if (!source || !format) return E_FAIL;
    gst_bin_add_many(GST_BIN(bin.get()), source.get(), format.get(), nullptr);
    if (!gst_element_link(source.get(), format.get()) || !AddGhostPad(bin.get(), format.get(), "src", "src"))
        return E_FAIL;
    return HandOutNewObject(new VideoCaptureFilter(std::move(bin), format.get(), device.capabilities), riid, ppv);
}

VideoCaptureFilter::VideoCaptureFilter(GstRef<GstElement> bin, GstElement* formatFilter,
                                       std::vector<VideoCapability> capabilities)
    : Filter(std::move(bin)), m_formatFilter(formatFilter), m_capabilities(std::move(capabilities))
{
    AddPin(std::make_unique<StreamConfigPin<VideoCaptureFilter>>(*this));
    const VideoCapability& first = m_capabilities.front();
    m_format = {first.width, first.height, first.defaultInterval};
    ApplyFormat(first);
}

HRESULT VideoCaptureFilter::QueryFilterInterface(REFIID riid, void** ppv)
{
    return QueryInterfaceFrom({{IID_IAMVideoProcAmp, static_cast<IAMVideoProcAmp*>(this)}}, riid, ppv);
}

void VideoCaptureFilter::ApplyFormat(const VideoCapability& capability)
{
    const FrameRate rate = FrameRateFor(capability, m_format.avgTimePerFrame);
    CapsRef caps(gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, static_cast<int>(m_format.width), "height",
                                     G_TYPE_INT, static_cast<int>(m_format.height), "framerate", GST_TYPE_FRACTION,
                                     rate.numerator, rate.denominator, nullptr));
    g_object_set(m_formatFilter, "caps", caps.get(), nullptr);
}

HRESULT VideoCaptureFilter::SetFormat(const AM_MEDIA_TYPE* pmt)
{
    if (pmt == nullptr) return E_POINTER;
    if (Graph() != nullptr && !Graph()->IsStopped()) return VFW_E_NOT_STOPPED;
    const std::optional<VideoFormat> wanted = VideoFormatOf(*pmt);
    if (!wanted || pmt->subtype != MEDIASUBTYPE_RGB24) return VFW_E_INVALIDMEDIATYPE;
    VIDEOINFOHEADER info;
    std::memcpy(&info, pmt->pbFormat, sizeof info);
    if (info.bmiHeader.biBitCount != 24) return VFW_E_INVALIDMEDIATYPE;
    const auto capability = std::find_if(m_capabilities.begin(), m_capabilities.end(), [&](const VideoCapability& c) {
        return c.width == wanted->width && c.height == wanted->height; // frames come bottom-up only
    });
    if (capability == m_capabilities.end()) return VFW_E_INVALIDMEDIATYPE;
    if (wanted->avgTimePerFrame != 0 && !capability->Allows(wanted->avgTimePerFrame)) return VFW_E_INVALIDMEDIATYPE;
    m_format = *wanted;
    if (m_format.avgTimePerFrame == 0) m_format.avgTimePerFrame = capability->defaultInterval;
    ApplyFormat(*capability);
    return S_OK;
}

HRESULT VideoCaptureFilter::GetFormat(AM_MEDIA_TYPE** ppmt) const
{
    if (ppmt == nullptr) return E_POINTER;
    *ppmt = CreateRgb24MediaType(m_format);
    return *ppmt ? S_OK : E_OUTOFMEMORY;
}

HRESULT VideoCaptureFilter::GetStreamCaps(int index, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) const
{
    if (ppmt == nullptr || pSCC == nullptr) return E_POINTER;
    *ppmt = nullptr;
    if (index < 0 || index >= CapabilityCount()) return S_FALSE;
    const VideoCapability& capability = m_capabilities[static_cast<std::size_t>(index)];
    *ppmt = CreateRgb24MediaType({capability.width, capability.height, capability.defaultInterval});
    if (*ppmt == nullptr) return E_OUTOFMEMORY;

    const SIZE size{capability.width, capability.height};
    VIDEO_STREAM_CONFIG_CAPS caps{};
    caps.guid = FORMAT_VideoInfo;
    caps.InputSize = size;
    caps.MinCroppingSize = size;
    caps.MaxCroppingSize = size;
    caps.CropGranularityX = caps.CropGranularityY = 1;
    caps.CropAlignX = caps.CropAlignY = 1;
    caps.MinOutputSize = size;
    caps.MaxOutputSize = size;
    caps.OutputGranularityX = caps.OutputGranularityY = 1;
    caps.MinFrameInterval = capability.minInterval;
    caps.MaxFrameInterval = capability.maxInterval;
    const long long frameBits = 8LL * DibStride(capability.width) * capability.height;
    caps.MinBitsPerSecond = ClampToLong(frameBits * kUnitsPerSecond / capability.maxInterval);
    caps.MaxBitsPerSecond = ClampToLong(frameBits * kUnitsPerSecond / capability.minInterval);
    std::memcpy(pSCC, &caps, sizeof caps);
    return S_OK;
}

GstColorBalanceChannel* VideoCaptureFilter::FindChannel(LONG property, GstColorBalance** balance)
{
    const char* word = ChannelWord(property);
    if (word == nullptr) return nullptr;
    GstElement* element = gst_bin_get_by_interface(GST_BIN(Bin()), GST_TYPE_COLOR_BALANCE);
    if (element == nullptr) return nullptr;
    *balance = GST_COLOR_BALANCE(element);
    for (const GList* item = gst_color_balance_list_channels(*balance); item != nullptr; item = item->next) {
        auto* channel = static_cast<GstColorBalanceChannel*>(item->data);
        if (LabelHasWord(channel->label, word)) {
            if (!m_defaults.contains(property)) m_defaults[property] = gst_color_balance_get_value(*balance, channel);
            return channel;
        }
    }
    gst_object_unref(element);
    *balance = nullptr;
    return nullptr;
}

HRESULT VideoCaptureFilter::GetRange(LONG Property, LONG* pMin, LONG* pMax, LONG* pSteppingDelta, LONG* pDefault,
                                     LONG* pCapsFlags)
{
    if (!pMin || !pMax || !pSteppingDelta || !pDefault || !pCapsFlags) return E_POINTER;
    GstColorBalance* balance = nullptr;
    GstColorBalanceChannel* channel = FindChannel(Property, &balance);
    if (channel == nullptr) return E_PROP_ID_UNSUPPORTED;
    *pMin = channel->min_value;
    *pMax = channel->max_value;
    *pSteppingDelta = 1;
    *pDefault = m_defaults[Property];
    *pCapsFlags = VideoProcAmp_Flags_Manual;
    gst_object_unref(balance);
    return S_OK;
}

HRESULT VideoCaptureFilter::Set(LONG Property, LONG lValue, LONG Flags)
{
    GstColorBalance* balance = nullptr;
    GstColorBalanceChannel* channel = FindChannel(Property, &balance);
    if (channel == nullptr) return E_PROP_ID_UNSUPPORTED;
    // Colour-balance controls have no automatic mode.
    const bool valid = Flags == VideoProcAmp_Flags_Manual && lValue >= channel->min_value && lValue <= channel->max_value;
    if (valid) gst_color_balance_set_value(balance, channel, lValue);
    gst_object_unref(balance);
    return valid ? S_OK : E_INVALIDARG;
}

HRESULT VideoCaptureFilter::Get(LONG Property, LONG* lValue, LONG* Flags)
{
    if (lValue == nullptr || Flags == nullptr) return E_POINTER;
    GstColorBalance* balance = nullptr;
    GstColorBalanceChannel* channel = FindChannel(Property, &balance);
    if (channel == nullptr) return E_PROP_ID_UNSUPPORTED;
    *lValue = gst_color_balance_get_value(balance, channel);
    *Flags = VideoProcAmp_Flags_Manual;
    gst_object_unref(balance);
    return S_OK;
}

} // namespace zv::dshow
