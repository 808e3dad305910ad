#include "platform/winmm/wave_playback.h"

#include <gst/app/gstappsrc.h>

#include <cstring>

namespace zv::winmm {
namespace {

// Far beyond any sound a program keeps in memory; a header claiming more is damaged.
constexpr std::uint32_t kLargestWave = 256u << 20;
// How long a start may take before the output is taken to be stuck.
constexpr GstClockTime kStartBound = 5 * GST_SECOND;

std::uint32_t ReadLittle32(const std::uint8_t* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

dshow::GstRef<GstElement> MakeSink(const std::string& sinkSpec)
{
    constexpr std::string_view kFilePrefix = "file:";
    if (sinkSpec.rfind(kFilePrefix, 0) == 0) {
        dshow::GstRef<GstElement> sink = dshow::MakeElement("filesink");
        if (sink)
            // At the clock's pace, as an audio device takes samples, so that stopping cuts it short.
            g_object_set(sink.get(), "location", sinkSpec.c_str() + kFilePrefix.size(), "sync", TRUE, nullptr);
        return sink;
    }
    dshow::GstRef<GstElement> output = dshow::MakeElement("bin");
    dshow::GstRef<GstElement> convert = dshow::MakeElement("audioconvert");
    dshow::GstRef<GstElement> resample = dshow::MakeElement("audioresample");
    dshow::GstRef<GstElement> device = dshow::MakeElement("autoaudiosink");
    if (!output || !convert || !resample || !device)
        return nullptr;
    gst_bin_add_many(GST_BIN(output.get()), convert.get(), resample.get(), device.get(), nullptr);
    if (!gst_element_link_many(convert.get(), resample.get(), device.get(), nullptr) ||
        !dshow::AddGhostPad(output.get(), convert.get(), "sink", "sink"))
        return nullptr;
    return output;
}

} // namespace

std::size_t WaveLength(const std::uint8_t* bytes)
{
    if (std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return 0;
    const std::uint32_t riffSize = ReadLittle32(bytes + 4);
    if (riffSize < 4 || riffSize > kLargestWave)
        return 0;
    return static_cast<std::size_t>(riffSize) + 8;
}

WavePlayback::WavePlayback(dshow::GstRef<GstElement> pipeline) : m_pipeline(std::move(pipeline)) {}

WavePlayback::~WavePlayback()
{
    gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
}

std::unique_ptr<WavePlayback> WavePlayback::Start(std::vector<std::uint8_t> wave, const std::string& sinkSpec)
{
    if (!dshow::EnsureGstreamer())
        return nullptr;
    dshow::GstRef<GstElement> pipeline = dshow::MakeElement("pipeline");
    dshow::GstRef<GstElement> source = dshow::MakeElement("appsrc");
    dshow::GstRef<GstElement> parser = dshow::MakeElement("wavparse");
    dshow::GstRef<GstElement> sink = MakeSink(sinkSpec);
    if (!pipeline || !source || !parser || !sink)
        return nullptr;
    gst_bin_add_many(GST_BIN(pipeline.get()), source.get(), parser.get(), sink.get(), nullptr);
    if (!gst_element_link_many(source.get(), parser.get(), sink.get(), nullptr))
        return nullptr;
    std::unique_ptr<WavePlayback> playback(new WavePlayback(std::move(pipeline)));

    dshow::CapsRef caps(gst_caps_new_empty_simple("audio/x-wav"));
    g_object_set(source.get(), "caps", caps.get(), "format", GST_FORMAT_BYTES, nullptr);
    GstAppSrc* feed = GST_APP_SRC(source.get());
    if (gst_app_src_push_buffer(feed, gst_buffer_new_memdup(wave.data(), wave.size())) != GST_FLOW_OK ||
        gst_app_src_end_of_stream(feed) != GST_FLOW_OK)
        return nullptr;

    GstElement* running = playback->m_pipeline.get();
    if (gst_element_set_state(running, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ||
        gst_element_get_state(running, nullptr, nullptr, kStartBound) != GST_STATE_CHANGE_SUCCESS)
        return nullptr;
    return playback;
}

bool WavePlayback::WaitEnd()
{
    dshow::GstRef<GstBus> bus(gst_element_get_bus(m_pipeline.get()));
    const auto kinds = static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_APPLICATION);
    GstMessage* message = gst_bus_timed_pop_filtered(bus.get(), GST_CLOCK_TIME_NONE, kinds);
    const bool ended = message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message)
        gst_message_unref(message);
    gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    return ended;
}

void WavePlayback::RequestStop()
{
    dshow::GstRef<GstBus> bus(gst_element_get_bus(m_pipeline.get()));
    gst_bus_post(bus.get(), gst_message_new_application(GST_OBJECT(m_pipeline.get()), gst_structure_new_empty("stop")));
}

} // namespace zv::winmm
