#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/gdi_test_support.h"

namespace zv::gdi::test {
namespace {

using DrawText = PinnedFontTest;

constexpr int kWidth = 200;
constexpr int kHeight = 60;

TEST_F(DrawText, MonochromeTextHasNoGreyLevels)
{
    const LOGFONTA font = MakeLogFont(-20);
    Canvas canvas(kWidth, kHeight, true, &font);
    canvas.Draw("Quick wavy glyphs", RECT{0, 0, kWidth, kHeight}, DT_LEFT | DT_NOPREFIX);
    const DibImage image = canvas.Read();
    EXPECT_GT(image.LitCount(), 100);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const BYTE* p = image.At(x, y);
            for (int k = 0; k < 3; ++k)
                ASSERT_TRUE(p[k] == 0 || p[k] == 255) << x << "," << y;
        }
}

TEST_F(DrawText, ColourTextIsBlendedWithCoverage)
{
    const LOGFONTA font = MakeLogFont(-20);
    Canvas canvas(kWidth, kHeight, false, &font);
    canvas.Draw("Quick wavy glyphs", RECT{0, 0, kWidth, kHeight}, DT_LEFT | DT_NOPREFIX);
    const DibImage image = canvas.Read();
    std::set<int> levels;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            levels.insert(image.At(x, y)[0]);
    EXPECT_GT(levels.size(), 10u);
}

TEST_F(DrawText, TextColourIsStoredBlueGreenRed)
{
    const LOGFONTA font = MakeLogFont(-30);
    Canvas canvas(kWidth, kHeight, false, &font);
    SetTextColor(canvas.Dc(), RGB(200, 100, 50));
    canvas.Draw("IIII", RECT{0, 0, kWidth, kHeight}, DT_LEFT);
    const DibImage image = canvas.Read();
    int full = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const BYTE* p = image.At(x, y);
            if (!image.Lit(x, y))
                continue;
            // Every lit pixel is a blend of the text colour over black: red strongest.
            EXPECT_GE(p[2], p[1]);
            EXPECT_GE(p[1], p[0]);
            if (p[0] == 50 && p[1] == 100 && p[2] == 200)
                ++full;
        }
    EXPECT_GT(full, 20); // the stems of "I" are fully covered
}

TEST_F(DrawText, OpaqueModeFillsTheCellTransparentDoesNot)
{
    const LOGFONTA font = MakeLogFont(20);
    for (const int mode : {OPAQUE, TRANSPARENT}) {
        Canvas canvas(kWidth, kHeight, false, &font);
        SetBkMode(canvas.Dc(), mode);
        SetBkColor(canvas.Dc(), RGB(0, 0, 255));
        const RECT cell = canvas.Measure("ab", DT_LEFT);
        canvas.Draw("ab", RECT{10, 5, kWidth, kHeight}, DT_LEFT);
        const DibImage image = canvas.Read();
        int blue = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const BYTE* p = image.At(x, y);
                const bool inCell = x >= 10 && x < 10 + cell.right && y >= 5 && y < 5 + cell.bottom;
                if (p[0] == 255 && p[1] == 0 && p[2] == 0) {
                    ++blue;
                    EXPECT_TRUE(inCell) << x << "," << y;
                }
                if (!inCell) {
                    EXPECT_FALSE(image.Lit(x, y)) << x << "," << y;
                }
            }
        if (mode == OPAQUE)
            EXPECT_GT(blue, cell.right * cell.bottom / 2);
        else
            EXPECT_EQ(blue, 0);
    }
}

struct AlignCase {
    const char* name;
    UINT format;
};

class DrawTextAlign : public PinnedFontTest, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(DrawTextAlign, LitBoxFollowsTheAlignment)
{
    const LOGFONTA font = MakeLogFont(-20);
    Canvas canvas(kWidth, kHeight, true, &font);
    const RECT rect{20, 10, 180, 50};
    const int textWidth = canvas.Measure("Hallo", DT_LEFT).right;
    EXPECT_EQ(canvas.Draw("Hallo", rect, GetParam().format), canvas.Measure("Hallo", DT_LEFT).bottom);
    const RECT box = canvas.Read().LitBox();
    const int slack = 3; // side bearings of the first and last letter
    int expectedLeft = rect.left;
    if (GetParam().format & DT_CENTER)
        expectedLeft = rect.left + (rect.right - rect.left - textWidth) / 2;
    else if (GetParam().format & DT_RIGHT)
        expectedLeft = rect.right - textWidth;
    EXPECT_GE(box.left, expectedLeft);
    EXPECT_LE(box.left, expectedLeft + slack);
    EXPECT_LE(box.right, expectedLeft + textWidth);
    EXPECT_GE(box.right, expectedLeft + textWidth - slack);
    EXPECT_GE(box.top, rect.top);
}

