// Palette, pixel, alpha and selection operations of CPixImage.
#include "imagelib/PixImage.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace {

RGBQUAD ToQuad(PixColor c)
{
    return RGBQUAD{PixBlue(c), PixGreen(c), PixRed(c), PixAlpha(c)};
}

PixColor FromQuad(const RGBQUAD& q)
{
    return MakePixColor(q.rgbRed, q.rgbGreen, q.rgbBlue, q.rgbReserved);
}

// Entries as (blue, green, red).
constexpr std::array<std::array<BYTE, 3>, 16> kStdPalette16 = {{
    {0, 0, 0}, {0, 0, 128}, {0, 128, 0}, {0, 128, 128},
    {128, 0, 0}, {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
    {128, 128, 128}, {0, 0, 255}, {0, 255, 0}, {0, 255, 255},
    {255, 0, 0}, {255, 0, 255}, {255, 255, 0}, {255, 255, 255},
}};

// The 256-entry standard palette: ten system colours, 18 hue groups of 6 tints and 6 shades,
// 20 greys, ten system colours.
std::array<RGBQUAD, 256> BuildStdPalette256()
{
    using Sequence = std::array<BYTE, 12>;
    static constexpr Sequence Z = {212, 177, 142, 107, 72, 37, 0, 0, 0, 0, 0, 0};
    static constexpr Sequence F = {255, 255, 255, 255, 255, 255, 255, 220, 185, 150, 115, 80};
    static constexpr Sequence H = {240, 226, 212, 198, 184, 170, 170, 146, 122, 98, 74, 50};
    static constexpr Sequence L = {227, 199, 171, 143, 115, 87, 85, 73, 61, 49, 37, 25};
    struct Group { const Sequence* blue; const Sequence* green; const Sequence* red; };
    static constexpr Group groups[18] = {
        {&Z, &H, &F}, {&Z, &L, &F}, {&Z, &Z, &F}, {&L, &Z, &F}, {&H, &Z, &F}, {&F, &Z, &F},
        {&F, &Z, &H}, {&F, &Z, &L}, {&F, &Z, &Z}, {&F, &L, &Z}, {&F, &H, &Z}, {&F, &F, &Z},
        {&H, &F, &Z}, {&L, &F, &Z}, {&Z, &F, &Z}, {&Z, &F, &L}, {&Z, &F, &H}, {&Z, &F, &F},
    };
    static constexpr BYTE head[10][3] = {
        {0, 0, 0}, {0, 0, 128}, {0, 128, 0}, {0, 128, 128}, {128, 0, 0},
        {128, 0, 128}, {128, 128, 0}, {192, 192, 192}, {192, 220, 192}, {240, 202, 166},
    };
    static constexpr BYTE tail[10][3] = {
        {240, 251, 255}, {164, 160, 160}, {128, 128, 128}, {0, 0, 255}, {0, 255, 0},
        {0, 255, 255}, {255, 0, 0}, {255, 0, 255}, {255, 255, 0}, {255, 255, 255},
    };

    std::array<RGBQUAD, 256> pal{};
    auto set = [&](int i, BYTE b, BYTE g, BYTE r) { pal[i] = RGBQUAD{b, g, r, 0}; };
    for (int i = 0; i < 10; ++i)
        set(i, head[i][0], head[i][1], head[i][2]);
    for (int k = 0; k < 18; ++k) {
        const Group& g = groups[k];
        // Groups of only full and zero channels would repeat a system colour at their seventh entry.
        const bool pure = k % 3 == 2;
        for (int j = 0; j < 12; ++j) {
            auto value = [&](const Sequence* s) -> BYTE {
                const BYTE v = (*s)[j];
                return pure && j == 6 && v == 255 ? 254 : v;
            };
            set(10 + 12 * k + j, value(g.blue), value(g.green), value(g.red));
        }
    }
    for (int i = 0; i < 20; ++i) {
        const BYTE grey = static_cast<BYTE>(242 - 12 * i);
        set(226 + i, grey, grey, grey);
    }
    for (int i = 0; i < 10; ++i)
        set(246 + i, tail[i][0], tail[i][1], tail[i][2]);
    return pal;
}

} // namespace

