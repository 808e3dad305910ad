#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/pixel_canvas.h"
#include "platform/win32/last_error.h"

namespace zv::gdi::test {
namespace {

constexpr int kWidth = 6;
constexpr int kHeight = 5;

COLORREF SourceColour(int x, int y) { return RGB(x * 40, y * 50, 100 + x * 10); }
COLORREF TargetColour(int x, int y) { return RGB(200 - y * 20, x * 30, 77); }
COLORREF Checker(int x, int y) { return (x + y) % 2 ? kWhite : kBlack; }
COLORREF Stripes(int x, int) { return x % 3 == 0 ? kWhite : kBlack; }

constexpr COLORREF kKey = RGB(10, 200, 30);
constexpr COLORREF kText = RGB(200, 0, 0);
constexpr COLORREF kBackground = RGB(0, 0, 150);
// Key-coloured on the diagonal, ordinary colours elsewhere.
COLORREF Keyed(int x, int y) { return x == y ? kKey : SourceColour(x, y); }

struct RopCase {
    const char* name;
    bool sourceMonochrome;
    bool targetMonochrome;
    COLORREF (*source)(int, int);
    COLORREF (*target)(int, int);
    DWORD rop;
    COLORREF (*expected)(int, int);
};

class RasterOps : public ::testing::TestWithParam<RopCase> {};

TEST_P(RasterOps, CombineSourceAndTargetPixels)
{
    const RopCase& c = GetParam();
    PixelCanvas source(kWidth, kHeight, c.sourceMonochrome, c.source);
    PixelCanvas target(kWidth, kHeight, c.targetMonochrome, c.target);
    // Colour to monochrome keys on the source's background; monochrome to colour paints with the
    // target's text and background colours.
    SetBkColor(source.Dc(), kKey);
    SetTextColor(target.Dc(), kText);
    SetBkColor(target.Dc(), kBackground);

    ASSERT_TRUE(BitBlt(target.Dc(), 0, 0, kWidth, kHeight, source.Dc(), 0, 0, c.rop));
    EXPECT_TRUE(target.Matches(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Blits, RasterOps,
    ::testing::Values(
        RopCase{"ColourCopy", false, false, SourceColour, TargetColour, SRCCOPY, SourceColour},
        RopCase{"ColourAnd", false, false, SourceColour, TargetColour, SRCAND,
                [](int x, int y) { return SourceColour(x, y) & TargetColour(x, y); }},
        RopCase{"ColourInvert", false, false, SourceColour, TargetColour, SRCINVERT,
                [](int x, int y) { return SourceColour(x, y) ^ TargetColour(x, y); }},
        RopCase{"MonochromeToColourCopy", true, false, Checker, TargetColour, SRCCOPY,
                [](int x, int y) { return Checker(x, y) == kWhite ? kBackground : kText; }},
        RopCase{"MonochromeToColourAnd", true, false, Checker, TargetColour, SRCAND,
                [](int x, int y) { return (Checker(x, y) == kWhite ? kBackground : kText) & TargetColour(x, y); }},
        RopCase{"MonochromeToColourInvert", true, false, Checker, TargetColour, SRCINVERT,
                [](int x, int y) { return (Checker(x, y) == kWhite ? kBackground : kText) ^ TargetColour(x, y); }},
        RopCase{"ColourToMonochromeCopy", false, true, Keyed, Stripes, SRCCOPY,
                [](int x, int y) { return x == y ? kWhite : kBlack; }},
        RopCase{"ColourToMonochromeInvert", false, true, Keyed, Stripes, SRCINVERT,
                [](int x, int y) { return (x == y) != (Stripes(x, y) == kWhite) ? kWhite : kBlack; }},
        RopCase{"MonochromeCopy", true, true, Checker, Stripes, SRCCOPY, Checker},
        RopCase{"MonochromeAnd", true, true, Checker, Stripes, SRCAND,
                [](int x, int y) { return Checker(x, y) & Stripes(x, y); }},
        RopCase{"MonochromeInvert", true, true, Checker, Stripes, SRCINVERT,
                [](int x, int y) { return Checker(x, y) ^ Stripes(x, y); }}),
    [](const ::testing::TestParamInfo<RopCase>& info) { return info.param.name; });

TEST(BitBlt, OffsetsCopyOnlyWhatBothSurfacesHold)
{
    PixelCanvas source(kWidth, kHeight, false, SourceColour);
    PixelCanvas target(kWidth, kHeight, false, TargetColour);
    // Starts one column into the source and runs past the right and bottom of both surfaces.
    ASSERT_TRUE(BitBlt(target.Dc(), 2, 1, 20, 20, source.Dc(), 1, 0, SRCCOPY));
    EXPECT_TRUE(target.Matches([](int x, int y) {
        const bool copied = x >= 2 && y >= 1 && x - 1 < kWidth && y - 1 < kHeight;
        return copied ? SourceColour(x - 1, y - 1) : TargetColour(x, y);
    }));
}

TEST(BitBlt, SourceOutsideItsSurfaceLeavesTheTargetAlone)
{
    PixelCanvas source(kWidth, kHeight, false, SourceColour);
    PixelCanvas target(kWidth, kHeight, false, TargetColour);
    ASSERT_TRUE(BitBlt(target.Dc(), 0, 0, kWidth, kHeight, source.Dc(), -2, 3, SRCCOPY));
    EXPECT_TRUE(target.Matches([](int x, int y) {
        const int sx = x - 2;
        const int sy = y + 3;
        return sx >= 0 && sy < kHeight ? SourceColour(sx, sy) : TargetColour(x, y);
    }));
}

TEST(BitBlt, WithinOneSurfaceReadsThePictureAsItWasBefore)
{
    PixelCanvas canvas(kWidth, kHeight, false, SourceColour);
    ASSERT_TRUE(BitBlt(canvas.Dc(), 1, 1, kWidth, kHeight, canvas.Dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(canvas.Matches([](int x, int y) { return x >= 1 && y >= 1 ? SourceColour(x - 1, y - 1) : SourceColour(x, y); }));
}

TEST(BitBlt, OntoTheScreenContext)
{
    PixelCanvas source(kWidth, kHeight, false, SourceColour);
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(BitBlt(screen, 3, 4, kWidth, kHeight, source.Dc(), 0, 0, SRCCOPY));
    PixelCanvas copy(kWidth, kHeight, false, TargetColour);
    ASSERT_TRUE(BitBlt(copy.Dc(), 0, 0, kWidth, kHeight, screen, 3, 4, SRCCOPY));
    EXPECT_TRUE(copy.Matches(SourceColour));
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

TEST(BitBlt, ZeroSizeDrawsNothing)
{
    PixelCanvas source(kWidth, kHeight, false, SourceColour);
    PixelCanvas target(kWidth, kHeight, false, TargetColour);
    EXPECT_TRUE(BitBlt(target.Dc(), 0, 0, 0, kHeight, source.Dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(target.Matches(TargetColour));
}

struct RejectedBlit {
    const char* name;
    bool validTarget;
    bool validSource;
    int cx;
    DWORD rop;
    DWORD error;
};

class RejectedBlits : public ::testing::TestWithParam<RejectedBlit> {};

TEST_P(RejectedBlits, FailAndPaintNothing)
{
    const RejectedBlit& c = GetParam();
    PixelCanvas source(kWidth, kHeight, false, SourceColour);
    PixelCanvas target(kWidth, kHeight, false, TargetColour);
    HDC to = c.validTarget ? target.Dc() : reinterpret_cast<HDC>(target.Bitmap());
    HDC from = c.validSource ? source.Dc() : nullptr;
    SetLastError(0);
    EXPECT_FALSE(BitBlt(to, 0, 0, c.cx, kHeight, from, 0, 0, c.rop));
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_FALSE(StretchBlt(to, 0, 0, c.cx, kHeight, from, 0, 0, kWidth, kHeight, c.rop));
    EXPECT_TRUE(target.Matches(TargetColour));
}

INSTANTIATE_TEST_SUITE_P(
    Blits, RejectedBlits,
    ::testing::Values(RejectedBlit{"PatternRasterCode", true, true, kWidth, 0x00C000CA, ERROR_NOT_SUPPORTED},
                      RejectedBlit{"Mirrored", true, true, -kWidth, SRCCOPY, ERROR_NOT_SUPPORTED},
                      RejectedBlit{"NoTarget", false, true, kWidth, SRCCOPY, ERROR_INVALID_HANDLE},
                      RejectedBlit{"NoSource", true, false, kWidth, SRCCOPY, ERROR_INVALID_HANDLE}),
    [](const ::testing::TestParamInfo<RejectedBlit>& info) { return info.param.name; });

TEST(BitBlt, FromA24BitSectionIntoA32BitBitmapWithinTheClip)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = kHeight; // bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    HDC sourceDc = CreateCompatibleDC(nullptr);
    SelectObject(sourceDc, section);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            SetPixel(sourceDc, x, y, SourceColour(x, y));
    }
    PixelCanvas target(kWidth, kHeight, false, TargetColour);
    const RECT clip{1, 2, kWidth - 1, kHeight - 1};
    HRGN region = CreateRectRgnIndirect(&clip);
    ExtSelectClipRgn(target.Dc(), region, RGN_COPY);
    DeleteObject(region);
    ASSERT_TRUE(BitBlt(target.Dc(), 0, 0, kWidth, kHeight, sourceDc, 0, 0, SRCCOPY));
    EXPECT_TRUE(target.Matches([&](int x, int y) {
        const bool inside = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
        return inside ? SourceColour(x, y) : TargetColour(x, y);
    }));
    DeleteDC(sourceDc);
    DeleteObject(section);
}

} // namespace
} // namespace zv::gdi::test
