#include "platform/gdi/text_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zv::gdi {
namespace {

// Every character 10 pixels wide, so widths are easy to state.
int TenPixels(char32_t) { return 10; }

std::string Utf8Of(const TextLine& line)
{
    std::string out;
    for (const LayoutChar& c : line.chars)
        out += static_cast<char>(c.ch);
    return out;
}

std::vector<std::string> LineTexts(const std::vector<TextLine>& lines)
{
    std::vector<std::string> out;
    for (const TextLine& line : lines)
        out.push_back(Utf8Of(line));
    return out;
}

struct WrapCase {
    const char* name;
    const char* text;
    bool wordBreak;
    int maxWidth;
    std::vector<std::string> lines;
    std::vector<int> widths;
};

class LayoutTextCases : public ::testing::TestWithParam<WrapCase> {};

TEST_P(LayoutTextCases, SplitsIntoLines)
{
    const WrapCase& c = GetParam();
    LayoutOptions options;
    options.wordBreak = c.wordBreak;
    options.maxWidth = c.maxWidth;
    const std::vector<TextLine> lines = LayoutText(c.text, options, TenPixels);
    EXPECT_EQ(LineTexts(lines), c.lines);
    std::vector<int> widths;
    for (const TextLine& line : lines)
        widths.push_back(line.width);
    EXPECT_EQ(widths, c.widths);
}

INSTANTIATE_TEST_SUITE_P(
    Wrap, LayoutTextCases,
    ::testing::Values(
        WrapCase{"FitsOnOneLine", "ab cd", true, 50, {"ab cd"}, {50}},
        WrapCase{"WrapsAtTheSpace", "ab cd", true, 49, {"ab", "cd"}, {20, 20}},
        WrapCase{"GreedyFill", "aa bb cc dd", true, 50, {"aa bb", "cc dd"}, {50, 50}},
        WrapCase{"SpacesAtWrapDropped", "aa     bb", true, 30, {"aa", "bb"}, {20, 20}},
        WrapCase{"LongWordNotBroken", "a verylongword b", true, 40, {"a", "verylongword", "b"}, {10, 120, 10}},
        WrapCase{"LongWordAlone", "verylongword", true, 40, {"verylongword"}, {120}},
        WrapCase{"LeadingSpacesOfParagraphKept", "  ab", true, 100, {"  ab"}, {40}},
        WrapCase{"TrailingSpacesDropped", "ab   ", true, 100, {"ab"}, {20}},
        WrapCase{"ZeroWidthOneWordPerLine", "a b c", true, 0, {"a", "b", "c"}, {10, 10, 10}},
        WrapCase{"NoWrapWithoutWordBreak", "aa bb cc", false, 20, {"aa bb cc"}, {80}},
        WrapCase{"LineBreaksAlwaysSplit", "a\nb\r\nc\rd", false, 0, {"a", "b", "c", "d"}, {10, 10, 10, 10}},
        WrapCase{"EmptyLineKept", "a\n\nb", false, 0, {"a", "", "b"}, {10, 0, 10}},
        WrapCase{"BreakAtEndAddsNoLine", "a\n", false, 0, {"a"}, {10}},
        WrapCase{"WrapWithinParagraphs", "aa bb\ncc", true, 30, {"aa", "bb", "cc"}, {20, 20, 20}},
        WrapCase{"EmptyText", "", true, 30, {}, {}}),
    [](const ::testing::TestParamInfo<WrapCase>& info) { return std::string(info.param.name); });

TEST(LayoutText, PrefixesMarkAndEscape)
{
    LayoutOptions options;
    options.prefixes = true;
    const std::vector<TextLine> lines = LayoutText("A&&B &xy&", options, TenPixels);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Utf8Of(lines[0]), "A&B xy");
    std::vector<bool> underlined;
    for (const LayoutChar& c : lines[0].chars)
        underlined.push_back(c.underlined);
    EXPECT_EQ(underlined, (std::vector<bool>{false, false, false, false, true, false}));
    EXPECT_EQ(lines[0].width, 60);
}

TEST(LayoutText, NoPrefixKeepsAmpersands)
{
    const std::vector<TextLine> lines = LayoutText("A&&B &x", LayoutOptions{}, TenPixels);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Utf8Of(lines[0]), "A&&B &x");
    for (const LayoutChar& c : lines[0].chars)
        EXPECT_FALSE(c.underlined);
}

TEST(DecodeUtf8, Sequences)
{
    struct Case {
        std::string text;
        std::u32string expected;
    };
    const Case cases[] = {
        {"abc", U"abc"},
        {"\xC3\xA9", U"\u00E9"},                  // two bytes
        {"\xE2\x82\xAC", U"\u20AC"},              // three bytes
        {"\xF0\x9F\x98\x80", U"\U0001F600"},      // four bytes
        {"caf\xE9!", U"caf\u00E9!"},              // Latin-1 byte stands for itself
        {"\xC0\x80", U"\u00C0\u0080"},            // overlong form is not accepted
        {"\xED\xA0\x80", U"\u00ED\u00A0\u0080"},  // surrogate is not accepted
        {"\xE2\x82", U"\u00E2\u0082"},            // cut short
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeUtf8(c.text), c.expected) << c.text;
}

} // namespace
} // namespace zv::gdi
