// The size of a frame on the frame road: width and height in pixels.
#pragma once

#include <cstdint>

struct FrameSize {
    std::int32_t width;
    std::int32_t height;
};
