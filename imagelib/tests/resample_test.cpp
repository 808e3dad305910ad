// Resample and Thumbnail.
#include "imagelib/PixImage.h"
#include "imagelib/tests/pix_test_patterns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using pix_test::FillPattern;
using pix_test::FillSolid;
using pix_test::PatternColor;
using pix_test::SamePicture;

BYTE Blue(const CPixImage& image, LONG x, LONG y) { return PixBlue(image.GetColorAt(x, y)); }

// Averages of a uniform picture may lose a little to truncation, never gain.
bool NearBelow(PixColor actual, PixColor expected)
{
    auto near = [](BYTE a, BYTE e) { return a <= e && a + 2 >= e; };
    return near(PixBlue(actual), PixBlue(expected)) && near(PixGreen(actual), PixGreen(expected)) &&
        near(PixRed(actual), PixRed(expected));
}

TEST(ResampleTest, RejectsEmptyImageAndZeroSizes)
{
    CPixImage empty;
    EXPECT_FALSE(empty.Resample(10, 10, 0));
    CPixImage img;
    FillPattern(img, 8, 6, 24);
    CPixImage before(img, true, true, true);
    for (auto [w, h] : {std::pair<LONG, LONG>{0, 5}, {5, 0}, {-3, 5}}) {
        CPixImage dest;
        FillPattern(dest, 3, 3, 8);
        CPixImage destBefore(dest, true, true, true);
        EXPECT_FALSE(img.Resample(w, h, 0, &dest));
        EXPECT_TRUE(SamePicture(dest, destBefore));
        EXPECT_TRUE(SamePicture(img, before));
    }
}

TEST(ResampleTest, SameSizeCopiesIntoDestinationOnly)
{
    CPixImage img;
    FillPattern(img, 9, 5, 24, true);
    CPixImage before(img, true, true, true);
    EXPECT_TRUE(img.Resample(9, 5, 1));
    EXPECT_TRUE(SamePicture(img, before));

    CPixImage dest;
    FillPattern(dest, 2, 2, 1);
    EXPECT_TRUE(img.Resample(9, 5, 0, &dest));
    EXPECT_TRUE(SamePicture(dest, before));
    EXPECT_TRUE(dest.HasAlpha());

    // The image itself as destination keeps every buffer alive.
    EXPECT_TRUE(img.Resample(9, 5, 2, &img));
    EXPECT_TRUE(SamePicture(img, before));
}

TEST(ResampleTest, BoxFilterIsTheTruncatedMeanOfEachBlock)
{
    struct Case { LONG width, height, factor; };
    for (const Case c : {Case{640, 480, 2}, Case{9, 12, 3}, Case{20, 8, 4}}) {
        CPixImage img;
        FillPattern(img, c.width, c.height, 24);
        CPixImage out;
        ASSERT_TRUE(img.Resample(c.width / c.factor, c.height / c.factor, 0, &out));
        ASSERT_EQ(out.GetWidth(), c.width / c.factor);
        ASSERT_EQ(out.GetHeight(), c.height / c.factor);
        for (LONG y = 0; y < out.GetHeight(); ++y) {
            for (LONG x = 0; x < out.GetWidth(); ++x) {
                int sum[3] = {0, 0, 0};
                for (LONG j = 0; j < c.factor; ++j) {
                    for (LONG i = 0; i < c.factor; ++i) {
                        const PixColor s = img.GetColorAt(x * c.factor + i, y * c.factor + j);
                        sum[0] += PixBlue(s);
                        sum[1] += PixGreen(s);
                        sum[2] += PixRed(s);
                    }
                }
                const int n = c.factor * c.factor;
                const PixColor r = out.GetColorAt(x, y);
                ASSERT_EQ(PixBlue(r), sum[0] / n) << c.width << " at " << x << "," << y;
                ASSERT_EQ(PixGreen(r), sum[1] / n) << c.width << " at " << x << "," << y;
                ASSERT_EQ(PixRed(r), sum[2] / n) << c.width << " at " << x << "," << y;
            }
        }
    }
}

// One result pixel covering 10,000 source pixels: the sums pass 2^31.
TEST(ResampleTest, BoxFilterLargeBlocksDoNotOverflow)
{
    CPixImage white;
    FillSolid(white, 1000, 1000, MakePixColor(255, 255, 255));
    ASSERT_TRUE(white.Resample(10, 10, 0));
    for (LONG y = 0; y < 10; ++y)
        for (LONG x = 0; x < 10; ++x)
            ASSERT_EQ(white.GetColorAt(x, y), MakePixColor(255, 255, 255)) << x << "," << y;

    // Left half black, right half white: the halves must stay where they were.
    CPixImage halves;
    FillSolid(halves, 1000, 1000, MakePixColor(255, 255, 255));
    for (LONG y = 0; y < 1000; ++y)
        std::fill_n(halves.GetRowPointer(static_cast<DWORD>(y)), 1500, BYTE{0});
    ASSERT_TRUE(halves.Resample(10, 10, 0));
    for (LONG y = 0; y < 10; ++y)
        for (LONG x = 0; x < 10; ++x)
            ASSERT_EQ(Blue(halves, x, y), x < 5 ? 0 : 255) << x << "," << y;
}

