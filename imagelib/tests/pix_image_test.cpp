// Storage, creation, copying and ownership of the image object.
#include "imagelib/PixImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Exposes the buffer pointers so tests can check who owns what.
class InspectableImage : public CPixImage {
public:
    using CPixImage::CPixImage;
    CPixImage* Ghost() const { return m_pGhost; }
};

TEST(PixImageCreateTest, DepthStrideAndSize)
{
    struct Case { DWORD width, height, bpp; WORD depth; DWORD palette; DWORD stride; DWORD size; };
    const Case cases[] = {
        {3, 1, 24, 24, 0, 12, 52},
        {5, 2, 1, 1, 2, 4, 40 + 8 + 8},
        {5, 2, 0, 1, 2, 4, 56},
        {4, 4, 16, 24, 0, 12, 40 + 48},
        {4, 4, 32, 24, 0, 12, 40 + 48},
        {9, 3, 4, 4, 16, 8, 40 + 64 + 24},
        {7, 2, 3, 4, 16, 4, 40 + 64 + 8},
        {5, 5, 8, 8, 256, 8, 40 + 1024 + 40},
        {33, 1, 1, 1, 2, 8, 40 + 8 + 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "@" + std::to_string(c.bpp));
        CPixImage img;
        ASSERT_NE(img.Create(c.width, c.height, c.bpp, 7), nullptr);
        EXPECT_EQ(img.GetBpp(), c.depth);
        EXPECT_EQ(img.GetHeader().biClrUsed, c.palette);
        EXPECT_EQ(img.GetStride(), c.stride);
        EXPECT_EQ(img.GetHeader().biSizeImage, c.stride * c.height);
        EXPECT_EQ(img.GetSize(), c.size);
        EXPECT_EQ(img.GetType(), 7);
        EXPECT_EQ(img.GetHeader().biSize, 40u);
        EXPECT_EQ(img.GetHeader().biPlanes, 1);
        // The block's own header matches the copy in the object.
        EXPECT_EQ(std::memcmp(img.GetDib(), &img.GetHeader(), 40), 0);
        // Palette and pixels start zeroed.
        for (DWORD i = 0; i < c.palette; ++i)
            EXPECT_EQ(img.GetPaletteEntry(static_cast<BYTE>(i)), 0u);
        const BYTE* pixels = img.GetRowPointer(0);
        for (DWORD i = 0; i < img.GetHeader().biSizeImage; ++i)
            ASSERT_EQ(pixels[i], 0) << "byte " << i;
    }
}

TEST(PixImageCreateTest, RefusesSizesThatWouldWrap)
{
    struct Case { DWORD width, height, bpp; };
    const Case cases[] = {
        {50000, 50000, 24},      // stride × height wraps 32 bits
        {0x80000000u, 1, 24},    // width above INT32_MAX
        {1, 0x80000000u, 1},     // height above INT32_MAX
        {0, 10, 24},             // empty sides
        {10, 0, 24},
        {0xFFFFFFFFu, 0xFFFFFFFFu, 32},
        {100000, 100000, 8},     // above the memory limit
        {32001, 32000, 8},       // just above it: 1,024,128,000 bytes
        {18475, 18475, 24},      // 1,024,032,300 bytes
        {1431655765, 1, 24},     // stride itself above 32 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        CPixImage img(4, 4, 24);
        ASSERT_TRUE(img.IsValid());
        EXPECT_EQ(img.Create(c.width, c.height, c.bpp, 0), nullptr);
        EXPECT_STREQ(img.GetLastErrorText(), "PIXIMAGE_MAX_MEMORY exceeded");
        // A failed Create leaves the image empty, not in its old state.
        EXPECT_FALSE(img.IsValid());
        EXPECT_EQ(img.GetRowPointer(0), nullptr);
    }
}

TEST(PixImageCreateTest, TakesAHundredMegapixelPhotograph)
{
    CPixImage img;
    ASSERT_NE(img.Create(11648, 8736, 24, 0), nullptr) << img.GetLastErrorText();
    EXPECT_EQ(img.GetHeader().biSizeImage, 11648u * 3 * 8736);
}

