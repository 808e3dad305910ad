#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "platform/gdi/fonts.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/pixel_canvas.h"
#include "platform/win32/last_error.h"

namespace zv::gdi::test {
namespace {

constexpr COLORREF kRed = RGB(220, 30, 40);
constexpr COLORREF kGreen = RGB(10, 200, 60);

void ClipTo(HDC dc, const RECT& rect)
{
    HRGN region = CreateRectRgnIndirect(&rect);
    ExtSelectClipRgn(dc, region, RGN_COPY);
    DeleteObject(region);
}

bool Inside(int x, int y, const RECT& r) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Inside the rectangle but not inside it shrunk by one pixel.
bool OnFrame(int x, int y, const RECT& r)
{
    return Inside(x, y, r) && !Inside(x, y, RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1});
}

struct FillCase {
    const char* name;
    bool monochrome;
    COLORREF background;
    std::function<void(HDC)> paint;
    PixelFill expected;
};

class BrushPainting : public ::testing::TestWithParam<FillCase> {};

TEST_P(BrushPainting, PaintsExactlyTheExpectedPixels)
{
    const FillCase& c = GetParam();
    PixelCanvas canvas(12, 10, c.monochrome, [&](int, int) { return c.background; });
    c.paint(canvas.Dc());
    EXPECT_TRUE(canvas.Matches(c.expected));
}

const RECT kBox{2, 3, 7, 6};
const RECT kLeftHalf{0, 0, 4, 10};

// Paints with a solid brush of this colour, made and deleted around the call.
std::function<void(HDC)> WithBrush(COLORREF colour, int (*call)(HDC, const RECT*, HBRUSH), RECT rect)
{
    return [=](HDC dc) {
        HBRUSH brush = CreateSolidBrush(colour);
        EXPECT_TRUE(call(dc, &rect, brush));
        EXPECT_TRUE(DeleteObject(brush));
    };
}

INSTANTIATE_TEST_SUITE_P(
    Gdi, BrushPainting,
    ::testing::Values(
        FillCase{"FillRectLeavesRightAndBottomEdges", false, kWhite, WithBrush(kRed, FillRect, kBox),
                 [](int x, int y) { return Inside(x, y, kBox) ? kRed : kWhite; }},
        FillCase{"SystemColourNumberIsABrush", false, kWhite,
                 [](HDC dc) { EXPECT_TRUE(FillRect(dc, &kBox, SysColourBrushValue(COLOR_HIGHLIGHT))); },
                 [](int x, int y) { return Inside(x, y, kBox) ? GetSysColor(COLOR_HIGHLIGHT) : kWhite; }},
        FillCase{"DcBrushTakesTheContextsColour", false, kWhite,
                 [](HDC dc) {
                     SetDCBrushColor(dc, kGreen);
                     EXPECT_TRUE(FillRect(dc, &kBox, static_cast<HBRUSH>(GetStockObject(DC_BRUSH))));
                 },
                 [](int x, int y) { return Inside(x, y, kBox) ? kGreen : kWhite; }},
        FillCase{"HollowBrushPaintsNothing", false, kWhite,
                 [](HDC dc) { EXPECT_TRUE(FillRect(dc, &kBox, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)))); },
                 [](int, int) { return kWhite; }},
        FillCase{"FillRectStaysInsideTheClipRegion", false, kWhite,
                 [](HDC dc) {
                     ClipTo(dc, kLeftHalf);
                     WithBrush(kRed, FillRect, RECT{-5, -5, 50, 50})(dc);
                 },
                 [](int x, int y) { return Inside(x, y, kLeftHalf) ? kRed : kWhite; }},
        FillCase{"FrameRectIsOnePixelInside", false, kWhite, WithBrush(kRed, FrameRect, kBox),
                 [](int x, int y) { return OnFrame(x, y, kBox) ? kRed : kWhite; }},
        FillCase{"FrameRectStaysInsideTheClipRegion", false, kWhite,
                 [](HDC dc) {
                     ClipTo(dc, kLeftHalf);
                     WithBrush(kRed, FrameRect, kBox)(dc);
                 },
                 [](int x, int y) { return OnFrame(x, y, kBox) && x < 4 ? kRed : kWhite; }},
        FillCase{"InvertRectSwapsBlackAndWhite", false, kWhite, [](HDC dc) { EXPECT_TRUE(InvertRect(dc, &kBox)); },
                 [](int x, int y) { return Inside(x, y, kBox) ? kBlack : kWhite; }},
        FillCase{"InvertRectTwiceRestores", false, kRed,
                 [](HDC dc) {
                     EXPECT_TRUE(InvertRect(dc, &kBox));
                     EXPECT_TRUE(InvertRect(dc, &kBox));
                 },
                 [](int, int) { return kRed; }},
        FillCase{"MonochromeTakesTheNearerOfBlackAndWhite", true, kBlack,
                 WithBrush(GetSysColor(COLOR_BTNFACE), FillRect, kBox),
                 [](int x, int y) { return Inside(x, y, kBox) ? kWhite : kBlack; }},
        FillCase{"MonochromeInverts", true, kWhite,
                 [](HDC dc) {
                     ClipTo(dc, kLeftHalf);
                     EXPECT_TRUE(InvertRect(dc, &kBox));
                 },
                 [](int x, int y) { return Inside(x, y, kBox) && x < 4 ? kBlack : kWhite; }}),
    [](const ::testing::TestParamInfo<FillCase>& info) { return std::string(info.param.name); });

