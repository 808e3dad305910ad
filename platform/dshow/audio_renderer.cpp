#include "platform/dshow/audio_renderer.h"

#include <mutex>

namespace zv::dshow {

namespace {

// Whether the system has an audio output that opens; asked once per process.
bool HasAudioOutput()
{
    static std::once_flag once;
    static bool found = false;
    std::call_once(once, [] {
        GstRef<GstElement> sink = MakeElement("autoaudiosink");
        if (!sink) return;
        found = gst_element_set_state(sink.get(), GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
        gst_element_set_state(sink.get(), GST_STATE_NULL);
    });
    return found;
}

} // namespace

AudioRenderer* AudioRenderer::Create()
{
    if (!EnsureGstreamer()) return nullptr;
    GstRef<GstElement> bin(GST_ELEMENT(gst_object_ref_sink(gst_bin_new(nullptr))));
    GstRef<GstElement> convert = MakeElement("audioconvert");
    GstRef<GstElement> resample = MakeElement("audioresample");
    GstRef<GstElement> sink = MakeElement(HasAudioOutput() ? "autoaudiosink" : "fakesink");
    if (!convert || !resample || !sink) return nullptr;
    gst_bin_add_many(GST_BIN(bin.get()), convert.get(), resample.get(), sink.get(), nullptr);
    if (!gst_element_link_many(convert.get(), resample.get(), sink.get(), nullptr) ||
        !AddGhostPad(bin.get(), convert.get(), "sink", "sink"))
        return nullptr;
    return new AudioRenderer(std::move(bin));
}

AudioRenderer::AudioRenderer(GstRef<GstElement> bin) : Filter(std::move(bin))
{
    AddPin(std::make_unique<Pin>(*this, PINDIR_INPUT, "sink", MEDIATYPE_Audio));
}

} // namespace zv::dshow
