#include "frame_road_fixture.h"

#include "capture/StretchNearest.h"

#include <gtest/gtest.h>

namespace {

using namespace zv::capture::testing;

// Every format sent in one call, some taking rows from an earlier one of their width, holds the
// frame scaled to its size on its own.
TEST_F(FrameRoadTest, FormatsSentTogetherHoldTheirOwnScaling)
{
    ReadDriverFormatFlags(); // no device: every format counts as in use
    for (const FrameSize source : {FrameSize{640, 480}, FrameSize{720, 480}, FrameSize{320, 240}, FrameSize{161, 121},
                                   FrameSize{1280, 720}}) {
        for (CPixImage& image : g_FormatImages) image.Clear(0);
        std::vector<BYTE> frame = PatternFrame(source);
        const std::vector<BYTE> before = frame;
        SendInUseFormats(frame.data(), source);
        EXPECT_EQ(before, frame);
        for (std::size_t index = 0; index < g_FormatSizes.size(); ++index) {
            const FrameSize& format = g_FormatSizes[index];
            if (format.width == source.width && format.height == source.height) continue;
            std::vector<BYTE> expected(FrameBytes(format));
            StretchNearest(frame.data(), source, expected.data(), format);
            const BYTE* pixels = PixelsOfSize(g_FormatImages[index], format);
            ASSERT_NE(nullptr, pixels);
            EXPECT_EQ(expected, std::vector<BYTE>(pixels, pixels + expected.size()))
                << source.width << "x" << source.height << " into format " << index;
        }
    }
}

} // namespace