TEST(PixImageCreateTest, RowPointersAndBounds)
{
    CPixImage img(10, 4, 24);
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(img.GetRowPointer(1) - img.GetRowPointer(0), 32);
    EXPECT_EQ(img.GetRowPointer(0), img.GetDib() + 40);
    EXPECT_EQ(img.GetRowPointer(4), nullptr);
    EXPECT_EQ(img.GetRowPointer(static_cast<DWORD>(-1)), nullptr);
    EXPECT_TRUE(img.IsInside(9, 3));
    EXPECT_FALSE(img.IsInside(10, 3));
    EXPECT_FALSE(img.IsInside(0, 4));
    EXPECT_FALSE(img.IsInside(-1, 0));

    CPixImage empty;
    EXPECT_EQ(empty.GetRowPointer(0), nullptr);
    empty.Clear(5); // nothing to clear, nothing to crash
}

TEST(PixImageCreateTest, ClearFillsEveryPixelByte)
{
    CPixImage img(3, 3, 24);
    img.Clear(0xAB);
    for (DWORD y = 0; y < 3; ++y)
        for (DWORD i = 0; i < img.GetStride(); ++i)
            EXPECT_EQ(img.GetRowPointer(y)[i], 0xAB);
}

TEST(PixImageCreateTest, DefaultsAndDpi)
{
    CPixImage img;
    EXPECT_EQ(img.GetJpegQuality(), 75);
    EXPECT_EQ(img.GetAlphaMax(), 255);
    EXPECT_EQ(img.GetTransparentIndex(), -1);
    EXPECT_TRUE(img.IsEnabled());
    EXPECT_EQ(img.GetDpiX(), 96);
    EXPECT_EQ(img.GetHeader().biXPelsPerMeter, 3780);

    struct Case { LONG dpi; LONG perMeter; };
    for (const Case& c : {Case{96, 3780}, Case{72, 2835}, Case{300, 11811}, Case{0, 0}, Case{1, 39}}) {
        img.SetDpiX(c.dpi);
        img.SetDpiY(c.dpi);
        EXPECT_EQ(img.GetHeader().biXPelsPerMeter, c.perMeter) << c.dpi;
        EXPECT_EQ(img.GetHeader().biYPelsPerMeter, c.perMeter) << c.dpi;
    }
    // DPI survives Create.
    img.SetDpiX(300);
    img.Create(2, 2, 8, 0);
    EXPECT_EQ(img.GetHeader().biXPelsPerMeter, 11811);
    EXPECT_EQ(img.GetDpiX(), 300);
}

TEST(PixImageCreateTest, LastErrorTextIsCutAt255)
{
    CPixImage img;
    const std::string longText(400, 'x');
    img.SetLastErrorText(longText.c_str());
    EXPECT_EQ(std::strlen(img.GetLastErrorText()), 255u);
}

// ---- CreateFromArray ----

std::vector<BYTE> Sequence(std::size_t n)
{
    std::vector<BYTE> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<BYTE>(i * 7 + 1);
    return v;
}

TEST(PixImageFromArrayTest, RowsLandBottomUpOrFlipped)
{
    struct Case { bool flip; DWORD rowLength; };
    for (const Case& c : {Case{false, 9}, Case{true, 9}, Case{false, 12}, Case{true, 16}, Case{false, 5}}) {
        SCOPED_TRACE(std::to_string(c.flip) + "/" + std::to_string(c.rowLength));
        const DWORD width = 3, height = 4;
        const auto src = Sequence(static_cast<std::size_t>(c.rowLength) * height);
        CPixImage img;
        ASSERT_TRUE(img.CreateFromArray(src.data(), width, height, 24, c.rowLength, c.flip));
        const std::size_t copied = std::min<std::size_t>(c.rowLength, img.GetStride());
        for (DWORD i = 0; i < height; ++i) {
            const BYTE* row = img.GetRowPointer(c.flip ? height - 1 - i : i);
            for (std::size_t b = 0; b < img.GetStride(); ++b) {
                const BYTE expected = b < copied ? src[i * c.rowLength + b] : 0;
                ASSERT_EQ(row[b], expected) << "row " << i << " byte " << b;
            }
        }
    }
}

TEST(PixImageFromArrayTest, ThirtyTwoBitsGiveColourAndAlpha)
{
    for (bool flip : {false, true}) {
        const DWORD width = 2, height = 3;
        std::vector<BYTE> src;
        for (DWORD y = 0; y < height; ++y)
            for (DWORD x = 0; x < width; ++x)
                src.insert(src.end(), {BYTE(10 * y + x), BYTE(100 + y), BYTE(200 + x), BYTE(50 + 10 * y + x)});
        CPixImage img;
        ASSERT_TRUE(img.CreateFromArray(src.data(), width, height, 32, width * 4, flip));
        EXPECT_EQ(img.GetBpp(), 24);
        ASSERT_TRUE(img.HasAlpha());
        for (DWORD y = 0; y < height; ++y) {
            const LONG row = flip ? LONG(height - 1 - y) : LONG(y);
            for (DWORD x = 0; x < width; ++x) {
                const PixColor c = img.GetColorAt(LONG(x), row);
                EXPECT_EQ(PixBlue(c), 10 * y + x);
                EXPECT_EQ(PixGreen(c), 100 + y);
                EXPECT_EQ(PixRed(c), 200 + x);
                EXPECT_EQ(img.GetAlphaAt(LONG(x), row), 50 + 10 * y + x);
            }
        }
    }
}

