// IncreaseBpp and DecreaseBpp.
#include "imagelib/PixImage.h"
#include "imagelib/tests/pix_test_patterns.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using pix_test::FillPattern;
using pix_test::SamePicture;

TEST(IncreaseBppTest, KeepsIndicesPaletteAndPlanes)
{
    struct Case { DWORD from, to; };
    for (const Case c : {Case{1, 4}, Case{1, 8}, Case{4, 8}}) {
        CPixImage img;
        FillPattern(img, 11, 6, c.from, true);
        CPixImage before(img, true, true, true);
        ASSERT_TRUE(img.IncreaseBpp(c.to));
        ASSERT_EQ(img.GetBpp(), c.to);
        ASSERT_TRUE(img.HasAlpha());
        for (DWORD i = 0; i < before.GetHeader().biClrUsed; ++i)
            EXPECT_EQ(img.GetPaletteEntry(static_cast<BYTE>(i)), before.GetPaletteEntry(static_cast<BYTE>(i)));
        for (LONG y = 0; y < 6; ++y) {
            for (LONG x = 0; x < 11; ++x) {
                ASSERT_EQ(img.GetIndexAt(x, y), before.GetIndexAt(x, y)) << c.from << "->" << c.to;
                ASSERT_EQ(img.GetAlphaAt(x, y), before.GetAlphaAt(x, y));
            }
        }
    }
}

TEST(IncreaseBppTest, DepthRules)
{
    struct Case { DWORD from, to; bool ok; DWORD result; };
    const Case cases[] = {
        {8, 4, false, 8}, {8, 8, true, 8}, {4, 4, true, 4}, {24, 8, false, 24}, {24, 24, true, 24},
        {8, 16, false, 8}, {4, 1, false, 4}, {1, 2, false, 1}, {8, 24, true, 24},
    };
    for (const Case& c : cases) {
        CPixImage img;
        FillPattern(img, 5, 3, c.from);
        EXPECT_EQ(img.IncreaseBpp(c.to), c.ok) << c.from << "->" << c.to;
        EXPECT_EQ(img.GetBpp(), c.result) << c.from << "->" << c.to;
    }
}

TEST(IncreaseBppTest, To24BitWritesColoursAndPaletteAlpha)
{
    CPixImage img;
    FillPattern(img, 7, 4, 4);
    img.SetPaletteEntry(2, 10, 20, 30, 128);
    img.SetTransparentIndex(2);
    CPixImage before(img, true, false, false);
    ASSERT_TRUE(img.IncreaseBpp(24));
    ASSERT_EQ(img.GetBpp(), 24);
    // Palette alpha becomes an alpha plane; the transparent entry's colour is kept.
    ASSERT_TRUE(img.HasAlpha());
    EXPECT_EQ(img.GetTransparentColor(), MakePixColor(10, 20, 30, 128));
    for (LONG y = 0; y < 4; ++y) {
        for (LONG x = 0; x < 7; ++x) {
            const PixColor want = before.GetPaletteEntry(before.GetIndexAt(x, y));
            ASSERT_EQ(img.GetColorAt(x, y), want) << x << "," << y;
        }
    }

    // An existing alpha plane wins over palette alpha.
    CPixImage planed;
    FillPattern(planed, 7, 4, 8, true);
    planed.SetPaletteEntry(0, 1, 1, 1, 200);
    CPixImage planedBefore(planed, true, true, true);
    ASSERT_TRUE(planed.IncreaseBpp(24));
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 7; ++x)
            ASSERT_EQ(planed.GetAlphaAt(x, y), planedBefore.GetAlphaAt(x, y));

    // No palette alpha, no plane.
    CPixImage plain;
    FillPattern(plain, 3, 3, 1);
    ASSERT_TRUE(plain.IncreaseBpp(24));
    EXPECT_FALSE(plain.HasAlpha());
}

TEST(DecreaseBppTest, DepthRules)
{
    struct Case { DWORD from, to; DWORD important; bool ok; DWORD result; };
    const Case cases[] = {
        {24, 24, 0, true, 24}, // nothing to do
        {8, 24, 0, false, 8},  // deeper is not a decrease
        {24, 16, 0, false, 24},
        {24, 2, 0, false, 24},
        {24, 24, 5, false, 24}, // requantising to 24 bpp has no palette
        {8, 8, 0, true, 8},
        {24, 8, 0, true, 8},
        {24, 4, 0, true, 4},
        {8, 1, 0, true, 1},
    };
    for (const Case& c : cases) {
        CPixImage img;
        FillPattern(img, 6, 3, c.from);
        EXPECT_EQ(img.DecreaseBpp(c.to, false, nullptr, c.important), c.ok) << c.from << "->" << c.to;
        EXPECT_EQ(img.GetBpp(), c.result) << c.from << "->" << c.to;
    }
}

