#include "platform/user/gtk/cursor_picture.h"

#include "platform/gdi/icon.h"

namespace zv::user::gtk {
namespace {

std::uint32_t Premultiplied(COLORREF colour, std::uint32_t alpha)
{
    auto channel = [&](BYTE value, int shift) { return (value * alpha + 127) / 255 << shift; };
    return alpha << 24 | channel(GetRValue(colour), 16) | channel(GetGValue(colour), 8) | channel(GetBValue(colour), 0);
}

} // namespace

std::optional<CursorPicture> PictureOfCursor(HCURSOR cursor)
{
    const std::shared_ptr<const gdi::Icon> icon = gdi::FindIcon(reinterpret_cast<HICON>(cursor));
    if (!icon)
        return std::nullopt;
    const gdi::IconPixels& pixels = icon->Pixels();
    CursorPicture picture;
    picture.width = pixels.width;
    picture.height = pixels.height;
    picture.hotspot = icon->Hotspot();
    picture.pixels.resize(pixels.colour.size());
    for (std::size_t i = 0; i < pixels.colour.size(); ++i) {
        const COLORREF colour = pixels.colour[i] & 0xFFFFFF;
        if (!pixels.alpha.empty())
            picture.pixels[i] = Premultiplied(colour, pixels.alpha[i]);
        else if (i >= pixels.mask.size() || !pixels.mask[i])
            picture.pixels[i] = Premultiplied(colour, 0xFF);
        else
            picture.pixels[i] = colour == 0 ? 0 : 0xFF000000; // clear, or inverting: black
    }
    return picture;
}

} // namespace zv::user::gtk
