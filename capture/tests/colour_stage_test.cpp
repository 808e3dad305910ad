#include "capture/ColourStage.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// The wide look-up and the portable loop give the same frame for any levels, on rows shorter and
// longer than its blocks; fill bytes keep their sentinel.
TEST(ColourStage, WideLookUpGivesThePortableResult)
{
    const FrameSize sizes[] = {{1, 1}, {21, 3}, {22, 2}, {63, 2}, {64, 3}, {65, 2}, {127, 2}, {128, 1}, {129, 3}, {640, 4}, {721, 3}};
    std::mt19937 random(28);
    std::uniform_real_distribution<float> level(0.0f, 1.0f);
    for (int round = 0; round < 8; ++round) {
        const ColourLevels levels{level(random), level(random), level(random), level(random), level(random)};
        const ColourStage stage(levels, round % 2 ? 3 : 1);
        for (const FrameSize& size : sizes) {
            std::vector<BYTE> wide(FrameBytes(size));
            const std::size_t rowBytes = static_cast<std::size_t>(size.width) * 3;
            for (std::size_t b = 0; b < wide.size(); ++b)
                wide[b] = b % FrameStride(size.width) < rowBytes ? static_cast<BYTE>(random()) : 0xA5;
            std::vector<BYTE> portable = wide, expected = wide;
            for (std::size_t b = 0; b < expected.size(); ++b) {
                const std::size_t inRow = b % FrameStride(size.width);
                if (inRow < rowBytes) expected[b] = stage.Map(static_cast<int>(inRow % 3), expected[b]);
            }
            stage.Apply(wide.data(), size);
            stage.ApplyPortable(portable.data(), size);
            EXPECT_EQ(expected, portable) << size.width << "x" << size.height << " round " << round;
            EXPECT_EQ(expected, wide) << size.width << "x" << size.height << " round " << round;
        }
    }
}

} // namespace
