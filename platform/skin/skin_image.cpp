#include "platform/skin/skin_image.h"

#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"
#include "platform/gdi/surface.h"

#include <algorithm>
#include <cstring>

namespace zv::skin {
namespace {

std::uint32_t ReadBigEndian32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Source over destination with a premultiplied source pixel.
inline void Blend(std::uint8_t* d, std::uint32_t s)
{
    const std::uint32_t alpha = s >> 24;
    if (alpha == 255) {
        d[0] = static_cast<std::uint8_t>(s);
        d[1] = static_cast<std::uint8_t>(s >> 8);
        d[2] = static_cast<std::uint8_t>(s >> 16);
        return;
    }
    if (alpha == 0)
        return;
    const std::uint32_t keep = 255 - alpha;
    for (int c = 0; c < 3; ++c) {
        const std::uint32_t sc = (s >> (8 * c)) & 0xFF;
        d[c] = static_cast<std::uint8_t>(sc + (d[c] * keep + 127) / 255);
    }
}

} // namespace

std::shared_ptr<SkinImage> SkinImage::DecodePng(const std::uint8_t* bytes, std::size_t size, int maxSide,
                                                std::string* error)
{
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // Signature, then the IHDR chunk: length, "IHDR", width, height.
    if (size < 24 || std::memcmp(bytes, kSignature, 8) != 0 || std::memcmp(bytes + 12, "IHDR", 4) != 0) {
        *error = "not a PNG picture";
        return nullptr;
    }
    const std::uint32_t width = ReadBigEndian32(bytes + 16);
    const std::uint32_t height = ReadBigEndian32(bytes + 20);
    if (width == 0 || height == 0 || width > static_cast<std::uint32_t>(maxSide) ||
        height > static_cast<std::uint32_t>(maxSide)) {
        *error = "picture of " + std::to_string(width) + " x " + std::to_string(height) + " pixels is out of bounds";
        return nullptr;
    }
    CPixImage picture;
    if (!picture.DecodeFromMemory(bytes, static_cast<LONG>(size), PIXIMAGE_PNG) || !picture.IsValid() ||
        picture.GetWidth() != static_cast<LONG>(width) || picture.GetHeight() != static_cast<LONG>(height)) {
        *error = "broken PNG picture";
        return nullptr;
    }
    if (picture.GetBpp() != 24 && !picture.IncreaseBpp(24)) {
        *error = "PNG picture of an unusable depth";
        return nullptr;
    }
    auto image = std::make_shared<SkinImage>();
    image->m_width = static_cast<int>(width);
    image->m_height = static_cast<int>(height);
    image->m_pixels.resize(static_cast<std::size_t>(width) * height);
    const BYTE* alphaPlane = picture.HasAlpha() ? picture.GetAlphaPlane() : nullptr;
    for (int y = 0; y < image->m_height; ++y) {
        // The picture's rows run bottom-up, as in a DIB; its alpha plane likewise.
        const DWORD row = static_cast<DWORD>(image->m_height - 1 - y);
        const BYTE* source = picture.GetRowPointer(row);
        const BYTE* alpha = alphaPlane ? alphaPlane + static_cast<std::size_t>(row) * width : nullptr;
        std::uint32_t* out = image->m_pixels.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < image->m_width; ++x) {
            const std::uint32_t a = alpha ? alpha[x] : 255;
            if (a != 255)
                image->m_opaque = false;
            const std::uint32_t b = (source[3 * x] * a + 127) / 255;
            const std::uint32_t g = (source[3 * x + 1] * a + 127) / 255;
            const std::uint32_t r = (source[3 * x + 2] * a + 127) / 255;
            out[x] = b | (g << 8) | (r << 16) | (a << 24);
        }
    }
    return image;
}

