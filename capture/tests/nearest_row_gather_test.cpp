#include "frame_road_fixture.h"

#include "capture/NearestRowGather.h"
#include "capture/StretchNearest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

namespace {

std::vector<std::uint32_t> Columns(std::int32_t srcWidth, std::int32_t dstWidth)
{
    std::vector<std::uint32_t> columns(static_cast<std::size_t>(dstWidth));
    for (std::int32_t j = 0; j < dstWidth; ++j)
        columns[static_cast<std::size_t>(j)] = static_cast<std::uint32_t>(std::min<std::int64_t>(std::int64_t{j} * srcWidth / dstWidth, srcWidth - 1));
    return columns;
}

// The shuffled and the portable row agree with the picked pixels, and neither reads or writes
// outside its row: both rows are allocations of their exact size, which the address sanitizer
// watches.
TEST(NearestRowGather, ShuffledAndPortableRowsPickTheSamePixels)
{
    std::vector<std::pair<std::int32_t, std::int32_t>> widths = {
        {1, 1},     {1, 7},     {7, 1},     {2, 3},     {3, 2},     {5, 6},     {6, 5},     {16, 16},   {640, 720},
        {640, 160}, {640, 176}, {640, 240}, {640, 320}, {640, 352}, {720, 640}, {321, 719}, {719, 321}, {33, 1000},
        {1000, 33}, {4, 5},     {5, 4},     {1920, 720}, {100, 400}, {400, 100},
    };
    std::mt19937 random(28);
    for (int i = 0; i < 200; ++i)
        widths.emplace_back(std::uniform_int_distribution<std::int32_t>(1, 900)(random),
                            std::uniform_int_distribution<std::int32_t>(1, 900)(random));
    for (const auto& [srcWidth, dstWidth] : widths) {
        const std::size_t srcStride = FrameStride(srcWidth);
        const auto in = std::make_unique<BYTE[]>(srcStride);
        for (std::size_t b = 0; b < srcStride; ++b) in[b] = static_cast<BYTE>(random());
        const std::vector<std::uint32_t> columns = Columns(srcWidth, dstWidth);
        const NearestRowGather gather(columns, srcStride);
        const std::size_t rowBytes = static_cast<std::size_t>(dstWidth) * 3;
        const auto shuffled = std::make_unique<BYTE[]>(rowBytes);
        const auto portable = std::make_unique<BYTE[]>(rowBytes);
        gather.Gather(in.get(), shuffled.get());
        gather.GatherPortable(in.get(), portable.get());
        std::vector<BYTE> expected(rowBytes);
        for (std::size_t b = 0; b < rowBytes; ++b) expected[b] = in[columns[b / 3] * 3 + b % 3];
        EXPECT_EQ(expected, std::vector<BYTE>(portable.get(), portable.get() + rowBytes)) << srcWidth << " -> " << dstWidth;
        EXPECT_EQ(expected, std::vector<BYTE>(shuffled.get(), shuffled.get() + rowBytes)) << srcWidth << " -> " << dstWidth;
    }
}

// Rows taken from a donor of the same width are the rows scaling would give; a donor of another
// width, or none, changes nothing either. Fill bytes stay as they were.
TEST(StretchNearest, DonorRowsAreTheRowsScalingGives)
{
    const struct { FrameSize src, dst, donor; } cases[] = {
        {{640, 480}, {720, 540}, {720, 480}}, {{640, 480}, {720, 576}, {720, 540}}, {{640, 480}, {240, 180}, {240, 176}},
        {{640, 480}, {240, 176}, {240, 180}}, {{7, 5}, {3, 9}, {3, 2}},             {{5, 3}, {9, 1}, {9, 7}},
        {{320, 240}, {160, 120}, {161, 120}}, {{9, 9}, {9, 20}, {9, 4}},            {{1, 1}, {5, 3}, {5, 1}},
    };
    for (const auto& c : cases) {
        const std::vector<BYTE> src = zv::capture::testing::PatternFrame(c.src);
        std::vector<BYTE> donor(FrameBytes(c.donor), 0xA5);
        StretchNearest(src.data(), c.src, donor.data(), c.donor);
        std::vector<BYTE> expected(FrameBytes(c.dst), 0x5A), given = expected;
        StretchNearest(src.data(), c.src, expected.data(), c.dst);
        StretchNearest(src.data(), c.src, given.data(), c.dst, NearestDonor{donor.data(), c.donor});
        EXPECT_EQ(expected, given) << c.dst.width << "x" << c.dst.height << " from " << c.donor.width << "x" << c.donor.height;
    }
}

} // namespace
