#include "platform/gdi/icon.h"

#include "platform/gdi/gdi.h"

namespace zv::gdi {

IconPixels IconPixels::Resized(int newWidth, int newHeight) const
{
    IconPixels out;
    out.width = newWidth;
    out.height = newHeight;
    const std::size_t count = static_cast<std::size_t>(newWidth) * static_cast<std::size_t>(newHeight);
    out.colour.resize(count);
    out.mask.resize(count);
    if (!alpha.empty())
        out.alpha.resize(count);
    for (int y = 0; y < newHeight; ++y)
        for (int x = 0; x < newWidth; ++x) {
            const std::size_t from = At(static_cast<int>(static_cast<long long>(x) * width / newWidth),
                                        static_cast<int>(static_cast<long long>(y) * height / newHeight));
            const std::size_t to = out.At(x, y);
            out.colour[to] = colour[from];
            out.mask[to] = mask[from];
            if (!alpha.empty())
                out.alpha[to] = alpha[from];
        }
    return out;
}

void Icon::Draw(Painter& painter, int x, int y, int cx, int cy, UINT flags) const
{
    const IconPixels& p = pixels_;
    const bool withMask = (flags & DI_MASK) != 0;
    const bool withImage = (flags & DI_IMAGE) != 0;
    painter.ForEachPixel(RectAt(x, y, cx, cy), [&](int px, int py) {
        const std::size_t i = p.At(static_cast<int>((static_cast<long long>(px) - x) * p.width / cx),
                                   static_cast<int>((static_cast<long long>(py) - y) * p.height / cy));
        if (withMask && withImage && !p.alpha.empty()) {
            painter.BlendPixelAt(px, py, p.colour[i], p.alpha[i]);
            return;
        }
        COLORREF result = painter.PixelAt(px, py);
        if (withMask && !p.mask[i])
            result = RGB(0, 0, 0);
        if (withImage)
            result = withMask ? (result ^ p.colour[i]) : p.colour[i];
        painter.SetPixelAt(px, py, result);
    });
}

} // namespace zv::gdi
