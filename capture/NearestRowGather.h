// One row of a nearest-neighbour scale: destination pixel j of a 24-bit row is source pixel
// columns[j]. Built once per pair of widths and kept, since the frame road scales the same sizes
// frame after frame. Where the processor has SSSE3, runs of pixels whose source bytes lie within
// 16 bytes are moved by one byte shuffle each; the portable loop does the rest and everything
// elsewhere, with the same result.
#pragma once

#include "platform/win32/types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class NearestRowGather {
public:
    // `columns` holds source pixel indices, one per destination pixel, none beyond the source row.
    // `srcStride` is the bytes of a source row that may be read (its fill bytes included).
    NearestRowGather(const std::vector<std::uint32_t>& columns, std::size_t srcStride);

    // Writes the destination row's pixels (3 bytes each) and nothing after them.
    void Gather(const BYTE* in, BYTE* out) const;
    // The same with the portable loop only.
    void GatherPortable(const BYTE* in, BYTE* out) const;

    // Whether Gather uses byte shuffles on this processor.
    static bool Shuffles();

    // Up to five destination pixels from the 16 source bytes starting at `source`.
    struct alignas(16) ShuffleGroup {
        std::array<BYTE, 16> mask;
        std::uint32_t source;
        std::uint32_t pixels;
    };

private:
    void GatherFrom(std::size_t first, const BYTE* in, BYTE* out) const;

    std::vector<std::uint32_t> m_offsets;  // source byte offset of each destination pixel
    std::size_t m_lastWide = 0;            // pixels before this one may be moved four bytes at a time
    std::vector<ShuffleGroup> m_groups;
    std::size_t m_shuffledPixels = 0;      // pixels the groups cover, from the first
};
