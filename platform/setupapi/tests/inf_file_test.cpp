#include "platform/setupapi/inf_file.h"

#include <gtest/gtest.h>

namespace {

using zv::setupapi::InfFile;

const char* const kText =
    "; leading comment\r\n"
    "[Version]\r\n"
    "Signature=\"$CHICAGO$\"\r\n"
    "[Models]\r\n"
    "%Desc%=Install.Section,HW_ID ; trailing comment\r\n"
    "[install.section.nt]\r\n"
    "AddReg= a.reg, b.reg\r\n"
    "AddReg=c.reg\r\n"
    "[a.reg]\r\n"
    "HKR,,Name,,\"one, two\"\r\n"
    "HKR,,Path,,%12%\\file.sys\r\n"
    "HKR,,Percent,,100%%\r\n"
    "HKR,,Joined,,first\\\r\n"
    "second\r\n"
    "[Strings]\r\n"
    "Desc=\"The device; with a semicolon\"\r\n";

TEST(InfFile, ReadsSectionsKeysAndFieldsAsTheInstallerNeedsThem)
{
    const InfFile inf = InfFile::Parse(kText, "/src");
    struct Case {
        const char* section;
        std::size_t line;
        const char* key;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"VERSION", 0, "Signature", {"$CHICAGO$"}},
        {"models", 0, "The device; with a semicolon", {"Install.Section", "HW_ID"}},
        {"Install.Section.NT", 0, "AddReg", {"a.reg", "b.reg"}},
        {"a.reg", 0, "", {"HKR", "", "Name", "", "one, two"}},
        {"a.reg", 1, "", {"HKR", "", "Path", "", "%12%\\file.sys"}},
        {"a.reg", 2, "", {"HKR", "", "Percent", "", "100%"}},
        {"a.reg", 3, "", {"HKR", "", "Joined", "", "firstsecond"}},
    };
    for (const Case& c : cases) {
        const auto lines = inf.Lines(c.section);
        ASSERT_GT(lines.size(), c.line) << c.section;
        EXPECT_EQ(c.key, lines[c.line].key) << c.section << " " << c.line;
        EXPECT_EQ(c.fields, lines[c.line].fields) << c.section << " " << c.line;
    }
    EXPECT_EQ((std::vector<std::string>{"a.reg", "b.reg", "c.reg"}), inf.AllValues("install.section.NT", "addreg"));
    EXPECT_FALSE(inf.HasSection("Missing"));
    EXPECT_EQ("/src", inf.Folder());
}

}  // namespace
