// Text crossing into the page: script literals that cannot break out, lengths the old engine read.
#include "platform/browser/page_text.h"

#include <gtest/gtest.h>

namespace {

using zv::browser::CssLengths;
using zv::browser::ScriptLiteral;

TEST(PageTextTest, ScriptLiteralsEscapeWhatCouldEndThem)
{
    struct Case {
        const char* text;
        const char* literal;
    } cases[] = {
        {"plain", "\"plain\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"back\\slash", "\"back\\\\slash\""},
        {"two\nlines\r", "\"two\\nlines\\r\""},
        {"</script><script>alert(1)</script>", "\"\\x3C/script>\\x3Cscript>alert(1)\\x3C/script>\""},
        {"bell\a", "\"bell\\x07\""},
        {"\xc3\xa9t\xc3\xa9", "\"\xc3\xa9t\xc3\xa9\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScriptLiteral(c.text), c.literal) << c.text;
}

TEST(PageTextTest, LengthsWithoutUnitAreTakenAsPixels)
{
    struct Case {
        const char* written;
        const char* css;
    } cases[] = {
        {"3 3 3 3", "3px 3px 3px 3px"},
        {"15pt", "15pt"},
        {"12", "12px"},
        {"-2 1.5", "-2px 1.5px"},
        {"10% auto", "10% auto"},
        {"1em 4", "1em 4px"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CssLengths(c.written), c.css) << c.written;
}

TEST(PageTextTest, BstrsCarryUtf8BothWays)
{
    for (const char* text : {"", "chat line", "\xc3\xa9t\xc3\xa9 \xe2\x82\xac", "\xf0\x9f\x98\x80"}) {
        BSTR made = zv::browser::NewBstr(text);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(zv::browser::Utf8Of(made), text);
        SysFreeString(made);
    }
}

} // namespace
