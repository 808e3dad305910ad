#include "capture/SharedVideoBuffer.h"

#include <cstring>

namespace {

constexpr int kResampleBicubic = 2;

bool IsSlot(int slot) { return slot >= 0 && slot < kVideoSlotCount; }

DWORD ReadLittleEndian32(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
        (static_cast<DWORD>(p[3]) << 24);
}

} // namespace

CSharedVideoBuffer::CSharedVideoBuffer() : m_block("ZelvanteVideoBufferMutex", "ZelvanteVideoBuffer", kVideoBufferBytes)
{
}

void CSharedVideoBuffer::PublishStill(HBITMAP bitmap)
{
    if (!bitmap)
        return;
    CPixImage image;
    if (!image.CreateFromHBITMAP(bitmap))
        return;
    for (int slot = 0; slot < kVideoSlotCount; ++slot) {
        if (ReadRequestMask(slot))
            ScaleIntoSlot(slot, image);
    }
}

bool CSharedVideoBuffer::ReadRequestMask(int slot)
{
    if (++m_maskTests == kMaskReadInterval) {
        m_maskTests = 0;
        if (const BYTE* view = View())
            m_cachedMask = ReadLittleEndian32(view);
    }
    return IsSlot(slot) && ((m_cachedMask >> slot) & 1) != 0;
}

void CSharedVideoBuffer::ScaleIntoSlot(int slot, CPixImage& image)
{
    if (!IsSlot(slot) || !image.IsValid())
        return;
    const FrameSize& size = g_FormatSizes[static_cast<std::size_t>(slot)];
    // A slot is read as 24-bit pixels of its own size: anything else would read past the picture.
    CPixImage* source = &image;
    CPixImage trueColour;
    if (image.GetBpp() != 24) {
        if (!trueColour.Copy(image, true, false, false) || !trueColour.IncreaseBpp(24))
            return;
        source = &trueColour;
    }
    if (const BYTE* pixels = PixelsOfSize(*source, size)) {
        WriteSlot(slot, pixels);
        return;
    }
    CPixImage scaled;
    if (source->Resample(size.width, size.height, kResampleBicubic, &scaled))
        WriteSlot(slot, PixelsOfSize(scaled, size));
}

void CSharedVideoBuffer::WriteSlot(int slot, const BYTE* bits)
{
    BYTE* view = View();
    if (!bits || !view || !IsSlot(slot))
        return;
    const auto index = static_cast<std::size_t>(slot);
    std::memcpy(view + kVideoSlotOffsets[index], bits, g_nFormatBytes[index]);
}