TEST(PixImageFromArrayTest, ThirtyTwoBitsHonourShortRows)
{
    // Rows of 1 pixel in the source but an image 3 wide: only the first pixel of each row is read.
    const std::vector<BYTE> src = {1, 2, 3, 4, 5, 6, 7, 8};
    CPixImage img;
    ASSERT_TRUE(img.CreateFromArray(src.data(), 3, 2, 32, 4, false));
    EXPECT_EQ(img.GetColorAt(0, 1) & 0xFFFFFF, MakePixColor(7, 6, 5) & 0xFFFFFF);
    EXPECT_EQ(img.GetAlphaAt(0, 1), 8);
    EXPECT_EQ(img.GetColorAt(1, 1) & 0xFFFFFF, 0u);
    EXPECT_EQ(img.GetAlphaAt(2, 0), 0);
}

TEST(PixImageFromArrayTest, PaletteDepthsGetGreyRampAndBadArgumentsFail)
{
    const std::vector<BYTE> src(64, 0x5A);
    CPixImage img;
    ASSERT_TRUE(img.CreateFromArray(src.data(), 4, 4, 4, 2, false));
    EXPECT_EQ(PixRed(img.GetPaletteEntry(15)), 255);
    EXPECT_EQ(PixRed(img.GetPaletteEntry(1)), 17);
    EXPECT_EQ(img.GetIndexAt(1, 2), 0xA);

    for (DWORD bpp : {0u, 2u, 16u, 48u})
        EXPECT_FALSE(img.CreateFromArray(src.data(), 2, 2, bpp, 8, false)) << bpp;
    EXPECT_FALSE(img.CreateFromArray(nullptr, 2, 2, 24, 8, false));
}

// ---- Copy, Transfer, ShareFrom ----

void Paint(CPixImage& img)
{
    for (LONG y = 0; y < img.GetHeight(); ++y)
        for (LONG x = 0; x < img.GetWidth(); ++x)
            img.SetColorAt(x, y, MakePixColor(BYTE(x * 16), BYTE(y * 16), BYTE(x + y)), false);
}

TEST(PixImageCopyTest, FlagCombinations)
{
    CPixImage source(5, 3, 24, 4);
    Paint(source);
    ASSERT_TRUE(source.AllocAlpha());
    source.FillAlpha(77);
    source.SetAlphaMax(100);
    source.SetJpegQuality(33);

    for (int mask = 0; mask < 8; ++mask) {
        const bool pixels = mask & 1, selection = mask & 2, alpha = mask & 4;
        SCOPED_TRACE(mask);
        CPixImage copy(source, pixels, selection, alpha);
        ASSERT_TRUE(copy.IsValid());
        EXPECT_EQ(copy.GetWidth(), 5);
        EXPECT_EQ(copy.GetType(), 4);
        EXPECT_EQ(copy.GetJpegQuality(), 33);
        EXPECT_EQ(copy.GetColorAt(4, 2) & 0xFFFFFF, pixels ? source.GetColorAt(4, 2) & 0xFFFFFF : 0u);
        EXPECT_EQ(copy.HasAlpha(), alpha);
        if (alpha) {
            EXPECT_EQ(copy.GetAlphaAt(3, 1), 77);
        }
        EXPECT_FALSE(copy.HasSelection()); // the source has none
    }
}

TEST(PixImageCopyTest, PaletteIsCopiedWithoutPixels)
{
    CPixImage source(4, 4, 8);
    source.SetStdPalette();
    source.SetIndexAt(1, 1, 200);
    CPixImage copy;
    ASSERT_TRUE(copy.Copy(source, false, false, false));
    EXPECT_EQ(copy.GetPaletteEntry(200), source.GetPaletteEntry(200));
    EXPECT_EQ(copy.GetIndexAt(1, 1), 0);
}

