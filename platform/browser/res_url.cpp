#include "platform/browser/res_url.h"

#include "platform/win32/resources.h"

#include <algorithm>
#include <cctype>

namespace zv::browser {
namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::optional<std::string> Unescaped(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low < 0 || (high == 0 && low == 0))
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

} // namespace

std::optional<ResUrl> ParseResUrl(std::string_view url)
{
    constexpr std::string_view scheme = "res://";
    if (url.size() < scheme.size() ||
        !std::equal(scheme.begin(), scheme.end(), url.begin(),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }))
        return std::nullopt;
    url.remove_prefix(scheme.size());
    // A query or fragment is no part of the resource's name.
    url = url.substr(0, url.find_first_of("?#"));
    const std::size_t slash = url.rfind('/');
    if (slash == std::string_view::npos || slash == 0 || slash + 1 == url.size())
        return std::nullopt;
    std::optional<std::string> module = Unescaped(url.substr(0, slash));
    std::optional<std::string> name = Unescaped(url.substr(slash + 1));
    if (!module || !name)
        return std::nullopt;
    return ResUrl{std::move(*module), std::move(*name)};
}

ResPage ReadResPage(const ResUrl& url)
{
    const HMODULE module = GetModuleHandleA(url.module.c_str());
    if (!module)
        return {{}, "no module \"" + url.module + "\" is loaded"};
    const bool number = std::all_of(url.name.begin(), url.name.end(),
                                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    const std::string name = number ? "#" + url.name : url.name;
    const win32::ResourceBytes bytes = win32::FindResourceBytes(module, name.c_str(), RT_HTML);
    if (!bytes.data)
        return {{}, "\"" + url.module + "\" has no HTML resource \"" + url.name + "\""};
    return {std::string(reinterpret_cast<const char*>(bytes.data), bytes.size), {}};
}

} // namespace zv::browser
