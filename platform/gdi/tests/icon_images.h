// Icon and cursor images built in memory for the tests: DIB images as resources hold them, and
// whole .ico files around them.
#pragma once

#include <cstring>
#include <functional>
#include <vector>

#include "platform/gdi/gdi.h"

namespace zv::gdi::test {

struct IconSpec {
    int width = 4;
    int height = 4;
    int bitsPerPixel = 8;
    std::vector<RGBQUAD> palette;                     // below 24 bits
    std::function<BYTE(int x, int y)> index;          // below 24 bits
    std::function<COLORREF(int x, int y)> colour;     // 24 and 32 bits
    std::function<BYTE(int x, int y)> alpha;          // 32 bits; null: all 0
    std::function<bool(int x, int y)> transparent;    // the AND mask; null: none
    bool withMask = true;
};

inline void PutLE(std::vector<BYTE>& out, std::size_t at, DWORD value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + i] = static_cast<BYTE>(value >> (8 * i));
}

// A BITMAPINFOHEADER image of twice the height: palette, colour rows, mask rows, all bottom-up.
inline std::vector<BYTE> IconImage(const IconSpec& s)
{
    const int colourStride = (s.width * s.bitsPerPixel + 31) / 32 * 4;
    const int maskStride = (s.width + 31) / 32 * 4;
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), s.width, s.height * 2, 1,
                            static_cast<WORD>(s.bitsPerPixel), BI_RGB, 0, 0, 0,
                            static_cast<DWORD>(s.palette.size()), 0};
    std::vector<BYTE> out(sizeof header + s.palette.size() * 4);
    std::memcpy(out.data(), &header, sizeof header);
    if (!s.palette.empty())
        std::memcpy(out.data() + sizeof header, s.palette.data(), s.palette.size() * 4);
    const std::size_t colourStart = out.size();
    out.resize(colourStart + static_cast<std::size_t>(colourStride) * s.height);
    const std::size_t maskStart = out.size();
    if (s.withMask)
        out.resize(maskStart + static_cast<std::size_t>(maskStride) * s.height);
    for (int y = 0; y < s.height; ++y) {
        BYTE* row = &out[colourStart + static_cast<std::size_t>(s.height - 1 - y) * colourStride];
        BYTE* mask = s.withMask ? &out[maskStart + static_cast<std::size_t>(s.height - 1 - y) * maskStride] : nullptr;
        for (int x = 0; x < s.width; ++x) {
            switch (s.bitsPerPixel) {
            case 1:
                row[x / 8] |= static_cast<BYTE>((s.index(x, y) & 1) << (7 - x % 8));
                break;
            case 4:
                row[x / 2] |= static_cast<BYTE>(x % 2 ? s.index(x, y) & 0x0F : s.index(x, y) << 4);
                break;
            case 8:
                row[x] = s.index(x, y);
                break;
            default: {
                const int bytes = s.bitsPerPixel / 8;
                const COLORREF c = s.colour(x, y);
                row[x * bytes] = GetBValue(c);
                row[x * bytes + 1] = GetGValue(c);
                row[x * bytes + 2] = GetRValue(c);
                if (bytes == 4)
                    row[x * bytes + 3] = s.alpha ? s.alpha(x, y) : 0;
            }
            }
            if (mask != nullptr && s.transparent && s.transparent(x, y))
                mask[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
        }
    }
    return out;
}

struct FileImage {
    int width;
    int height;
    int bitsPerPixel;
    std::vector<BYTE> bytes;
    POINT hotspot{0, 0};
};

// A whole .ico (or .cur) file holding the images in order.
inline std::vector<BYTE> IconFile(const std::vector<FileImage>& images, bool cursor = false)
{
    std::vector<BYTE> out(6 + 16 * images.size());
    PutLE(out, 2, cursor ? 2 : 1, 2);
    PutLE(out, 4, static_cast<DWORD>(images.size()), 2);
    for (std::size_t i = 0; i < images.size(); ++i) {
        const FileImage& image = images[i];
        const std::size_t entry = 6 + 16 * i;
        out[entry] = static_cast<BYTE>(image.width);
        out[entry + 1] = static_cast<BYTE>(image.height);
        PutLE(out, entry + 4, cursor ? image.hotspot.x : 1, 2);
        PutLE(out, entry + 6, cursor ? image.hotspot.y : image.bitsPerPixel, 2);
        PutLE(out, entry + 8, static_cast<DWORD>(image.bytes.size()), 4);
        PutLE(out, entry + 12, static_cast<DWORD>(out.size()), 4);
        out.insert(out.end(), image.bytes.begin(), image.bytes.end());
    }
    return out;
}

} // namespace zv::gdi::test
