#include "platform/win32/string_conversion.h"

#include "platform/win32/last_error.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kGuardLength = 4;
constexpr char16_t kGuardUnit = 0xBEEF;
constexpr char kGuardByte = '#';

int Length(std::string_view s) { return static_cast<int>(s.size()); }
int Length(std::u16string_view s) { return static_cast<int>(s.size()); }

// Converts into a buffer of exactly `capacity` units followed by guard units that must stay untouched.
struct WideResult { int result; DWORD error; std::u16string text; };
WideResult ToWide(UINT codePage, DWORD flags, std::string_view input, int inputLength, int capacity)
{
    std::vector<char16_t> buffer(static_cast<std::size_t>(capacity + kGuardLength), kGuardUnit);
    SetLastError(ERROR_SUCCESS);
    const int result = MultiByteToWideChar(codePage, flags, input.data(), inputLength, buffer.data(), capacity);
    const DWORD error = GetLastError();
    for (int i = capacity; i < capacity + kGuardLength; ++i) EXPECT_EQ(buffer[i], kGuardUnit) << "write past the buffer";
    return {result, error, std::u16string(buffer.data(), static_cast<std::size_t>(result > 0 ? result : 0))};
}

struct NarrowResult { int result; DWORD error; std::string text; };
NarrowResult ToNarrow(UINT codePage, DWORD flags, std::u16string_view input, int inputLength, int capacity)
{
    std::vector<char> buffer(static_cast<std::size_t>(capacity + kGuardLength), kGuardByte);
    SetLastError(ERROR_SUCCESS);
    const int result = WideCharToMultiByte(codePage, flags, input.data(), inputLength, buffer.data(), capacity,
                                           nullptr, nullptr);
    const DWORD error = GetLastError();
    for (int i = capacity; i < capacity + kGuardLength; ++i) EXPECT_EQ(buffer[i], kGuardByte) << "write past the buffer";
    return {result, error, std::string(buffer.data(), static_cast<std::size_t>(result > 0 ? result : 0))};
}

struct TextPair { std::string_view utf8; std::u16string_view utf16; };
const TextPair kValidTexts[] = {
    {"A", u"A"},
    {"Zelvante Capture", u"Zelvante Capture"},
    {"Gr\xC3\xBC\xC3\x9F" "e", u"Gr\u00FC\u00DFe"},
    {"\xE2\x82\xAC 5", u"\u20AC 5"},
    {"\xE6\x97\xA5\xE6\x9C\xAC", u"\u65E5\u672C"},
    {"\xEF\xBF\xBF", u"\uFFFF"},
    {"\xF0\x9F\x98\x80", u"\U0001F600"},
    {"x\xF0\x90\x80\x80y", u"x\U00010000y"},
    {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
    {std::string_view("a\0b", 3), std::u16string_view(u"a\0b", 3)},
};

TEST(StringConversionTest, ValidTextRoundTripsInBothCodePages)
{
    for (UINT codePage : {CP_UTF8, CP_ACP}) {
        for (const TextPair& t : kValidTexts) {
            SCOPED_TRACE(std::string(t.utf8) + " in code page " + std::to_string(codePage));
            EXPECT_EQ(MultiByteToWideChar(codePage, 0, t.utf8.data(), Length(t.utf8), nullptr, 0), Length(t.utf16));
            const WideResult wide = ToWide(codePage, 0, t.utf8, Length(t.utf8), Length(t.utf16));
            EXPECT_EQ(wide.result, Length(t.utf16));
            EXPECT_EQ(wide.text, t.utf16);

            EXPECT_EQ(WideCharToMultiByte(codePage, 0, t.utf16.data(), Length(t.utf16), nullptr, 0, nullptr, nullptr),
                      Length(t.utf8));
            const NarrowResult narrow = ToNarrow(codePage, 0, t.utf16, Length(t.utf16), Length(t.utf8));
            EXPECT_EQ(narrow.result, Length(t.utf8));
            EXPECT_EQ(narrow.text, t.utf8);
        }
    }
}

// With -1 the input ends at its first NUL, which is converted and counted too.
TEST(StringConversionTest, TerminatedInputCountsTheTerminator)
{
    for (const TextPair& t : kValidTexts) {
        const std::string utf8(t.utf8);
        const std::u16string utf16(t.utf16);
        const std::size_t units = std::u16string_view(utf16.c_str()).size();
        const std::size_t bytes = std::string_view(utf8.c_str()).size();
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0), static_cast<int>(units + 1));
        const WideResult wide = ToWide(CP_UTF8, 0, utf8.c_str(), -1, static_cast<int>(units + 1));
        EXPECT_EQ(wide.text, std::u16string_view(utf16.c_str(), units + 1));

        EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, utf16.c_str(), -1, nullptr, 0, nullptr, nullptr),
                  static_cast<int>(bytes + 1));
        const NarrowResult narrow = ToNarrow(CP_UTF8, 0, utf16.c_str(), -1, static_cast<int>(bytes + 1));
        EXPECT_EQ(narrow.text, std::string_view(utf8.c_str(), bytes + 1));
    }
}

