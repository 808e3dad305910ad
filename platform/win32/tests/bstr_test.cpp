#include "platform/win32/bstr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

std::u16string_view View(BSTR b)
{
    return {b, SysStringLen(b)};
}

std::uint32_t StoredByteLength(BSTR b)
{
    std::uint32_t length;
    std::memcpy(&length, reinterpret_cast<const char*>(b) - sizeof length, sizeof length);
    return length;
}

TEST(BstrTest, LengthsCountCodeUnitsAndBytes)
{
    struct Case { std::u16string_view text; UINT units; };
    const Case cases[] = {
        {u"", 0},
        {u"a", 1},
        {u"Zelvante Capture", 16},
        {u"Gr\u00FC\u00DFe \u20AC", 7},
        {u"\U0001F600", 2}, // one character outside the BMP is a surrogate pair
    };
    for (const Case& c : cases) {
        const std::u16string text(c.text);
        BSTR b = SysAllocString(text.c_str());
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(SysStringLen(b), c.units);
        EXPECT_EQ(SysStringByteLen(b), c.units * 2);
        EXPECT_EQ(StoredByteLength(b), c.units * 2) << "the length prefix precedes the text";
        EXPECT_EQ(View(b), c.text);
        EXPECT_EQ(b[c.units], 0);
        SysFreeString(b);
    }
}

TEST(BstrTest, ExplicitLengthKeepsEmbeddedNuls)
{
    const char16_t text[] = {u'a', 0, u'b', 0, u'c'};
    struct Case { UINT length; std::u16string_view expected; };
    const Case cases[] = {
        {0, u""},
        {1, u"a"},
        {2, std::u16string_view(text, 2)},
        {5, std::u16string_view(text, 5)},
    };
    for (const Case& c : cases) {
        BSTR b = SysAllocStringLen(text, c.length);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(SysStringLen(b), c.length);
        EXPECT_EQ(View(b), c.expected);
        EXPECT_EQ(b[c.length], 0);

        BSTR copy = zv::win32::CopyBstr(b);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, b);
        EXPECT_EQ(View(copy), c.expected);
        SysFreeString(copy);
        SysFreeString(b);
    }
}

TEST(BstrTest, NullSourceGivesZeroedTextOfTheAskedLength)
{
    BSTR b = SysAllocStringLen(nullptr, 6);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringLen(b), 6u);
    for (UINT i = 0; i <= 6; ++i) EXPECT_EQ(b[i], 0) << i;
    SysFreeString(b);
}

TEST(BstrTest, NullBstrIsTheEmptyString)
{
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    EXPECT_EQ(zv::win32::CopyBstr(nullptr), nullptr);
    SysFreeString(nullptr);
}

TEST(BstrTest, LengthBeyondTheByteCountIsRefused)
{
    // 2^31 code units need 2^32 bytes: more than the 32-bit length prefix can hold.
    for (UINT units : {0x80000000u, 0xFFFFFFFFu}) EXPECT_EQ(SysAllocStringLen(nullptr, units), nullptr) << units;
}

} // namespace
