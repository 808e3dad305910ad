// Palette, pixel, alpha and selection operations.
#include "imagelib/PixImage.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

TEST(PixPaletteTest, GreyRampByDepth)
{
    struct Case { DWORD bpp; DWORD entries; BYTE step; };
    for (const Case& c : {Case{1, 2, 255}, Case{4, 16, 17}, Case{8, 256, 1}}) {
        CPixImage img(2, 2, c.bpp);
        img.SetPaletteEntry(1, 0, 0, 0, 9); // reserved bytes are left alone
        img.SetGrayRamp();
        for (DWORD i = 0; i < c.entries; ++i) {
            const PixColor e = img.GetPaletteEntry(static_cast<BYTE>(i));
            EXPECT_EQ(PixRed(e), i * c.step);
            EXPECT_EQ(PixGreen(e), i * c.step);
            EXPECT_EQ(PixBlue(e), i * c.step);
        }
        EXPECT_EQ(PixAlpha(img.GetPaletteEntry(1)), 9);
        EXPECT_EQ(img.IsGrayPalette(), c.bpp == 8 ? true : false) << c.bpp;
    }
    // Without a palette nothing is written.
    CPixImage rgb(2, 2, 24);
    rgb.SetGrayRamp();
    EXPECT_EQ(rgb.GetPalette(), nullptr);
    EXPECT_FALSE(rgb.IsGrayPalette());
    CPixImage empty;
    empty.SetGrayRamp();
    EXPECT_FALSE(empty.IsGrayPalette());
}

TEST(PixPaletteTest, StandardPalettesSpotChecks)
{
    CPixImage img4(1, 1, 4);
    img4.SetStdPalette();
    EXPECT_EQ(img4.GetPaletteEntry(7), MakePixColor(192, 192, 192));
    EXPECT_EQ(img4.GetPaletteEntry(9), MakePixColor(255, 0, 0)); // (B 0, G 0, R 255)
    EXPECT_EQ(img4.GetPaletteEntry(12), MakePixColor(0, 0, 255));
    EXPECT_EQ(img4.GetPaletteEntry(15), MakePixColor(255, 255, 255));

    CPixImage img8(1, 1, 8);
    img8.SetStdPalette();
    // (blue, green, red) of selected entries.
    struct Case { int index; BYTE b, g, r; };
    const Case cases[] = {
        {0, 0, 0, 0}, {8, 192, 220, 192}, {9, 240, 202, 166},
        {10, 212, 240, 255},   // group 0 (Z,H,F), first tint
        {16, 0, 170, 255},     // group 0, seventh entry
        {21, 0, 50, 80},       // group 0, darkest shade
        {40, 0, 0, 254},       // pure group 2, seventh entry uses 254
        {76, 254, 0, 254}, {112, 254, 0, 0}, {148, 254, 254, 0}, {184, 0, 254, 0}, {220, 0, 254, 254},
        {225, 0, 80, 80},      // group 17 (Z,F,F), last shade
        {226, 242, 242, 242}, {245, 14, 14, 14},
        {246, 240, 251, 255}, {249, 0, 0, 255}, {255, 255, 255, 255},
    };
    for (const Case& c : cases) {
        const PixColor e = img8.GetPaletteEntry(static_cast<BYTE>(c.index));
        EXPECT_EQ(PixBlue(e), c.b) << c.index;
        EXPECT_EQ(PixGreen(e), c.g) << c.index;
        EXPECT_EQ(PixRed(e), c.r) << c.index;
        EXPECT_EQ(PixAlpha(e), 0) << c.index;
    }
    // Entry 40 and entry 249 stay distinct colours.
    EXPECT_NE(img8.GetPaletteEntry(40), img8.GetPaletteEntry(249));

    CPixImage img1(1, 1, 1);
    img1.SetStdPalette();
    EXPECT_EQ(img1.GetPaletteEntry(1), 0u);
}

