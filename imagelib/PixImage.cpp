#include "imagelib/PixImage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr DWORD kHeaderBytes = sizeof(BITMAPINFOHEADER);

DWORD RoundDepth(DWORD bpp)
{
    if (bpp <= 1)
        return 1;
    if (bpp <= 4)
        return 4;
    if (bpp <= 8)
        return 8;
    return 24;
}

DWORD PaletteEntriesFor(DWORD bpp)
{
    switch (bpp) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

// Held within LONG: a resolution read from a file may be far beyond any real one.
LONG PelsPerMeter(LONG dpi)
{
    const double value = std::floor(dpi * 39.37007874015748 + 0.5);
    return static_cast<LONG>(std::clamp(value, double{std::numeric_limits<LONG>::min()},
                                        double{std::numeric_limits<LONG>::max()}));
}

} // namespace

CPixImage::CPixImage(LONG type)
{
    InitDefaults(type);
}

CPixImage::CPixImage(DWORD width, DWORD height, DWORD bpp, LONG type)
{
    InitDefaults(type);
    Create(width, height, bpp, type);
}

CPixImage::CPixImage(const CPixImage& source, bool copyPixels, bool copySelection, bool copyAlpha)
{
    InitDefaults(source.m_info.type);
    Copy(source, copyPixels, copySelection, copyAlpha);
}

CPixImage::~CPixImage()
{
    Destroy();
}

void CPixImage::InitDefaults(LONG type)
{
    m_header = BITMAPINFOHEADER{};
    m_info = CPixImageInfo{};
    m_pDib = nullptr;
    m_pPixels = nullptr;
    m_pGhost = nullptr;
    m_pSelection = nullptr;
    m_pAlpha = nullptr;
    m_ppLayers = nullptr;
    m_info.type = type;
    m_info.jpegQuality = 75;
    m_info.alphaMax = 255;
    m_info.transparentIndex = -1;
    m_info.enabled = 1;
    m_info.dpiX = 96;
    m_info.dpiY = 96;
    m_header.biXPelsPerMeter = 3780;
    m_header.biYPelsPerMeter = 3780;
}

void CPixImage::Destroy()
{
    if (m_pGhost)
        return;
    if (m_ppLayers) {
        for (LONG i = 0; i < m_info.layerCount; ++i)
            delete m_ppLayers[i];
        delete[] m_ppLayers;
        m_ppLayers = nullptr;
    }
    m_info.layerCount = 0;
    std::free(m_pSelection);
    m_pSelection = nullptr;
    std::free(m_pAlpha);
    m_pAlpha = nullptr;
    std::free(m_pDib);
    m_pDib = nullptr;
    m_pPixels = nullptr;
}

void CPixImage::DetachGhost()
{
    if (!m_pGhost)
        return;
    m_pGhost = nullptr;
    m_pDib = nullptr;
    m_pPixels = nullptr;
    m_pSelection = nullptr;
    m_pAlpha = nullptr;
    m_ppLayers = nullptr;
    m_info.layerCount = 0;
}

BYTE* CPixImage::Create(DWORD width, DWORD height, DWORD bpp, LONG type)
{
    // A ghost lets go of what it borrowed; the new block is its own.
    DetachGhost();
    Destroy();
    InvalidateNearestCache();

    const DWORD depth = RoundDepth(bpp);
    const DWORD entries = PaletteEntriesFor(depth);
    constexpr std::uint64_t kMaxSide = static_cast<std::uint64_t>(std::numeric_limits<LONG>::max());
    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * depth + 31) / 32) * 4;
    const bool sideOk = width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
    // Below 2^31 a side, stride × height fits easily in 64 bits.
    const std::uint64_t imageBytes = stride * height;
    const std::uint64_t blockBytes = kHeaderBytes + 4ull * entries + imageBytes;
    if (!sideOk || imageBytes > PIXIMAGE_MAX_MEMORY) {
        SetLastErrorText("PIXIMAGE_MAX_MEMORY exceeded");
        return nullptr;
    }

    m_header.biSize = kHeaderBytes;
    m_header.biWidth = static_cast<LONG>(width);
    m_header.biHeight = static_cast<LONG>(height);
    m_header.biPlanes = 1;
    m_header.biBitCount = static_cast<WORD>(depth);
    m_header.biCompression = BI_RGB;
    m_header.biSizeImage = static_cast<DWORD>(imageBytes);
    m_header.biClrUsed = entries;
    m_header.biClrImportant = 0;
    m_info.stride = static_cast<DWORD>(stride);
    m_info.type = type;

    // Zero-filled, so no stale heap bytes ever reach a file.
    m_pDib = static_cast<BYTE*>(std::calloc(1, static_cast<std::size_t>(blockBytes)));
    if (!m_pDib) {
        SetLastErrorText("CPixImage::Create can't allocate memory");
        return nullptr;
    }
    ResetSelectionBox();
    std::memcpy(m_pDib, &m_header, kHeaderBytes);
    m_pPixels = m_pDib + kHeaderBytes + 4 * entries;
    return m_pDib;
}

