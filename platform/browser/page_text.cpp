#include "platform/browser/page_text.h"

#include "platform/win32/string_conversion.h"

#include <cctype>
#include <cstdio>

namespace zv::browser {

std::string Utf8Of(BSTR text)
{
    const int length = static_cast<int>(SysStringLen(text));
    if (length == 0)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

BSTR NewBstr(std::string_view text)
{
    if (text.empty())
        return SysAllocStringLen(u"", 0);
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(size > 0 ? size : 0));
    if (out && size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out, size);
    return out;
}

std::string ScriptLiteral(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '<': out += "\\x3C"; break; // never "</script>" in a page's source
        default:
            if (byte < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
                out += escaped;
            } else {
                out += c; // UTF-8 passes as it is; U+2028/9 are fine in string literals today
            }
        }
    }
    out += '"';
    return out;
}

std::string CssLengths(std::string_view lengths)
{
    std::string out;
    std::size_t i = 0;
    while (i < lengths.size()) {
        if (std::isspace(static_cast<unsigned char>(lengths[i]))) {
            out += lengths[i++];
            continue;
        }
        const std::size_t start = i;
        while (i < lengths.size() && !std::isspace(static_cast<unsigned char>(lengths[i])))
            ++i;
        const std::string_view word = lengths.substr(start, i - start);
        // A plain number (sign, digits, one dot) other than 0 gets its pixels.
        bool number = false;
        bool dot = false;
        for (std::size_t k = 0; k < word.size(); ++k) {
            const char c = word[k];
            if (std::isdigit(static_cast<unsigned char>(c)))
                number = true;
            else if (c == '.' && !dot)
                dot = true;
            else if (!((c == '-' || c == '+') && k == 0)) {
                number = false;
                break;
            }
        }
        out += word;
        if (number)
            out += "px";
    }
    return out;
}

} // namespace zv::browser
