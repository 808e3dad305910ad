// LoadStringA: blocks of sixteen, buffer sizes, UTF-8 cut between characters, missing strings.
#include "platform/user/resource_strings.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class ResourceStringsTest : public ::testing::Test {
protected:
    zv::win32::testing::TempZvRoot root;
};

TEST_F(ResourceStringsTest, CopiesWhatFitsAndTerminatesIt)
{
    const std::string text17 = "Grüße, \"quoted\"\r\nsecond line";
    struct Case {
        UINT id;
        int capacity;
        std::string expected;
    };
    const Case cases[] = {
        {15, 64, "last of block 1"},
        {16, 64, "first of block 2"},
        {40, 64, "x"},
        {17, 64, text17},
        {17, static_cast<int>(text17.size()) + 1, text17}, // exactly fits
        {17, static_cast<int>(text17.size()), text17.substr(0, text17.size() - 1)},
        {16, 1, ""},
        {16, 6, "first"},
        {17, 4, "Gr"},  // "ü" is two bytes: not cut in half
        {17, 5, "Grü"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + " into " + std::to_string(c.capacity));
        char buffer[80];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(LoadStringA(nullptr, c.id, buffer, c.capacity), static_cast<int>(c.expected.size()));
        EXPECT_EQ(std::string(buffer), c.expected);
        EXPECT_EQ(buffer[c.capacity], '#') << "wrote past the buffer";
    }
    EXPECT_EQ(zv::user::LoadResourceString(nullptr, 17), text17);
}

TEST_F(ResourceStringsTest, MissingStringsAndBadArgumentsGiveZeroAndAnEmptyBuffer)
{
    struct Case {
        UINT id;
        DWORD error;
    };
    const Case cases[] = {
        {14, ERROR_RESOURCE_NAME_NOT_FOUND},   // in an existing block, not defined
        {41, ERROR_RESOURCE_NAME_NOT_FOUND},   // same, another block
        {100, ERROR_RESOURCE_NAME_NOT_FOUND},  // no such block
        {0x10000, ERROR_RESOURCE_NAME_NOT_FOUND},
    };
    for (const Case& c : cases) {
        char buffer[16] = "previous";
        SetLastError(0);
        EXPECT_EQ(LoadStringA(nullptr, c.id, buffer, sizeof buffer), 0) << c.id;
        EXPECT_STREQ(buffer, "") << c.id;
        EXPECT_EQ(GetLastError(), c.error) << c.id;
        EXPECT_FALSE(zv::user::LoadResourceString(nullptr, c.id).has_value());
    }
    char buffer[4] = "abc";
    EXPECT_EQ(LoadStringA(nullptr, 15, buffer, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(LoadStringA(nullptr, 15, nullptr, 10), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

} // namespace