TEST(PixPaletteTest, EntryAccessGuardsTheIndex)
{
    CPixImage img(2, 2, 4);
    img.SetPaletteEntry(3, 10, 20, 30, 40);
    EXPECT_EQ(img.GetPaletteEntry(3), MakePixColor(10, 20, 30, 40));
    BYTE r = 0, g = 0, b = 0;
    EXPECT_TRUE(img.GetPaletteRGB(3, &r, &g, &b));
    EXPECT_EQ(r, 10);
    EXPECT_EQ(g, 20);
    EXPECT_EQ(b, 30);
    EXPECT_FALSE(img.GetPaletteRGB(16, &r, &g, &b));
    img.SetPaletteEntry(16, MakePixColor(1, 1, 1)); // ignored
    EXPECT_EQ(img.GetPaletteEntry(16), 0u);
    EXPECT_TRUE(img.HasPaletteAlpha());

    const PixColor entries[20] = {MakePixColor(1, 2, 3), MakePixColor(4, 5, 6)};
    img.SetPaletteEntries(entries, 20);
    EXPECT_EQ(img.GetPaletteEntry(1), MakePixColor(4, 5, 6));
    EXPECT_FALSE(img.HasPaletteAlpha());

    const BYTE triples[] = {9, 8, 7, 6, 5, 4};
    img.SetPaletteTriples(triples, 2);
    EXPECT_EQ(img.GetPaletteEntry(0), MakePixColor(9, 8, 7));
    EXPECT_EQ(img.GetPaletteEntry(1), MakePixColor(6, 5, 4));

    const BYTE reds[] = {100, 101, 102};
    img.SetPaletteChannels(3, reds);
    EXPECT_EQ(img.GetPaletteEntry(2), MakePixColor(102, 102, 102));
    const BYTE greens[] = {1, 2, 3};
    img.SetPaletteChannels(3, reds, greens);
    EXPECT_EQ(img.GetPaletteEntry(2), MakePixColor(102, 3, 3));
}

TEST(PixPaletteTest, ClrImportantLimitsByDepth)
{
    struct Case { DWORD bpp; DWORD count; DWORD expected; };
    const Case cases[] = {
        {1, 5, 2}, {1, 1, 1}, {4, 20, 16}, {4, 3, 3}, {8, 200, 200}, {8, 300, 0}, {8, 0, 0}, {4, 257, 0},
    };
    for (const Case& c : cases) {
        CPixImage img(1, 1, c.bpp);
        img.SetClrImportant(c.count);
        EXPECT_EQ(img.GetHeader().biClrImportant, c.expected) << c.bpp << "/" << c.count;
    }
    CPixImage rgb(1, 1, 24);
    rgb.SetClrImportant(5);
    EXPECT_EQ(rgb.GetHeader().biClrImportant, 0u);
}

TEST(PixPaletteTest, SwapIndexExchangesEntriesAndPixels)
{
    CPixImage img(5, 1, 4);
    img.SetStdPalette();
    const BYTE indices[] = {1, 2, 1, 3, 2};
    for (LONG x = 0; x < 5; ++x)
        img.SetIndexAt(x, 0, indices[x]);
    const PixColor one = img.GetPaletteEntry(1), two = img.GetPaletteEntry(2);
    img.SwapIndex(1, 2);
    EXPECT_EQ(img.GetPaletteEntry(1), two);
    EXPECT_EQ(img.GetPaletteEntry(2), one);
    const BYTE expected[] = {2, 1, 2, 3, 1};
    for (LONG x = 0; x < 5; ++x)
        EXPECT_EQ(img.GetIndexAt(x, 0), expected[x]) << x;
    // Colours on screen are unchanged.
    EXPECT_EQ(img.GetColorAt(0, 0), one);

    // Out-of-range indices change nothing.
    img.SwapIndex(1, 16);
    img.SwapIndex(200, 2);
    EXPECT_EQ(img.GetPaletteEntry(1), two);
    EXPECT_EQ(img.GetIndexAt(0, 0), 2);
}