INSTANTIATE_TEST_SUITE_P(Flags, DrawTextAlign,
                         ::testing::Values(AlignCase{"Left", DT_LEFT}, AlignCase{"Center", DT_CENTER},
                                           AlignCase{"Right", DT_RIGHT}),
                         [](const ::testing::TestParamInfo<AlignCase>& info) { return std::string(info.param.name); });

TEST_F(DrawText, CalcRectMeasuresWithoutDrawingAndMatchesTheDrawing)
{
    const LOGFONTA font = MakeLogFont(-20);
    Canvas canvas(kWidth, kHeight, true, &font);
    RECT rect{15, 7, 15, 7};
    const int height = DrawTextExA(canvas.Dc(), "Sample", -1, &rect, DT_LEFT | DT_CALCRECT | DT_NOCLIP, nullptr);
    EXPECT_EQ(canvas.Read().LitCount(), 0);
    EXPECT_EQ(rect.left, 15);
    EXPECT_EQ(rect.top, 7);
    EXPECT_EQ(rect.bottom - rect.top, height);
    EXPECT_GT(rect.right - rect.left, 40);

    canvas.Draw("Sample", RECT{15, 7, 15, 7}, DT_LEFT | DT_NOCLIP);
    const RECT box = canvas.Read().LitBox();
    EXPECT_GE(box.left, rect.left);
    EXPECT_LE(box.left, rect.left + 3);
    EXPECT_LE(box.right, rect.right);
    EXPECT_GE(box.right, rect.right - 3);
    EXPECT_GE(box.top, rect.top);
    EXPECT_LE(box.bottom, rect.bottom);
}

TEST_F(DrawText, WordBreakWrapsAndAlignsEachLine)
{
    const LOGFONTA font = MakeLogFont(-20);
    Canvas canvas(kWidth, 80, true, &font);
    const RECT one = canvas.Measure("Wide", DT_LEFT);
    const RECT two = canvas.Measure("Wide ii", DT_LEFT);
    const RECT narrow = canvas.Measure("ii", DT_LEFT);
    const int cell = one.bottom;

    // Too narrow for both words: two lines, the block as wide as the wider line.
    const RECT block = canvas.Measure("Wide ii", DT_CENTER | DT_WORDBREAK, two.right - 1);
    EXPECT_EQ(block.bottom, 2 * cell);
    EXPECT_EQ(block.right, one.right);
    // Wide enough: one line.
    EXPECT_EQ(canvas.Measure("Wide ii", DT_CENTER | DT_WORDBREAK, two.right).bottom, cell);

    // Drawn centred in a block: the short second line sits in the middle.
    const RECT rect{40, 0, 40 + one.right, 80};
    EXPECT_EQ(canvas.Draw("Wide ii", rect, DT_CENTER | DT_WORDBREAK), 2 * cell);
    const DibImage image = canvas.Read();
    RECT second{image.width, 0, -1, 0};
    for (int y = cell; y < 2 * cell; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.Lit(x, y)) {
                second.left = std::min<LONG>(second.left, x);
                second.right = std::max<LONG>(second.right, x + 1);
            }
    const int expectedLeft = rect.left + (one.right - narrow.right) / 2;
    EXPECT_GE(second.left, expectedLeft);
    EXPECT_LE(second.right, expectedLeft + narrow.right);
    EXPECT_GT(second.left, rect.left + 3);
    EXPECT_LT(second.right, rect.right - 3);
}

