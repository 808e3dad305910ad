// Test pictures for the geometry, resampling and depth tests: every pixel different enough that a
// misplaced row, column or nibble shows.
#pragma once

#include "imagelib/PixImage.h"

#include <gtest/gtest.h>

namespace pix_test {

inline PixColor PatternColor(LONG x, LONG y)
{
    return MakePixColor(static_cast<BYTE>(x * 7 + y * 3), static_cast<BYTE>(x * y + 5), static_cast<BYTE>(250 - x - 2 * y));
}

inline BYTE PatternIndex(LONG x, LONG y, DWORD entries)
{
    return static_cast<BYTE>((x * 3 + y * 5 + x * y) % static_cast<LONG>(entries));
}

// A picture of the given size and depth; palette images get distinct palette entries.
inline void FillPattern(CPixImage& image, LONG width, LONG height, DWORD bpp, bool alpha = false)
{
    ASSERT_NE(image.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), bpp, 0), nullptr);
    const DWORD entries = image.GetHeader().biClrUsed;
    for (DWORD i = 0; i < entries; ++i)
        image.SetPaletteEntry(static_cast<BYTE>(i), static_cast<BYTE>(i * 37 + 11), static_cast<BYTE>(255 - i),
                              static_cast<BYTE>(i * 83 + 3));
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x) {
            if (entries)
                image.SetIndexAt(x, y, PatternIndex(x, y, entries));
            else
                image.SetColorAt(x, y, PatternColor(x, y), false);
        }
    }
    if (alpha) {
        ASSERT_TRUE(image.AllocAlpha());
        for (LONG y = 0; y < height; ++y)
            for (LONG x = 0; x < width; ++x)
                image.SetAlphaAt(x, y, static_cast<BYTE>(x * 11 + y * 17));
    }
}

// Fills a 24-bpp picture with one colour.
inline void FillSolid(CPixImage& image, LONG width, LONG height, PixColor color)
{
    ASSERT_NE(image.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), 24, 0), nullptr);
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            image.SetColorAt(x, y, color, false);
}

// Same size, depth, palette, pixels and alpha plane.
inline ::testing::AssertionResult SamePicture(const CPixImage& a, const CPixImage& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBpp() != b.GetBpp())
        return ::testing::AssertionFailure() << a.GetWidth() << "x" << a.GetHeight() << "x" << a.GetBpp() << " vs "
                                             << b.GetWidth() << "x" << b.GetHeight() << "x" << b.GetBpp();
    if (a.HasAlpha() != b.HasAlpha())
        return ::testing::AssertionFailure() << "alpha plane present in one only";
    for (DWORD i = 0; i < a.GetHeader().biClrUsed; ++i) {
        if (a.GetPaletteEntry(static_cast<BYTE>(i)) != b.GetPaletteEntry(static_cast<BYTE>(i)))
            return ::testing::AssertionFailure() << "palette entry " << i;
    }
    for (LONG y = 0; y < a.GetHeight(); ++y) {
        for (LONG x = 0; x < a.GetWidth(); ++x) {
            if (a.GetHeader().biClrUsed && a.GetIndexAt(x, y) != b.GetIndexAt(x, y))
                return ::testing::AssertionFailure() << "index at " << x << "," << y;
            if (a.GetColorAt(x, y) != b.GetColorAt(x, y))
                return ::testing::AssertionFailure() << "colour at " << x << "," << y;
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace pix_test