TEST(PixPixelTest, IndexAccessAtEveryDepth)
{
    struct Case { DWORD bpp; BYTE value; BYTE stored; };
    for (const Case& c : {Case{1, 3, 1}, Case{4, 0x1F, 0xF}, Case{8, 0xC3, 0xC3}}) {
        CPixImage img(11, 3, c.bpp);
        for (LONG x = 0; x < 11; x += 2)
            img.SetIndexAt(x, 1, c.value);
        for (LONG x = 0; x < 11; ++x) {
            EXPECT_EQ(img.GetIndexAt(x, 1), x % 2 == 0 ? c.stored : 0) << c.bpp << " x=" << x;
            EXPECT_EQ(img.GetIndexAt(x, 0), 0);
            EXPECT_EQ(img.GetIndexAt(x, 2), 0);
        }
    }
    // 4 bpp: high nibble first, neighbours untouched.
    CPixImage img4(2, 1, 4);
    img4.SetIndexAt(1, 0, 0x5);
    img4.SetIndexAt(0, 0, 0x1F);
    EXPECT_EQ(img4.GetRowPointer(0)[0], 0xF5);
    // 1 bpp: most significant bit first.
    CPixImage img1(9, 1, 1);
    img1.SetIndexAt(0, 0, 1);
    img1.SetIndexAt(8, 0, 1);
    EXPECT_EQ(img1.GetRowPointer(0)[0], 0x80);
    EXPECT_EQ(img1.GetRowPointer(0)[1], 0x80);
}

TEST(PixPixelTest, IndexOutsideTheImage)
{
    for (DWORD bpp : {1u, 4u, 8u}) {
        CPixImage img(4, 4, bpp);
        img.SetIndexAt(0, 0, 1);
        img.SetIndexAt(1, 0, 0);
        // Without transparent index: pixel (0, 0)'s index, not a whole byte.
        EXPECT_EQ(img.GetIndexAt(-1, 0), 1) << bpp;
        EXPECT_EQ(img.GetIndexAt(4, 4), 1) << bpp;
        img.SetTransparentIndex(5 % (1 << bpp));
        EXPECT_EQ(img.GetIndexAt(-1, 0), 5 % (1 << bpp)) << bpp;
        img.SetIndexAt(-1, 0, 0); // ignored
        img.SetIndexAt(4, 0, 0);
        EXPECT_EQ(img.GetIndexAt(0, 0), 1);
    }
    CPixImage rgb(2, 2, 24);
    EXPECT_EQ(rgb.GetIndexAt(0, 0), 0);
    CPixImage empty;
    EXPECT_EQ(empty.GetIndexAt(0, 0), 0);
}

TEST(PixPixelTest, ColourAccessInsideAndOutside)
{
    CPixImage rgb(3, 2, 24);
    rgb.SetColorAt(0, 0, MakePixColor(1, 2, 3), false);
    rgb.SetColorAt(2, 1, MakePixColor(200, 100, 50), false);
    rgb.SetTransparentColor(MakePixColor(7, 8, 9, 0x44));
    EXPECT_EQ(rgb.GetColorAt(2, 1), MakePixColor(200, 100, 50, 0x44));
    // Outside without transparent index: pixel (0, 0).
    EXPECT_EQ(rgb.GetColorAt(-1, 5), MakePixColor(1, 2, 3, 0x44));
    rgb.SetTransparentIndex(0);
    EXPECT_EQ(rgb.GetColorAt(-1, 5), MakePixColor(7, 8, 9, 0x44));
    // With an alpha plane its value is the top byte.
    ASSERT_TRUE(rgb.AllocAlpha());
    rgb.SetColorAt(1, 1, MakePixColor(9, 9, 9, 0xAB), true);
    EXPECT_EQ(rgb.GetColorAt(1, 1), MakePixColor(9, 9, 9, 0xAB));
    EXPECT_EQ(rgb.GetColorAt(2, 1), MakePixColor(200, 100, 50, 0));

    CPixImage pal(2, 2, 8);
    pal.SetStdPalette();
    pal.SetTransparentIndex(249);
    EXPECT_EQ(pal.GetColorAt(-1, 0), MakePixColor(255, 0, 0));
    EXPECT_EQ(pal.GetTransparentColor(), MakePixColor(255, 0, 0));

    CPixImage empty;
    empty.SetTransparentColor(MakePixColor(1, 1, 1, 1));
    EXPECT_EQ(empty.GetColorAt(0, 0), MakePixColor(1, 1, 1, 1));

    // COLORREF keeps red low.
    rgb.SetColorRefAt(0, 1, RGB(10, 20, 30));
    EXPECT_EQ(rgb.GetColorAt(0, 1) & 0xFFFFFF, MakePixColor(10, 20, 30));
}