// Uneven factors never push a result past the source's range.
TEST(ResampleTest, BoxFilterOfUniformPictureStaysInRange)
{
    struct Case { LONG width, height, newWidth, newHeight; };
    for (const Case c : {Case{7, 7, 3, 5}, Case{97, 33, 10, 32}, Case{640, 480, 176, 132}, Case{333, 150, 332, 1}}) {
        CPixImage img;
        FillSolid(img, c.width, c.height, MakePixColor(200, 200, 200));
        ASSERT_TRUE(img.Resample(c.newWidth, c.newHeight, 0));
        for (LONG y = 0; y < c.newHeight; ++y) {
            for (LONG x = 0; x < c.newWidth; ++x) {
                const BYTE v = Blue(img, x, y);
                ASSERT_LE(v, 200);
                ASSERT_GE(v, 196) << c.width << "x" << c.height << " at " << x << "," << y;
            }
        }
    }
}

TEST(ResampleTest, BilinearWhenNotShrinkingBothWaysOrNot24Bit)
{
    // Narrower but taller: bilinear between neighbouring columns.
    CPixImage row;
    ASSERT_NE(row.Create(4, 1, 24, 0), nullptr);
    const BYTE values[4] = {0, 100, 200, 40};
    for (LONG x = 0; x < 4; ++x)
        row.SetColorAt(x, 0, MakePixColor(values[x], values[x], values[x]), false);
    ASSERT_TRUE(row.Resample(3, 2, 0));
    for (LONG y = 0; y < 2; ++y) {
        EXPECT_EQ(Blue(row, 0, y), 0);
        EXPECT_EQ(Blue(row, 1, y), 133); // 1/3 of the way from 100 to 200
        EXPECT_EQ(Blue(row, 2, y), 93);  // 2/3 of the way from 200 to 40
    }

    // Enlarging halfway between two pixels.
    CPixImage pair;
    ASSERT_NE(pair.Create(2, 1, 24, 0), nullptr);
    pair.SetColorAt(0, 0, MakePixColor(0, 0, 0), false);
    pair.SetColorAt(1, 0, MakePixColor(200, 100, 50), false);
    ASSERT_TRUE(pair.Resample(4, 1, 0));
    EXPECT_EQ(pair.GetColorAt(1, 0), MakePixColor(100, 50, 25));
    EXPECT_EQ(pair.GetColorAt(3, 0), MakePixColor(200, 100, 50));

    // An 8-bpp picture shrinking both ways samples instead of averaging.
    CPixImage grey;
    ASSERT_NE(grey.Create(4, 4, 8, 0), nullptr);
    grey.SetGrayRamp();
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 4; ++x)
            grey.SetIndexAt(x, y, static_cast<BYTE>(10 * x + 50 * y));
    ASSERT_TRUE(grey.Resample(2, 2, 0));
    ASSERT_EQ(grey.GetBpp(), 8);
    EXPECT_EQ(grey.GetIndexAt(0, 0), 0);
    EXPECT_EQ(grey.GetIndexAt(1, 0), 20);
    EXPECT_EQ(grey.GetIndexAt(0, 1), 100);
    EXPECT_EQ(grey.GetIndexAt(1, 1), 120);
}

TEST(ResampleTest, NearestPicksTruncatedSourcePositionsAtEveryDepth)
{
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        CPixImage img;
        FillPattern(img, 4, 5, bpp);
        CPixImage out;
        ASSERT_TRUE(img.Resample(3, 2, 1, &out));
        ASSERT_EQ(out.GetBpp(), bpp);
        // 4 -> 3 columns takes 0, 1, 2; 5 -> 2 rows takes 0 and 2.
        for (LONG y = 0; y < 2; ++y)
            for (LONG x = 0; x < 3; ++x)
                EXPECT_EQ(out.GetColorAt(x, y), img.GetColorAt(x, y == 0 ? 0 : 2)) << bpp << " at " << x << "," << y;
    }
}

