// Hatched and patterned brushes, PatBlt, polygon fill modes, combined regions and palettes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/pixel_canvas.h"
#include "platform/win32/last_error.h"

namespace zv::gdi::test {
namespace {

constexpr COLORREF kInk = RGB(200, 10, 20);
constexpr COLORREF kPaper = RGB(240, 240, 200);
constexpr COLORREF kOld = RGB(1, 2, 3);

PixelFill Plain(COLORREF colour)
{
    return [colour](int, int) { return colour; };
}

int CountOf(const std::vector<COLORREF>& pixels, COLORREF colour)
{
    return static_cast<int>(std::count(pixels.begin(), pixels.end(), colour));
}

struct HatchCase {
    const char* name;
    int style;
    int inked; // of the 64 pixels of one cell
    bool (*onLine)(int x, int y);
};

class HatchBrushes : public ::testing::TestWithParam<HatchCase> {};

TEST_P(HatchBrushes, LinesInTheColourGapsInTheBackground)
{
    const HatchCase& c = GetParam();
    PixelCanvas canvas(16, 16, false, Plain(kOld));
    SetBkColor(canvas.Dc(), kPaper);
    HBRUSH brush = CreateHatchBrush(c.style, kInk);
    ASSERT_NE(brush, nullptr);
    const RECT all{0, 0, 16, 16};
    FillRect(canvas.Dc(), &all, brush);
    EXPECT_TRUE(canvas.Matches([&](int x, int y) { return c.onLine(x % 8, y % 8) ? kInk : kPaper; }));
    EXPECT_EQ(CountOf(canvas.Pixels(), kInk), 4 * c.inked);

    // Transparent mode keeps what lay between the lines.
    PixelCanvas clear(8, 8, false, Plain(kOld));
    SetBkMode(clear.Dc(), TRANSPARENT);
    const RECT cell{0, 0, 8, 8};
    FillRect(clear.Dc(), &cell, brush);
    EXPECT_TRUE(clear.Matches([&](int x, int y) { return c.onLine(x, y) ? kInk : kOld; }));
    LOGBRUSH described{};
    EXPECT_EQ(GetObjectA(brush, sizeof described, &described), int(sizeof described));
    EXPECT_EQ(described.lbStyle, BS_HATCHED);
    EXPECT_EQ(described.lbHatch, ULONG_PTR(c.style));
    DeleteObject(brush);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, HatchBrushes,
    ::testing::Values(HatchCase{"Horizontal", HS_HORIZONTAL, 8, [](int, int y) { return y == 0; }},
                      HatchCase{"Vertical", HS_VERTICAL, 8, [](int x, int) { return x == 0; }},
                      // Forward diagonals run from the top left down to the bottom right.
                      HatchCase{"Forward", HS_FDIAGONAL, 8, [](int x, int y) { return x == y; }},
                      HatchCase{"Backward", HS_BDIAGONAL, 8, [](int x, int y) { return x + y == 7; }},
                      HatchCase{"Cross", HS_CROSS, 15, [](int x, int y) { return x == 0 || y == 0; }},
                      HatchCase{"DiagonalCross", HS_DIAGCROSS, 16, [](int x, int y) { return x == y || x + y == 7; }}),
    [](const auto& info) { return info.param.name; });

TEST(PatternBrushes, NeighbouringFillsLineUp)
{
    // Two fills that meet paint what one fill over both would.
    PixelCanvas split(13, 11, false, Plain(kOld));
    PixelCanvas whole(13, 11, false, Plain(kOld));
    HBRUSH brush = CreateHatchBrush(HS_DIAGCROSS, kInk);
    const RECT left{0, 0, 5, 11}, right{5, 0, 13, 11}, all{0, 0, 13, 11};
    FillRect(split.Dc(), &left, brush);
    FillRect(split.Dc(), &right, brush);
    FillRect(whole.Dc(), &all, brush);
    EXPECT_EQ(split.Pixels(), whole.Pixels());
    DeleteObject(brush);
}

TEST(PatternBrushes, BitmapPatternsRepeat)
{
    const COLORREF cell[4] = {RGB(10, 0, 0), RGB(0, 20, 0), RGB(0, 0, 30), RGB(40, 40, 40)};
    PixelCanvas source(2, 2, false, [&](int x, int y) { return cell[y * 2 + x]; });
    // The bitmap must leave its context before it can become a brush's picture elsewhere; the
    // brush copies the pixels, so the canvas may keep it.
    HBRUSH brush = CreatePatternBrush(source.Bitmap());
    ASSERT_NE(brush, nullptr);
    PixelCanvas target(5, 3, false, Plain(kOld));
    const RECT all{0, 0, 5, 3};
    FillRect(target.Dc(), &all, brush);
    EXPECT_TRUE(target.Matches([&](int x, int y) { return cell[(y % 2) * 2 + x % 2]; }));
    DeleteObject(brush);
}

TEST(PatternBrushes, MonochromePatternsTakeTextAndBackgroundColours)
{
    PixelCanvas source(2, 1, true, [](int x, int) { return x == 0 ? kBlack : kWhite; });
    HBRUSH brush = CreatePatternBrush(source.Bitmap());
    ASSERT_NE(brush, nullptr);
    PixelCanvas target(4, 1, false, Plain(kOld));
    SetTextColor(target.Dc(), kInk);
    SetBkColor(target.Dc(), kPaper);
    SetBkMode(target.Dc(), TRANSPARENT); // does not apply to pattern brushes
    const RECT all{0, 0, 4, 1};
    FillRect(target.Dc(), &all, brush);
    EXPECT_EQ(target.Pixels(), (std::vector<COLORREF>{kInk, kPaper, kInk, kPaper}));
    DeleteObject(brush);
}

TEST(PatternBrushes, DibPatternsAndIndirectBrushes)
{
    // A 2 x 1 24-bit DIB: blue then red.
    std::vector<BYTE> dib(sizeof(BITMAPINFOHEADER) + 8);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = 2;
    header.biHeight = 1;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::memcpy(dib.data(), &header, sizeof header);
    const BYTE pixels[6] = {255, 0, 0, 0, 0, 255};
    std::memcpy(dib.data() + sizeof header, pixels, sizeof pixels);
    const LOGBRUSH kinds[] = {{BS_DIBPATTERNPT, DIB_RGB_COLORS, reinterpret_cast<ULONG_PTR>(dib.data())},
                              {BS_HATCHED, kInk, HS_VERTICAL},
                              {BS_SOLID, kInk, 0}};
    const std::vector<COLORREF> expected[] = {{RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 0, 255)},
                                              {kInk, kPaper, kPaper},
                                              {kInk, kInk, kInk}};
    for (std::size_t i = 0; i < std::size(kinds); ++i) {
        HBRUSH brush = CreateBrushIndirect(&kinds[i]);
        ASSERT_NE(brush, nullptr) << i;
        PixelCanvas target(3, 1, false, Plain(kOld));
        SetBkColor(target.Dc(), kPaper);
        const RECT all{0, 0, 3, 1};
        FillRect(target.Dc(), &all, brush);
        EXPECT_EQ(target.Pixels(), expected[i]) << i;
        DeleteObject(brush);
    }
    const LOGBRUSH bad{99, 0, 0};
    EXPECT_EQ(CreateBrushIndirect(&bad), nullptr);
    EXPECT_EQ(CreateHatchBrush(6, kInk), nullptr);
}

struct PatBltCase {
    const char* name;
    DWORD rop;
    COLORREF result;
};

class PatBltCodes : public ::testing::TestWithParam<PatBltCase> {};

TEST_P(PatBltCodes, PaintTheRectangleOnly)
{
    const PatBltCase& c = GetParam();
    PixelCanvas canvas(4, 3, false, Plain(RGB(0x0F, 0xF0, 0x55)));
    HBRUSH brush = CreateSolidBrush(RGB(0xFF, 0x0F, 0x50));
    HGDIOBJ old = SelectObject(canvas.Dc(), brush);
    EXPECT_TRUE(PatBlt(canvas.Dc(), 1, 1, 2, 1, c.rop));
    EXPECT_TRUE(canvas.Matches([&](int x, int y) { return y == 1 && x >= 1 && x < 3 ? c.result : RGB(0x0F, 0xF0, 0x55); }));
    SelectObject(canvas.Dc(), old);
    DeleteObject(brush);
}

INSTANTIATE_TEST_SUITE_P(Codes, PatBltCodes,
                         ::testing::Values(PatBltCase{"PatCopy", PATCOPY, RGB(0xFF, 0x0F, 0x50)},
                                           PatBltCase{"PatInvert", PATINVERT, RGB(0xF0, 0xFF, 0x05)},
                                           PatBltCase{"DstInvert", DSTINVERT, RGB(0xF0, 0x0F, 0xAA)},
                                           PatBltCase{"Blackness", BLACKNESS, RGB(0, 0, 0)},
                                           PatBltCase{"Whiteness", WHITENESS, RGB(255, 255, 255)}),
                         [](const auto& info) { return info.param.name; });

TEST(PatBlt, NegativeSizesReachBackAndOtherCodesFail)
{
    PixelCanvas canvas(4, 1, false, Plain(kOld));
    EXPECT_TRUE(PatBlt(canvas.Dc(), 3, 0, -2, 1, BLACKNESS));
    EXPECT_EQ(canvas.Pixels(), (std::vector<COLORREF>{kOld, kBlack, kBlack, kOld}));
    SetLastError(0);
    EXPECT_FALSE(PatBlt(canvas.Dc(), 0, 0, 1, 1, SRCCOPY));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

// Filled pixels of polygons drawn without an outline.
int FilledPixels(const std::vector<POINT>& points, const std::vector<INT>& counts, int mode)
{
    PixelCanvas canvas(20, 20, false, Plain(kWhite));
    HBRUSH brush = CreateSolidBrush(kInk);
    HGDIOBJ oldBrush = SelectObject(canvas.Dc(), brush);
    HGDIOBJ oldPen = SelectObject(canvas.Dc(), GetStockObject(NULL_PEN));
    EXPECT_EQ(SetPolyFillMode(canvas.Dc(), mode), ALTERNATE);
    EXPECT_EQ(GetPolyFillMode(canvas.Dc()), mode);
    EXPECT_TRUE(PolyPolygon(canvas.Dc(), points.data(), counts.data(), static_cast<int>(counts.size())));
    SelectObject(canvas.Dc(), oldPen);
    SelectObject(canvas.Dc(), oldBrush);
    DeleteObject(brush);
    return CountOf(canvas.Pixels(), kInk);
}

TEST(PolyPolygon, FillModesDecideHoles)
{
    const std::vector<POINT> outer = {{2, 2}, {18, 2}, {18, 18}, {2, 18}};
    const std::vector<POINT> innerSame = {{6, 6}, {14, 6}, {14, 14}, {6, 14}};
    const std::vector<POINT> innerOpposite = {{6, 6}, {6, 14}, {14, 14}, {14, 6}};
    auto join = [](std::vector<POINT> a, const std::vector<POINT>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    // Without a pen the right column and bottom row are not filled: 16 x 16 minus 8 x 8.
    EXPECT_EQ(FilledPixels(join(outer, innerSame), {4, 4}, ALTERNATE), 16 * 16 - 8 * 8);
    EXPECT_EQ(FilledPixels(join(outer, innerSame), {4, 4}, WINDING), 16 * 16);
    EXPECT_EQ(FilledPixels(join(outer, innerOpposite), {4, 4}, WINDING), 16 * 16 - 8 * 8);
    // A figure crossing itself: its middle is inside twice.
    const std::vector<POINT> bow = {{2, 2}, {18, 2}, {18, 10}, {6, 10}, {6, 6}, {14, 6}, {14, 18}, {2, 18}};
    EXPECT_LT(FilledPixels(bow, {8}, ALTERNATE), FilledPixels(bow, {8}, WINDING));
    EXPECT_FALSE(PolyPolygon(nullptr, outer.data(), nullptr, 1));
}

// Pixels a region covers inside a 10 x 10 canvas.
int RegionArea(HRGN region)
{
    PixelCanvas canvas(10, 10, false, Plain(kWhite));
    ExtSelectClipRgn(canvas.Dc(), region, RGN_COPY);
    const RECT all{0, 0, 10, 10};
    FillRect(canvas.Dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return CountOf(canvas.Pixels(), kBlack);
}

TEST(Regions, CombineAndPolygons)
{
    struct Case {
        int mode;
        int area;
    };
    // Two 4 x 4 squares overlapping in 2 x 2.
    const Case cases[] = {{RGN_AND, 4}, {RGN_OR, 28}, {RGN_XOR, 24}, {RGN_DIFF, 12}, {RGN_COPY, 16}};
    for (const Case& c : cases) {
        HRGN a = CreateRectRgn(0, 0, 4, 4);
        HRGN b = CreateRectRgn(2, 2, 6, 6);
        HRGN result = CreateRectRgn(0, 0, 0, 0);
        EXPECT_NE(CombineRgn(result, a, b, c.mode), ERROR) << c.mode;
        EXPECT_EQ(RegionArea(result), c.area) << c.mode;
        for (HRGN region : {a, b, result})
            DeleteObject(region);
    }
    const POINT triangle[3] = {{0, 0}, {8, 0}, {0, 8}};
    HRGN polygon = CreatePolygonRgn(triangle, 3, ALTERNATE);
    ASSERT_NE(polygon, nullptr);
    EXPECT_EQ(RegionArea(polygon), 28); // pixels whose centres lie inside: 7 + 6 + ... + 1
    DeleteObject(polygon);
    EXPECT_EQ(CreatePolygonRgn(triangle, 2, ALTERNATE), nullptr);
    EXPECT_EQ(CombineRgn(nullptr, nullptr, nullptr, RGN_OR), ERROR);
}

TEST(Palettes, MadeSelectedAndRead)
{
    std::vector<BYTE> record(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(record.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = 3;
    PALETTEENTRY* entries = logical->palPalEntry;
    entries[0] = {1, 2, 3, 0};
    entries[1] = {4, 5, 6, 0};
    entries[2] = {7, 8, 9, 0};
    HPALETTE palette = CreatePalette(logical);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 3u);
    PALETTEENTRY read[3]{};
    EXPECT_EQ(GetPaletteEntries(palette, 1, 5, read), 2u);
    EXPECT_EQ(read[1].peBlue, 9);

    PixelCanvas canvas(2, 2, false, Plain(kOld));
    EXPECT_EQ(SelectPalette(canvas.Dc(), palette, FALSE), nullptr); // the default one was selected
    EXPECT_EQ(SelectPalette(canvas.Dc(), palette, FALSE), palette);
    EXPECT_EQ(RealizePalette(canvas.Dc()), 0u);
    EXPECT_TRUE(canvas.Matches(Plain(kOld)));

    logical->palVersion = 0x200;
    EXPECT_EQ(CreatePalette(logical), nullptr);
    logical->palVersion = 0x300;
    logical->palNumEntries = 0;
    EXPECT_EQ(CreatePalette(logical), nullptr);
    DeleteObject(palette);
}

} // namespace
} // namespace zv::gdi::test
