// libFuzzer target for one decoder: every input is decoded from memory as the type number
// ZV_FUZZ_TYPE, which the build sets per target.
#include "imagelib/PixImage.h"

#include <cstddef>
#include <cstdint>
#include <limits>

#ifndef ZV_FUZZ_TYPE
#error "ZV_FUZZ_TYPE must name the type number of the decoder under test"
#endif

volatile unsigned g_sink; // keeps the reads below

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > static_cast<std::size_t>(std::numeric_limits<LONG>::max()))
        return 0;
    CPixImage image;
    if (!image.DecodeFromMemory(data, static_cast<LONG>(size), ZV_FUZZ_TYPE))
        return 0;
    // A decoded picture must be as large as its header says: touch the ends of its pixels and of
    // its alpha plane, so the sanitizer sees any shortfall.
    const LONG top = image.GetHeight() - 1;
    unsigned sum = image.GetRowPointer(0)[0] + image.GetRowPointer(static_cast<DWORD>(top))[image.GetStride() - 1];
    if (image.HasAlpha())
        sum += image.GetAlphaPlane()[static_cast<std::size_t>(image.GetWidth()) * image.GetHeight() - 1];
    g_sink = sum;
    return 0;
}
