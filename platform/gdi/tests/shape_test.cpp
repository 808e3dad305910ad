#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/pixel_canvas.h"
#include "platform/win32/last_error.h"

namespace zv::gdi::test {
namespace {

constexpr COLORREF kRed = RGB(220, 30, 40);
constexpr COLORREF kBlue = RGB(20, 40, 200);

// Pictures of 8 x 8 canvases, one letter per pixel.
const std::map<char, COLORREF> kLegend = {
    {'.', kWhite},
    {'#', kBlack},
    {'r', kRed},
    {'b', kBlue},
    {'S', GetSysColor(COLOR_BTNSHADOW)},
    {'H', GetSysColor(COLOR_BTNHIGHLIGHT)},
    {'D', GetSysColor(COLOR_3DDKSHADOW)},
    {'L', GetSysColor(COLOR_3DLIGHT)},
    {'F', GetSysColor(COLOR_BTNFACE)},
};

PixelFill Picture(std::vector<std::string> rows)
{
    return [rows = std::move(rows)](int x, int y) { return kLegend.at(rows.at(y).at(x)); };
}

void ClipTo(HDC dc, const RECT& rect)
{
    HRGN region = CreateRectRgnIndirect(&rect);
    ExtSelectClipRgn(dc, region, RGN_COPY);
    DeleteObject(region);
}

// Selects a new pen and brush for the call and deletes them afterwards.
void WithTools(HDC dc, HPEN pen, HBRUSH brush, const std::function<void()>& draw)
{
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    draw();
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

struct ShapeCase {
    const char* name;
    std::function<void(HDC)> draw;
    std::vector<std::string> picture;
};

class Shapes : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(Shapes, PaintTheExpectedPicture)
{
    PixelCanvas canvas(8, 8, false, [](int, int) { return kWhite; });
    GetParam().draw(canvas.Dc());
    EXPECT_TRUE(canvas.Matches(Picture(GetParam().picture)));
}

INSTANTIATE_TEST_SUITE_P(
    Gdi, Shapes,
    ::testing::Values(
        ShapeCase{"LineLeavesOutItsEndPoint",
                  [](HDC dc) {
                      MoveToEx(dc, 1, 1, nullptr);
                      LineTo(dc, 6, 1);
                      LineTo(dc, 6, 4);
                      LineTo(dc, 3, 7);
                  },
                  {"........", ".######.", "......#.", "......#.", "......#.", ".....#..", "....#...", "........"}},
        ShapeCase{"WidePenIsASquareStamp",
                  [](HDC dc) {
                      WithTools(dc, CreatePen(PS_SOLID, 3, kRed), CreateSolidBrush(kWhite), [dc] {
                          MoveToEx(dc, 2, 3, nullptr);
                          LineTo(dc, 5, 3);
                      });
                  },
                  {"........", "........", ".rrrrr..", ".rrrrr..", ".rrrrr..", "........", "........", "........"}},
        ShapeCase{"DotsLeaveGapsWhenTransparent",
                  [](HDC dc) {
                      SetBkMode(dc, TRANSPARENT);
                      WithTools(dc, CreatePen(PS_DOT, 1, kRed), CreateSolidBrush(kWhite), [dc] {
                          MoveToEx(dc, 0, 2, nullptr);
                          LineTo(dc, 8, 2);
                      });
                  },
                  {"........", "........", "r.r.r.r.", "........", "........", "........", "........", "........"}},
        ShapeCase{"DotGapsTakeTheBackgroundWhenOpaque",
                  [](HDC dc) {
                      SetBkMode(dc, OPAQUE);
                      SetBkColor(dc, kBlue);
                      WithTools(dc, CreatePen(PS_DOT, 1, kRed), CreateSolidBrush(kWhite), [dc] {
                          MoveToEx(dc, 2, 0, nullptr);
                          LineTo(dc, 2, 6);
                      });
                  },
                  {"..r.....", "..b.....", "..r.....", "..b.....", "..r.....", "..b.....", "........", "........"}},
        ShapeCase{"LinesStayInsideTheClipRegion",
                  [](HDC dc) {
                      ClipTo(dc, RECT{2, 0, 5, 8});
                      MoveToEx(dc, 0, 0, nullptr);
                      LineTo(dc, 8, 8);
                  },
                  {"........", "........", "..#.....", "...#....", "....#...", "........", "........", "........"}},
        ShapeCase{"NullPenDrawsNothing",
                  [](HDC dc) {
                      SelectObject(dc, GetStockObject(NULL_PEN));
                      const POINT points[] = {{0, 0}, {7, 7}, {0, 7}};
                      EXPECT_TRUE(Polyline(dc, points, 3));
                  },
                  {"........", "........", "........", "........", "........", "........", "........", "........"}},
        ShapeCase{"RectangleOutlinesAndFills",
                  [](HDC dc) {
                      WithTools(dc, CreatePen(PS_SOLID, 1, kBlack), CreateSolidBrush(kRed),
                                [dc] { EXPECT_TRUE(Rectangle(dc, 1, 1, 6, 5)); });
                  },
                  {"........", ".#####..", ".#rrr#..", ".#rrr#..", ".#####..", "........", "........", "........"}},
        ShapeCase{"RectangleWithoutPenLosesRightAndBottom",
                  [](HDC dc) {
                      SelectObject(dc, GetStockObject(NULL_PEN));
                      SelectObject(dc, GetStockObject(BLACK_BRUSH));
                      EXPECT_TRUE(Rectangle(dc, 1, 1, 6, 5));
                  },
                  {"........", ".####...", ".####...", ".####...", "........", "........", "........", "........"}},
        ShapeCase{"PolygonFillsAndCloses",
                  [](HDC dc) {
                      WithTools(dc, CreatePen(PS_SOLID, 1, kBlue), CreateSolidBrush(kRed), [dc] {
                          const POINT corners[] = {{1, 1}, {6, 1}, {6, 5}, {1, 5}};
                          EXPECT_TRUE(Polygon(dc, corners, 4));
                      });
                  },
                  {"........", ".bbbbbb.", ".brrrrb.", ".brrrrb.", ".brrrrb.", ".bbbbbb.", "........", "........"}},
        ShapeCase{"SunkenEdge",
                  [](HDC dc) {
                      RECT rect{1, 1, 7, 7};
                      EXPECT_TRUE(DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT | BF_ADJUST));
                      EXPECT_EQ(rect.left, 3);
                      EXPECT_EQ(rect.bottom, 5);
                  },
                  {"........", ".SSSSSH.", ".SDDDLH.", ".SD..LH.", ".SD..LH.", ".SLLLLH.", ".HHHHHH.", "........"}},
        ShapeCase{"RaisedEdgeWithMiddle",
                  [](HDC dc) {
                      RECT rect{0, 0, 6, 6};
                      EXPECT_TRUE(DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT | BF_MIDDLE));
                  },
                  {"LLLLLD..", "LHHHSD..", "LHFFSD..", "LHFFSD..", "LSSSSD..", "DDDDDD..", "........", "........"}},
        ShapeCase{"EtchedLineAlongTheTopOnly",
                  [](HDC dc) {
                      RECT rect{1, 2, 7, 6};
                      EXPECT_TRUE(DrawEdge(dc, &rect, EDGE_ETCHED, BF_TOP | BF_ADJUST));
                      EXPECT_EQ(rect.top, 4);
                      EXPECT_EQ(rect.left, 1);
                  },
                  {"........", "........", ".SSSSS..", ".HHHHH..", "........", "........", "........", "........"}},
        ShapeCase{"FocusRectInvertsEveryOtherPixel",
                  [](HDC dc) {
                      const RECT rect{1, 1, 6, 5};
                      EXPECT_TRUE(DrawFocusRect(dc, &rect));
                  },
                  {"........", ".#.#.#..", "........", ".#...#..", "..#.#...", "........", "........", "........"}}),
    [](const ::testing::TestParamInfo<ShapeCase>& info) { return std::string(info.param.name); });

TEST(Shapes, MoveToExReportsThePreviousPosition)
{
    PixelCanvas canvas(4, 4, false, [](int, int) { return kWhite; });
    POINT previous{-1, -1};
    EXPECT_TRUE(MoveToEx(canvas.Dc(), 3, 2, &previous));
    EXPECT_EQ(previous.x, 0);
    EXPECT_TRUE(LineTo(canvas.Dc(), 1, 1));
    EXPECT_TRUE(MoveToEx(canvas.Dc(), 0, 0, &previous));
    EXPECT_EQ(previous.x, 1);
    EXPECT_EQ(previous.y, 1);
    SetLastError(0);
    EXPECT_FALSE(LineTo(nullptr, 1, 1));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Shapes, FocusRectTwiceLeavesNoTrace)
{
    PixelCanvas canvas(9, 7, false, [](int x, int y) { return RGB(x * 20, y * 30, 99); });
    const RECT rect{1, 1, 8, 6};
    EXPECT_TRUE(DrawFocusRect(canvas.Dc(), &rect));
    EXPECT_FALSE(canvas.Matches([](int x, int y) { return RGB(x * 20, y * 30, 99); }));
    EXPECT_TRUE(DrawFocusRect(canvas.Dc(), &rect));
    EXPECT_TRUE(canvas.Matches([](int x, int y) { return RGB(x * 20, y * 30, 99); }));
}

TEST(Shapes, LinesFromFarAwayCostOnlyTheirVisiblePart)
{
    // Without culling, this line would take four billion steps.
    PixelCanvas canvas(8, 8, false, [](int, int) { return kWhite; });
    MoveToEx(canvas.Dc(), -2000000000, -2000000000, nullptr);
    EXPECT_TRUE(LineTo(canvas.Dc(), 2000000000, 2000000000));
    EXPECT_TRUE(canvas.Matches([](int x, int y) { return x == y ? kBlack : kWhite; }));
}

TEST(Shapes, EllipseIsSymmetricFilledAndOutlined)
{
    PixelCanvas canvas(21, 15, false, [](int, int) { return kWhite; });
    SelectObject(canvas.Dc(), GetStockObject(BLACK_BRUSH));
    HPEN pen = CreatePen(PS_SOLID, 2, kRed);
    HGDIOBJ old = SelectObject(canvas.Dc(), pen);
    EXPECT_TRUE(Ellipse(canvas.Dc(), 1, 2, 20, 13));
    SelectObject(canvas.Dc(), old);
    DeleteObject(pen);
    const std::vector<COLORREF> pixels = canvas.Pixels();
    const auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y) * 21 + x]; };
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 21; ++x) {
            EXPECT_EQ(at(x, y), at(20 - x, y)) << x << "," << y; // mirrored about x = 10
            EXPECT_EQ(at(x, y), at(x, 14 - y)) << x << "," << y; // and about y = 7
        }
    EXPECT_EQ(at(10, 7), kBlack);
    EXPECT_EQ(at(1, 7), kRed);
    EXPECT_EQ(at(2, 7), kRed);
    EXPECT_EQ(at(3, 7), kBlack);
    EXPECT_EQ(at(10, 2), kRed);
    EXPECT_EQ(at(1, 2), kWhite);
    EXPECT_EQ(at(0, 7), kWhite);
    EXPECT_EQ(at(10, 1), kWhite);
}

TEST(Shapes, PixelsOutsideTheClipRegionAreInvalid)
{
    PixelCanvas colour(4, 4, false, [](int, int) { return kWhite; });
    PixelCanvas mono(4, 4, true, [](int, int) { return kBlack; });
    ClipTo(colour.Dc(), RECT{0, 0, 2, 4});
    EXPECT_EQ(SetPixel(colour.Dc(), 1, 1, kRed), kRed);
    EXPECT_EQ(GetPixel(colour.Dc(), 1, 1), kRed);
    EXPECT_EQ(SetPixel(colour.Dc(), 2, 1, kRed), CLR_INVALID);
    EXPECT_EQ(GetPixel(colour.Dc(), 2, 1), CLR_INVALID);
    EXPECT_EQ(GetPixel(colour.Dc(), -1, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(mono.Dc(), 0, 0, GetSysColor(COLOR_BTNFACE)), kWhite);
    EXPECT_EQ(GetPixel(mono.Dc(), 4, 0), CLR_INVALID);
}

} // namespace
} // namespace zv::gdi::test
