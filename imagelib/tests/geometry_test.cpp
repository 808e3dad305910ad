// Crop, Expand, Flip, Mirror and the quarter turns.
#include "imagelib/PixImage.h"
#include "imagelib/tests/pix_test_patterns.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

namespace {

using pix_test::FillPattern;
using pix_test::SamePicture;

constexpr DWORD kDepths[] = {1, 4, 8, 24};

TEST(GeometryTest, EveryOperationFailsOnAnEmptyImage)
{
    CPixImage empty;
    CPixImage dest;
    EXPECT_FALSE(empty.Crop(0, 0, 1, 1, &dest));
    EXPECT_FALSE(empty.Expand(1, 1, 1, 1, 0, &dest));
    EXPECT_FALSE(empty.Expand(4, 4, 0, &dest));
    EXPECT_FALSE(empty.Flip());
    EXPECT_FALSE(empty.Mirror());
    EXPECT_FALSE(empty.RotateLeft(&dest));
    EXPECT_FALSE(empty.RotateRight(&dest));
    EXPECT_FALSE(empty.IncreaseBpp(24));
    EXPECT_FALSE(empty.DecreaseBpp(8, false));
    EXPECT_FALSE(dest.IsValid());
}

// ---- Crop ----

TEST(CropTest, ClampsOrdersAndRejectsEmptyRectangles)
{
    struct Case { LONG left, top, right, bottom; bool ok; LONG x0, yTop, width, height; };
    // On a 32 x 24 picture; yTop counts from the top.
    const Case cases[] = {
        {10, 10, 10, 50, false, 0, 0, 0, 0},     // no width
        {0, 5, 32, 5, false, 0, 0, 0, 0},        // no height
        {-5, 0, 1000, 2, true, 0, 0, 32, 2},     // clamped to the picture, top rows
        {3, 4, 10, 20, true, 3, 4, 7, 16},
        {10, 20, 3, 4, true, 3, 4, 7, 16},       // swapped edges
        {40, 30, 50, 60, false, 0, 0, 0, 0},     // clamps to an empty rectangle
        {31, 23, 32, 24, true, 31, 23, 1, 1},    // bottom-right pixel
    };
    for (DWORD bpp : kDepths) {
        for (const Case& c : cases) {
            CPixImage img;
            FillPattern(img, 32, 24, bpp, true);
            img.SetTransparentIndex(bpp < 24 ? 1 : -1);
            CPixImage before(img, true, true, true);
            CPixImage dest;
            EXPECT_EQ(img.Crop(c.left, c.top, c.right, c.bottom, &dest), c.ok) << bpp << " " << c.left;
            EXPECT_TRUE(SamePicture(img, before));
            if (!c.ok) {
                EXPECT_FALSE(dest.IsValid());
                continue;
            }
            ASSERT_EQ(dest.GetWidth(), c.width);
            ASSERT_EQ(dest.GetHeight(), c.height);
            EXPECT_EQ(dest.GetBpp(), bpp);
            EXPECT_EQ(dest.GetTransparentIndex(), img.GetTransparentIndex());
            EXPECT_FALSE(dest.HasSelection());
            ASSERT_TRUE(dest.HasAlpha());
            const LONG firstRow = 24 - c.yTop - c.height;
            for (LONG y = 0; y < c.height; ++y)
                for (LONG x = 0; x < c.width; ++x)
                    ASSERT_EQ(dest.GetColorAt(x, y), img.GetColorAt(c.x0 + x, firstRow + y))
                        << bpp << " case " << c.left << " at " << x << "," << y;
        }
    }
}

TEST(CropTest, InPlaceAndIntoItself)
{
    CPixImage img;
    FillPattern(img, 320, 240, 24);
    CPixImage before(img, true, false, false);
    ASSERT_TRUE(img.Crop(-5, 0, 1000, 20));
    ASSERT_EQ(img.GetWidth(), 320);
    ASSERT_EQ(img.GetHeight(), 20);
    EXPECT_EQ(img.GetColorAt(7, 0), before.GetColorAt(7, 220));
    EXPECT_EQ(img.GetColorAt(300, 19), before.GetColorAt(300, 239));

    ASSERT_TRUE(img.Crop(1, 1, 3, 3, &img));
    EXPECT_EQ(img.GetWidth(), 2);
    EXPECT_EQ(img.GetColorAt(0, 0), before.GetColorAt(1, 237));
}

// ---- Expand ----

TEST(ExpandTest, PlacesThePictureAndFillsTheCanvas)
{
    struct Margins { LONG left, top, right, bottom; };
    for (DWORD bpp : kDepths) {
        for (const Margins m : {Margins{1, 2, 3, 4}, Margins{0, 0, 0, 0}, Margins{7, 0, 0, 9}}) {
            CPixImage img;
            FillPattern(img, 13, 5, bpp, true);
            const PixColor canvas = bpp < 24 ? img.GetPaletteEntry(1) : MakePixColor(1, 2, 3);
            CPixImage dest;
            ASSERT_TRUE(img.Expand(m.left, m.top, m.right, m.bottom, canvas, &dest));
            ASSERT_EQ(dest.GetWidth(), 13 + m.left + m.right);
            ASSERT_EQ(dest.GetHeight(), 5 + m.top + m.bottom);
            EXPECT_EQ(dest.GetBpp(), bpp);
            EXPECT_FALSE(dest.HasAlpha());
            for (LONG y = 0; y < dest.GetHeight(); ++y) {
                for (LONG x = 0; x < dest.GetWidth(); ++x) {
                    const LONG sx = x - m.left;
                    const LONG sy = y - m.bottom;
                    // Compare colours without the alpha byte: the result has no alpha plane.
                    const PixColor want = img.IsInside(sx, sy) ? (img.GetColorAt(sx, sy) & 0xFFFFFF) : canvas;
                    ASSERT_EQ(dest.GetColorAt(x, y) & 0xFFFFFF, want & 0xFFFFFF) << bpp << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(ExpandTest, CentredSplitsPutTheOddPixelRightAndBottom)
{
    struct Case { LONG width, height; LONG left, top, right, bottom; };
    const Case cases[] = {
        {8, 6, 1, 1, 2, 2},
        {5, 3, 0, 0, 0, 0},
        {10, 4, 2, 0, 3, 1},
    };
    for (const Case& c : cases) {
        CPixImage img;
        FillPattern(img, 5, 3, 24);
        const PixColor canvas = MakePixColor(9, 8, 7);
        CPixImage centred;
        CPixImage byMargins;
        ASSERT_TRUE(img.Expand(c.width, c.height, canvas, &centred));
        ASSERT_TRUE(img.Expand(c.left, c.top, c.right, c.bottom, canvas, &byMargins));
        EXPECT_TRUE(SamePicture(centred, byMargins)) << c.width << "x" << c.height;
    }
    CPixImage img;
    FillPattern(img, 5, 3, 24);
    CPixImage dest;
    EXPECT_FALSE(img.Expand(4, 10, 0, &dest));
    EXPECT_FALSE(img.Expand(10, 2, 0, &dest));
    EXPECT_FALSE(dest.IsValid());
}

TEST(ExpandTest, RejectsNegativeAndOversizedMargins)
{
    CPixImage img;
    FillPattern(img, 4, 4, 8);
    CPixImage before(img, true, true, true);
    constexpr LONG kMax = std::numeric_limits<LONG>::max();
    EXPECT_FALSE(img.Expand(-1, 0, 0, 0, 0));
    EXPECT_FALSE(img.Expand(0, 0, 0, -1, 0));
    // Sums past the largest side must not wrap into a small, valid-looking size.
    EXPECT_FALSE(img.Expand(kMax, 0, kMax, 0, 0));
    EXPECT_FALSE(img.Expand(0, kMax - 2, 0, 0, 0));
    EXPECT_STREQ(img.GetLastErrorText(), "PIXIMAGE_MAX_MEMORY exceeded");
    EXPECT_TRUE(SamePicture(img, before));
}

TEST(ExpandTest, IntoItself)
{
    CPixImage img;
    FillPattern(img, 3, 3, 4);
    CPixImage before(img, true, false, false);
    ASSERT_TRUE(img.Expand(1, 1, 1, 1, img.GetPaletteEntry(0), &img));
    EXPECT_EQ(img.GetWidth(), 5);
    EXPECT_EQ(img.GetIndexAt(0, 0), 0);
    EXPECT_EQ(img.GetIndexAt(2, 2), before.GetIndexAt(1, 1));
}

// ---- Flip, Mirror, rotations ----

TEST(OrientationTest, MappingsAtEveryDepth)
{
    for (DWORD bpp : kDepths) {
        for (LONG width : {13, 16}) {
            CPixImage img;
            FillPattern(img, width, 7, bpp, true);
            CPixImage flipped(img, true, true, true);
            ASSERT_TRUE(flipped.Flip());
            CPixImage mirrored(img, true, true, true);
            ASSERT_TRUE(mirrored.Mirror());
            CPixImage left;
            ASSERT_TRUE(img.RotateLeft(&left));
            CPixImage right;
            ASSERT_TRUE(img.RotateRight(&right));
            ASSERT_EQ(left.GetWidth(), 7);
            ASSERT_EQ(left.GetHeight(), width);
            ASSERT_EQ(right.GetWidth(), 7);
            ASSERT_EQ(right.GetHeight(), width);
            for (LONG y = 0; y < 7; ++y) {
                for (LONG x = 0; x < width; ++x) {
                    const PixColor c = img.GetColorAt(x, y); // alpha on top
                    ASSERT_EQ(flipped.GetColorAt(x, 6 - y), c) << bpp;
                    ASSERT_EQ(mirrored.GetColorAt(width - 1 - x, y), c) << bpp << " width " << width;
                    // Anticlockwise: the bottom row becomes the right column, read upwards.
                    ASSERT_EQ(left.GetColorAt(6 - y, x), c) << bpp;
                    // Clockwise: the bottom row becomes the left column, read downwards.
                    ASSERT_EQ(right.GetColorAt(y, width - 1 - x), c) << bpp;
                }
            }
        }
    }
}

TEST(OrientationTest, QuarterTurnsOfOneBitPicturesWithoutAlphaAtSizesAroundWholeBytes)
{
    const struct {
        LONG width, height;
    } sizes[] = {{1, 1}, {7, 9}, {8, 8}, {9, 17}, {16, 3}, {23, 16}, {3, 70}, {65, 12}, {601, 70}, {70, 601}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
        // Random pixels: a turn that swapped rows for columns would not keep them.
        CPixImage img;
        ASSERT_NE(img.Create(static_cast<DWORD>(size.width), static_cast<DWORD>(size.height), 1, 0), nullptr);
        std::uint32_t seed = 12345;
        for (LONG y = 0; y < size.height; ++y) {
            for (LONG x = 0; x < size.width; ++x) {
                seed = seed * 1664525u + 1013904223u;
                img.SetIndexAt(x, y, static_cast<BYTE>(seed >> 31));
            }
        }
        CPixImage left;
        ASSERT_TRUE(img.RotateLeft(&left));
        CPixImage right;
        ASSERT_TRUE(img.RotateRight(&right));
        ASSERT_EQ(left.GetWidth(), size.height);
        ASSERT_EQ(right.GetHeight(), size.width);
        for (LONG y = 0; y < size.height; ++y) {
            for (LONG x = 0; x < size.width; ++x) {
                const BYTE index = img.GetIndexAt(x, y);
                ASSERT_EQ(left.GetIndexAt(size.height - 1 - y, x), index) << x << "," << y;
                ASSERT_EQ(right.GetIndexAt(y, size.width - 1 - x), index) << x << "," << y;
            }
        }
    }
}

TEST(OrientationTest, PairsRestoreThePicture)
{
    for (DWORD bpp : kDepths) {
        for (LONG width : {1, 9, 13, 33}) {
            CPixImage img;
            FillPattern(img, width, 5, bpp, true);
            img.SetDpiX(300);
            CPixImage work(img, true, true, true);
            ASSERT_TRUE(work.Flip());
            ASSERT_TRUE(work.Flip());
            EXPECT_TRUE(SamePicture(work, img)) << bpp << " flip " << width;
            ASSERT_TRUE(work.Mirror());
            ASSERT_TRUE(work.Mirror());
            EXPECT_TRUE(SamePicture(work, img)) << bpp << " mirror " << width;
            ASSERT_TRUE(work.RotateLeft());
            ASSERT_TRUE(work.RotateRight());
            EXPECT_TRUE(SamePicture(work, img)) << bpp << " left-right " << width;
            for (int i = 0; i < 4; ++i)
                ASSERT_TRUE(work.RotateRight(&work));
            EXPECT_TRUE(SamePicture(work, img)) << bpp << " four right turns " << width;
            EXPECT_EQ(work.GetDpiX(), 300);
            EXPECT_EQ(work.GetHeader().biXPelsPerMeter, img.GetHeader().biXPelsPerMeter);
        }
    }
}

TEST(OrientationTest, RotationIntoDestinationLeavesTheSource)
{
    CPixImage img;
    FillPattern(img, 6, 4, 8);
    CPixImage before(img, true, false, false);
    CPixImage dest;
    FillPattern(dest, 2, 2, 24);
    ASSERT_TRUE(img.RotateLeft(&dest));
    EXPECT_TRUE(SamePicture(img, before));
    EXPECT_EQ(dest.GetBpp(), 8);
    EXPECT_EQ(dest.GetWidth(), 4);
    EXPECT_EQ(img.GetProgress(), 83); // row 5 of 6 done
}

} // namespace