TEST(Brushes, FillRectPaintsPictureRowsOfABottomUpDibSection)
{
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, 3, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, section);
    const RECT topRow{0, 0, 4, 1};
    HBRUSH brush = CreateSolidBrush(kRed);
    EXPECT_TRUE(FillRect(dc, &topRow, brush));
    // The picture's top row is the last row in memory; rows are 12 bytes.
    const auto* memory = static_cast<const BYTE*>(bits);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(memory[24 + x * 3 + 2], GetRValue(kRed)) << x;
        EXPECT_EQ(memory[x * 3 + 2], 0) << x;
    }
    SelectObject(dc, old);
    DeleteObject(brush);
    DeleteObject(section);
    DeleteDC(dc);
}

TEST(Brushes, FailuresSayWhy)
{
    PixelCanvas canvas(4, 4, false, [](int, int) { return kWhite; });
    const RECT rect{0, 0, 2, 2};
    SetLastError(0);
    EXPECT_FALSE(FillRect(canvas.Dc(), &rect, reinterpret_cast<HBRUSH>(0x7777777)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    // Index 25 names no system colour.
    EXPECT_FALSE(FillRect(canvas.Dc(), &rect, SysColourBrushValue(25)));
    EXPECT_EQ(GetSysColorBrush(25), nullptr);
    EXPECT_EQ(GetSysColor(25), 0u);
    EXPECT_FALSE(FillRect(nullptr, &rect, GetSysColorBrush(COLOR_WINDOW)));
    EXPECT_FALSE(FillRect(canvas.Dc(), nullptr, GetSysColorBrush(COLOR_WINDOW)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CreatePen(42, 1, 0), nullptr);
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_TRUE(canvas.Matches([](int, int) { return kWhite; }));
}

struct StockCase {
    int index;
    bool brush;
    UINT style;
    COLORREF colour;
};

TEST(Brushes, StockObjectsDescribeThemselvesAndSurviveDeleteObject)
{
    const StockCase cases[] = {
        {WHITE_BRUSH, true, BS_SOLID, kWhite},       {BLACK_BRUSH, true, BS_SOLID, kBlack},
        {NULL_BRUSH, true, BS_NULL, 0},              {WHITE_PEN, false, PS_SOLID, kWhite},
        {BLACK_PEN, false, PS_SOLID, kBlack},        {NULL_PEN, false, PS_NULL, 0},
        {LTGRAY_BRUSH, true, BS_SOLID, RGB(192, 192, 192)},
    };
    for (const StockCase& c : cases) {
        HGDIOBJ object = GetStockObject(c.index);
        ASSERT_NE(object, nullptr) << c.index;
        EXPECT_EQ(GetStockObject(c.index), object);
        EXPECT_TRUE(DeleteObject(object));
        if (c.brush) {
            LOGBRUSH record{};
            EXPECT_EQ(GetObjectA(object, sizeof record, &record), static_cast<int>(sizeof record));
            EXPECT_EQ(record.lbStyle, c.style) << c.index;
            EXPECT_EQ(record.lbColor, c.colour) << c.index;
        } else {
            LOGPEN record{};
            EXPECT_EQ(GetObjectA(object, sizeof record, &record), static_cast<int>(sizeof record));
            EXPECT_EQ(record.lopnStyle, c.style) << c.index;
            EXPECT_EQ(record.lopnColor, c.colour) << c.index;
        }
    }
}

TEST(Brushes, SystemColourBrushesMatchTheirColoursAndStay)
{
    for (const int index : {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_BTNFACE,
                            COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_BTNTEXT, COLOR_GRAYTEXT, COLOR_3DDKSHADOW,
                            COLOR_3DLIGHT, COLOR_MENU, COLOR_MENUTEXT, COLOR_WINDOWFRAME, COLOR_SCROLLBAR,
                            COLOR_INFOBK, COLOR_INFOTEXT}) {
        HBRUSH brush = GetSysColorBrush(index);
        ASSERT_NE(brush, nullptr) << index;
        EXPECT_TRUE(DeleteObject(brush));
        LOGBRUSH record{};
        ASSERT_EQ(GetObjectA(brush, sizeof record, &record), static_cast<int>(sizeof record)) << index;
        EXPECT_EQ(record.lbColor, GetSysColor(index)) << index;
    }
}

TEST(Brushes, SelectObjectSwapsBrushesAndPens)
{
    PixelCanvas canvas(2, 2, false, [](int, int) { return kWhite; });
    HBRUSH brush = CreateSolidBrush(kRed);
    HPEN pen = CreatePen(PS_DOT, 3, kGreen);
    EXPECT_EQ(SelectObject(canvas.Dc(), brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(canvas.Dc(), pen), GetStockObject(BLACK_PEN));
    LOGPEN record{};
    ASSERT_EQ(GetObjectA(pen, sizeof record, &record), static_cast<int>(sizeof record));
    EXPECT_EQ(record.lopnStyle, static_cast<UINT>(PS_DOT));
    EXPECT_EQ(record.lopnWidth.x, 3);
    EXPECT_EQ(record.lopnColor, kGreen);
    EXPECT_EQ(SelectObject(canvas.Dc(), GetStockObject(NULL_BRUSH)), static_cast<HGDIOBJ>(brush));
    EXPECT_EQ(SelectObject(canvas.Dc(), GetStockObject(NULL_PEN)), static_cast<HGDIOBJ>(pen));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_EQ(GetObjectA(brush, 0, nullptr), 0);
}

TEST(Brushes, DefaultGuiFontIsTheDialogFaceAtEightPoints)
{
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    ASSERT_NE(font, nullptr);
    LOGFONTA record{};
    ASSERT_EQ(GetObjectA(font, sizeof record, &record), static_cast<int>(sizeof record));
    EXPECT_EQ(record.lfHeight, -11);
    EXPECT_STREQ(record.lfFaceName, "MS Shell Dlg");
    EXPECT_NE(FontFileOf(static_cast<HFONT>(font)).find("LiberationSans"), std::string::npos);
    EXPECT_EQ(FontHeightFromPoints(70), -9); // "Arial" 7 pt
}

// Text on its background must stay readable (contrast ratio of at least 4.5, as for body text).
double Luminance(COLORREF c)
{
    const auto channel = [](BYTE value) {
        const double v = value / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(GetRValue(c)) + 0.7152 * channel(GetGValue(c)) + 0.0722 * channel(GetBValue(c));
}

TEST(Brushes, SystemTextColoursAreReadableOnTheirBackgrounds)
{
    const std::pair<int, int> pairs[] = {{COLOR_WINDOWTEXT, COLOR_WINDOW},       {COLOR_HIGHLIGHTTEXT, COLOR_HIGHLIGHT},
                                         {COLOR_BTNTEXT, COLOR_BTNFACE},         {COLOR_MENUTEXT, COLOR_MENU},
                                         {COLOR_INFOTEXT, COLOR_INFOBK},         {COLOR_GRAYTEXT, COLOR_BTNFACE},
                                         {COLOR_CAPTIONTEXT, COLOR_ACTIVECAPTION}};
    for (const auto& [text, background] : pairs) {
        const double a = Luminance(GetSysColor(text));
        const double b = Luminance(GetSysColor(background));
        EXPECT_GE((std::max(a, b) + 0.05) / (std::min(a, b) + 0.05), 4.5) << text << " on " << background;
    }
}

} // namespace
} // namespace zv::gdi::test