TEST(ResampleTest, BicubicValuesAndEdges)
{
    // Left pixel 0, right pixel 200, doubled: the B-spline smooths the step and repeats the edges.
    CPixImage step;
    ASSERT_NE(step.Create(2, 1, 24, 0), nullptr);
    step.SetColorAt(0, 0, MakePixColor(0, 0, 0), false);
    step.SetColorAt(1, 0, MakePixColor(200, 200, 200), false);
    ASSERT_TRUE(step.Resample(4, 1, 2));
    EXPECT_EQ(Blue(step, 0, 0), 4);   // 200 / 48
    EXPECT_EQ(Blue(step, 1, 0), 33);  // 200 / 6
    EXPECT_EQ(Blue(step, 3, 0), 166); // 200 * 5 / 6

    // The same step upright.
    CPixImage upright;
    ASSERT_NE(upright.Create(1, 2, 24, 0), nullptr);
    upright.SetColorAt(0, 0, MakePixColor(0, 0, 0), false);
    upright.SetColorAt(0, 1, MakePixColor(200, 200, 200), false);
    ASSERT_TRUE(upright.Resample(1, 4, 2));
    EXPECT_EQ(Blue(upright, 0, 0), 4);
    EXPECT_EQ(Blue(upright, 0, 1), 33);
    EXPECT_EQ(Blue(upright, 0, 3), 166);

    // Weights sum to one within float precision: white stays white or a hair below, never wraps.
    for (DWORD bpp : {24u, 8u}) {
        CPixImage white;
        ASSERT_NE(white.Create(7, 5, bpp, 0), nullptr);
        white.SetGrayRamp();
        white.Clear(255);
        ASSERT_TRUE(white.Resample(17, 3, 2));
        for (LONG y = 0; y < 3; ++y) {
            for (LONG x = 0; x < 17; ++x) {
                const BYTE v = Blue(white, x, y);
                ASSERT_GE(v, 254) << bpp << " at " << x << "," << y;
            }
        }
    }
}

// A palette picture is filtered in colour and each result stored as the nearest palette index:
// the same colours as the 24-bit road, mapped onto the palette.
TEST(ResampleTest, PaletteResultsAreTheNearestIndicesOfTheFilteredColours)
{
    for (LONG mode : {0, 2}) {
        CPixImage img;
        FillPattern(img, 50, 40, 8);
        CPixImage rgb(img, true, false, false);
        ASSERT_TRUE(rgb.IncreaseBpp(24));
        // Enlarging, so mode 0 filters bilinearly at both depths.
        ASSERT_TRUE(rgb.Resample(130, 97, mode));
        CPixImage oracle(img, true, false, false);
        ASSERT_TRUE(img.Resample(130, 97, mode));
        ASSERT_EQ(img.GetBpp(), 8);
        for (LONG y = 0; y < 97; ++y)
            for (LONG x = 0; x < 130; ++x)
                ASSERT_EQ(img.GetIndexAt(x, y), oracle.FindNearestIndex(rgb.GetColorAt(x, y))) << mode << " at " << x << "," << y;
    }
}

TEST(ResampleTest, AlphaFollowsNearestSourcePixelInEveryMode)
{
    for (LONG mode : {0, 1, 2}) {
        CPixImage img;
        FillPattern(img, 12, 9, 24, true);
        img.FillAlpha(0);
        img.SetAlphaAt(6, 3, 77);
        ASSERT_TRUE(img.Resample(6, 3, mode));
        ASSERT_TRUE(img.HasAlpha());
        for (LONG y = 0; y < 3; ++y)
            for (LONG x = 0; x < 6; ++x)
                EXPECT_EQ(img.GetAlphaAt(x, y), (x == 3 && y == 1) ? 77 : 0) << mode;
    }
}

TEST(ResampleTest, EscapeStopsBeforeTheFirstRow)
{
    for (LONG mode : {0, 1, 2}) {
        CPixImage white;
        FillSolid(white, 40, 30, MakePixColor(255, 255, 255));
        white.SetEscape(1);
        ASSERT_TRUE(white.Resample(mode == 0 ? 20 : 60, 15, mode)) << mode;
        EXPECT_EQ(white.GetHeight(), 15);
        // Nothing was filled: the rows hold what Create left.
        EXPECT_EQ(white.GetColorAt(0, 0), 0u) << mode;
        EXPECT_EQ(white.GetColorAt(10, 14), 0u) << mode;
    }
}

TEST(ResampleTest, ProgressReachesTheLastRow)
{
    CPixImage img;
    FillPattern(img, 10, 10, 24);
    ASSERT_TRUE(img.Resample(20, 4, 1));
    EXPECT_EQ(img.GetProgress(), 75); // last row 3 of 4
}

// ---- Thumbnail ----

