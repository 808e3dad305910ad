#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/pixel_canvas.h"
#include "platform/win32/last_error.h"

namespace zv::gdi::test {
namespace {

COLORREF SourceColour(int x, int y) { return RGB(x * 30 + 5, y * 40 + 7, 255 - x * 9 - y); }
COLORREF Background(int x, int y) { return RGB(1, x + 2, y + 3); }

struct StretchCase {
    const char* name;
    int sourceWidth;
    int sourceHeight;
    int targetWidth;
    int targetHeight;
};

class StretchBltSizes : public ::testing::TestWithParam<StretchCase> {};

TEST_P(StretchBltSizes, RepeatOrDropWholePixels)
{
    const StretchCase& c = GetParam();
    PixelCanvas source(c.sourceWidth + 1, c.sourceHeight + 1, false, SourceColour);
    PixelCanvas target(c.targetWidth + 2, c.targetHeight + 2, false, Background);
    // From (1, 1) of the source to (1, 1) of the target, leaving a border of the old picture.
    ASSERT_TRUE(StretchBlt(target.Dc(), 1, 1, c.targetWidth, c.targetHeight, source.Dc(), 1, 1, c.sourceWidth,
                           c.sourceHeight, SRCCOPY));
    EXPECT_TRUE(target.Matches([&](int x, int y) {
        if (x < 1 || y < 1 || x > c.targetWidth || y > c.targetHeight)
            return Background(x, y);
        return SourceColour(1 + (x - 1) * c.sourceWidth / c.targetWidth, 1 + (y - 1) * c.sourceHeight / c.targetHeight);
    }));
}

INSTANTIATE_TEST_SUITE_P(Stretches, StretchBltSizes,
                         ::testing::Values(StretchCase{"Same", 4, 3, 4, 3}, StretchCase{"Double", 3, 2, 6, 4},
                                           StretchCase{"Half", 6, 4, 3, 2}, StretchCase{"ThreeToFive", 3, 3, 5, 5},
                                           StretchCase{"FiveToThree", 5, 5, 3, 3},
                                           StretchCase{"WideOnly", 2, 4, 7, 4}),
                         [](const ::testing::TestParamInfo<StretchCase>& info) { return info.param.name; });

// The transparent-key technique: picture XOR, mask AND, picture XOR leaves the target wherever the
// mask is white, as long as the target paints mask white as white and black as black.
TEST(StretchBlt, MaskedInvertKeepsTheTargetUnderTheKey)
{
    constexpr COLORREF kKey = RGB(0, 255, 0);
    const auto picture = [](int x, int y) { return (x + y) % 3 == 0 ? kKey : SourceColour(x, y); };
    PixelCanvas image(4, 3, false, picture);
    PixelCanvas mask(4, 3, true, [](int, int) { return kBlack; });
    SetBkColor(image.Dc(), kKey);
    ASSERT_TRUE(BitBlt(mask.Dc(), 0, 0, 4, 3, image.Dc(), 0, 0, SRCCOPY));

    PixelCanvas target(8, 6, false, Background);
    SetBkColor(target.Dc(), kWhite);
    SetTextColor(target.Dc(), kBlack);
    ASSERT_TRUE(StretchBlt(target.Dc(), 0, 0, 8, 6, image.Dc(), 0, 0, 4, 3, SRCINVERT));
    ASSERT_TRUE(StretchBlt(target.Dc(), 0, 0, 8, 6, mask.Dc(), 0, 0, 4, 3, SRCAND));
    ASSERT_TRUE(StretchBlt(target.Dc(), 0, 0, 8, 6, image.Dc(), 0, 0, 4, 3, SRCINVERT));
    EXPECT_TRUE(target.Matches([&](int x, int y) {
        const COLORREF colour = picture(x / 2, y / 2);
        return colour == kKey ? Background(x, y) : colour;
    }));
}

TEST(SetStretchBltMode, OnlyColourOnColour)
{
    PixelCanvas canvas(1, 1, false, Background);
    EXPECT_EQ(SetStretchBltMode(canvas.Dc(), COLORONCOLOR), COLORONCOLOR);
    SetLastError(0);
    EXPECT_EQ(SetStretchBltMode(canvas.Dc(), HALFTONE), 0);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(SetStretchBltMode(canvas.Dc(), 9), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetStretchBltMode(nullptr, COLORONCOLOR), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// DIBs of every depth, both row orders, with distinct palette entries.
struct DibCase {
    const char* name;
    int bitsPerPixel;
    bool topDown;
};

constexpr int kDibWidth = 5;
constexpr int kDibHeight = 3;

std::vector<RGBQUAD> DistinctPalette(int bitsPerPixel)
{
    std::vector<RGBQUAD> palette;
    for (int i = 0; i < (1 << bitsPerPixel); ++i)
        palette.push_back(Quad(RGB(i * 7 + 3, 255 - i, (i * 53) % 256)));
    return palette;
}

BYTE IndexOf(int x, int y, int bitsPerPixel) { return static_cast<BYTE>((x * 3 + y * 7 + 1) % (1 << bitsPerPixel)); }

// A DIB whose picture (row 0 at the top) is the same whatever its row order.
MemoryDib PatternDib(const DibCase& c)
{
    MemoryDib dib(kDibWidth, c.topDown ? -kDibHeight : kDibHeight, c.bitsPerPixel,
                  c.bitsPerPixel <= 8 ? DistinctPalette(c.bitsPerPixel) : std::vector<RGBQUAD>{});
    for (int y = 0; y < kDibHeight; ++y)
        for (int x = 0; x < kDibWidth; ++x) {
            if (c.bitsPerPixel == 24)
                dib.SetColour(x, y, SourceColour(x, y));
            else
                dib.SetIndex(x, y, IndexOf(x, y, c.bitsPerPixel));
        }
    return dib;
}

COLORREF PatternColour(const DibCase& c, int x, int y)
{
    if (c.bitsPerPixel == 24)
        return SourceColour(x, y);
    const RGBQUAD q = DistinctPalette(c.bitsPerPixel)[IndexOf(x, y, c.bitsPerPixel)];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

class DibDepths : public ::testing::TestWithParam<DibCase> {};

TEST_P(DibDepths, StretchDIBitsPaintsThePictureThroughThePalette)
{
    const DibCase& c = GetParam();
    const MemoryDib dib = PatternDib(c);
    PixelCanvas target(2 * kDibWidth + 1, 2 * kDibHeight + 1, false, Background);
    EXPECT_EQ(StretchDIBits(target.Dc(), 1, 1, 2 * kDibWidth, 2 * kDibHeight, 0, 0, kDibWidth, kDibHeight, dib.Bits(),
                            dib.Info(), DIB_RGB_COLORS, SRCCOPY),
              kDibHeight);
    EXPECT_TRUE(target.Matches([&](int x, int y) {
        return x == 0 || y == 0 ? Background(x, y) : PatternColour(c, (x - 1) / 2, (y - 1) / 2);
    }));
}

TEST_P(DibDepths, SetDIBitsToDevicePaintsOneToOne)
{
    const DibCase& c = GetParam();
    const MemoryDib dib = PatternDib(c);
    PixelCanvas target(kDibWidth + 3, kDibHeight + 2, false, Background);
    EXPECT_EQ(SetDIBitsToDevice(target.Dc(), 2, 1, kDibWidth, kDibHeight, 0, 0, 0, kDibHeight, dib.Bits(), dib.Info(),
                                DIB_RGB_COLORS),
              kDibHeight);
    EXPECT_TRUE(target.Matches([&](int x, int y) {
        const bool inside = x >= 2 && y >= 1 && x < 2 + kDibWidth && y < 1 + kDibHeight;
        return inside ? PatternColour(c, x - 2, y - 1) : Background(x, y);
    }));
}

INSTANTIATE_TEST_SUITE_P(Transfers, DibDepths,
                         ::testing::Values(DibCase{"OneBit", 1, false}, DibCase{"FourBits", 4, false},
                                           DibCase{"EightBits", 8, false}, DibCase{"TwentyFourBits", 24, false},
                                           DibCase{"OneBitTopDown", 1, true}, DibCase{"EightBitsTopDown", 8, true},
                                           DibCase{"TwentyFourBitsTopDown", 24, true}),
                         [](const ::testing::TestParamInfo<DibCase>& info) { return info.param.name; });

TEST(StretchDIBits, SourceRectangleOfABottomUpDibCountsFromTheBottom)
{
    const DibCase c{"", 24, false};
    const MemoryDib dib = PatternDib(c);
    PixelCanvas target(2, 2, false, Background);
    // Rows 0 and 1 from the bottom are picture rows 2 and 1.
    ASSERT_EQ(StretchDIBits(target.Dc(), 0, 0, 2, 2, 1, 0, 2, 2, dib.Bits(), dib.Info(), DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_TRUE(target.Matches([](int x, int y) { return SourceColour(1 + x, 1 + y); }));
}

TEST(StretchDIBits, IndexPastThePaletteIsBlack)
{
    MemoryDib dib(2, 1, 8, {Quad(RGB(9, 9, 9)), Quad(RGB(50, 60, 70))});
    dib.SetIndex(0, 0, 1);
    dib.SetIndex(1, 0, 200);
    PixelCanvas target(2, 1, false, Background);
    StretchDIBits(target.Dc(), 0, 0, 2, 1, 0, 0, 2, 1, dib.Bits(), dib.Info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_TRUE(target.Matches([](int x, int) { return x == 0 ? RGB(50, 60, 70) : kBlack; }));
}

TEST(StretchDIBits, MonochromeTargetTakesTheNearerOfBlackAndWhite)
{
    MemoryDib dib(3, 1, 24);
    dib.SetColour(0, 0, RGB(200, 180, 190));
    dib.SetColour(1, 0, RGB(40, 60, 20));
    dib.SetColour(2, 0, RGB(255, 255, 0));
    PixelCanvas target(3, 1, true, [](int, int) { return kBlack; });
    StretchDIBits(target.Dc(), 0, 0, 3, 1, 0, 0, 3, 1, dib.Bits(), dib.Info(), DIB_RGB_COLORS, SRCCOPY);
    EXPECT_TRUE(target.Matches([](int x, int) { return x == 1 ? kBlack : kWhite; }));
}

TEST(StretchDIBits, RejectsOtherDibs)
{
    PixelCanvas target(2, 2, false, Background);
    MemoryDib thirtyTwo(2, 2, 32);
    // A JPEG-compressed DIB is not one the transfers read.
    BITMAPINFO jpeg{};
    jpeg.bmiHeader = thirtyTwo.Info()->bmiHeader;
    jpeg.bmiHeader.biCompression = 4;
    MemoryDib good(2, 2, 24);
    SetLastError(0);
    EXPECT_EQ(StretchDIBits(target.Dc(), 0, 0, 2, 2, 0, 0, 2, 2, thirtyTwo.Bits(), &jpeg, DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(StretchDIBits(target.Dc(), 0, 0, 2, 2, 0, 0, 2, 2, good.Bits(), good.Info(), 1, SRCCOPY), 0);
    EXPECT_EQ(StretchDIBits(target.Dc(), 0, 0, 2, 2, 0, 0, 2, 2, nullptr, good.Info(), DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(SetDIBitsToDevice(target.Dc(), 0, 0, 2, 2, 0, 0, 0, 2, thirtyTwo.Bits(), &jpeg, DIB_RGB_COLORS), 0);
    EXPECT_EQ(StretchDIBits(nullptr, 0, 0, 2, 2, 0, 0, 2, 2, good.Bits(), good.Info(), DIB_RGB_COLORS, SRCCOPY), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(target.Matches(Background));
}

TEST(SetDIBitsToDevice, PaintsOnlyTheScanLinesGiven)
{
    // A bottom-up DIB of four rows; the buffer holds scan lines 1 and 2 (picture rows 2 and 1).
    MemoryDib dib(3, 4, 24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x)
            dib.SetColour(x, y, SourceColour(x, y));
    const BYTE* band = dib.Bits() + dib.Stride(); // scan line 1
    PixelCanvas target(3, 4, false, Background);
    EXPECT_EQ(SetDIBitsToDevice(target.Dc(), 0, 0, 3, 4, 0, 0, 1, 2, band, dib.Info(), DIB_RGB_COLORS), 2);
    EXPECT_TRUE(target.Matches([](int x, int y) { return y == 1 || y == 2 ? SourceColour(x, y) : Background(x, y); }));
}

TEST(SetDIBitsToDevice, SourceOffsetCountsFromTheBottomLeft)
{
    MemoryDib dib(4, 4, 24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            dib.SetColour(x, y, SourceColour(x, y));
    PixelCanvas target(2, 2, false, Background);
    // (1, 1) from the bottom-left, 2 x 2: picture columns 1-2, rows 1-2.
    SetDIBitsToDevice(target.Dc(), 0, 0, 2, 2, 1, 1, 0, 4, dib.Bits(), dib.Info(), DIB_RGB_COLORS);
    EXPECT_TRUE(target.Matches([](int x, int y) { return SourceColour(1 + x, 1 + y); }));
}

// GetDIBits at the palette depths: the standard palette, each pixel its nearest entry.
struct ReadCase {
    const char* name;
    int bitsPerPixel;
    COLORREF pixel;
    BYTE index;
    COLORREF entry;
};

class GetDIBitsDepths : public ::testing::TestWithParam<ReadCase> {};

TEST_P(GetDIBitsDepths, FillThePaletteAndPickTheNearestEntry)
{
    const ReadCase& c = GetParam();
    PixelCanvas source(9, 2, false, [&](int x, int y) { return x == 7 && y == 0 ? c.pixel : kBlack; });
    const int entries = 1 << c.bitsPerPixel;
    MemoryDib dib(9, 2, c.bitsPerPixel, std::vector<RGBQUAD>(static_cast<std::size_t>(entries), RGBQUAD{1, 2, 3, 4}));
    auto* info = const_cast<BITMAPINFO*>(dib.Info());
    ASSERT_EQ(GetDIBits(source.Dc(), source.Bitmap(), 0, 2, dib.Bits(), info, DIB_RGB_COLORS), 2);

    const RGBQUAD* palette = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) + 40);
    const RGBQUAD& chosen = palette[c.index];
    EXPECT_EQ(RGB(chosen.rgbRed, chosen.rgbGreen, chosen.rgbBlue), c.entry);
    EXPECT_EQ(RGB(palette[0].rgbRed, palette[0].rgbGreen, palette[0].rgbBlue), kBlack);
    // Picture row 0 is the top, the DIB's last scan line.
    const BYTE* top = dib.Bits() + dib.Stride();
    const int shift = 8 - c.bitsPerPixel - (7 * c.bitsPerPixel) % 8;
    const BYTE value = c.bitsPerPixel == 8 ? top[7] : static_cast<BYTE>((top[7 * c.bitsPerPixel / 8] >> shift) & (entries - 1));
    EXPECT_EQ(value, c.index);
    EXPECT_EQ(top[0] & (c.bitsPerPixel == 8 ? 0xFF : c.bitsPerPixel == 4 ? 0xF0 : 0x80), 0); // black is entry 0
}

INSTANTIATE_TEST_SUITE_P(Reads, GetDIBitsDepths,
                         ::testing::Values(ReadCase{"WhiteAtOneBit", 1, kWhite, 1, kWhite},
                                           ReadCase{"LightGreyAtOneBit", 1, RGB(170, 170, 170), 1, kWhite},
                                           ReadCase{"RedAtFourBits", 4, RGB(250, 10, 5), 9, RGB(255, 0, 0)},
                                           ReadCase{"SilverAtFourBits", 4, RGB(190, 195, 190), 7, RGB(192, 192, 192)},
                                           ReadCase{"CubeColourAtEightBits", 8, RGB(51, 102, 153),
                                                    static_cast<BYTE>(16 + 36 * 1 + 6 * 2 + 3), RGB(51, 102, 153)},
                                           ReadCase{"GreyAtEightBits", 8, RGB(110, 109, 108), 242, RGB(108, 108, 108)}),
                         [](const ::testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

TEST(GetDIBits, MonochromeBitmapReadsBackBitForBit)
{
    const auto checker = [](int x, int y) { return (x + y) % 2 ? kWhite : kBlack; };
    PixelCanvas source(11, 3, true, checker);
    MemoryDib dib(11, -3, 1, {RGBQUAD{}, RGBQUAD{}});
    auto* info = const_cast<BITMAPINFO*>(dib.Info());
    ASSERT_EQ(GetDIBits(source.Dc(), source.Bitmap(), 0, 3, dib.Bits(), info, DIB_RGB_COLORS), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 11; ++x)
            EXPECT_EQ((dib.Row(y)[x / 8] >> (7 - x % 8)) & 1, (x + y) % 2) << x << "," << y;
}

} // namespace
} // namespace zv::gdi::test