TEST(StringConversionTest, ShortBufferFailsWithoutWritingPastIt)
{
    // Texts given NUL-terminated; a length of -1 also needs room for the terminator.
    struct Case { const char* utf8; const char16_t* utf16; int inputLength; int wideNeeded; int narrowNeeded; };
    const Case cases[] = {
        {"abc", u"abc", 3, 3, 3},
        {"abc", u"abc", -1, 4, 4},
        {"\xF0\x9F\x98\x80", u"\U0001F600", 4, 2, 4}, // the wide buffer has room for half of the pair
        {"\xE2\x82\xAC\xE2\x82\xAC", u"\u20AC\u20AC", -1, 3, 7},
    };
    for (const Case& c : cases) {
        const int utf8Length = c.inputLength == -1 ? -1 : static_cast<int>(std::string_view(c.utf8).size());
        const int utf16Length = c.inputLength == -1 ? -1 : static_cast<int>(std::u16string_view(c.utf16).size());
        EXPECT_EQ(ToWide(CP_UTF8, 0, c.utf8, utf8Length, c.wideNeeded).result, c.wideNeeded) << c.utf8;
        const WideResult wide = ToWide(CP_UTF8, 0, c.utf8, utf8Length, c.wideNeeded - 1);
        EXPECT_EQ(wide.result, 0) << c.utf8;
        EXPECT_EQ(wide.error, ERROR_INSUFFICIENT_BUFFER) << c.utf8;

        EXPECT_EQ(ToNarrow(CP_UTF8, 0, c.utf16, utf16Length, c.narrowNeeded).result, c.narrowNeeded) << c.utf8;
        const NarrowResult narrow = ToNarrow(CP_UTF8, 0, c.utf16, utf16Length, c.narrowNeeded - 1);
        EXPECT_EQ(narrow.result, 0) << c.utf8;
        EXPECT_EQ(narrow.error, ERROR_INSUFFICIENT_BUFFER) << c.utf8;
    }
}

// Each maximal invalid sequence becomes one U+FFFD; conversion goes on after it.
TEST(StringConversionTest, InvalidUtf8BecomesReplacementCharacters)
{
    struct Case { std::string_view input; std::u16string_view expected; };
    const Case cases[] = {
        {"\x80", u"\uFFFD"},
        {"\xFF", u"\uFFFD"},
        {"a\xC3", u"a\uFFFD"},                              // truncated at the end
        {"\xE2\x82" "A", u"\uFFFDA"},                        // truncated before ASCII
        {"\xF0\x9F\x98x", u"\uFFFDx"},                      // three of four bytes
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                       // overlong '/'
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},             // overlong, three bytes
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},             // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xC3\xC3\xA9", u"\uFFFD\u00E9"},                  // lead byte cut short by another
        {std::string_view("\xE2\x82\0z", 4), std::u16string_view(u"\uFFFD\0z", 3)},
    };
    for (const Case& c : cases) {
        const int size = MultiByteToWideChar(CP_UTF8, 0, c.input.data(), Length(c.input), nullptr, 0);
        EXPECT_EQ(size, Length(c.expected)) << testing::PrintToString(c.input);
        const WideResult wide = ToWide(CP_UTF8, 0, c.input, Length(c.input), Length(c.expected));
        EXPECT_EQ(wide.text, c.expected) << testing::PrintToString(c.input);

        const WideResult strict = ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, c.input, Length(c.input), 16);
        EXPECT_EQ(strict.result, 0);
        EXPECT_EQ(strict.error, ERROR_NO_UNICODE_TRANSLATION);
    }
    // Terminated input stops at the NUL even inside a broken sequence.
    const WideResult terminated = ToWide(CP_UTF8, 0, "\xE2\x82", -1, 8);
    EXPECT_EQ(terminated.text, std::u16string_view(u"\uFFFD\0", 2));
    EXPECT_EQ(ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, "ok", 2, 2).result, 2);
}

