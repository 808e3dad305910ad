// LOGFONTA to and from the font chooser's descriptions, without a display.
#include "platform/user/gtk/font_description.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using zv::user::gtk::DescriptionOf;
using zv::user::gtk::LogFontOf;

constexpr int kPerInch = 96;

LOGFONTA Font(const char* face, LONG height, LONG weight = FW_NORMAL, BYTE italic = 0)
{
    LOGFONTA font{};
    std::strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfItalic = italic;
    return font;
}

struct Described {
    std::string family;
    int pointsTimes4; // the size in quarter points; 0: left unset
    int weight;
    bool italic;
};

Described Describe(const LOGFONTA& font)
{
    PangoFontDescription* description = DescriptionOf(font, kPerInch);
    const PangoFontMask set = pango_font_description_get_set_fields(description);
    Described described{(set & PANGO_FONT_MASK_FAMILY) ? pango_font_description_get_family(description) : "",
                        (set & PANGO_FONT_MASK_SIZE) ? pango_font_description_get_size(description) * 4 / PANGO_SCALE
                                                     : 0,
                        pango_font_description_get_weight(description),
                        pango_font_description_get_style(description) == PANGO_STYLE_ITALIC};
    pango_font_description_free(description);
    return described;
}

TEST(FontDescription, LogFontsDescribeFaceSizeWeightAndItalic)
{
    struct Case {
        LOGFONTA font;
        Described expected;
    };
    const Case cases[] = {
        {Font("DejaVu Sans", -16), {"DejaVu Sans", 48, 400, false}},        // 16 px em = 12 pt
        {Font("DejaVu Serif", -13, FW_BOLD, 1), {"DejaVu Serif", 39, 700, true}},
        {Font("DejaVu Sans", 0, 0), {"DejaVu Sans", 0, 400, false}},        // default size, FW_DONTCARE
        {Font("", -20, 300), {"", 60, 300, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.font.lfFaceName);
        const Described got = Describe(c.font);
        EXPECT_EQ(got.family, c.expected.family);
        EXPECT_EQ(got.pointsTimes4, c.expected.pointsTimes4);
        EXPECT_EQ(got.weight, c.expected.weight);
        EXPECT_EQ(got.italic, c.expected.italic);
    }
}

TEST(FontDescription, APositiveHeightIsTheCellSoTheEmIsSmaller)
{
    // The cell holds the em plus the face's internal leading.
    const Described cell = Describe(Font("DejaVu Sans", 24));
    const Described em = Describe(Font("DejaVu Sans", -24));
    EXPECT_GT(cell.pointsTimes4, 0);
    EXPECT_LT(cell.pointsTimes4, em.pointsTimes4);
}

TEST(FontDescription, ChosenDescriptionsBecomeLogFontsKeepingWhatTheyCannotSay)
{
    LOGFONTA before = Font("Old Face", -10);
    before.lfUnderline = 1;
    before.lfStrikeOut = 1;
    before.lfCharSet = 2;
    struct Case {
        const char* description;
        const char* face;
        LONG height;
        LONG weight;
        BYTE italic;
    };
    const Case cases[] = {
        {"DejaVu Serif Bold Italic 12", "DejaVu Serif", -16, 700, 1},
        {"Sans, Serif 9", "Sans", -12, 400, 0},
        {"Monospace Light 7.5", "Monospace", -10, 300, 0},
        {"A Family Name Longer Than Thirty One Letters 10", "A Family Name Longer Than Thirt", -13, 400, 0},
        {"Bold 20px", "Old Face", -20, 700, 0}, // no family chosen: the face stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        PangoFontDescription* description = pango_font_description_from_string(c.description);
        const LOGFONTA after = LogFontOf(description, before, kPerInch);
        pango_font_description_free(description);
        EXPECT_STREQ(after.lfFaceName, c.face);
        EXPECT_EQ(after.lfHeight, c.height);
        EXPECT_EQ(after.lfWeight, c.weight);
        EXPECT_EQ(after.lfItalic, c.italic);
        EXPECT_EQ(after.lfUnderline, 1);
        EXPECT_EQ(after.lfStrikeOut, 1);
        EXPECT_EQ(after.lfCharSet, 2);
    }
}

TEST(FontDescription, EmHeightsSurviveTheRoundTripThroughPoints)
{
    for (LONG height = -6; height >= -72; --height) {
        SCOPED_TRACE(height);
        const LOGFONTA font = Font("DejaVu Sans", height, FW_SEMIBOLD, 1);
        PangoFontDescription* description = DescriptionOf(font, kPerInch);
        const LOGFONTA back = LogFontOf(description, LOGFONTA{}, kPerInch);
        pango_font_description_free(description);
        EXPECT_EQ(back.lfHeight, height);
        EXPECT_EQ(back.lfWeight, FW_SEMIBOLD);
        EXPECT_STREQ(back.lfFaceName, "DejaVu Sans");
    }
}

} // namespace
