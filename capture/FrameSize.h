// The size of a video frame in pixels.
#pragma once

#include <cstdint>

struct FrameSize {
    std::int32_t width;
    std::int32_t height;
};
