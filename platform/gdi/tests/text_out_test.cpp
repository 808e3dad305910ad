#include <gtest/gtest.h>

#include <string>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/gdi_test_support.h"
#include "platform/win32/last_error.h"

namespace zv::gdi::test {
namespace {

using TextOut = PinnedFontTest;

constexpr int kWidth = 200;
constexpr int kHeight = 80;

SIZE Extent(HDC dc, const std::string& text)
{
    SIZE size{-1, -1};
    EXPECT_TRUE(GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size));
    return size;
}

TEST_F(TextOut, ExtentsMatchTheSingleLineRectangleOfDrawText)
{
    const LOGFONTA font = MakeLogFont(-15);
    Canvas canvas(kWidth, kHeight, true, &font);
    for (const std::string text : {"Snapshot", "a&&b &x", "W", "gr\xC3\xBC\xC3\x9F" "e", "two\r\nlines", ""}) {
        const RECT rect = canvas.Measure(text.c_str(), DT_SINGLELINE | DT_NOPREFIX);
        const SIZE size = Extent(canvas.Dc(), text);
        EXPECT_EQ(size.cx, rect.right) << text;
        if (!text.empty()) {
            EXPECT_EQ(size.cy, rect.bottom) << text;
        }
    }
    // Extents do not read prefixes: "&&" is two characters wide.
    EXPECT_GT(Extent(canvas.Dc(), "a&&b").cx, canvas.Measure("a&&b", DT_SINGLELINE).right);
}

TEST_F(TextOut, MetricsDescribeTheCell)
{
    struct Case {
        LONG height;
        LONG weight;
    };
    for (const Case c : {Case{-20, FW_NORMAL}, Case{24, FW_BOLD}, Case{-11, FW_NORMAL}}) {
        const LOGFONTA font = MakeLogFont(c.height, c.weight);
        Canvas canvas(kWidth, kHeight, true, &font);
        TEXTMETRICA metrics{};
        ASSERT_TRUE(GetTextMetricsA(canvas.Dc(), &metrics));
        EXPECT_EQ(metrics.tmAscent + metrics.tmDescent, metrics.tmHeight);
        EXPECT_EQ(metrics.tmHeight, Extent(canvas.Dc(), "x").cy);
        if (c.height > 0) {
            EXPECT_EQ(metrics.tmHeight, c.height);
        } else {
            EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, -c.height);
        }
        EXPECT_GT(metrics.tmAveCharWidth, 0);
        EXPECT_GE(metrics.tmMaxCharWidth, Extent(canvas.Dc(), "W").cx);
        EXPECT_EQ(metrics.tmWeight, c.weight);
        EXPECT_EQ(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH, TMPF_FIXED_PITCH); // proportional
        // The average width lies within the range of the letters' own widths.
        EXPECT_GE(metrics.tmAveCharWidth, Extent(canvas.Dc(), "i").cx);
        EXPECT_LE(metrics.tmAveCharWidth, Extent(canvas.Dc(), "W").cx);
    }
    TEXTMETRICA metrics{};
    EXPECT_FALSE(GetTextMetricsA(nullptr, &metrics));
}

struct AlignCase {
    const char* name;
    UINT align;
    // Where the lit box of "H" must lie relative to the point (100, 40) and the extent.
    int left;  // expected left edge of the text cell relative to x, in widths: 0, -1 or -1/2
    int top;   // 0: cell top at y; 1: cell bottom at y; 2: baseline at y
};

class TextAlign : public PinnedFontTest, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(TextAlign, PlacesTheCellAroundThePoint)
{
    const AlignCase& c = GetParam();
    const LOGFONTA font = MakeLogFont(-30);
    Canvas canvas(kWidth, kHeight, true, &font);
    TEXTMETRICA metrics{};
    ASSERT_TRUE(GetTextMetricsA(canvas.Dc(), &metrics));
    const SIZE size = Extent(canvas.Dc(), "HH");
    EXPECT_EQ(SetTextAlign(canvas.Dc(), c.align), TA_LEFT | TA_TOP);
    EXPECT_EQ(GetTextAlign(canvas.Dc()), c.align);
    ASSERT_TRUE(TextOutA(canvas.Dc(), 100, 40, "HH", 2));
    const RECT box = canvas.Read().LitBox();
    const int cellLeft = c.left == 0 ? 100 : c.left == -1 ? 100 - size.cx : 100 - size.cx / 2;
    const int cellTop = c.top == 0 ? 40 : c.top == 1 ? 40 - size.cy : 40 - metrics.tmAscent;
    EXPECT_GE(box.left, cellLeft);
    EXPECT_LE(box.right, cellLeft + size.cx);
    EXPECT_GE(box.top, cellTop);
    // "H" stands on the baseline.
    EXPECT_EQ(box.bottom, cellTop + metrics.tmAscent);
}

INSTANTIATE_TEST_SUITE_P(Gdi, TextAlign,
                         ::testing::Values(AlignCase{"LeftTop", TA_LEFT | TA_TOP, 0, 0},
                                           AlignCase{"RightBottom", TA_RIGHT | TA_BOTTOM, -1, 1},
                                           AlignCase{"CenterBaseline", TA_CENTER | TA_BASELINE, -2, 2}),
                         [](const ::testing::TestParamInfo<AlignCase>& info) { return std::string(info.param.name); });

