#include "capture/OutputFormats.h"

std::array<CPixImage, kFormatCount> g_FormatImages;
CPixImage g_PeerImage;

namespace {

bool EnsureImage(CPixImage& image, const FrameSize& size)
{
    if (PixelsOfSize(image, size) != nullptr) return true;
    return image.Create(static_cast<DWORD>(size.width), static_cast<DWORD>(size.height), 24, 0) != nullptr;
}

} // namespace

bool CreateFormatImages()
{
    bool created = true;
    for (int i = 0; i < kFormatCount; ++i) created = EnsureImage(g_FormatImages[i], g_FormatSizes[i]) && created;
    return EnsureImage(g_PeerImage, g_FormatSizes[kPeerFormat]) && created;
}

BYTE* PixelsOfSize(const CPixImage& image, const FrameSize& size)
{
    if (!image.IsValid() || image.GetBpp() != 24 || image.GetWidth() != size.width || image.GetHeight() != size.height)
        return nullptr;
    return image.GetRowPointer(0);
}
