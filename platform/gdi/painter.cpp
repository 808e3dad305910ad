#include "platform/gdi/painter.h"

namespace zv::gdi {

void Painter::Fill(const RECT& rect, COLORREF colour)
{
    for (const RECT& clip : visible_.Rects()) {
        const RECT part = IntersectRects(clip, rect);
        surface_.FillRect(RECT{part.left + origin_.x, part.top + origin_.y, part.right + origin_.x,
                               part.bottom + origin_.y},
                          colour);
    }
}

void Painter::Invert(const RECT& rect)
{
    ForEachPixel(rect, [this](int x, int y) { InvertPixel(x, y); });
}

void Painter::Plot(int x, int y, COLORREF colour)
{
    if (IsVisible(x, y))
        surface_.SetPixel(x + origin_.x, y + origin_.y, colour);
}

void Painter::InvertPixel(int x, int y)
{
    if (IsVisible(x, y))
        surface_.SetPixel(x + origin_.x, y + origin_.y, InvertedColour(surface_.GetPixel(x + origin_.x, y + origin_.y)));
}

} // namespace zv::gdi
