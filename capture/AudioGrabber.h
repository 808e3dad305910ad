// Receives audio buffers and hands them to the audio callback.
#pragma once

#include "capture/GrabberCallbackBase.h"

#include <atomic>
#include <cstdint>

using AudioCallback = std::int32_t (*)(double sampleTime, BYTE* bits, std::int32_t length);

class CAudioGrabber final : public CGrabberCallbackBase {
public:
    // No callback installed, or one still running: the sample is dropped and 0 returned.
    HRESULT BufferCB(double SampleTime, BYTE* pBuffer, LONG BufferLen) override;

    // The audio callback; null until the owner installs one.
    std::atomic<AudioCallback> m_pCallback{nullptr};
};
