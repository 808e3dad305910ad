// The size of a frame on the frame road: width and height in pixels, and the one row rule every
// frame of the road follows (24 bits per pixel, rows padded to a multiple of 4 bytes).
#pragma once

#include <cstddef>
#include <cstdint>

struct FrameSize {
    std::int32_t width;
    std::int32_t height;
};

// Bytes in one frame row of that width; 0 for no width.
inline std::size_t FrameStride(std::int32_t width)
{
    return width <= 0 ? 0 : ((static_cast<std::size_t>(width) * 24 + 31) / 32) * 4;
}

// Bytes of a whole frame of that size; 0 when either side is not positive.
inline std::uint64_t FrameBytes(const FrameSize& size)
{
    return size.height <= 0 ? 0 : static_cast<std::uint64_t>(FrameStride(size.width)) * static_cast<std::uint64_t>(size.height);
}