TEST(PixPixelTest, SetColorOnPaletteImageUsesNearestAndLeavesAlpha)
{
    CPixImage img(2, 2, 8);
    img.SetStdPalette();
    ASSERT_TRUE(img.AllocAlpha());
    img.SetColorAt(1, 1, MakePixColor(250, 2, 3, 0x77), true);
    EXPECT_EQ(img.GetIndexAt(1, 1), 40); // (B 0, G 0, R 254) is nearer than 249
    EXPECT_EQ(img.GetAlphaAt(1, 1), 0);
}

TEST(PixPixelTest, NearestIndexSearchAndCache)
{
    CPixImage img(1, 1, 4);
    img.SetStdPalette();
    struct Case { PixColor color; BYTE expected; };
    const Case cases[] = {
        {MakePixColor(10, 10, 10), 0},
        {MakePixColor(200, 200, 200), 7},
        {MakePixColor(255, 255, 255), 15},
        {MakePixColor(130, 0, 0), 1},
        {MakePixColor(0, 0, 250), 12},
    };
    for (const Case& c : cases)
        EXPECT_EQ(img.FindNearestIndex(c.color), c.expected) << std::hex << c.color;

    // The cache answers a repeated colour; a palette write forces a new search.
    EXPECT_EQ(img.FindNearestIndex(MakePixColor(200, 200, 200)), 7);
    img.SetPaletteEntry(3, MakePixColor(200, 200, 200));
    EXPECT_EQ(img.FindNearestIndex(MakePixColor(200, 200, 200)), 3);

    // Only the important entries are searched.
    img.SetClrImportant(2);
    EXPECT_EQ(img.FindNearestIndex(MakePixColor(255, 255, 255)), 1);

    // Create clears the cache too.
    img.SetClrImportant(0);
    EXPECT_EQ(img.FindNearestIndex(MakePixColor(200, 200, 200)), 3);
    img.Create(1, 1, 4, 0);
    img.SetStdPalette();
    EXPECT_EQ(img.FindNearestIndex(MakePixColor(200, 200, 200)), 7);

    // Ties keep the lower index.
    CPixImage tie(1, 1, 1);
    tie.SetPaletteEntry(0, MakePixColor(10, 10, 10));
    tie.SetPaletteEntry(1, MakePixColor(10, 10, 10));
    EXPECT_EQ(tie.FindNearestIndex(MakePixColor(12, 12, 12)), 0);
}

TEST(PixPixelTest, SwapRedBlueTouchesWholeTriplesOnly)
{
    struct Case { DWORD width; DWORD length; int swapped; };
    // width 2 → stride 8: at most 8 bytes, so two whole triples.
    for (const Case& c : {Case{2, 8, 2}, Case{2, 7, 2}, Case{2, 5, 1}, Case{2, 100, 2}, Case{4, 12, 4}}) {
        CPixImage img(c.width, 1, 24);
        std::vector<BYTE> buffer(32);
        for (std::size_t i = 0; i < buffer.size(); ++i)
            buffer[i] = static_cast<BYTE>(i);
        img.SwapRedBlue(buffer.data() + 8, c.length);
        for (std::size_t i = 0; i < buffer.size(); ++i) {
            BYTE expected = static_cast<BYTE>(i);
            if (i >= 8) {
                const std::size_t rel = i - 8;
                if (rel / 3 < static_cast<std::size_t>(c.swapped)) {
                    if (rel % 3 == 0)
                        expected = static_cast<BYTE>(i + 2);
                    else if (rel % 3 == 2)
                        expected = static_cast<BYTE>(i - 2);
                }
            }
            EXPECT_EQ(buffer[i], expected) << "width " << c.width << " length " << c.length << " byte " << i;
        }
    }
    CPixImage pal(4, 1, 8);
    BYTE bytes[3] = {1, 2, 3};
    pal.SwapRedBlue(bytes, 3);
    EXPECT_EQ(bytes[0], 1);
}

