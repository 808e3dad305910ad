#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/gdi/fonts.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/tests/gdi_test_support.h"

namespace zv::gdi::test {
namespace {

using Fonts = PinnedFontTest;

constexpr int kWidth = 240;
constexpr int kHeight = 60;

// Height of the lit pixels of "H", i.e. the capital height.
int CapitalHeight(const LOGFONTA& font)
{
    Canvas canvas(kWidth, kHeight, true, &font);
    canvas.Draw("H", RECT{0, 0, kWidth, kHeight}, DT_LEFT);
    const RECT box = canvas.Read().LitBox();
    return box.bottom - box.top;
}

TEST_F(Fonts, HeightSignChoosesEmOrCellHeight)
{
    const LOGFONTA cell20 = MakeLogFont(20);
    const LOGFONTA em20 = MakeLogFont(-20);
    Canvas cellCanvas(kWidth, kHeight, true, &cell20);
    Canvas emCanvas(kWidth, kHeight, true, &em20);
    // Positive: the line is exactly the asked cell height.
    EXPECT_EQ(cellCanvas.Measure("H", DT_LEFT).bottom, 20);
    // Negative: the em is 20 pixels, so the cell (ascent + descent) is taller.
    EXPECT_GT(emCanvas.Measure("H", DT_LEFT).bottom, 21);
    EXPECT_GT(CapitalHeight(em20), CapitalHeight(cell20));
    // The capital of a 20-pixel em is about 0.69 em.
    EXPECT_NEAR(CapitalHeight(em20), 14, 1);
    // 0 stands for a default size.
    const LOGFONTA defaultSize = MakeLogFont(0);
    EXPECT_GT(CapitalHeight(defaultSize), 5);
}

TEST_F(Fonts, BoldWidensText)
{
    const LOGFONTA regular = MakeLogFont(-20, FW_NORMAL);
    const LOGFONTA bold = MakeLogFont(-20, FW_BOLD);
    const LOGFONTA dontCare = MakeLogFont(-20, FW_DONTCARE);
    Canvas regularCanvas(kWidth, kHeight, true, &regular);
    Canvas boldCanvas(kWidth, kHeight, true, &bold);
    Canvas dontCareCanvas(kWidth, kHeight, true, &dontCare);
    const char* text = "Heavy letters";
    EXPECT_GT(boldCanvas.Measure(text, DT_LEFT).right, regularCanvas.Measure(text, DT_LEFT).right);
    EXPECT_EQ(dontCareCanvas.Measure(text, DT_LEFT).right, regularCanvas.Measure(text, DT_LEFT).right);

    regularCanvas.Draw(text, RECT{0, 0, kWidth, kHeight}, DT_LEFT);
    boldCanvas.Draw(text, RECT{0, 0, kWidth, kHeight}, DT_LEFT);
    EXPECT_GT(boldCanvas.Read().LitCount(), regularCanvas.Read().LitCount() * 5 / 4);
}

TEST_F(Fonts, ItalicSlantsTheStems)
{
    LOGFONTA italic = MakeLogFont(-30);
    italic.lfItalic = 1;
    const LOGFONTA upright = MakeLogFont(-30);
    // Leftmost lit column of the top and bottom rows of an "l".
    const auto slant = [](const LOGFONTA& font) {
        Canvas canvas(kWidth, kHeight, true, &font);
        canvas.Draw("l", RECT{10, 0, kWidth, kHeight}, DT_LEFT);
        const DibImage image = canvas.Read();
        const RECT box = image.LitBox();
        const auto leftmost = [&](int y) {
            for (int x = 0; x < image.width; ++x)
                if (image.Lit(x, y))
                    return x;
            return -1;
        };
        return leftmost(box.top) - leftmost(box.bottom - 1);
    };
    EXPECT_EQ(slant(upright), 0);
    EXPECT_GE(slant(italic), 3);
}

struct DecorationCase {
    const char* name;
    bool underline;
    bool strikeOut;
};

class FontDecoration : public PinnedFontTest, public ::testing::WithParamInterface<DecorationCase> {};

// A decoration is one or more rows lit across the whole text width, below the baseline for an
// underline and through the middle of the letters for a strike-out.
TEST_P(FontDecoration, DrawsALineAcrossTheText)
{
    const LOGFONTA plain = MakeLogFont(-24);
    LOGFONTA decorated = plain;
    decorated.lfUnderline = GetParam().underline;
    decorated.lfStrikeOut = GetParam().strikeOut;
    const char* text = "o o o";

    Canvas plainCanvas(kWidth, kHeight, true, &plain);
    Canvas canvas(kWidth, kHeight, true, &decorated);
    const int width = canvas.Measure(text, DT_LEFT).right;
    plainCanvas.Draw(text, RECT{0, 0, kWidth, kHeight}, DT_LEFT);
    canvas.Draw(text, RECT{0, 0, kWidth, kHeight}, DT_LEFT);
    const DibImage plainImage = plainCanvas.Read();
    const DibImage image = canvas.Read();
    const RECT letters = plainImage.LitBox(); // "o" spans the x-height, bottom on the baseline

    int fullRows = 0;
    for (int y = 0; y < image.height; ++y) {
        if (image.LitInRow(y) != width)
            continue;
        ++fullRows;
        if (GetParam().underline && !GetParam().strikeOut) {
            EXPECT_GE(y, letters.bottom);
        } else if (GetParam().strikeOut && !GetParam().underline) {
            EXPECT_GT(y, letters.top);
            EXPECT_LT(y, letters.bottom - 1);
        }
    }
    EXPECT_GE(fullRows, (GetParam().underline ? 1 : 0) + (GetParam().strikeOut ? 1 : 0));
    for (int y = 0; y < plainImage.height; ++y)
        EXPECT_LT(plainImage.LitInRow(y), width);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FontDecoration,
                         ::testing::Values(DecorationCase{"Underline", true, false},
                                           DecorationCase{"StrikeOut", false, true},
                                           DecorationCase{"Both", true, true}),
                         [](const ::testing::TestParamInfo<DecorationCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Fonts, GetObjectAndSelectObjectOnFonts)
{
    LOGFONTA logFont = MakeLogFont(-17, FW_BOLD, "Arial");
    logFont.lfItalic = 1;
    HFONT font = CreateFontIndirectA(&logFont);
    ASSERT_NE(font, nullptr);
    LOGFONTA back{};
    EXPECT_EQ(GetObjectA(font, sizeof back, &back), static_cast<int>(sizeof(LOGFONTA)));
    EXPECT_EQ(std::memcmp(&back, &logFont, sizeof back), 0);

    HDC memory = CreateCompatibleDC(nullptr);
    HFONT other = CreateFontIndirectA(&logFont);
    HGDIOBJ stock = SelectObject(memory, font);
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(GetObjectA(stock, 0, nullptr), static_cast<int>(sizeof(LOGFONTA)));
    EXPECT_EQ(SelectObject(memory, other), static_cast<HGDIOBJ>(font));
    EXPECT_EQ(SelectObject(memory, stock), static_cast<HGDIOBJ>(other));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteObject(other));
    EXPECT_EQ(SelectObject(memory, font), nullptr); // deleted
    EXPECT_TRUE(DeleteDC(memory));
}

TEST_F(Fonts, ADeletedFontKeepsServingTheContextItIsSelectedInto)
{
    const LOGFONTA logFont = MakeLogFont(-20);
    Canvas canvas(kWidth, kHeight, true);
    HFONT font = CreateFontIndirectA(&logFont);
    HGDIOBJ old = SelectObject(canvas.Dc(), font);
    EXPECT_TRUE(DeleteObject(font));
    RECT rect{0, 0, kWidth, kHeight};
    EXPECT_GT(DrawTextExA(canvas.Dc(), "Still here", -1, &rect, DT_LEFT, nullptr), 0);
    EXPECT_GT(canvas.Read().LitCount(), 50);
    SelectObject(canvas.Dc(), old);
}

TEST_F(Fonts, StoredFontRecordsAreCheckedBeforeUse)
{
    // A face name filling all 32 bytes without a terminating zero, as a stored record may have.
    LOGFONTA unterminated = MakeLogFont(-20);
    std::memset(unterminated.lfFaceName, 'A', sizeof unterminated.lfFaceName);
    HFONT font = CreateFontIndirectA(&unterminated);
    EXPECT_NE(font, nullptr);
    EXPECT_TRUE(DeleteObject(font));

    for (const LONG height : {LONG{INT_MIN}, LONG{INT_MAX}, LONG{-100000}}) {
        const LOGFONTA huge = MakeLogFont(height);
        EXPECT_EQ(CreateFontIndirectA(&huge), nullptr) << height;
    }
    EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);
}

TEST(FontMatching, ArialBecomesLiberationSans)
{
    SetFontFileOverride("");
    struct Case {
        const char* face;
        LONG weight;
        BYTE italic;
        const char* file;
    };
    const Case cases[] = {
        {"Arial", FW_NORMAL, 0, "LiberationSans-Regular.ttf"},
        {"Arial", FW_BOLD, 0, "LiberationSans-Bold.ttf"},
        {"Arial", FW_NORMAL, 1, "LiberationSans-Italic.ttf"},
        {"Times New Roman", FW_NORMAL, 0, "LiberationSerif-Regular.ttf"},
        {"Courier New", FW_NORMAL, 0, "LiberationMono-Regular.ttf"},
    };
    for (const Case& c : cases) {
        LOGFONTA logFont = MakeLogFont(-12, c.weight, c.face);
        logFont.lfItalic = c.italic;
        HFONT font = CreateFontIndirectA(&logFont);
        ASSERT_NE(font, nullptr) << c.face;
        const std::string file = FontFileOf(font);
        EXPECT_NE(file.find("liberation"), std::string::npos) << file;
        EXPECT_EQ(file.substr(file.rfind('/') + 1), c.file) << c.face;
        EXPECT_TRUE(DeleteObject(font));
    }
    EXPECT_EQ(FontFileOf(nullptr), "");
}

TEST(FontMatching, OverridePinsTheFile)
{
    SetFontFileOverride(kRegularFontFile);
    LOGFONTA logFont = MakeLogFont(-12, FW_BOLD, "Courier New");
    HFONT font = CreateFontIndirectA(&logFont);
    EXPECT_EQ(FontFileOf(font), kRegularFontFile);
    EXPECT_TRUE(DeleteObject(font));

    SetFontFileOverride("/nonexistent/font.ttf");
    EXPECT_EQ(CreateFontIndirectA(&logFont), nullptr);
    SetFontFileOverride("");
}

} // namespace
} // namespace zv::gdi::test