TEST(ThumbnailTest, FitsAndCentresOnTheCanvas)
{
    const PixColor canvas = MakePixColor(255, 0, 255);
    const PixColor picture = MakePixColor(10, 20, 30);
    struct Case { LONG width, height, targetW, targetH, top, bottom, left, right; };
    const Case cases[] = {
        {640, 480, 160, 120, 0, 0, 0, 0},
        {640, 480, 176, 144, 6, 6, 0, 0},
        {480, 640, 160, 160, 0, 0, 20, 20},
        {100, 50, 400, 400, 100, 100, 0, 0}, // enlarges too
    };
    for (const Case& c : cases) {
        CPixImage img;
        FillSolid(img, c.width, c.height, picture);
        CPixImage thumb;
        ASSERT_TRUE(img.Thumbnail(c.targetW, c.targetH, canvas, &thumb));
        EXPECT_EQ(img.GetWidth(), c.width); // source untouched
        ASSERT_EQ(thumb.GetWidth(), c.targetW);
        ASSERT_EQ(thumb.GetHeight(), c.targetH);
        for (LONG y = 0; y < c.targetH; ++y) {
            for (LONG x = 0; x < c.targetW; ++x) {
                // Top rows are the highest row numbers.
                const bool border = y >= c.targetH - c.top || y < c.bottom || x < c.left || x >= c.targetW - c.right;
                const PixColor got = thumb.GetColorAt(x, y);
                if (border)
                    ASSERT_EQ(got, canvas) << c.targetW << "x" << c.targetH << " at " << x << "," << y;
                else
                    ASSERT_TRUE(NearBelow(got, picture)) << c.targetW << "x" << c.targetH << " at " << x << "," << y;
            }
        }
    }
}

TEST(ThumbnailTest, InPlaceAndIntoItself)
{
    CPixImage img;
    FillSolid(img, 64, 32, MakePixColor(1, 2, 3));
    ASSERT_TRUE(img.Thumbnail(16, 16, 0));
    EXPECT_EQ(img.GetWidth(), 16);
    EXPECT_EQ(img.GetHeight(), 16);
    EXPECT_EQ(img.GetColorAt(0, 0), 0u);                      // canvas (black)
    EXPECT_EQ(img.GetColorAt(5, 8), MakePixColor(1, 2, 3)); // picture rows 4 .. 11

    ASSERT_TRUE(img.Thumbnail(8, 8, 0, &img));
    EXPECT_EQ(img.GetWidth(), 8);
    EXPECT_EQ(img.GetColorAt(4, 4), MakePixColor(1, 2, 3));
}

// A side that would round to nothing keeps one pixel; the result is a real thumbnail.
TEST(ThumbnailTest, ExtremeAspectKeepsAtLeastOnePixel)
{
    const PixColor canvas = MakePixColor(0, 0, 255);
    CPixImage strip;
    FillSolid(strip, 2000, 10, MakePixColor(200, 100, 0));
    CPixImage dest;
    FillSolid(dest, 5, 5, MakePixColor(9, 9, 9));
    ASSERT_TRUE(strip.Thumbnail(160, 120, canvas, &dest));
    ASSERT_EQ(dest.GetWidth(), 160);
    ASSERT_EQ(dest.GetHeight(), 120);
    // One picture row in the middle: 59 canvas rows above, 60 below.
    for (LONG y = 0; y < 120; ++y)
        EXPECT_EQ(dest.GetColorAt(80, y) == canvas, y != 60) << y;

    CPixImage tall;
    FillSolid(tall, 3, 5000, MakePixColor(50, 60, 70));
    ASSERT_TRUE(tall.Thumbnail(100, 100, canvas));
    EXPECT_EQ(tall.GetWidth(), 100);
    // One picture column: 49 canvas columns left, 50 right.
    for (LONG x = 0; x < 100; ++x)
        EXPECT_EQ(tall.GetColorAt(x, 50) == canvas, x != 49) << x;
}

TEST(ThumbnailTest, RejectsBadSizesAndLeavesTheDestination)
{
    CPixImage img;
    FillPattern(img, 20, 10, 24);
    CPixImage dest;
    FillPattern(dest, 3, 3, 8);
    CPixImage destBefore(dest, true, true, true);
    EXPECT_FALSE(img.Thumbnail(0, 10, 0, &dest));
    EXPECT_FALSE(img.Thumbnail(10, -1, 0, &dest));
    CPixImage empty;
    EXPECT_FALSE(empty.Thumbnail(10, 10, 0, &dest));
    EXPECT_TRUE(SamePicture(dest, destBefore));
}

TEST(ThumbnailTest, PaletteImagesKeepTheirDepth)
{
    CPixImage img;
    FillPattern(img, 40, 20, 4);
    CPixImage thumb;
    ASSERT_TRUE(img.Thumbnail(10, 10, img.GetPaletteEntry(3), &thumb));
    EXPECT_EQ(thumb.GetBpp(), 4);
    EXPECT_EQ(thumb.GetIndexAt(0, 0), 3);   // canvas row
    EXPECT_EQ(thumb.GetIndexAt(0, 9), 3);
}

} // namespace
