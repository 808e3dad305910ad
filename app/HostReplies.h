// The host server's XML replies to the login and status requests, read into plain values.
//
// A reply's document element may have any name; the reply element is its child, and each value a
// child "param" with the quoted attributes "name" (compared without regard to case) and "value".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Bits of HiddenMenuBits: a set bit hides that item of the Account menu.
inline constexpr std::uint32_t kHidePaymentMenu = 1;
inline constexpr std::uint32_t kHideEarningsMenu = 2;
inline constexpr std::uint32_t kHideSalaryMenu = 4;

struct LoginReply {
    bool loggedIn = false;        // "LoginOK" was "true" or "1" (blanks around it and case aside)
    std::int32_t userType = 0;    // "type": 1 host, 2 studio, else 0
    std::string userId;           // "id", trimmed
};

// A reply that is not well-formed or has no "userLogin" element is a failed login.
LoginReply ReadLoginReply(const std::string& text);

// What a status reply changes; a param the reply lacks changes nothing.
struct HostStatusReply {
    std::optional<std::int32_t> unreadMessages;
    std::optional<std::int32_t> profilePhoto;
    std::optional<std::int32_t> hostGroup;
    std::optional<std::uint8_t> okStartSession;
    std::optional<std::uint8_t> activeForSession;
    std::uint32_t menuBitsToSet = 0;
    std::uint32_t menuBitsToClear = 0;
};

// Null when the reply is not well-formed or has no "userStatus" element.
std::optional<HostStatusReply> ReadStatusReply(const std::string& text);

// The decimal digits `text` starts with; 0 when none, INT32_MAX for a number beyond it.
std::int32_t LeadingDecimal(std::string_view text);