std::shared_ptr<SkinImage> SkinImage::Solid(int width, int height, std::uint32_t premultipliedBgra)
{
    auto image = std::make_shared<SkinImage>();
    image->m_width = width;
    image->m_height = height;
    image->m_opaque = (premultipliedBgra >> 24) == 255;
    image->m_pixels.assign(static_cast<std::size_t>(width) * height, premultipliedBgra);
    return image;
}

void SkinImage::DrawPart(const PixelTarget& target, const RECT& source, const RECT& dest, const RECT& clip) const
{
    const int sourceWidth = source.right - source.left;
    const int sourceHeight = source.bottom - source.top;
    const int destWidth = dest.right - dest.left;
    const int destHeight = dest.bottom - dest.top;
    if (sourceWidth <= 0 || sourceHeight <= 0 || destWidth <= 0 || destHeight <= 0)
        return;
    const RECT bounds{0, 0, target.width, target.height};
    const RECT visible = gdi::IntersectRects(gdi::IntersectRects(dest, clip), bounds);
    if (gdi::IsEmptyRect(visible))
        return;
    // Whole-pixel scaling: destination column i takes source column i * sourceWidth / destWidth.
    thread_local std::vector<int> columns;
    columns.resize(static_cast<std::size_t>(visible.right - visible.left));
    for (int x = visible.left; x < visible.right; ++x)
        columns[static_cast<std::size_t>(x - visible.left)] =
            source.left + static_cast<int>(static_cast<long long>(x - dest.left) * sourceWidth / destWidth);
    for (int y = visible.top; y < visible.bottom; ++y) {
        const int sy = source.top + static_cast<int>(static_cast<long long>(y - dest.top) * sourceHeight / destHeight);
        const std::uint32_t* row = m_pixels.data() + static_cast<std::size_t>(sy) * m_width;
        std::uint8_t* out = target.bits + static_cast<std::size_t>(y) * target.stride + 3 * visible.left;
        for (std::size_t i = 0; i < columns.size(); ++i, out += 3)
            Blend(out, row[columns[i]]);
    }
}

void SkinImage::Draw(const PixelTarget& target, const RECT& dest, const RECT& clip, int slice) const
{
    const int destWidth = dest.right - dest.left;
    const int destHeight = dest.bottom - dest.top;
    // Corners never take more than half of either the picture or the destination.
    const int s = std::min({slice, m_width / 2, m_height / 2, destWidth / 2, destHeight / 2});
    if (s <= 0) {
        DrawPart(target, RECT{0, 0, m_width, m_height}, dest, clip);
        return;
    }
    const LONG sx[4] = {0, s, m_width - s, m_width};
    const LONG sy[4] = {0, s, m_height - s, m_height};
    const LONG dx[4] = {dest.left, dest.left + s, dest.right - s, dest.right};
    const LONG dy[4] = {dest.top, dest.top + s, dest.bottom - s, dest.bottom};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col)
            DrawPart(target, RECT{sx[col], sy[row], sx[col + 1], sy[row + 1]},
                     RECT{dx[col], dy[row], dx[col + 1], dy[row + 1]}, clip);
    }
}

void FillTarget(const PixelTarget& target, const RECT& rect, const RECT& clip, COLORREF colour)
{
    const RECT visible = gdi::IntersectRects(gdi::IntersectRects(rect, clip), RECT{0, 0, target.width, target.height});
    if (gdi::IsEmptyRect(visible))
        return;
    // One row is made, the others copied from it.
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(visible.right - visible.left);
    std::uint8_t* first = target.bits + static_cast<std::size_t>(visible.top) * target.stride + 3 * visible.left;
    for (std::size_t i = 0; i < rowBytes; i += 3) {
        first[i] = GetBValue(colour);
        first[i + 1] = GetGValue(colour);
        first[i + 2] = GetRValue(colour);
    }
    for (int y = visible.top + 1; y < visible.bottom; ++y)
        std::memcpy(target.bits + static_cast<std::size_t>(y) * target.stride + 3 * visible.left, first, rowBytes);
}

} // namespace zv::skin