TEST(StringConversionTest, LoneSurrogatesBecomeReplacementCharacters)
{
    struct Case { std::u16string input; std::string_view expected; };
    const Case cases[] = {
        {{char16_t(0xD800)}, "\xEF\xBF\xBD"},
        {{char16_t(0xDFFF)}, "\xEF\xBF\xBD"},
        {{u'a', char16_t(0xDC00), u'b'}, "a\xEF\xBF\xBD" "b"},
        {{char16_t(0xDC00), char16_t(0xD800)}, "\xEF\xBF\xBD\xEF\xBF\xBD"}, // pair in the wrong order
        {{char16_t(0xD83D), u'x'}, "\xEF\xBF\xBDx"},
        {{char16_t(0xD83D), char16_t(0xD83D), char16_t(0xDE00)}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        const NarrowResult narrow = ToNarrow(CP_UTF8, 0, c.input, Length(c.input), Length(c.expected));
        EXPECT_EQ(narrow.result, Length(c.expected));
        EXPECT_EQ(narrow.text, c.expected);
        const NarrowResult strict = ToNarrow(CP_UTF8, WC_ERR_INVALID_CHARS, c.input, Length(c.input), 16);
        EXPECT_EQ(strict.result, 0);
        EXPECT_EQ(strict.error, ERROR_NO_UNICODE_TRANSLATION);
    }
}

TEST(StringConversionTest, AnsiCodePageReportsAndUsesTheDefaultCharacter)
{
    const std::u16string broken{u'a', char16_t(0xD800), u'b'};
    char out[8] = {};
    BOOL used = FALSE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, broken.data(), 3, out, sizeof out, "?", &used), 3);
    EXPECT_EQ(std::string_view(out, 3), "a?b");
    EXPECT_EQ(used, TRUE);

    used = TRUE;
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"ab", 2, out, sizeof out, nullptr, &used), 2);
    EXPECT_EQ(used, FALSE);

    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, broken.data(), 3, out, sizeof out, nullptr, &used), 5);
    EXPECT_EQ(std::string_view(out, 5), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(used, TRUE);
}

TEST(StringConversionTest, BadArgumentsAreRefused)
{
    char16_t wide[8];
    char narrow[8];
    struct WideCase { UINT codePage; DWORD flags; const char* input; int inputLength; char16_t* out; int capacity; DWORD error; };
    const WideCase wideCases[] = {
        {CP_UTF8, 0, nullptr, 3, wide, 8, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, "abc", 0, wide, 8, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, "abc", -2, wide, 8, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, "abc", 3, wide, -1, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, "abc", 3, nullptr, 8, ERROR_INVALID_PARAMETER},
        {1252, 0, "abc", 3, wide, 8, ERROR_INVALID_PARAMETER},
        {CP_UTF8, MB_PRECOMPOSED, "abc", 3, wide, 8, ERROR_INVALID_FLAGS},
        {CP_ACP, 0x2, "abc", 3, wide, 8, ERROR_INVALID_FLAGS},
    };
    for (const WideCase& c : wideCases) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(MultiByteToWideChar(c.codePage, c.flags, c.input, c.inputLength, c.out, c.capacity), 0);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "abc", 3, wide, 8), 3);

    BOOL used = FALSE;
    struct NarrowCase {
        UINT codePage; DWORD flags; const char16_t* input; int inputLength; char* out; int capacity;
        const char* defaultChar; BOOL* usedDefault; DWORD error;
    };
    const NarrowCase narrowCases[] = {
        {CP_UTF8, 0, nullptr, 3, narrow, 8, nullptr, nullptr, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, u"abc", 0, narrow, 8, nullptr, nullptr, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, u"abc", -5, narrow, 8, nullptr, nullptr, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, u"abc", 3, narrow, -1, nullptr, nullptr, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, u"abc", 3, nullptr, 8, nullptr, nullptr, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, u"abc", 3, narrow, 8, "?", nullptr, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, u"abc", 3, narrow, 8, nullptr, &used, ERROR_INVALID_PARAMETER},
        {437, 0, u"abc", 3, narrow, 8, nullptr, nullptr, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0x400, u"abc", 3, narrow, 8, nullptr, nullptr, ERROR_INVALID_FLAGS},
    };
    for (const NarrowCase& c : narrowCases) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(WideCharToMultiByte(c.codePage, c.flags, c.input, c.inputLength, c.out, c.capacity, c.defaultChar,
                                      c.usedDefault),
                  0);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

} // namespace