bool CPixImage::CreateFromArray(const BYTE* source, DWORD width, DWORD height, DWORD bpp, DWORD rowLength, bool flip)
{
    if (!source || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32))
        return false;
    if (!Create(width, height, bpp, m_info.type))
        return false;
    if (bpp < 24)
        SetGrayRamp();
    if (bpp == 32 && !AllocAlpha()) {
        Destroy();
        SetLastErrorText("CPixImage::Create can't allocate memory");
        return false;
    }

    const std::size_t rowCopy = std::min<std::size_t>(m_info.stride, rowLength);
    const std::size_t pixelsPerRow = std::min<std::size_t>(width, rowLength / 4);
    const BYTE* src = source;
    for (DWORD i = 0; i < height; ++i, src += rowLength) {
        const DWORD row = flip ? height - 1 - i : i;
        BYTE* dst = m_pPixels + static_cast<std::size_t>(row) * m_info.stride;
        if (bpp == 32) {
            BYTE* alpha = m_pAlpha + static_cast<std::size_t>(row) * width;
            for (std::size_t x = 0; x < pixelsPerRow; ++x) {
                dst[3 * x] = src[4 * x];
                dst[3 * x + 1] = src[4 * x + 1];
                dst[3 * x + 2] = src[4 * x + 2];
                alpha[x] = src[4 * x + 3];
            }
        } else {
            std::memcpy(dst, src, rowCopy);
        }
    }
    return true;
}

void CPixImage::CopyInfo(const CPixImage& source)
{
    if (m_pDib || &source == this)
        return;
    m_info = source.m_info;
}

bool CPixImage::Copy(const CPixImage& source, bool copyPixels, bool copySelection, bool copyAlpha)
{
    if (&source == this) {
        // Copying onto itself keeps the pixels and drops the planes that were not asked for.
        if (!copySelection)
            FreeSelection();
        if (!copyAlpha)
            FreeAlpha();
        return IsValid();
    }
    m_info = source.m_info;
    if (!source.m_pDib) {
        DetachGhost();
        Destroy();
        return false;
    }
    if (!Create(static_cast<DWORD>(source.m_header.biWidth), static_cast<DWORD>(source.m_header.biHeight),
                source.m_header.biBitCount, source.m_info.type))
        return false;
    if (copyPixels) {
        std::memcpy(m_pDib, source.m_pDib, GetSize());
    } else {
        const DWORD entries = std::min({source.m_header.biClrUsed, m_header.biClrUsed, DWORD{256}});
        if (entries)
            std::memcpy(GetPalette(), source.GetPalette(), 4 * static_cast<std::size_t>(entries));
    }
    const std::size_t planeBytes = PlaneBytes();
    if (copySelection && source.m_pSelection) {
        m_pSelection = static_cast<BYTE*>(std::malloc(planeBytes));
        if (m_pSelection)
            std::memcpy(m_pSelection, source.m_pSelection, planeBytes);
        m_info.selectionBox = source.m_info.selectionBox;
    }
    if (copyAlpha && source.m_pAlpha) {
        m_pAlpha = static_cast<BYTE*>(std::malloc(planeBytes));
        if (m_pAlpha)
            std::memcpy(m_pAlpha, source.m_pAlpha, planeBytes);
    }
    return true;
}

void CPixImage::TakeStorageOf(const CPixImage& source)
{
    DetachGhost();
    Destroy();
    m_header = source.m_header;
    m_info = source.m_info;
    m_pDib = source.m_pDib;
    m_pPixels = source.m_pPixels;
    m_pSelection = source.m_pSelection;
    m_pAlpha = source.m_pAlpha;
    m_ppLayers = source.m_ppLayers;
}

void CPixImage::Transfer(CPixImage& source)
{
    if (&source == this)
        return;
    TakeStorageOf(source);
    m_pGhost = source.m_pGhost;

    source.m_header = BITMAPINFOHEADER{};
    source.m_info = CPixImageInfo{};
    source.m_pDib = nullptr;
    source.m_pPixels = nullptr;
    source.m_pGhost = nullptr;
    source.m_pSelection = nullptr;
    source.m_pAlpha = nullptr;
    source.m_ppLayers = nullptr;
}

void CPixImage::ShareFrom(CPixImage& source)
{
    if (&source == this)
        return;
    TakeStorageOf(source);
    // Borrowing from a ghost borrows from its owner.
    m_pGhost = source.m_pGhost ? source.m_pGhost : &source;
}

BYTE* CPixImage::GetRowPointer(DWORD row) const
{
    if (!m_pDib || row >= static_cast<DWORD>(m_header.biHeight))
        return nullptr;
    return m_pPixels + static_cast<std::size_t>(row) * m_info.stride;
}

DWORD CPixImage::GetSize() const
{
    return kHeaderBytes + 4 * m_header.biClrUsed + m_header.biSizeImage;
}

bool CPixImage::IsInside(LONG x, LONG y) const
{
    return x >= 0 && y >= 0 && x < m_header.biWidth && y < m_header.biHeight;
}

void CPixImage::Clear(BYTE value)
{
    if (m_pDib)
        std::memset(m_pPixels, value, m_header.biSizeImage);
}

void CPixImage::SetDpiX(LONG dpi)
{
    m_info.dpiX = dpi;
    m_header.biXPelsPerMeter = PelsPerMeter(dpi);
}

void CPixImage::SetDpiY(LONG dpi)
{
    m_info.dpiY = dpi;
    m_header.biYPelsPerMeter = PelsPerMeter(dpi);
}

void CPixImage::SetLastErrorText(const char* text)
{
    if (!text)
        text = "";
    std::strncpy(m_info.lastError, text, sizeof m_info.lastError - 1);
    m_info.lastError[sizeof m_info.lastError - 1] = '\0';
}

void CPixImage::SetTransparentColor(PixColor color)
{
    m_info.transparentColor.rgbBlue = PixBlue(color);
    m_info.transparentColor.rgbGreen = PixGreen(color);
    m_info.transparentColor.rgbRed = PixRed(color);
    m_info.transparentColor.rgbReserved = PixAlpha(color);
}

std::size_t CPixImage::PlaneBytes() const
{
    if (!m_pDib)
        return 0;
    return static_cast<std::size_t>(m_header.biWidth) * static_cast<std::size_t>(m_header.biHeight);
}
