#include "app/driverinstall/DeviceMatch.h"

#include <gtest/gtest.h>

namespace {

TEST(IdPattern, MatchesIdsAsTheDeviceWalkDoes)
{
    struct Case {
        const char* pattern;
        const char* id;
        bool matches;
    };
    const Case cases[] = {
        {"zel*te", "ZELVANTE", true},
        {"zel*te", "zelvante-te", true},
        {"zel*te", "zelvante2", false},
        {"zel*te", "zelt", false},       // the tail may not overlap the head
        {"zel*te", "ze", false},         // shorter than the head
        {"zel*", "ZELanything", true},
        {"zel*", "xzel", false},
        {"zelvante", "zelvante2", false},
        {"zelvante", "ZelVante", true},
        {"*", "", true},
        {"a*b*c", "AxxBxxC", true},
        {"a*b*c", "AxxCxxB", false},
        {"a*b*c", "abcx", false},
        {"ROOT\\*", "root\\media\\0000", true},
        {"'zel*te", "zel*te", true},     // the apostrophe makes the rest literal
        {"'zel*te", "ZELVANTE", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.matches, MatchIdPattern(c.id, ParseIdPattern(c.pattern))) << c.pattern << " / " << c.id;
}

TEST(IdPattern, ReadsItsPrefixes)
{
    const IdPattern instance = ParseIdPattern("@ROOT\\MEDIA\\0000");
    EXPECT_TRUE(instance.instanceId);
    EXPECT_FALSE(instance.filter);  // one instance, opened by its id
    EXPECT_EQ("ROOT\\MEDIA\\0000", instance.text);
    const IdPattern wild = ParseIdPattern("@ROOT\\*");
    EXPECT_TRUE(wild.filter);
    EXPECT_EQ(5u, wild.firstStar);
    const IdPattern literal = ParseIdPattern("'a*");
    EXPECT_EQ(std::string::npos, literal.firstStar);
    EXPECT_TRUE(literal.filter);
}

TEST(MultiSz, SplitsWithinTheBuffer)
{
    const char full[] = "one\0two\0\0";
    EXPECT_EQ((std::vector<std::string>{"one", "two"}), ParseMultiSz(full, sizeof full));
    const char cut[] = {'a', 'b'};  // no NUL at all
    EXPECT_EQ((std::vector<std::string>{"ab"}), ParseMultiSz(cut, sizeof cut));
    EXPECT_TRUE(ParseMultiSz(nullptr, 10).empty());
}

}  // namespace
