// Run-length compressed DIBs (BI_RLE8, BI_RLE4) expanded into the uncompressed layout the
// transfers read.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/gdi/gdi_types.h"

namespace zv::gdi {

struct ExpandedDib {
    // A copy of the header and palette, now BI_RGB.
    std::vector<BYTE> info;
    std::vector<BYTE> bits;
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
};

// The pixels of an RLE8 or RLE4 DIB of `size` compressed bytes, bottom-up. Pixels the runs never
// reach keep colour index 0; runs past a row's end or the last row are cut off. Nothing when the
// header is not a bottom-up RLE DIB of its depth, or the picture would be unreasonably large.
std::optional<ExpandedDib> ExpandRleDib(const BITMAPINFO* info, const BYTE* data, std::size_t size);

} // namespace zv::gdi
