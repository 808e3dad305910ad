// The 16-byte GUID, laid out as files, drivers and COM expect it, with the constant helpers.
#pragma once

#include "platform/win32/types.h"

#include <compare>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
    // Field by field: gives GUIDs an order for sorted containers; the order means nothing else.
    friend constexpr std::strong_ordering operator<=>(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16);

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

namespace zv::win32 {

namespace detail {
constexpr int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr unsigned long long HexField(std::string_view text, std::size_t pos, std::size_t digits)
{
    unsigned long long value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int d = HexDigitValue(text[pos + i]);
        if (d < 0) throw "GUID text: bad hex digit"; // a compile-time error in a constant
        value = value * 16 + static_cast<unsigned>(d);
    }
    return value;
}
} // namespace detail

// Reads a GUID from its registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional), for
// text read from files or the registry: nothing when it is malformed.
constexpr std::optional<GUID> ParseGuidText(std::string_view text)
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i != 8 && i != 13 && i != 18 && i != 23 && detail::HexDigitValue(text[i]) < 0) return std::nullopt;
    GUID g{};
    g.Data1 = static_cast<DWORD>(detail::HexField(text, 0, 8));
    g.Data2 = static_cast<WORD>(detail::HexField(text, 9, 4));
    g.Data3 = static_cast<WORD>(detail::HexField(text, 14, 4));
    g.Data4[0] = static_cast<BYTE>(detail::HexField(text, 19, 2));
    g.Data4[1] = static_cast<BYTE>(detail::HexField(text, 21, 2));
    for (std::size_t i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<BYTE>(detail::HexField(text, 24 + 2 * i, 2));
    return g;
}

// The same for constants, so interface ids can be written as they are published:
// constexpr IID IID_X = GuidFromText("{...}"); malformed text throws, which makes the constant
// expression fail to compile.
consteval GUID GuidFromText(std::string_view text)
{
    const std::optional<GUID> guid = ParseGuidText(text);
    if (!guid) throw "GUID text: expected XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX";
    return *guid;
}

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in lower case, as the registry's device records hold it.
inline std::string GuidToText(const GUID& g)
{
    char text[39];
    std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

} // namespace zv::win32

inline constexpr GUID GUID_NULL{};

inline constexpr bool IsEqualGUID(const GUID& a, const GUID& b) { return a == b; }