TEST_F(DrawText, OverlongWordIsNotBrokenAndClippedUnlessNoClip)
{
    const LOGFONTA font = MakeLogFont(-20);
    const char* word = "Extraordinarily";
    for (const bool noClip : {false, true}) {
        Canvas canvas(kWidth, kHeight, true, &font);
        const RECT measured = canvas.Measure(word, DT_LEFT | DT_WORDBREAK, 50);
        EXPECT_EQ(measured.bottom, canvas.Measure("E", DT_LEFT).bottom); // one line
        EXPECT_GT(measured.right, 100);                                  // wider than asked
        canvas.Draw(word, RECT{10, 0, 60, kHeight}, DT_LEFT | DT_WORDBREAK | (noClip ? DT_NOCLIP : 0));
        const RECT box = canvas.Read().LitBox();
        if (noClip)
            EXPECT_GT(box.right, 100);
        else
            EXPECT_LE(box.right, 60);
    }
}

TEST_F(DrawText, PrefixProcessingUnlessNoPrefix)
{
    const LOGFONTA font = MakeLogFont(-20);
    Canvas canvas(kWidth, kHeight, true, &font);
    // "&&" draws one '&'.
    EXPECT_EQ(canvas.Measure("A&&B", DT_LEFT).right, canvas.Measure("A&B", DT_LEFT | DT_NOPREFIX).right);
    EXPECT_GT(canvas.Measure("A&&B", DT_LEFT | DT_NOPREFIX).right, canvas.Measure("A&B", DT_LEFT | DT_NOPREFIX).right);
    EXPECT_EQ(canvas.Measure("&x", DT_LEFT).right, canvas.Measure("x", DT_LEFT).right);

    // "&x" underlines the x: lit pixels below the letter, where plain "x" has none.
    const auto draw = [&](const char* text, UINT format) {
        Canvas c(kWidth, kHeight, true, &font);
        c.Draw(text, RECT{0, 0, kWidth, kHeight}, format);
        return c.Read();
    };
    const int baseline = draw("x", DT_LEFT).LitBox().bottom;
    const auto litBelow = [&](const DibImage& image) {
        int lit = 0;
        for (int y = baseline; y < image.height; ++y)
            lit += image.LitInRow(y);
        return lit;
    };
    const DibImage underlined = draw("&x", DT_LEFT);
    EXPECT_GE(litBelow(underlined), canvas.Measure("x", DT_LEFT).right);
    EXPECT_EQ(litBelow(draw("&x", DT_LEFT | DT_NOPREFIX)), 0);
}

TEST_F(DrawText, UnsupportedFlagsAndBadArgumentsFail)
{
    const LOGFONTA font = MakeLogFont(-20);
    Canvas canvas(kWidth, kHeight, true, &font);
    RECT rect{0, 0, kWidth, kHeight};
    EXPECT_EQ(DrawTextExA(canvas.Dc(), "a", -1, &rect, DT_LEFT | 0x40 /* expand tabs */, nullptr), 0);
    EXPECT_EQ(DrawTextExA(canvas.Dc(), nullptr, -1, &rect, DT_LEFT, nullptr), 0);
    EXPECT_EQ(DrawTextExA(canvas.Dc(), "a", -1, nullptr, DT_LEFT, nullptr), 0);
    EXPECT_EQ(DrawTextExA(canvas.Dc(), "a", -2, &rect, DT_LEFT, nullptr), 0);
    EXPECT_EQ(DrawTextExA(nullptr, "a", -1, &rect, DT_LEFT, nullptr), 0);
    DRAWTEXTPARAMS params{};
    EXPECT_EQ(DrawTextExA(canvas.Dc(), "a", -1, &rect, DT_LEFT, &params), 0); // cbSize not set
    EXPECT_EQ(canvas.Read().LitCount(), 0);
}

TEST_F(DrawText, LengthAndMarginsAreHonoured)
{
    const LOGFONTA font = MakeLogFont(-20);
    Canvas canvas(kWidth, kHeight, true, &font);
    RECT rect{0, 0, 0, 0};
    DrawTextExA(canvas.Dc(), "abcdef", 3, &rect, DT_CALCRECT, nullptr);
    EXPECT_EQ(rect.right, canvas.Measure("abc", DT_LEFT).right);

    DRAWTEXTPARAMS params{};
    params.cbSize = sizeof params;
    params.iLeftMargin = 30;
    params.iRightMargin = 5;
    RECT drawn{0, 0, kWidth, kHeight};
    EXPECT_GT(DrawTextExA(canvas.Dc(), "abc", -1, &drawn, DT_LEFT, &params), 0);
    EXPECT_EQ(params.uiLengthDrawn, 3u);
    EXPECT_GE(canvas.Read().LitBox().left, 30);
}

} // namespace
} // namespace zv::gdi::test