int CompareLuminance(const BYTE* p, const BYTE* q)
{
    auto lum = [](const BYTE* c) { return (117 * c[0] + 601 * c[1] + 306 * c[2]) >> 10; };
    return lum(p) - lum(q);
}

// ---- Palette ----

RGBQUAD* CPixImage::GetPalette() const
{
    if (!m_pDib || m_header.biClrUsed == 0)
        return nullptr;
    return reinterpret_cast<RGBQUAD*>(m_pDib + sizeof(BITMAPINFOHEADER));
}

PixColor CPixImage::GetPaletteEntry(BYTE index) const
{
    RGBQUAD* pal = GetPalette();
    if (!pal || index >= m_header.biClrUsed)
        return 0;
    return FromQuad(pal[index]);
}

bool CPixImage::GetPaletteRGB(BYTE index, BYTE* red, BYTE* green, BYTE* blue) const
{
    RGBQUAD* pal = GetPalette();
    if (!pal || index >= m_header.biClrUsed)
        return false;
    if (red)
        *red = pal[index].rgbRed;
    if (green)
        *green = pal[index].rgbGreen;
    if (blue)
        *blue = pal[index].rgbBlue;
    return true;
}

void CPixImage::SetPaletteEntry(BYTE index, BYTE red, BYTE green, BYTE blue, BYTE alpha)
{
    SetPaletteEntry(index, MakePixColor(red, green, blue, alpha));
}

void CPixImage::SetPaletteEntry(BYTE index, PixColor color)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || index >= m_header.biClrUsed)
        return;
    pal[index] = ToQuad(color);
    InvalidateNearestCache();
}

void CPixImage::SetPaletteEntries(const PixColor* entries, DWORD count)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || !entries)
        return;
    const DWORD n = std::min(count, m_header.biClrUsed);
    for (DWORD i = 0; i < n; ++i)
        pal[i] = ToQuad(entries[i]);
    InvalidateNearestCache();
}

void CPixImage::SetPaletteChannels(DWORD count, const BYTE* red, const BYTE* green, const BYTE* blue)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || !red)
        return;
    if (!green)
        green = red;
    if (!blue)
        blue = green;
    const DWORD n = std::min(count, m_header.biClrUsed);
    for (DWORD i = 0; i < n; ++i) {
        pal[i].rgbBlue = blue[i];
        pal[i].rgbGreen = green[i];
        pal[i].rgbRed = red[i];
    }
    InvalidateNearestCache();
}

void CPixImage::SetPaletteTriples(const BYTE* triples, DWORD count)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || !triples)
        return;
    const DWORD n = std::min(count, m_header.biClrUsed);
    for (DWORD i = 0; i < n; ++i) {
        pal[i].rgbRed = triples[3 * i];
        pal[i].rgbGreen = triples[3 * i + 1];
        pal[i].rgbBlue = triples[3 * i + 2];
    }
    InvalidateNearestCache();
}

void CPixImage::SetGrayRamp()
{
    RGBQUAD* pal = GetPalette();
    if (!pal || m_header.biClrUsed < 2)
        return;
    const DWORD step = 255 / (m_header.biClrUsed - 1);
    for (DWORD i = 0; i < m_header.biClrUsed; ++i) {
        const BYTE v = static_cast<BYTE>(i * step);
        pal[i].rgbBlue = v;
        pal[i].rgbGreen = v;
        pal[i].rgbRed = v;
    }
    InvalidateNearestCache();
}

bool CPixImage::IsGrayPalette() const
{
    RGBQUAD* pal = GetPalette();
    if (!pal)
        return false;
    for (DWORD i = 0; i < m_header.biClrUsed; ++i) {
        if (pal[i].rgbBlue != i || pal[i].rgbGreen != i || pal[i].rgbRed != i)
            return false;
    }
    return true;
}

