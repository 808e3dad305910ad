// What the frame road asks of the preview window for the digital zoom. The preview implements it
// and publishes itself in g_pZoomSource while it exists; without one there is no zoom.
#pragma once

#include <atomic>

class IZoomSource {
public:
    // The share of the picture cut away, 0.0 (no zoom) to 0.99. Called on the streaming thread.
    virtual double ZoomFraction() const = 0;
    // Crops g_FrameImage by the zoom and pan into g_ZoomImage and resamples that back to the
    // frame image's width and height; returns the zoom fraction. Called on the streaming thread.
    virtual double ComputeZoomCrop() = 0;

protected:
    ~IZoomSource() = default;
};

extern std::atomic<IZoomSource*> g_pZoomSource;
