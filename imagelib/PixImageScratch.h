// Helpers shared by the geometry and bit-depth operations of CPixImage: every result is built in a
// scratch image and only moved into place once it is complete.
#pragma once

#include "imagelib/PixImage.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace pix_scratch {

// Starts a result image: the source's information block, then storage of the given size and depth,
// and the source's palette when asked. Sizes come in wide so that sums of sides cannot wrap. On
// failure the reason is copied into the source's last-error text and the source is left alone.
inline bool Start(CPixImage& source, CPixImage& scratch, std::uint64_t width, std::uint64_t height, DWORD bpp,
                  bool copyPalette)
{
    constexpr std::uint64_t kMaxSide = static_cast<std::uint64_t>(std::numeric_limits<LONG>::max());
    if (width > kMaxSide || height > kMaxSide) {
        source.SetLastErrorText("PIXIMAGE_MAX_MEMORY exceeded");
        return false;
    }
    scratch.CopyInfo(source);
    // The header's pixels-per-metre follow the copied DPI.
    scratch.SetDpiX(source.GetDpiX());
    scratch.SetDpiY(source.GetDpiY());
    if (!scratch.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), bpp, source.GetType())) {
        source.SetLastErrorText(scratch.GetLastErrorText());
        return false;
    }
    if (copyPalette && source.GetPalette() && scratch.GetPalette() &&
        scratch.GetPaletteBytes() == source.GetPaletteBytes())
        std::memcpy(scratch.GetPalette(), source.GetPalette(), source.GetPaletteBytes());
    return true;
}

// Allocates the scratch image's alpha plane; a failure is reported on the source.
inline bool StartAlpha(CPixImage& source, CPixImage& scratch)
{
    if (scratch.AllocAlpha())
        return true;
    source.SetLastErrorText("CPixImage::Create can't allocate memory");
    return false;
}

// Moves a finished result into the destination, or into the source when there is none.
inline void Deliver(CPixImage& source, CPixImage* destination, CPixImage& scratch)
{
    (destination ? *destination : source).Transfer(scratch);
}

// Records the progress of a row loop; false when the caller asked the operation to stop.
inline bool Tick(CPixImageInfo& info, std::uint64_t row, std::uint64_t rows)
{
    info.progress = rows ? static_cast<LONG>(row * 100 / rows) : 0;
    return info.escape == 0;
}

} // namespace pix_scratch
