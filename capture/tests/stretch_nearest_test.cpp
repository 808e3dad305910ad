#include "capture/StretchNearest.h"
#include "frame_road_fixture.h"

#include <gtest/gtest.h>

namespace {

using zv::capture::testing::PatternFrame;

// Destination pixel (j, i) is source pixel (j * sw / dw, i * sh / dh) in whole numbers; fill bytes
// keep their sentinel.
TEST(StretchNearest, PicksTheNearestSourcePixelAndLeavesFillBytes)
{
    const struct Case {
        FrameSize src;
        FrameSize dst;
    } cases[] = {
        {{5, 3}, {5, 3}}, {{320, 240}, {160, 120}}, {{160, 120}, {320, 240}}, {{7, 5}, {3, 2}},
        {{3, 2}, {7, 5}}, {{854, 480}, {320, 240}}, {{320, 240}, {1, 1}},     {{1, 1}, {5, 3}},
        {{4, 3}, {9, 3}}, {{8, 2}, {9, 5}},
    };
    for (const Case& c : cases) {
        const std::vector<BYTE> src = PatternFrame(c.src);
        std::vector<BYTE> dst(FrameBytes(c.dst), 0xA5);
        StretchNearest(src.data(), c.src, dst.data(), c.dst);
        const std::size_t srcStride = FrameStride(c.src.width);
        const std::size_t dstStride = FrameStride(c.dst.width);
        int wrong = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(c.dst.height); ++i) {
            const std::size_t y = i * static_cast<std::size_t>(c.src.height) / static_cast<std::size_t>(c.dst.height);
            for (std::size_t b = 0; b < dstStride; ++b) {
                const std::size_t j = b / 3;
                BYTE expected = 0xA5;
                if (j < static_cast<std::size_t>(c.dst.width)) {
                    const std::size_t x = j * static_cast<std::size_t>(c.src.width) / static_cast<std::size_t>(c.dst.width);
                    expected = src[y * srcStride + x * 3 + b % 3];
                }
                wrong += dst[i * dstStride + b] != expected;
            }
        }
        EXPECT_EQ(0, wrong) << c.src.width << "x" << c.src.height << " -> " << c.dst.width << "x" << c.dst.height;
    }
}

TEST(StretchNearest, DoesNothingForAnEmptySide)
{
    const std::vector<BYTE> src = PatternFrame({4, 4});
    std::vector<BYTE> dst(48, 0xA5);
    StretchNearest(src.data(), {4, 0}, dst.data(), {4, 4});
    StretchNearest(src.data(), {4, 4}, dst.data(), {-4, 4});
    StretchNearest(nullptr, {4, 4}, dst.data(), {4, 4});
    EXPECT_EQ(std::vector<BYTE>(48, 0xA5), dst);
}

} // namespace
