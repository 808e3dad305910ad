#include "capture/StretchNearest.h"

#include "capture/NearestRowGather.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

namespace {

// The source index of each destination index, as the formula gives it (clamped against rounding).
std::vector<std::uint32_t> IndexTable(std::int32_t srcCount, std::int32_t dstCount)
{
    const double ratio = static_cast<double>(srcCount) / static_cast<double>(dstCount);
    std::vector<std::uint32_t> table(static_cast<std::size_t>(dstCount));
    for (std::int32_t i = 0; i < dstCount; ++i)
        table[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(std::min(static_cast<std::int32_t>(ratio * i), srcCount - 1));
    return table;
}

// The road scales the same few size pairs frame after frame: their tables and row gathers are
// kept per thread, the least recently used going once there are more than the road needs.
class ScalerCache {
public:
    struct Entry {
        std::int32_t srcCount;
        std::int32_t dstCount;
        std::vector<std::uint32_t> rows;        // for heights
        std::unique_ptr<NearestRowGather> gather; // for widths
    };

    // The table's bytes stay where they are while entries move about (only the last is dropped).
    std::span<const std::uint32_t> Rows(std::int32_t srcHeight, std::int32_t dstHeight)
    {
        Entry& entry = Find(m_rows, srcHeight, dstHeight);
        if (entry.rows.empty()) entry.rows = IndexTable(srcHeight, dstHeight);
        return entry.rows;
    }
    const NearestRowGather& Gather(std::int32_t srcWidth, std::int32_t dstWidth)
    {
        Entry& entry = Find(m_gathers, srcWidth, dstWidth);
        if (!entry.gather)
            entry.gather = std::make_unique<NearestRowGather>(IndexTable(srcWidth, dstWidth), FrameStride(srcWidth));
        return *entry.gather;
    }

private:
    static constexpr std::size_t kKept = 32;

    // The entry moves to the front, so the frame's own sizes are found at once.
    static Entry& Find(std::vector<Entry>& entries, std::int32_t srcCount, std::int32_t dstCount)
    {
        auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const Entry& e) { return e.srcCount == srcCount && e.dstCount == dstCount; });
        if (found == entries.end()) {
            if (entries.size() == kKept) entries.pop_back();
            entries.push_back(Entry{srcCount, dstCount, {}, nullptr});
            found = entries.end() - 1;
        }
        std::rotate(entries.begin(), found, found + 1);
        return entries.front();
    }

    std::vector<Entry> m_rows;
    std::vector<Entry> m_gathers;
};

thread_local ScalerCache t_cache;

} // namespace

void StretchNearest(const BYTE* src, const FrameSize& srcSize, BYTE* dst, const FrameSize& dstSize)
{
    StretchNearest(src, srcSize, dst, dstSize, NearestDonor{});
}

void StretchNearest(const BYTE* src, const FrameSize& srcSize, BYTE* dst, const FrameSize& dstSize,
                    const NearestDonor& donor)
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
    const std::span<const std::uint32_t> rows = t_cache.Rows(srcSize.height, dstSize.height);
    // Where each source row already stands in the donor, if anywhere.
    thread_local std::vector<const BYTE*> donorRows;
    donorRows.assign(static_cast<std::size_t>(srcSize.height), nullptr);
    if (donor.pixels != nullptr && donor.size.width == dstSize.width && donor.size.height > 0) {
        const std::span<const std::uint32_t> given = t_cache.Rows(srcSize.height, donor.size.height);
        for (std::size_t k = given.size(); k-- > 0;) donorRows[given[k]] = donor.pixels + k * dstStride;
    }
    const NearestRowGather* gather = srcSize.width == dstSize.width ? nullptr : &t_cache.Gather(srcSize.width, dstSize.width);
    const std::size_t rowBytes = static_cast<std::size_t>(dstSize.width) * 3;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        BYTE* out = dst + i * dstStride;
        const BYTE* in = src + static_cast<std::size_t>(rows[i]) * srcStride;
        // Enlarging repeats source rows: the row just made is the row wanted again.
        if (i > 0 && rows[i] == rows[i - 1])
            std::memcpy(out, out - dstStride, rowBytes);
        else if (const BYTE* made = donorRows[rows[i]])
            std::memcpy(out, made, rowBytes);
        else if (gather == nullptr)
            std::memcpy(out, in, rowBytes);
        else
            gather->Gather(in, out);
    }
}
