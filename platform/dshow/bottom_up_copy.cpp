#include "platform/dshow/bottom_up_copy.h"

#include "platform/dshow/media_types.h"

#include <cstring>

namespace zv::dshow {

void CopyRowsBottomUp(const BYTE* src, LONG srcStride, LONG width, LONG height, BYTE* dst)
{
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    const std::size_t dstStride = static_cast<std::size_t>(DibStride(width));
    for (LONG row = 0; row < height; ++row) {
        const BYTE* from = src + static_cast<std::ptrdiff_t>(height - 1 - row) * srcStride;
        BYTE* to = dst + static_cast<std::size_t>(row) * dstStride;
        std::memcpy(to, from, rowBytes);
        std::memset(to + rowBytes, 0, dstStride - rowBytes);
    }
}

} // namespace zv::dshow