void CPixImage::SetStdPalette()
{
    RGBQUAD* pal = GetPalette();
    if (!pal)
        return;
    if (m_header.biBitCount == 4) {
        for (std::size_t i = 0; i < kStdPalette16.size(); ++i)
            pal[i] = RGBQUAD{kStdPalette16[i][0], kStdPalette16[i][1], kStdPalette16[i][2], 0};
    } else if (m_header.biBitCount == 8) {
        static const std::array<RGBQUAD, 256> std256 = BuildStdPalette256();
        std::memcpy(pal, std256.data(), sizeof std256);
    } else {
        return;
    }
    InvalidateNearestCache();
}

void CPixImage::SetClrImportant(DWORD count)
{
    if (count == 0 || count > 256) {
        m_header.biClrImportant = 0;
        return;
    }
    switch (m_header.biBitCount) {
    case 1: m_header.biClrImportant = std::min<DWORD>(count, 2); break;
    case 4: m_header.biClrImportant = std::min<DWORD>(count, 16); break;
    case 8: m_header.biClrImportant = count; break;
    default: break;
    }
    InvalidateNearestCache();
}

void CPixImage::SwapIndex(BYTE a, BYTE b)
{
    RGBQUAD* pal = GetPalette();
    if (!pal || a >= m_header.biClrUsed || b >= m_header.biClrUsed || a == b)
        return;
    std::swap(pal[a], pal[b]);
    InvalidateNearestCache();
    for (LONG y = 0; y < m_header.biHeight; ++y) {
        for (LONG x = 0; x < m_header.biWidth; ++x) {
            const BYTE index = GetIndexAt(x, y);
            if (index == a)
                SetIndexAt(x, y, b);
            else if (index == b)
                SetIndexAt(x, y, a);
        }
    }
}

PixColor CPixImage::GetTransparentColor() const
{
    if (m_header.biBitCount < 24 && m_info.transparentIndex >= 0)
        return GetPaletteEntry(static_cast<BYTE>(m_info.transparentIndex));
    return FromQuad(m_info.transparentColor);
}

// ---- Pixels ----

BYTE CPixImage::GetIndexAt(LONG x, LONG y) const
{
    if (!m_pDib || m_header.biClrUsed == 0)
        return 0;
    if (!IsInside(x, y)) {
        if (m_info.transparentIndex >= 0)
            return static_cast<BYTE>(m_info.transparentIndex);
        x = 0;
        y = 0;
    }
    const BYTE* row = m_pPixels + static_cast<std::size_t>(y) * m_info.stride;
    switch (m_header.biBitCount) {
    case 8:
        return row[x];
    case 4: {
        const BYTE byte = row[x >> 1];
        return (x & 1) ? (byte & 0x0F) : (byte >> 4);
    }
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    default:
        return 0;
    }
}

void CPixImage::SetIndexAt(LONG x, LONG y, BYTE index)
{
    if (!m_pDib || m_header.biClrUsed == 0 || !IsInside(x, y))
        return;
    BYTE* row = m_pPixels + static_cast<std::size_t>(y) * m_info.stride;
    switch (m_header.biBitCount) {
    case 8:
        row[x] = index;
        break;
    case 4: {
        BYTE& byte = row[x >> 1];
        if (x & 1)
            byte = static_cast<BYTE>((byte & 0xF0) | (index & 0x0F));
        else
            byte = static_cast<BYTE>((byte & 0x0F) | ((index & 0x0F) << 4));
        break;
    }
    case 1: {
        BYTE& byte = row[x >> 3];
        const BYTE mask = static_cast<BYTE>(0x80 >> (x & 7));
        byte = (index & 1) ? (byte | mask) : (byte & ~mask);
        break;
    }
    default:
        break;
    }
}