TEST(PixImageCopyTest, SelfCopyAndEmptySource)
{
    CPixImage img(4, 4, 24);
    Paint(img);
    ASSERT_TRUE(img.AllocAlpha());
    const PixColor before = img.GetColorAt(3, 3);
    EXPECT_TRUE(img.Copy(img, true, true, false));
    EXPECT_EQ(img.GetColorAt(3, 3) & 0xFFFFFF, before & 0xFFFFFF);
    EXPECT_FALSE(img.HasAlpha());

    CPixImage empty;
    EXPECT_FALSE(img.Copy(empty, true, true, true));
    EXPECT_FALSE(img.IsValid());
}

TEST(PixImageCopyTest, TransferMovesEverythingAndEmptiesTheSource)
{
    CPixImage source(6, 2, 8, 3);
    source.SetGrayRamp();
    source.SetIndexAt(5, 1, 99);
    ASSERT_TRUE(source.AllocAlpha());
    BYTE* block = source.GetDib();

    CPixImage target(3, 3, 24);
    target.Transfer(source);
    EXPECT_EQ(target.GetDib(), block);
    EXPECT_EQ(target.GetIndexAt(5, 1), 99);
    EXPECT_TRUE(target.HasAlpha());
    EXPECT_EQ(target.GetType(), 3);

    EXPECT_FALSE(source.IsValid());
    EXPECT_EQ(source.GetWidth(), 0);
    EXPECT_FALSE(source.HasAlpha());
    source.Destroy(); // frees nothing: the block now belongs to target

    target.Transfer(target); // self-transfer keeps everything
    EXPECT_EQ(target.GetDib(), block);
}

TEST(PixImageCopyTest, GhostBorrowsAndFreesNothing)
{
    InspectableImage owner(4, 4, 24);
    Paint(owner);
    ASSERT_TRUE(owner.AllocAlpha());
    {
        InspectableImage ghost;
        ghost.ShareFrom(owner);
        EXPECT_EQ(ghost.Ghost(), &owner);
        EXPECT_EQ(ghost.GetDib(), owner.GetDib());
        EXPECT_EQ(ghost.GetAlphaPlane(), owner.GetAlphaPlane());
        ghost.Destroy(); // returns at once for a ghost
        EXPECT_EQ(ghost.GetDib(), owner.GetDib());

        // A ghost of a ghost still points at the owner.
        InspectableImage second;
        second.ShareFrom(ghost);
        EXPECT_EQ(second.Ghost(), &owner);
    }
    // The owner's buffers survive the ghosts.
    EXPECT_EQ(owner.GetColorAt(3, 3) & 0xFFFFFF, MakePixColor(48, 48, 6) & 0xFFFFFF);
    owner.SetAlphaAt(0, 0, 9);
    EXPECT_EQ(owner.GetAlphaAt(0, 0), 9);
}

TEST(PixImageCopyTest, WritingOntoAGhostDetachesIt)
{
    InspectableImage owner(4, 4, 24);
    Paint(owner);
    const PixColor before = owner.GetColorAt(2, 2);

    InspectableImage ghost;
    ghost.ShareFrom(owner);
    ASSERT_NE(ghost.Create(8, 8, 8, 0), nullptr);
    EXPECT_EQ(ghost.Ghost(), nullptr);
    EXPECT_NE(ghost.GetDib(), owner.GetDib());
    EXPECT_EQ(owner.GetColorAt(2, 2), before);

    InspectableImage ghost2;
    ghost2.ShareFrom(owner);
    CPixImage other(2, 2, 24);
    ASSERT_TRUE(ghost2.Copy(other, true, true, true));
    EXPECT_EQ(ghost2.Ghost(), nullptr);
    EXPECT_EQ(owner.GetWidth(), 4);

    // Copying from a ghost copies the owner's pixels.
    InspectableImage ghost3;
    ghost3.ShareFrom(owner);
    CPixImage copy(ghost3, true, false, false);
    EXPECT_EQ(copy.GetColorAt(2, 2) & 0xFFFFFF, before & 0xFFFFFF);
}

TEST(PixImageCopyTest, CopyInfoOnlyIntoAnEmptyImage)
{
    CPixImage source;
    source.SetJpegQuality(12);
    source.SetFrame(3);
    CPixImage empty;
    empty.CopyInfo(source);
    EXPECT_EQ(empty.GetJpegQuality(), 12);
    EXPECT_EQ(empty.GetFrame(), 3);

    CPixImage full(2, 2, 24);
    full.CopyInfo(source);
    EXPECT_EQ(full.GetJpegQuality(), 75);
    EXPECT_EQ(full.GetStride(), 8u); // its own storage description is untouched
}

} // namespace
