#include "capture/Deinterlace.h"

#include "capture/StretchNearest.h"

#include <cstring>
#include <memory>
#include <new>

std::atomic<BYTE> g_bDeinterlace{0};

namespace {

struct WorkBuffer {
    std::unique_ptr<BYTE[]> bytes;
    std::uint64_t count = 0;
};

WorkBuffer g_deinterlaceBuffer;

// The kept buffer when it has n bytes, else a new one; null when it cannot be allocated.
BYTE* BufferOf(std::uint64_t n)
{
    if (g_deinterlaceBuffer.bytes && g_deinterlaceBuffer.count == n) return g_deinterlaceBuffer.bytes.get();
    g_deinterlaceBuffer.bytes.reset();
    g_deinterlaceBuffer.count = 0;
    g_deinterlaceBuffer.bytes.reset(new (std::nothrow) BYTE[n]);
    if (g_deinterlaceBuffer.bytes) g_deinterlaceBuffer.count = n;
    return g_deinterlaceBuffer.bytes.get();
}

} // namespace

void Deinterlace(BYTE* bits, std::uint64_t n, const FrameSize& size)
{
    if (g_bDeinterlace.load(std::memory_order_relaxed) == 0) return;
    const FrameSize half{size.width, size.height / 2};
    if (bits == nullptr || half.height <= 0 || n < FrameBytes(size)) return;
    BYTE* buffer = BufferOf(n);
    if (buffer == nullptr) return;
    const std::size_t stride = FrameStride(size.width);
    for (std::int32_t row = 0; row < half.height; ++row)
        std::memcpy(buffer + row * stride, bits + 2 * static_cast<std::size_t>(row) * stride, stride);
    StretchNearest(buffer, half, bits, size);
}
