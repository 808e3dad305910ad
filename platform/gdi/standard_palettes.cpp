#include "platform/gdi/standard_palettes.h"

namespace zv::gdi {
namespace {

RGBQUAD Entry(BYTE red, BYTE green, BYTE blue) { return RGBQUAD{blue, green, red, 0}; }

std::vector<RGBQUAD> VgaColours()
{
    return {Entry(0, 0, 0),       Entry(128, 0, 0),   Entry(0, 128, 0),   Entry(128, 128, 0),
            Entry(0, 0, 128),     Entry(128, 0, 128), Entry(0, 128, 128), Entry(192, 192, 192),
            Entry(128, 128, 128), Entry(255, 0, 0),   Entry(0, 255, 0),   Entry(255, 255, 0),
            Entry(0, 0, 255),     Entry(255, 0, 255), Entry(0, 255, 255), Entry(255, 255, 255)};
}

std::vector<RGBQUAD> EightBitColours()
{
    std::vector<RGBQUAD> palette = VgaColours();
    for (int red = 0; red < 6; ++red)
        for (int green = 0; green < 6; ++green)
            for (int blue = 0; blue < 6; ++blue)
                palette.push_back(Entry(static_cast<BYTE>(red * 51), static_cast<BYTE>(green * 51),
                                        static_cast<BYTE>(blue * 51)));
    for (int grey = 0; grey < 24; ++grey) {
        const auto level = static_cast<BYTE>(8 + grey * 10);
        palette.push_back(Entry(level, level, level));
    }
    return palette;
}

} // namespace

const std::vector<RGBQUAD>& StandardPalette(int bitsPerPixel)
{
    static const std::vector<RGBQUAD> mono{Entry(0, 0, 0), Entry(255, 255, 255)};
    static const std::vector<RGBQUAD> vga = VgaColours();
    static const std::vector<RGBQUAD> eightBit = EightBitColours();
    switch (bitsPerPixel) {
    case 1:
        return mono;
    case 4:
        return vga;
    default:
        return eightBit;
    }
}

BYTE NearestEntry(const std::vector<RGBQUAD>& palette, COLORREF colour)
{
    const int red = GetRValue(colour);
    const int green = GetGValue(colour);
    const int blue = GetBValue(colour);
    std::size_t best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < palette.size() && bestDistance != 0; ++i) {
        const int dr = palette[i].rgbRed - red;
        const int dg = palette[i].rgbGreen - green;
        const int db = palette[i].rgbBlue - blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return static_cast<BYTE>(best);
}

} // namespace zv::gdi
