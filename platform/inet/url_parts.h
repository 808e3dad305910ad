// Splitting a URL into the pieces a request needs, and putting a request URL back together.
#pragma once

#include "platform/inet/wininet.h"

#include <optional>
#include <string>
#include <string_view>

namespace zv::inet {

struct UrlParts {
    std::string scheme; // lower case
    bool hasUserInfo = false;
    std::string userName; // percent-decoded
    std::string password; // percent-decoded
    std::string host;     // without the brackets of an IPv6 literal
    INTERNET_PORT port = INTERNET_INVALID_PORT_NUMBER; // the scheme's default when the URL has none
    std::string object;   // path and query, at least "/"; the fragment is dropped
};

// Null when the URL is not scheme://host[:port][/object]. Any scheme is accepted; only http and
// https get a default port.
std::optional<UrlParts> ParseUrl(std::string_view url);

bool IsHttpScheme(std::string_view scheme);

// Every byte but the unreserved characters (letters, digits, "-._~") as %XX: a value that can
// stand in a query or a path without changing its meaning.
std::string PercentEncode(std::string_view value);

// scheme://host:port/object, with spaces, control and non-ASCII bytes of the object escaped.
std::string BuildRequestUrl(std::string_view scheme, std::string_view host, INTERNET_PORT port,
                            std::string_view object);

} // namespace zv::inet
