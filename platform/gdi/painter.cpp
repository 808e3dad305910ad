#include "platform/gdi/painter.h"

namespace zv::gdi {

void Painter::Fill(const RECT& rect, COLORREF colour)
{
    for (const RECT& clip : visible_.Rects())
        surface_.FillRect(IntersectRects(clip, rect), colour);
}

void Painter::Invert(const RECT& rect)
{
    ForEachPixel(rect, [this](int x, int y) { surface_.SetPixel(x, y, InvertedColour(surface_.GetPixel(x, y))); });
}

void Painter::Plot(int x, int y, COLORREF colour)
{
    if (IsVisible(x, y))
        surface_.SetPixel(x, y, colour);
}

void Painter::InvertPixel(int x, int y)
{
    if (IsVisible(x, y))
        surface_.SetPixel(x, y, InvertedColour(surface_.GetPixel(x, y)));
}

} // namespace zv::gdi
