#include "frame_road_fixture.h"

#include "capture/StretchNearest.h"

#include <gtest/gtest.h>

namespace {

// Destination pixel (j, i) is source pixel (j * sw / dw, i * sh / dh) in whole numbers; fill bytes
// keep their sentinel; an empty side does nothing.
TEST(StretchNearest, PicksTheNearestSourcePixelAndLeavesFillBytes)
{
    const struct { FrameSize src, dst; } cases[] = {
        {{5, 3}, {5, 3}},         {{320, 240}, {160, 120}}, {{160, 120}, {320, 240}}, {{7, 5}, {3, 2}},  {{3, 2}, {7, 5}},
        {{854, 480}, {320, 240}}, {{320, 240}, {1, 1}},     {{1, 1}, {5, 3}},         {{4, 3}, {9, 3}},  {{8, 2}, {9, 5}},
        {{4, 0}, {4, 4}},         {{4, 4}, {-4, 4}},
    };
    for (const auto& c : cases) {
        const std::vector<BYTE> src = zv::capture::testing::PatternFrame(c.src);
        std::vector<BYTE> dst(std::max<std::size_t>(FrameBytes(c.dst), 48), 0xA5), expected = dst;
        const std::size_t srcStride = FrameStride(c.src.width), dstStride = FrameStride(c.dst.width);
        for (std::size_t i = 0; c.src.height > 0 && i < FrameBytes(c.dst) / std::max<std::size_t>(dstStride, 1); ++i)
            for (std::size_t j = 0; j < static_cast<std::size_t>(c.dst.width) * 3; ++j)
                expected[i * dstStride + j] =
                    src[i * c.src.height / c.dst.height * srcStride + j / 3 * c.src.width / c.dst.width * 3 + j % 3];
        StretchNearest(src.data(), c.src, dst.data(), c.dst);
        EXPECT_EQ(expected, dst) << c.src.width << "x" << c.src.height << " -> " << c.dst.width << "x" << c.dst.height;
    }
}

} // namespace
