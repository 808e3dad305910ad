#include "platform/inet/url_parts.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace zv::inet {

namespace {

std::string PercentDecode(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned byte = 0;
        const char* digits = text.data() + i + 1;
        if (text[i] == '%' && i + 2 < text.size() &&
            std::from_chars(digits, digits + 2, byte, 16).ptr == digits + 2) {
            out += static_cast<char>(byte);
            i += 2;
            continue;
        }
        out += text[i];
    }
    return out;
}

bool IsUnreserved(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_' || c == '~';
}

bool IsValidScheme(std::string_view scheme)
{
    if (scheme.empty() || !std::isalpha(static_cast<unsigned char>(scheme[0])))
        return false;
    for (char c : scheme) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

bool IsValidHost(std::string_view host)
{
    if (host.empty())
        return false;
    for (char c : host) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '@' || c == '[' || c == ']' || c == '\\')
            return false;
    }
    return true;
}

INTERNET_PORT DefaultPort(std::string_view scheme)
{
    if (scheme == "http")
        return INTERNET_DEFAULT_HTTP_PORT;
    if (scheme == "https")
        return INTERNET_DEFAULT_HTTPS_PORT;
    return INTERNET_INVALID_PORT_NUMBER;
}

// "host", "host:port", "[v6]" or "[v6]:port".
bool SplitHostAndPort(std::string_view text, UrlParts& parts)
{
    std::string_view host = text;
    std::string_view port;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos)
            return false;
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return false;
            port = rest.substr(1);
        }
        if (host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos)
            return false;
    } else if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (!IsValidHost(host))
        return false;
    parts.host = host;
    parts.port = DefaultPort(parts.scheme);
    if (port.empty())
        return true;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (error != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535)
        return false;
    parts.port = static_cast<INTERNET_PORT>(value);
    return true;
}

} // namespace

std::optional<UrlParts> ParseUrl(std::string_view url)
{
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos || !IsValidScheme(url.substr(0, schemeEnd)))
        return std::nullopt;
    UrlParts parts;
    for (char c : url.substr(0, schemeEnd))
        parts.scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    const std::string_view afterScheme = url.substr(schemeEnd + 3);
    const auto authorityEnd = std::min(afterScheme.find_first_of("/?#"), afterScheme.size());
    std::string_view authority = afterScheme.substr(0, authorityEnd);
    std::string_view rest = afterScheme.substr(authorityEnd);

    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        const auto colon = userInfo.find(':');
        parts.hasUserInfo = true;
        parts.userName = PercentDecode(userInfo.substr(0, colon));
        if (colon != std::string_view::npos)
            parts.password = PercentDecode(userInfo.substr(colon + 1));
        authority = authority.substr(at + 1);
    }
    if (!SplitHostAndPort(authority, parts))
        return std::nullopt;

    rest = rest.substr(0, std::min(rest.find('#'), rest.size()));
    if (rest.empty() || rest.front() != '/')
        parts.object = '/';
    parts.object += rest;
    return parts;
}

bool IsHttpScheme(std::string_view scheme)
{
    return scheme == "http" || scheme == "https";
}

std::string BuildRequestUrl(std::string_view scheme, std::string_view host, INTERNET_PORT port,
                            std::string_view object)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url(scheme);
    url += "://";
    if (host.find(':') != std::string_view::npos)
        url.append("[").append(host).append("]");
    else
        url += host;
    url += ':' + std::to_string(port);
    if (object.empty() || object.front() != '/')
        url += '/';
    for (char c : object) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0xF];
        } else {
            url += c;
        }
    }
    return url;
}

std::string PercentEncode(std::string_view value)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        if (IsUnreserved(c)) {
            out += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0F];
    }
    return out;
}

} // namespace zv::inet
