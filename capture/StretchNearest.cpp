#include "capture/StretchNearest.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The source index of each destination index, as the formula gives it (clamped against rounding).
void FillIndexTable(std::vector<std::uint32_t>& table, std::int32_t srcCount, std::int32_t dstCount, std::uint32_t scale)
{
    const double ratio = static_cast<double>(srcCount) / static_cast<double>(dstCount);
    table.resize(static_cast<std::size_t>(dstCount));
    for (std::int32_t i = 0; i < dstCount; ++i) {
        const auto index = std::min(static_cast<std::int32_t>(ratio * i), srcCount - 1);
        table[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(index) * scale;
    }
}

} // namespace

void StretchNearest(const BYTE* src, const FrameSize& srcSize, BYTE* dst, const FrameSize& dstSize)
{
    if (src == nullptr || dst == nullptr || srcSize.width <= 0 || srcSize.height <= 0 || dstSize.width <= 0 ||
        dstSize.height <= 0)
        return;
    const std::size_t srcStride = FrameStride(srcSize.width);
    const std::size_t dstStride = FrameStride(dstSize.width);
    if (srcSize.width == dstSize.width && srcSize.height == dstSize.height) {
        std::memcpy(dst, src, srcStride * static_cast<std::size_t>(srcSize.height));
        return;
    }
    // Kept per thread so that scaling allocates only when a larger picture comes along.
    thread_local std::vector<std::uint32_t> columns;
    thread_local std::vector<std::uint32_t> rows;
    FillIndexTable(columns, srcSize.width, dstSize.width, 3);
    FillIndexTable(rows, srcSize.height, dstSize.height, 1);
    const std::size_t rowBytes = static_cast<std::size_t>(dstSize.width) * 3;
    // Pixels are moved four bytes at a time, the fourth byte being overwritten by the next pixel;
    // the last pixel of a row and sources that end within four bytes of their row's end take three.
    const auto lastWide = static_cast<std::size_t>(
        std::partition_point(columns.begin(), columns.end() - 1, [&](std::uint32_t c) { return c + 4 <= srcStride; }) -
        columns.begin());
    for (std::int32_t i = 0; i < dstSize.height; ++i) {
        BYTE* out = dst + static_cast<std::size_t>(i) * dstStride;
        // Enlarging repeats source rows: the row just made is the row wanted again.
        if (i > 0 && rows[static_cast<std::size_t>(i)] == rows[static_cast<std::size_t>(i) - 1]) {
            std::memcpy(out, out - dstStride, rowBytes);
            continue;
        }
        const BYTE* in = src + static_cast<std::size_t>(rows[static_cast<std::size_t>(i)]) * srcStride;
        std::size_t j = 0;
        for (; j < lastWide; ++j, out += 3) std::memcpy(out, in + columns[j], 4);
        for (; j < columns.size(); ++j, out += 3) std::memcpy(out, in + columns[j], 3);
    }
}
