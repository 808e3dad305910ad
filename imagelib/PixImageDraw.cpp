// The image's link to GDI: reading bitmaps into an image and painting an image into a device
// context, stretched, keyed on a transparent colour, or blended by alpha.
#include "imagelib/PixImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "imagelib/PixGdiContexts.h"
#include "platform/gdi/gdi.h"

namespace {

LONG ClampToLong(std::int64_t value)
{
    return static_cast<LONG>(std::clamp<std::int64_t>(value, std::numeric_limits<LONG>::min(),
                                                      std::numeric_limits<LONG>::max()));
}

COLORREF ToColorRef(PixColor color) { return RGB(PixRed(color), PixGreen(color), PixBlue(color)); }

BITMAPINFO SectionInfo(LONG width, LONG height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// A bottom-up 24-bit DIB section over a part of a target context, put back onto the target with
// SetDIBitsToDevice once its pixels are final. A failed allocation leaves it unready: nothing is
// drawn then.
class AreaSection {
public:
    AreaSection(HDC target, const RECT& area)
        : target_(target), area_(area), info_(SectionInfo(area.right - area.left, area.bottom - area.top)),
          stride_((static_cast<std::size_t>(area.right - area.left) * 3 + 3) & ~std::size_t{3}),
          canvas_(target, CreateDIBSection(target, &info_, DIB_RGB_COLORS, &bits_, nullptr, 0))
    {
    }

    bool IsReady() const { return canvas_.IsReady() && bits_ != nullptr; }
    // Copies what the target shows in the area into the section.
    void ReadTarget() const
    {
        BitBlt(canvas_.Dc(), 0, 0, Width(), Height(), target_, area_.left, area_.top, SRCCOPY);
    }
    // Pixel (i, j) of the area, j counted from its top: blue, green, red.
    BYTE* At(LONG i, LONG j) const
    {
        return static_cast<BYTE*>(bits_) + static_cast<std::size_t>(Height() - 1 - j) * stride_ +
               static_cast<std::size_t>(i) * 3;
    }
    void PutOnTarget() const
    {
        SetDIBitsToDevice(target_, area_.left, area_.top, static_cast<DWORD>(Width()), static_cast<DWORD>(Height()),
                          0, 0, 0, static_cast<UINT>(Height()), bits_, &info_, DIB_RGB_COLORS);
    }
    LONG Width() const { return area_.right - area_.left; }
    LONG Height() const { return area_.bottom - area_.top; }

private:
    HDC target_;
    RECT area_;
    BITMAPINFO info_;
    std::size_t stride_;
    void* bits_ = nullptr;
    MemoryCanvas canvas_;
};

// Which image pixel a target pixel of the destination rectangle shows. Image rows count from the
// bottom, target rows from the top.
class SourceMapping {
public:
    SourceMapping(LONG x, LONG y, LONG cx, LONG cy, LONG width, LONG height)
        : x_(x), y_(y), width_(width), height_(height), scaled_(cx != width || cy != height),
          scaleX_(static_cast<float>(width) / static_cast<float>(cx)),
          scaleY_(static_cast<float>(height) / static_cast<float>(cy))
    {
    }

    LONG Column(LONG targetX) const
    {
        if (!scaled_)
            return targetX - x_;
        // Float rounding must not step past the last column.
        return std::min(FloorToInt(static_cast<float>(targetX - x_) * scaleX_), width_ - 1);
    }
    LONG Row(LONG targetY) const
    {
        if (!scaled_)
            return height_ - 1 - (targetY - y_);
        // The pixel's lower edge, measured from the top of the rectangle.
        const LONG lowerEdge = targetY - y_ + 1;
        return std::max(0, height_ - CeilToInt(static_cast<float>(lowerEdge) * scaleY_));
    }

private:
    LONG x_;
    LONG y_;
    LONG width_;
    LONG height_;
    bool scaled_;
    float scaleX_;
    float scaleY_;
};

// A negative drawn width or height stands for the image's own; false when the drawn size is empty.
bool ResolveDrawnSize(LONG width, LONG height, LONG& cx, LONG& cy)
{
    if (cx < 0)
        cx = width;
    if (cy < 0)
        cy = height;
    return cx != 0 && cy != 0;
}

// The destination rectangle inside the clip box, kept inside the box on both sides so that its
// size is never negative.
RECT DrawnArea(LONG x, LONG y, LONG cx, LONG cy, const RECT& box)
{
    const auto span = [](std::int64_t from, std::int64_t to, LONG low, LONG high, LONG& first, LONG& last) {
        first = ClampToLong(std::min<std::int64_t>(std::max<std::int64_t>(from, low), high));
        last = ClampToLong(std::max<std::int64_t>(std::min<std::int64_t>(to, high), low));
        last = std::max(first, last);
    };
    RECT area{};
    span(x, std::int64_t{x} + cx, box.left, box.right, area.left, area.right);
    span(y, std::int64_t{y} + cy, box.top, box.bottom, area.top, area.bottom);
    return area;
}

} // namespace

int FloorToInt(float value)
{
    if (std::isnan(value))
        return 0;
    const double floored = std::floor(static_cast<double>(value));
    return static_cast<int>(std::clamp<double>(floored, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int CeilToInt(float value)
{
    if (std::isnan(value))
        return 0;
    const double ceiled = std::ceil(static_cast<double>(value));
    return static_cast<int>(std::clamp<double>(ceiled, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

bool CPixImage::CreateFromHBITMAP(HBITMAP bitmap, HPALETTE palette)
{
    // Every buffer goes as Destroy lets it go, so no plane outlives the pixels it belonged to.
    DetachGhost();
    Destroy();
    if (!bitmap)
        return false;
    BITMAP record{};
    if (GetObjectA(bitmap, sizeof record, &record) != static_cast<int>(sizeof record)) {
        SetLastErrorText("GetObject failed");
        return false;
    }
    if (!Create(static_cast<DWORD>(record.bmWidth), static_cast<DWORD>(record.bmHeight), record.bmBitsPixel, 0))
        return false;

    const ScreenContext screen;
    if (palette) {
        SelectObject(screen.Dc(), palette);
        RealizePalette(screen.Dc());
    }
    // GDI converts to the image's depth and, below 24 bits, writes the palette after the header.
    if (GetDIBits(screen.Dc(), bitmap, 0, static_cast<UINT>(m_header.biHeight), m_pPixels,
                  reinterpret_cast<BITMAPINFO*>(m_pDib), DIB_RGB_COLORS) == 0) {
        SetLastErrorText("GetDIBits failed");
        return false;
    }
    return true;
}

bool CPixImage::CreateFromDC(HDC dc)
{
    HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    if (!bitmap) {
        DetachGhost();
        Destroy();
        SetLastErrorText("GetCurrentObject failed");
        return false;
    }
    return CreateFromHBITMAP(static_cast<HBITMAP>(bitmap));
}

bool CPixImage::Draw2(HDC dc, LONG x, LONG y, LONG cx, LONG cy)
{
    if (!m_pDib || !dc || !m_info.enabled)
        return false;
    const LONG width = m_header.biWidth;
    const LONG height = m_header.biHeight;
    if (!ResolveDrawnSize(width, height, cx, cy))
        return false;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(m_pDib);

    if (m_info.transparentIndex < 0) {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, x, y, cx, cy, 0, 0, width, height, m_pPixels, info, DIB_RGB_COLORS, SRCCOPY);
        return true;
    }

    const RECT destination{x, y, ClampToLong(std::int64_t{x} + cx), ClampToLong(std::int64_t{y} + cy)};
    if (!RectVisible(dc, &destination))
        return true;
    const MemoryCanvas picture(dc, CreateCompatibleBitmap(dc, width, height));
    const MemoryCanvas mask(dc, CreateBitmap(width, height, 1, 1, nullptr));
    if (!picture.IsReady() || !mask.IsReady())
        return true;
    SetStretchBltMode(picture.Dc(), COLORONCOLOR);
    StretchDIBits(picture.Dc(), 0, 0, width, height, 0, 0, width, height, m_pPixels, info, DIB_RGB_COLORS, SRCCOPY);
    // Copying colour to monochrome gives white where the source has its background colour.
    SetBkColor(picture.Dc(), ToColorRef(GetTransparentColor()));
    BitBlt(mask.Dc(), 0, 0, width, height, picture.Dc(), 0, 0, SRCCOPY);

    // The mask reaches the target through the target's colours: its white must keep the target
    // and its black clear it, whatever colours the target had set.
    const COLORREF oldBackground = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    StretchBlt(dc, x, y, cx, cy, picture.Dc(), 0, 0, width, height, SRCINVERT);
    StretchBlt(dc, x, y, cx, cy, mask.Dc(), 0, 0, width, height, SRCAND);
    StretchBlt(dc, x, y, cx, cy, picture.Dc(), 0, 0, width, height, SRCINVERT);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBackground);
    return true;
}

bool CPixImage::Draw(HDC dc, LONG x, LONG y, LONG cx, LONG cy, const RECT* clip)
{
    if (!m_pDib || !dc || !m_info.enabled)
        return false;
    const LONG width = m_header.biWidth;
    const LONG height = m_header.biHeight;
    if (!ResolveDrawnSize(width, height, cx, cy))
        return false;

    RECT savedBox{};
    if (clip) {
        GetClipBox(dc, &savedBox);
        if (HRGN region = CreateRectRgnIndirect(clip)) {
            ExtSelectClipRgn(dc, region, RGN_AND);
            DeleteObject(region);
        }
    }
    RECT box{};
    GetClipBox(dc, &box);
    const RECT area = DrawnArea(x, y, cx, cy, box);
    const SourceMapping source(x, y, cx, cy, width, height);
    const bool palette = m_header.biBitCount <= 8;
    const RGBQUAD* entries = GetPalette();
    const auto colorAt = [&](LONG column, LONG row) {
        if (palette)
            return entries[GetIndexAt(column, row)];
        const BYTE* pixel = m_pPixels + static_cast<std::size_t>(row) * m_info.stride + static_cast<std::size_t>(column) * 3;
        return RGBQUAD{pixel[0], pixel[1], pixel[2], 0};
    };

    if (m_info.transparentIndex >= 0 || m_pAlpha || m_info.paletteHasAlpha) {
        const AreaSection section(dc, area);
        if (section.IsReady()) {
            section.ReadTarget();
            const PixColor transparent = GetTransparentColor();
            const bool keyed = m_info.transparentIndex >= 0;
            for (LONG j = 0; j < section.Height(); ++j) {
                const LONG row = source.Row(area.top + j);
                for (LONG i = 0; i < section.Width(); ++i) {
                    const LONG column = source.Column(area.left + i);
                    unsigned alpha = m_pAlpha ? m_pAlpha[static_cast<std::size_t>(row) * width + column] : 255;
                    alpha = alpha * (m_info.alphaMax + 1u) >> 8;
                    const RGBQUAD color = colorAt(column, row);
                    if (palette && m_info.paletteHasAlpha)
                        alpha = alpha * (color.rgbReserved + 1u) >> 8;
                    const PixColor value = MakePixColor(color.rgbRed, color.rgbGreen, color.rgbBlue, color.rgbReserved);
                    if ((keyed && value == transparent) || alpha == 0)
                        continue;
                    BYTE* target = section.At(i, j);
                    const BYTE over[3] = {color.rgbBlue, color.rgbGreen, color.rgbRed};
                    for (int c = 0; c < 3; ++c)
                        target[c] = alpha == 255 ? over[c]
                                                 : static_cast<BYTE>((over[c] * alpha + target[c] * (255 - alpha)) >> 8);
                }
            }
            section.PutOnTarget();
        }
    } else if (cx == width && cy == height) {
        SetStretchBltMode(dc, COLORONCOLOR);
        SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                          static_cast<UINT>(height), m_pPixels, reinterpret_cast<const BITMAPINFO*>(m_pDib),
                          DIB_RGB_COLORS);
    } else {
        const AreaSection section(dc, area);
        if (section.IsReady()) {
            for (LONG j = 0; j < section.Height(); ++j) {
                const LONG row = source.Row(area.top + j);
                for (LONG i = 0; i < section.Width(); ++i) {
                    const RGBQUAD color = colorAt(source.Column(area.left + i), row);
                    BYTE* target = section.At(i, j);
                    target[0] = color.rgbBlue;
                    target[1] = color.rgbGreen;
                    target[2] = color.rgbRed;
                }
            }
            section.PutOnTarget();
        }
    }

    if (clip) {
        if (HRGN region = CreateRectRgnIndirect(&savedBox)) {
            ExtSelectClipRgn(dc, region, RGN_OR);
            DeleteObject(region);
        }
    }
    return true;
}
