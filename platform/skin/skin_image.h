// A skin picture: premultiplied blue, green, red, alpha pixels, top row first, and the one way
// pictures reach a form's back buffer (24-bit, top row first), scaled by whole pixels.
#pragma once

#include "platform/gdi/gdi_types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zv::skin {

// A 24-bit, top-row-first pixel buffer the form paints into.
struct PixelTarget {
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

class SkinImage {
public:
    // Decodes PNG bytes; null (and why in *error) for a broken picture or one with a side over
    // maxSide. The size is read from the header before anything is allocated.
    static std::shared_ptr<SkinImage> DecodePng(const std::uint8_t* bytes, std::size_t size, int maxSide,
                                                std::string* error);
    // A picture of one colour (tests and generated skins).
    static std::shared_ptr<SkinImage> Solid(int width, int height, std::uint32_t premultipliedBgra);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Opaque() const { return m_opaque; }
    std::uint32_t Pixel(int x, int y) const { return m_pixels[static_cast<std::size_t>(y) * m_width + x]; }

    // Draws the picture over dest, clipped to clip. slice > 0 keeps corners of that many pixels
    // as they are and stretches the edges and the middle (a nine-part picture).
    void Draw(const PixelTarget& target, const RECT& dest, const RECT& clip, int slice) const;

private:
    void DrawPart(const PixelTarget& target, const RECT& source, const RECT& dest, const RECT& clip) const;

    int m_width = 0;
    int m_height = 0;
    bool m_opaque = true;
    std::vector<std::uint32_t> m_pixels;
};

// Fills the rectangle (clipped) with one colour.
void FillTarget(const PixelTarget& target, const RECT& rect, const RECT& clip, COLORREF colour);

} // namespace zv::skin
