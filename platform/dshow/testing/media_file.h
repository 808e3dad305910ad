// Test support: media files made by a GStreamer launch line that ends in a file sink.
#pragma once

#include <gst/gst.h>

#include <string>

namespace zv::dshow::testing {

// Runs the pipeline until its end (bounded); false when it cannot be built or reports an error.
inline bool WriteMediaFile(const std::string& launchLine)
{
    gst_init(nullptr, nullptr);
    GstElement* pipeline = gst_parse_launch(launchLine.c_str(), nullptr);
    if (pipeline == nullptr) return false;
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(bus, 20 * GST_SECOND,
                                                 static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool written = end != nullptr && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS;
    if (end) gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return written;
}

} // namespace zv::dshow::testing