PixColor CPixImage::GetColorAt(LONG x, LONG y) const
{
    if (!m_pDib)
        return FromQuad(m_info.transparentColor);
    if (!IsInside(x, y)) {
        if (m_info.transparentIndex >= 0) {
            if (m_header.biBitCount < 24)
                return GetPaletteEntry(static_cast<BYTE>(m_info.transparentIndex));
            return FromQuad(m_info.transparentColor);
        }
        x = 0;
        y = 0;
    }
    PixColor color;
    if (m_header.biClrUsed) {
        color = GetPaletteEntry(GetIndexAt(x, y));
    } else {
        const BYTE* p = m_pPixels + static_cast<std::size_t>(y) * m_info.stride + 3 * static_cast<std::size_t>(x);
        color = MakePixColor(p[2], p[1], p[0], m_info.transparentColor.rgbReserved);
    }
    if (m_pAlpha)
        color = (color & 0x00FFFFFFu) | (static_cast<PixColor>(GetAlphaAt(x, y)) << 24);
    return color;
}

void CPixImage::SetColorAt(LONG x, LONG y, PixColor color, bool setAlpha)
{
    if (!m_pDib || !IsInside(x, y))
        return;
    if (m_header.biClrUsed) {
        SetIndexAt(x, y, FindNearestIndex(color));
        return;
    }
    BYTE* p = m_pPixels + static_cast<std::size_t>(y) * m_info.stride + 3 * static_cast<std::size_t>(x);
    p[0] = PixBlue(color);
    p[1] = PixGreen(color);
    p[2] = PixRed(color);
    if (setAlpha)
        SetAlphaAt(x, y, PixAlpha(color));
}

void CPixImage::SetColorRefAt(LONG x, LONG y, COLORREF color)
{
    SetColorAt(x, y, MakePixColor(GetRValue(color), GetGValue(color), GetBValue(color)), false);
}

BYTE CPixImage::FindNearestIndex(PixColor color)
{
    RGBQUAD* pal = GetPalette();
    if (!pal)
        return 0;
    if (m_info.nearestCacheValid && m_info.nearestCacheColor == color)
        return m_info.nearestCacheIndex;
    m_info.nearestCacheColor = color;
    m_info.nearestCacheValid = 1;

    const DWORD n = m_header.biClrImportant ? std::min(m_header.biClrImportant, m_header.biClrUsed) : m_header.biClrUsed;
    long best = 200000;
    BYTE bestIndex = 0;
    for (DWORD i = 0; i < n; ++i) {
        const long db = static_cast<long>(pal[i].rgbBlue) - PixBlue(color);
        const long dg = static_cast<long>(pal[i].rgbGreen) - PixGreen(color);
        const long dr = static_cast<long>(pal[i].rgbRed) - PixRed(color);
        const long distance = dg * dg + db * db + dr * dr;
        if (distance < best) {
            best = distance;
            bestIndex = static_cast<BYTE>(i);
            if (distance == 0)
                break;
        }
    }
    m_info.nearestCacheIndex = bestIndex;
    return bestIndex;
}

void CPixImage::SwapRedBlue(BYTE* buffer, DWORD length) const
{
    if (!buffer || m_header.biClrUsed)
        return;
    // Whole pixels only: a partial group at the end is left alone.
    const DWORD limit = std::min(length, m_info.stride);
    for (DWORD i = 0; i + 3 <= limit; i += 3)
        std::swap(buffer[i], buffer[i + 2]);
}

int CPixImage::GetPixelKind() const
{
    if (m_pAlpha)
        return 4;
    return m_header.biBitCount <= 8 ? 1 : 2;
}

// ---- Alpha plane ----

bool CPixImage::AllocAlpha()
{
    FreeAlpha();
    const std::size_t bytes = PlaneBytes();
    if (bytes == 0)
        return false;
    m_pAlpha = static_cast<BYTE*>(std::calloc(1, bytes));
    return m_pAlpha != nullptr;
}