TEST_F(TextOut, UpdateCpRunsTextOnFromTheCurrentPosition)
{
    const LOGFONTA font = MakeLogFont(-20);
    Canvas canvas(kWidth, kHeight, true, &font);
    SetTextAlign(canvas.Dc(), TA_UPDATECP);
    MoveToEx(canvas.Dc(), 10, 5, nullptr);
    ASSERT_TRUE(TextOutA(canvas.Dc(), 999, 999, "ab", 2));
    ASSERT_TRUE(TextOutA(canvas.Dc(), 999, 999, "cd", 2));
    POINT position{};
    MoveToEx(canvas.Dc(), 0, 0, &position);
    EXPECT_EQ(position.x, 10 + Extent(canvas.Dc(), "abcd").cx);
    EXPECT_EQ(position.y, 5);
    const RECT box = canvas.Read().LitBox();
    EXPECT_GE(box.left, 10);
    EXPECT_LE(box.right, position.x);
}

TEST_F(TextOut, OpaqueRectangleAndClipping)
{
    const LOGFONTA font = MakeLogFont(-30);
    Canvas canvas(kWidth, kHeight, false, &font);
    SetBkColor(canvas.Dc(), RGB(0, 0, 255));
    SetBkMode(canvas.Dc(), TRANSPARENT);
    const RECT box{20, 10, 60, 50};
    // The text runs past the box on the right; only its part inside is drawn.
    ASSERT_TRUE(ExtTextOutA(canvas.Dc(), 25, 12, ETO_OPAQUE | ETO_CLIPPED, &box, "WWWWWW", 6, nullptr));
    const DibImage image = canvas.Read();
    int white = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const BYTE* p = image.At(x, y);
            const bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
            if (!inside) {
                ASSERT_FALSE(image.Lit(x, y)) << x << "," << y;
            } else {
                EXPECT_GT(p[0], 0) << x << "," << y; // blue background, or text blended over it
            white += p[1] == 255 ? 1 : 0;
            }
        }
    EXPECT_GT(white, 20);
    SetLastError(0);
    const int dx[] = {5};
    EXPECT_FALSE(ExtTextOutA(canvas.Dc(), 0, 0, 0, nullptr, "a", 1, dx));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

TEST_F(TextOut, SingleLineSitsInTheMiddleOrAtTheBottom)
{
    const LOGFONTA font = MakeLogFont(-20);
    struct Case {
        UINT format;
        int expectedTop; // of the text cell inside rect {0, 10, kWidth, 70}
    };
    Canvas probe(kWidth, kHeight, true, &font);
    const int cell = Extent(probe.Dc(), "H").cy;
    for (const Case c : {Case{DT_SINGLELINE | DT_VCENTER, 10 + (60 - cell) / 2}, Case{DT_SINGLELINE | DT_BOTTOM, 70 - cell},
                         Case{DT_VCENTER, 10}}) {
        Canvas canvas(kWidth, kHeight, true, &font);
        SetBkMode(canvas.Dc(), OPAQUE);
        SetBkColor(canvas.Dc(), RGB(255, 255, 255));
        SetTextColor(canvas.Dc(), RGB(0, 0, 0));
        // The opaque cell shows where the line went.
        EXPECT_EQ(canvas.Draw("H\nH", RECT{0, 10, kWidth, 70}, c.format),
                  c.expectedTop - 10 + ((c.format & DT_SINGLELINE) ? cell : 2 * cell));
        const RECT lit = canvas.Read().LitBox();
        EXPECT_EQ(lit.top, c.expectedTop) << c.format;
        EXPECT_EQ(lit.bottom, c.expectedTop + ((c.format & DT_SINGLELINE) ? cell : 2 * cell)) << c.format;
    }
}

TEST_F(TextOut, EndEllipsisShortensOnlyWhatDoesNotFit)
{
    const LOGFONTA font = MakeLogFont(-16);
    Canvas canvas(kWidth, kHeight, true, &font);
    const char* text = "A rather long caption for a narrow column";
    const int full = canvas.Measure(text, DT_SINGLELINE).right;
    const RECT shortened = canvas.Measure(text, DT_SINGLELINE | DT_END_ELLIPSIS, 90);
    EXPECT_LE(shortened.right, 90);
    EXPECT_GT(shortened.right, 90 - 2 * Extent(canvas.Dc(), "W").cx);
    EXPECT_EQ(canvas.Measure(text, DT_SINGLELINE | DT_END_ELLIPSIS, full).right, full);
    // The dots are drawn: the last lit column lies near the shortened width.
    canvas.Draw(text, RECT{0, 0, 90, 30}, DT_SINGLELINE | DT_END_ELLIPSIS);
    const RECT lit = canvas.Read().LitBox();
    EXPECT_LE(lit.right, 90);
    EXPECT_GE(lit.right, shortened.right - 3);
}

TEST_F(TextOut, HidePrefixKeepsTheLetterWithoutItsUnderline)
{
    const LOGFONTA font = MakeLogFont(-20);
    Canvas plain(kWidth, kHeight, true, &font);
    Canvas hidden(kWidth, kHeight, true, &font);
    plain.Draw("x", RECT{0, 0, kWidth, kHeight}, DT_LEFT);
    hidden.Draw("&x", RECT{0, 0, kWidth, kHeight}, DT_LEFT | DT_HIDEPREFIX);
    EXPECT_EQ(plain.Read().Ascii(), hidden.Read().Ascii());
}

TEST(DeviceCaps, EveryContextDescribesTheScreenAt96Dpi)
{
    HDC memory = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(memory, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(memory, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(memory, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(memory, HORZRES), 1024);
    EXPECT_EQ(GetDeviceCaps(memory, VERTSIZE), 203); // 768 pixels at 96 per inch
    EXPECT_EQ(GetDeviceCaps(nullptr, LOGPIXELSY), 0);
    DeleteDC(memory);
}

} // namespace
} // namespace zv::gdi::test
