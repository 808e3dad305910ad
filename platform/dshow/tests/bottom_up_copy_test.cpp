#include "platform/dshow/bottom_up_copy.h"
#include "platform/dshow/media_types.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(DibStride, RowsArePaddedToFourBytes)
{
    struct Case {
        LONG width;
        LONG stride;
    } cases[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {320, 960}, {322, 968}, {0, 0}};
    for (const Case& c : cases) EXPECT_EQ(c.stride, zv::dshow::DibStride(c.width)) << c.width;
}

TEST(CopyRowsBottomUp, ReversesRowsAndZeroesPadding)
{
    for (LONG width : {1, 2, 3, 4, 5, 7}) {
        const LONG height = 3;
        const LONG srcStride = width * 3 + 5; // a source with its own padding
        std::vector<BYTE> src(static_cast<std::size_t>(srcStride * height), 0xEE);
        for (LONG row = 0; row < height; ++row)
            for (LONG i = 0; i < width * 3; ++i) src[static_cast<std::size_t>(row * srcStride + i)] = static_cast<BYTE>(row * 50 + i);
        const LONG dstStride = zv::dshow::DibStride(width);
        std::vector<BYTE> dst(static_cast<std::size_t>(dstStride * height), 0xAA);
        zv::dshow::CopyRowsBottomUp(src.data(), srcStride, width, height, dst.data());
        for (LONG row = 0; row < height; ++row) {
            const LONG sourceRow = height - 1 - row;
            for (LONG i = 0; i < width * 3; ++i)
                ASSERT_EQ(static_cast<BYTE>(sourceRow * 50 + i), dst[static_cast<std::size_t>(row * dstStride + i)]);
            for (LONG i = width * 3; i < dstStride; ++i) ASSERT_EQ(0, dst[static_cast<std::size_t>(row * dstStride + i)]);
        }
    }
}

} // namespace
