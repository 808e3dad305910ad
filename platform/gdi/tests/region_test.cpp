#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/region.h"
#include "platform/gdi/tests/gdi_test_support.h"
#include "platform/gdi/tests/pixel_canvas.h"
#include "platform/win32/last_error.h"

namespace zv::gdi::test {
namespace {

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::int64_t Area(const RECT& r) { return std::int64_t{r.right - r.left} * (r.bottom - r.top); }

// Builds a region from rectangles, each joined by the given operation.
struct RegionCase {
    const char* name;
    std::vector<RECT> rects;
    bool intersect; // else union
    int kind;
    RECT box;
    std::int64_t pixels;
};

class Regions : public ::testing::TestWithParam<RegionCase> {};

TEST_P(Regions, CombineIntoDisjointRectangles)
{
    const RegionCase& c = GetParam();
    Region region(c.rects.front());
    for (std::size_t i = 1; i < c.rects.size(); ++i)
        region = c.intersect ? Region::Intersect(region, Region(c.rects[i])) : Region::Union(region, Region(c.rects[i]));
    EXPECT_EQ(region.Kind(), c.kind);
    EXPECT_TRUE(SameRect(region.Box(), c.box));

    // Count the covered pixels inside the box; the rectangles' areas must add up to the same.
    std::int64_t covered = 0;
    for (LONG y = c.box.top; y < c.box.bottom; ++y)
        for (LONG x = c.box.left; x < c.box.right; ++x) {
            bool inAny = c.intersect;
            for (const RECT& r : c.rects) {
                const bool in = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                inAny = c.intersect ? inAny && in : inAny || in;
            }
            EXPECT_EQ(region.Contains(x, y), inAny) << x << "," << y;
            covered += inAny ? 1 : 0;
        }
    std::int64_t sum = 0;
    for (const RECT& r : region.Rects())
        sum += Area(r);
    EXPECT_EQ(covered, c.pixels);
    EXPECT_EQ(sum, c.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, Regions,
    ::testing::Values(
        RegionCase{"Single", {{1, 2, 5, 4}}, false, SIMPLEREGION, {1, 2, 5, 4}, 8},
        RegionCase{"Empty", {{5, 2, 5, 4}}, false, NULLREGION, {0, 0, 0, 0}, 0},
        RegionCase{"Overlap", {{0, 0, 4, 4}, {2, 2, 6, 6}}, true, SIMPLEREGION, {2, 2, 4, 4}, 4},
        RegionCase{"Apart", {{0, 0, 2, 2}, {5, 5, 7, 7}}, true, NULLREGION, {0, 0, 0, 0}, 0},
        RegionCase{"UnionOverlapping", {{0, 0, 4, 4}, {2, 2, 6, 6}}, false, COMPLEXREGION, {0, 0, 6, 6}, 28},
        RegionCase{"UnionSideBySide", {{0, 0, 3, 4}, {3, 0, 8, 4}}, false, SIMPLEREGION, {0, 0, 8, 4}, 32},
        RegionCase{"UnionContained", {{0, 0, 8, 8}, {2, 2, 4, 4}}, false, SIMPLEREGION, {0, 0, 8, 8}, 64},
        RegionCase{"UnionAroundAHole", {{2, 2, 4, 4}, {0, 0, 8, 8}}, false, SIMPLEREGION, {0, 0, 8, 8}, 64},
        RegionCase{"Cross", {{3, 0, 5, 8}, {0, 3, 8, 5}}, false, COMPLEXREGION, {0, 0, 8, 8}, 28}),
    [](const ::testing::TestParamInfo<RegionCase>& info) { return info.param.name; });

COLORREF Grey(int x, int y) { return RGB(x * 10, y * 10, 99); }

class ClipRegion : public ::testing::Test {
protected:
    void Select(RECT rect, int mode, int expectedKind)
    {
        HRGN region = CreateRectRgnIndirect(&rect);
        ASSERT_NE(region, nullptr);
        EXPECT_EQ(ExtSelectClipRgn(canvas.Dc(), region, mode), expectedKind);
        // The context keeps its own copy.
        EXPECT_TRUE(DeleteObject(region));
    }
    RECT ClipBox(int expectedKind)
    {
        RECT box{};
        EXPECT_EQ(GetClipBox(canvas.Dc(), &box), expectedKind);
        return box;
    }

    PixelCanvas canvas{10, 8, false, Grey};
};

TEST_F(ClipRegion, WithoutOneTheWholeSurfaceIsVisible)
{
    EXPECT_TRUE(SameRect(ClipBox(SIMPLEREGION), RECT{0, 0, 10, 8}));
    const RECT outside{10, 0, 12, 3};
    const RECT edge{9, 7, 12, 9};
    EXPECT_FALSE(RectVisible(canvas.Dc(), &outside));
    EXPECT_TRUE(RectVisible(canvas.Dc(), &edge));
}

TEST_F(ClipRegion, AndNarrowsOrWidensCopyReplaces)
{
    Select(RECT{2, 1, 20, 5}, RGN_AND, SIMPLEREGION);
    EXPECT_TRUE(SameRect(ClipBox(SIMPLEREGION), RECT{2, 1, 10, 5}));
    Select(RECT{0, 6, 3, 8}, RGN_OR, COMPLEXREGION);
    EXPECT_TRUE(SameRect(ClipBox(COMPLEXREGION), RECT{0, 1, 10, 8}));
    const RECT gap{0, 0, 2, 6};
    const RECT piece{1, 5, 2, 7};
    EXPECT_FALSE(RectVisible(canvas.Dc(), &gap));
    EXPECT_TRUE(RectVisible(canvas.Dc(), &piece));

    Select(RECT{4, 4, 6, 6}, RGN_COPY, SIMPLEREGION);
    EXPECT_TRUE(SameRect(ClipBox(SIMPLEREGION), RECT{4, 4, 6, 6}));
    Select(RECT{7, 7, 9, 9}, RGN_AND, NULLREGION);
    EXPECT_TRUE(SameRect(ClipBox(NULLREGION), RECT{0, 0, 0, 0}));

    EXPECT_EQ(ExtSelectClipRgn(canvas.Dc(), nullptr, RGN_COPY), SIMPLEREGION);
    EXPECT_TRUE(SameRect(ClipBox(SIMPLEREGION), RECT{0, 0, 10, 8}));
}

// Saving the clip box, narrowing to a rectangle and ORing the saved box back gives the old clip.
TEST_F(ClipRegion, OrWithTheOldBoxRestoresARectangle)
{
    const RECT old = ClipBox(SIMPLEREGION);
    Select(RECT{3, 3, 5, 6}, RGN_AND, SIMPLEREGION);
    Select(old, RGN_OR, SIMPLEREGION);
    EXPECT_TRUE(SameRect(ClipBox(SIMPLEREGION), old));
}

TEST_F(ClipRegion, BlitsPaintOnlyInsideIt)
{
    Select(RECT{1, 1, 4, 3}, RGN_AND, SIMPLEREGION);
    Select(RECT{3, 2, 6, 6}, RGN_OR, COMPLEXREGION);
    // Inverting with white flips each visible pixel exactly once, also where the rectangles overlap.
    PixelCanvas white(10, 8, false, [](int, int) { return kWhite; });
    ASSERT_TRUE(BitBlt(canvas.Dc(), 0, 0, 10, 8, white.Dc(), 0, 0, SRCINVERT));
    EXPECT_TRUE(canvas.Matches([](int x, int y) {
        const bool visible = (x >= 1 && x < 4 && y >= 1 && y < 3) || (x >= 3 && x < 6 && y >= 2 && y < 6);
        return visible ? (Grey(x, y) ^ kWhite) : Grey(x, y);
    }));
}

TEST_F(ClipRegion, DibTransfersPaintOnlyInsideIt)
{
    Select(RECT{2, 2, 5, 4}, RGN_AND, SIMPLEREGION);
    MemoryDib dib(10, 8, 24);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            dib.SetColour(x, y, RGB(250, 0, 0));
    SetDIBitsToDevice(canvas.Dc(), 0, 0, 10, 8, 0, 0, 0, 8, dib.Bits(), dib.Info(), DIB_RGB_COLORS);
    EXPECT_TRUE(canvas.Matches(
        [](int x, int y) { return x >= 2 && x < 5 && y >= 2 && y < 4 ? RGB(250, 0, 0) : Grey(x, y); }));
}

TEST(ClipRegionText, TextStaysInsideIt)
{
    SetFontFileOverride(kRegularFontFile);
    const LOGFONTA font = MakeLogFont(-20);
    Canvas canvas(80, 30, false, &font);
    const RECT clip{10, 0, 30, 30};
    HRGN region = CreateRectRgnIndirect(&clip);
    ASSERT_EQ(ExtSelectClipRgn(canvas.Dc(), region, RGN_AND), SIMPLEREGION);
    DeleteObject(region);
    canvas.Draw("WWWWWW", RECT{0, 0, 80, 30}, DT_LEFT | DT_NOCLIP);
    const RECT lit = canvas.Read().LitBox();
    SetFontFileOverride("");
    EXPECT_GE(lit.left, 10);
    EXPECT_LE(lit.right, 30);
    EXPECT_LT(lit.left, lit.right); // something was drawn inside
}

TEST(ClipRegionCalls, RejectBadArguments)
{
    PixelCanvas canvas(4, 4, false, Grey);
    const RECT rect{0, 0, 2, 2};
    HRGN region = CreateRectRgnIndirect(&rect);
    SetLastError(0);
    EXPECT_EQ(CreateRectRgnIndirect(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ExtSelectClipRgn(canvas.Dc(), region, 6), ERROR); // no such mode
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(ExtSelectClipRgn(canvas.Dc(), nullptr, RGN_AND), ERROR);
    EXPECT_EQ(ExtSelectClipRgn(nullptr, region, RGN_AND), ERROR);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetClipBox(canvas.Dc(), nullptr), ERROR);
    EXPECT_FALSE(RectVisible(nullptr, &rect));
    EXPECT_TRUE(DeleteObject(region));
    // Unordered corners are put in order.
    const RECT backwards{3, 3, 1, 1};
    region = CreateRectRgnIndirect(&backwards);
    EXPECT_EQ(ExtSelectClipRgn(canvas.Dc(), region, RGN_COPY), SIMPLEREGION);
    RECT box{};
    GetClipBox(canvas.Dc(), &box);
    EXPECT_TRUE(SameRect(box, RECT{1, 1, 3, 3}));
    EXPECT_TRUE(DeleteObject(region));
}

} // namespace
} // namespace zv::gdi::test
