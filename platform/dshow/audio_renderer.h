// The audio renderer that Render puts behind an audio pin: the system's audio output when one
// opens, else a sink that discards the samples at their time.
#pragma once

#include "platform/dshow/filter.h"

namespace zv::dshow {

class AudioRenderer final : public Filter {
public:
    // A new renderer with one reference, or null when GStreamer lacks the elements.
    static AudioRenderer* Create();

private:
    explicit AudioRenderer(GstRef<GstElement> bin);
};

} // namespace zv::dshow