TEST(PixPixelTest, PixelKindAndLuminance)
{
    CPixImage pal(1, 1, 8), rgb(1, 1, 24);
    EXPECT_EQ(pal.GetPixelKind(), 1);
    EXPECT_EQ(rgb.GetPixelKind(), 2);
    ASSERT_TRUE(rgb.AllocAlpha());
    EXPECT_EQ(rgb.GetPixelKind(), 4);

    const BYTE black[3] = {0, 0, 0}, white[3] = {255, 255, 255}, green[3] = {0, 255, 0}, blue[3] = {255, 0, 0};
    EXPECT_EQ(CompareLuminance(white, black), (1024 * 255) >> 10);
    EXPECT_GT(CompareLuminance(green, blue), 0);
    EXPECT_EQ(CompareLuminance(green, green), 0);
}

TEST(PixAlphaTest, PlaneOperations)
{
    CPixImage img(3, 2, 24);
    EXPECT_EQ(img.GetAlphaAt(0, 0), 0);
    EXPECT_FALSE(img.FlipAlpha());
    EXPECT_FALSE(img.MirrorAlpha());
    ASSERT_TRUE(img.AllocAlpha());
    for (LONG y = 0; y < 2; ++y)
        for (LONG x = 0; x < 3; ++x)
            img.SetAlphaAt(x, y, static_cast<BYTE>(10 * y + x));
    img.SetAlphaAt(3, 0, 99); // outside: ignored
    EXPECT_EQ(img.GetAlphaAt(3, 0), 0);

    ASSERT_TRUE(img.FlipAlpha());
    EXPECT_EQ(img.GetAlphaAt(0, 0), 10);
    EXPECT_EQ(img.GetAlphaAt(2, 1), 2);
    ASSERT_TRUE(img.MirrorAlpha());
    EXPECT_EQ(img.GetAlphaAt(0, 0), 12);
    EXPECT_EQ(img.GetAlphaAt(2, 1), 0);

    img.FillAlpha(200);
    EXPECT_EQ(img.GetAlphaAt(1, 1), 200);
    img.FreeAlpha();
    EXPECT_FALSE(img.HasAlpha());
}

TEST(PixAlphaTest, CopyAlphaNeedsTheSameSize)
{
    CPixImage source(4, 3, 24);
    ASSERT_TRUE(source.AllocAlpha());
    source.FillAlpha(33);
    source.SetAlphaMax(120);

    struct Case { DWORD width, height; bool ok; };
    for (const Case& c : {Case{4, 3, true}, Case{5, 3, false}, Case{4, 2, false}, Case{3, 4, false}}) {
        CPixImage target(c.width, c.height, 8);
        EXPECT_EQ(target.CopyAlpha(source), c.ok) << c.width << "x" << c.height;
        EXPECT_EQ(target.HasAlpha(), c.ok);
        EXPECT_EQ(target.GetAlphaMax(), c.ok ? 120 : 255);
        if (c.ok) {
            EXPECT_EQ(target.GetAlphaAt(3, 2), 33);
        }
    }
    CPixImage noPlane(4, 3, 24), target(4, 3, 24);
    EXPECT_FALSE(target.CopyAlpha(noPlane));
}

TEST(PixSelectionTest, FreeResetsTheBoxAndCopyNeedsTheSameSize)
{
    CPixImage img(7, 5, 24);
    img.FreeSelection();
    const RECT box = img.GetSelectionBox();
    EXPECT_EQ(box.left, 7);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 0);
    EXPECT_EQ(box.bottom, 5);

    CPixImage noSelection(7, 5, 24);
    EXPECT_FALSE(img.CopySelection(noSelection));
    EXPECT_FALSE(img.HasSelection());
}

} // namespace
