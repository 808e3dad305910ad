// Receives the video buffers of the capture and file graphs and hands them to the frame callback.
#pragma once

#include "capture/FrameSize.h"
#include "capture/GrabberCallbackBase.h"

#include <atomic>
#include <cstdint>

// Called on the streaming thread for each frame (24-bit, blue first, rows bottom-up, each row
// padded to 4 bytes). The size record is the graph's current frame size: the callback may change
// it. The result goes back to the grabber filter.
using FrameCallback = std::int32_t (*)(double sampleTime, BYTE* bits, std::int32_t length, FrameSize* size);

class CVideoGrabber final : public CGrabberCallbackBase {
public:
    // The owner's frame-size pair, which the grabber lends to the callback.
    CVideoGrabber(std::int32_t& width, std::int32_t& height);

    // No callback installed, or one still running: the sample is dropped and 0 returned.
    HRESULT BufferCB(double SampleTime, BYTE* pBuffer, LONG BufferLen) override;

    // The owner's frame size, read and written only between callbacks.
    FrameSize GetFrameSize();
    void SetFrameSize(std::int32_t width, std::int32_t height);

    // The frame callback; null until the owner installs one. May change while frames arrive.
    std::atomic<FrameCallback> m_pCallback{nullptr};

private:
    std::int32_t& m_nWidth;
    std::int32_t& m_nHeight;
};
