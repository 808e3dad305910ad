// One WAVE sound going through a GStreamer pipeline: its bytes fed in from memory, parsed, and
// played to the audio output or written to a file (see sound.h).
#pragma once

#include "platform/dshow/gst_support.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zv::winmm {

// The length of the RIFF WAVE starting at `bytes` as its header gives it; 0 when the bytes do not
// start one.
std::size_t WaveLength(const std::uint8_t* bytes);

class WavePlayback {
public:
    // Starts playing and waits until the output has taken the first samples; null when the
    // pipeline cannot start (no such plugin, an output that cannot open, bytes that do not parse).
    static std::unique_ptr<WavePlayback> Start(std::vector<std::uint8_t> wave, const std::string& sinkSpec);
    ~WavePlayback();
    WavePlayback(const WavePlayback&) = delete;
    WavePlayback& operator=(const WavePlayback&) = delete;

    // Blocks until the sound ends, fails or is stopped; true only when it played to its end.
    bool WaitEnd();
    // Makes WaitEnd return at once. Any thread.
    void RequestStop();

private:
    explicit WavePlayback(dshow::GstRef<GstElement> pipeline);

    dshow::GstRef<GstElement> m_pipeline;
};

} // namespace zv::winmm