void CPixImage::FreeAlpha()
{
    if (!m_pGhost)
        std::free(m_pAlpha);
    m_pAlpha = nullptr;
}

void CPixImage::FillAlpha(BYTE value)
{
    if (m_pAlpha)
        std::memset(m_pAlpha, value, PlaneBytes());
}

void CPixImage::SetAlphaAt(LONG x, LONG y, BYTE value)
{
    if (m_pAlpha && IsInside(x, y))
        m_pAlpha[static_cast<std::size_t>(y) * m_header.biWidth + x] = value;
}

BYTE CPixImage::GetAlphaAt(LONG x, LONG y) const
{
    if (m_pAlpha && IsInside(x, y))
        return m_pAlpha[static_cast<std::size_t>(y) * m_header.biWidth + x];
    return 0;
}

bool CPixImage::CopyAlpha(const CPixImage& source)
{
    if (!source.m_pAlpha || !m_pDib || source.m_header.biWidth != m_header.biWidth ||
        source.m_header.biHeight != m_header.biHeight)
        return false;
    if (&source == this)
        return true;
    if (!m_pAlpha) {
        m_pAlpha = static_cast<BYTE*>(std::malloc(PlaneBytes()));
        if (!m_pAlpha)
            return false;
    }
    std::memcpy(m_pAlpha, source.m_pAlpha, PlaneBytes());
    m_info.alphaMax = source.m_info.alphaMax;
    return true;
}

bool CPixImage::HasPaletteAlpha() const
{
    RGBQUAD* pal = GetPalette();
    if (!pal)
        return false;
    for (DWORD i = 0; i < m_header.biClrUsed; ++i) {
        if (pal[i].rgbReserved)
            return true;
    }
    return false;
}

bool CPixImage::FlipAlpha()
{
    if (!m_pAlpha)
        return false;
    const std::size_t width = static_cast<std::size_t>(m_header.biWidth);
    const std::size_t height = static_cast<std::size_t>(m_header.biHeight);
    BYTE* flipped = static_cast<BYTE*>(std::malloc(PlaneBytes()));
    if (!flipped)
        return false;
    for (std::size_t y = 0; y < height; ++y)
        std::memcpy(flipped + (height - 1 - y) * width, m_pAlpha + y * width, width);
    FreeAlpha();
    m_pAlpha = flipped;
    return true;
}

bool CPixImage::MirrorAlpha()
{
    if (!m_pAlpha)
        return false;
    const std::size_t width = static_cast<std::size_t>(m_header.biWidth);
    const std::size_t height = static_cast<std::size_t>(m_header.biHeight);
    BYTE* mirrored = static_cast<BYTE*>(std::malloc(PlaneBytes()));
    if (!mirrored)
        return false;
    for (std::size_t y = 0; y < height; ++y)
        std::reverse_copy(m_pAlpha + y * width, m_pAlpha + (y + 1) * width, mirrored + y * width);
    FreeAlpha();
    m_pAlpha = mirrored;
    return true;
}

// ---- Selection ----

void CPixImage::ResetSelectionBox()
{
    m_info.selectionBox = RECT{m_header.biWidth, 0, 0, m_header.biHeight};
}

void CPixImage::FreeSelection()
{
    if (!m_pGhost)
        std::free(m_pSelection);
    m_pSelection = nullptr;
    ResetSelectionBox();
}

bool CPixImage::CopySelection(const CPixImage& source)
{
    if (!source.m_pSelection || !m_pDib || source.m_header.biWidth != m_header.biWidth ||
        source.m_header.biHeight != m_header.biHeight)
        return false;
    if (&source == this)
        return true;
    if (!m_pSelection) {
        m_pSelection = static_cast<BYTE*>(std::malloc(PlaneBytes()));
        if (!m_pSelection)
            return false;
    }
    std::memcpy(m_pSelection, source.m_pSelection, PlaneBytes());
    m_info.selectionBox = source.m_info.selectionBox;
    return true;
}