// 24 bits and back lands on the same indices whenever the palette entries are distinct.
TEST(DecreaseBppTest, RoundTripThrough24Bits)
{
    for (DWORD bpp : {1u, 4u, 8u}) {
        for (bool diffusion : {false, true}) {
            CPixImage img;
            FillPattern(img, 9, 7, bpp, true);
            std::vector<RGBQUAD> palette(img.GetHeader().biClrUsed);
            for (DWORD i = 0; i < palette.size(); ++i) {
                const PixColor e = img.GetPaletteEntry(static_cast<BYTE>(i));
                palette[i] = RGBQUAD{PixBlue(e), PixGreen(e), PixRed(e), 0};
            }
            CPixImage work(img, true, true, true);
            ASSERT_TRUE(work.IncreaseBpp(24));
            ASSERT_TRUE(work.DecreaseBpp(bpp, diffusion, palette.data()));
            EXPECT_TRUE(SamePicture(work, img)) << bpp << (diffusion ? " diffused" : "");
        }
    }
    // The default palettes are distinct too: standard 16 colours and black and white.
    for (DWORD bpp : {1u, 4u}) {
        CPixImage img;
        ASSERT_NE(img.Create(8, 8, bpp, 0), nullptr);
        if (bpp == 4) {
            img.SetStdPalette();
        } else {
            img.SetPaletteEntry(0, 0, 0, 0);
            img.SetPaletteEntry(1, 255, 255, 255);
        }
        for (LONG y = 0; y < 8; ++y)
            for (LONG x = 0; x < 8; ++x)
                img.SetIndexAt(x, y, static_cast<BYTE>(x + 8 * y));
        CPixImage work(img, true, false, false);
        ASSERT_TRUE(work.IncreaseBpp(24));
        ASSERT_TRUE(work.DecreaseBpp(bpp, false));
        EXPECT_TRUE(SamePicture(work, img)) << bpp;
    }
}

// Greys to black and white; expected indices worked out by hand from the 7-2-4-1 weights.
TEST(DecreaseBppTest, ErrorDiffusionSpreadsToUnvisitedNeighbours)
{
    struct Case {
        LONG width, height;
        std::vector<BYTE> greys; // row 0 first
        std::vector<BYTE> plain;
        std::vector<BYTE> diffused;
    };
    const Case cases[] = {
        // 100 is black; its error pushes the right neighbour over the middle.
        {2, 1, {100, 100}, {0, 0}, {0, 1}},
        // "Below" is the next row processed.
        {1, 2, {120, 120}, {0, 0}, {0, 1}},
        // Below-left lifts (0,1) to exactly 128; the negative error then floors (1,1) to 127.
        {2, 2, {120, 0, 92, 163}, {0, 0, 0, 1}, {0, 0, 1, 0}},
    };
    for (const Case& c : cases) {
        for (bool diffusion : {false, true}) {
            CPixImage img;
            ASSERT_NE(img.Create(static_cast<DWORD>(c.width), static_cast<DWORD>(c.height), 24, 0), nullptr);
            for (LONG i = 0; i < c.width * c.height; ++i) {
                const BYTE v = c.greys[static_cast<std::size_t>(i)];
                img.SetColorAt(i % c.width, i / c.width, MakePixColor(v, v, v), false);
            }
            ASSERT_TRUE(img.DecreaseBpp(1, diffusion));
            ASSERT_EQ(img.GetBpp(), 1);
            EXPECT_EQ(img.GetPaletteEntry(0), MakePixColor(0, 0, 0));
            EXPECT_EQ(img.GetPaletteEntry(1), MakePixColor(255, 255, 255));
            const std::vector<BYTE>& want = diffusion ? c.diffused : c.plain;
            for (LONG i = 0; i < c.width * c.height; ++i)
                EXPECT_EQ(img.GetIndexAt(i % c.width, i / c.width), want[static_cast<std::size_t>(i)])
                    << c.width << "x" << c.height << (diffusion ? " diffused" : "") << " pixel " << i;
        }
    }
}

TEST(DecreaseBppTest, ErrorDiffusionMixesTwoLevels)
{
    CPixImage img;
    ASSERT_NE(img.Create(32, 32, 24, 0), nullptr);
    img.Clear(128);
    CPixImage plain(img, true, false, false);
    ASSERT_TRUE(plain.DecreaseBpp(1, false));
    ASSERT_TRUE(img.DecreaseBpp(1, true));
    int whitePlain = 0;
    int whiteDiffused = 0;
    for (LONG y = 0; y < 32; ++y) {
        for (LONG x = 0; x < 32; ++x) {
            whitePlain += plain.GetIndexAt(x, y);
            whiteDiffused += img.GetIndexAt(x, y);
        }
    }
    EXPECT_EQ(whitePlain, 1024); // 128 is nearer white
    EXPECT_GT(whiteDiffused, 1024 * 45 / 100);
    EXPECT_LT(whiteDiffused, 1024 * 55 / 100);
}

TEST(DecreaseBppTest, ImportantColoursLimitTheSearch)
{
    CPixImage img;
    FillPattern(img, 10, 10, 8, true);
    ASSERT_TRUE(img.DecreaseBpp(8, false, nullptr, 2));
    EXPECT_EQ(img.GetHeader().biClrImportant, 2u);
    EXPECT_TRUE(img.HasAlpha());
    for (LONG y = 0; y < 10; ++y)
        for (LONG x = 0; x < 10; ++x)
            ASSERT_LT(img.GetIndexAt(x, y), 2);

    // Already limited to fewer colours than asked: nothing to do.
    CPixImage before(img, true, true, true);
    ASSERT_TRUE(img.DecreaseBpp(8, true, nullptr, 5));
    EXPECT_TRUE(SamePicture(img, before));
    EXPECT_EQ(img.GetHeader().biClrImportant, 2u);
}

TEST(DepthTest, EscapeStopsThePixelLoop)
{
    CPixImage img;
    FillPattern(img, 10, 10, 24);
    img.SetEscape(1);
    ASSERT_TRUE(img.DecreaseBpp(8, true));
    EXPECT_EQ(img.GetBpp(), 8);
    for (LONG x = 0; x < 10; ++x)
        EXPECT_EQ(img.GetIndexAt(x, 5), 0);

    CPixImage pal;
    FillPattern(pal, 10, 10, 8);
    pal.SetEscape(1);
    ASSERT_TRUE(pal.IncreaseBpp(24));
    EXPECT_EQ(pal.GetBpp(), 24);
    EXPECT_EQ(pal.GetColorAt(3, 3), 0u);
}

} // namespace
