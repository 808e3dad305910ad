#include "platform/dshow/file_source_filter.h"

#include "platform/win32/string_conversion.h"

#include <gst/pbutils/pbutils.h>
#include <gst/video/video.h>

#include <sys/stat.h>

namespace zv::dshow {

namespace {

constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = MakeHresultConstant(0x80040240);
constexpr GstClockTime kDiscoveryTimeout = 10 * GST_SECOND;

class FileSourcePin final : public Pin {
public:
    FileSourcePin(FileSourceFilter& owner, const char* padName, const GUID& majorType)
        : Pin(owner, PINDIR_OUTPUT, padName, majorType), m_source(owner)
    {
    }
    std::optional<VideoFormat> CurrentVideoFormat() const override
    {
        return MajorType() == MEDIATYPE_Video ? m_source.VideoFormatOfFile() : std::nullopt;
    }

private:
    const FileSourceFilter& m_source;
};

struct DiscoveredStreams {
    bool audio = false;
    std::optional<VideoFormat> video;
    std::optional<REFERENCE_TIME> duration;
};

std::optional<DiscoveredStreams> Discover(const char* uri)
{
    GError* error = nullptr;
    GstRef<GstDiscoverer> discoverer(gst_discoverer_new(kDiscoveryTimeout, &error));
    if (error) g_error_free(error);
    if (!discoverer) return std::nullopt;
    GstDiscovererInfo* info = gst_discoverer_discover_uri(discoverer.get(), uri, &error);
    if (error) g_error_free(error);
    if (info == nullptr) return std::nullopt;
    std::optional<DiscoveredStreams> found;
    if (gst_discoverer_info_get_result(info) == GST_DISCOVERER_OK) {
        found.emplace();
        GList* videos = gst_discoverer_info_get_video_streams(info);
        if (videos != nullptr) {
            auto* video = GST_DISCOVERER_VIDEO_INFO(videos->data);
            VideoFormat format{static_cast<LONG>(gst_discoverer_video_info_get_width(video)),
                               static_cast<LONG>(gst_discoverer_video_info_get_height(video)), 0};
            const guint num = gst_discoverer_video_info_get_framerate_num(video);
            if (num > 0) format.avgTimePerFrame = kUnitsPerSecond * gst_discoverer_video_info_get_framerate_denom(video) / num;
            found->video = format;
        }
        gst_discoverer_stream_info_list_free(videos);
        GList* audios = gst_discoverer_info_get_audio_streams(info);
        found->audio = audios != nullptr;
        gst_discoverer_stream_info_list_free(audios);
        const GstClockTime duration = gst_discoverer_info_get_duration(info);
        if (GST_CLOCK_TIME_IS_VALID(duration) && duration > 0)
            found->duration = static_cast<REFERENCE_TIME>(duration / 100);
        if (!found->video && !found->audio) found.reset();
    }
    gst_discoverer_info_unref(info);
    return found;
}

} // namespace

HRESULT FileSourceFilter::Create(IUnknown* outer, REFIID riid, void** ppv)
{
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    if (!EnsureGstreamer()) return E_FAIL;
    GstRef<GstElement> bin(GST_ELEMENT(gst_object_ref_sink(gst_bin_new(nullptr))));
    GstRef<GstElement> decoder = MakeElement("uridecodebin");
    if (!decoder) return E_FAIL;
    gst_bin_add(GST_BIN(bin.get()), decoder.get());
    return HandOutNewObject(new FileSourceFilter(std::move(bin), decoder.get()), riid, ppv);
}

FileSourceFilter::FileSourceFilter(GstRef<GstElement> bin, GstElement* decoder) : Filter(std::move(bin)), m_decoder(decoder)
{
    g_signal_connect(m_decoder, "pad-added", G_CALLBACK(&FileSourceFilter::OnPadAdded), this);
}

HRESULT FileSourceFilter::QueryFilterInterface(REFIID riid, void** ppv)
{
    return QueryInterfaceFrom({{IID_IFileSourceFilter, static_cast<IFileSourceFilter*>(this)}}, riid, ppv);
}

HRESULT FileSourceFilter::Load(LPCWSTR pszFileName, const AM_MEDIA_TYPE*)
{
    if (pszFileName == nullptr) return E_POINTER;
    if (m_loaded) return E_UNEXPECTED;
    const int size = WideCharToMultiByte(CP_UTF8, 0, pszFileName, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return E_INVALIDARG;
    std::string name(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, pszFileName, -1, name.data(), size, nullptr, nullptr);
    name.resize(static_cast<std::size_t>(size - 1));

    struct stat status {};
    if (name.empty() || stat(name.c_str(), &status) != 0) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (!S_ISREG(status.st_mode) || status.st_size == 0) return VFW_E_UNKNOWN_FILE_TYPE;
    gchar* uri = gst_filename_to_uri(name.c_str(), nullptr);
    if (uri == nullptr) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    const std::optional<DiscoveredStreams> streams = Discover(uri);
    if (!streams) {
        g_free(uri);
        return VFW_E_UNKNOWN_FILE_TYPE;
    }
    g_object_set(m_decoder, "uri", uri, nullptr);
    g_free(uri);

    // Targetless ghost pads: the decoder's pads are attached to them as they appear.
    const auto addOutput = [this](const char* padName, const GUID& majorType) {
        GstPad* ghost = gst_ghost_pad_new_no_target(padName, GST_PAD_SRC);
        gst_pad_set_active(ghost, TRUE);
        gst_element_add_pad(Bin(), ghost);
        AddPin(std::make_unique<FileSourcePin>(*this, padName, majorType));
    };
    m_videoFormat = streams->video;
    m_duration = streams->duration;
    if (streams->video) addOutput("video", MEDIATYPE_Video);
    if (streams->audio) addOutput("audio", MEDIATYPE_Audio);
    m_loaded = true;
    return S_OK;
}

std::optional<REFERENCE_TIME> FileSourceFilter::Duration() const
{
    return m_duration;
}

std::optional<VideoFormat> FileSourceFilter::VideoFormatOfFile() const
{
    return m_videoFormat;
}

void FileSourceFilter::OnPadAdded(GstElement*, GstPad* pad, gpointer self)
{
    auto* source = static_cast<FileSourceFilter*>(self);
    CapsRef caps(gst_pad_get_current_caps(pad));
    if (!caps) caps.reset(gst_pad_query_caps(pad, nullptr));
    if (!caps || gst_caps_is_empty(caps.get())) return;
    const char* kind = gst_structure_get_name(gst_caps_get_structure(caps.get(), 0));
    const char* ghostName = g_str_has_prefix(kind, "video/") ? "video" : g_str_has_prefix(kind, "audio/") ? "audio" : nullptr;
    if (ghostName == nullptr) return;
    std::lock_guard lock(source->m_padMutex);
    GstRef<GstPad> ghost(gst_element_get_static_pad(source->Bin(), ghostName));
    if (!ghost) return;
    GstRef<GstPad> target(gst_ghost_pad_get_target(GST_GHOST_PAD(ghost.get())));
    // Further streams of a kind already served stay unlinked.
    if (target) return;
    gst_ghost_pad_set_target(GST_GHOST_PAD(ghost.get()), pad);
}

} // namespace zv::dshow
