#include "Shotbox/UserMessages.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

std::string FormatList(UINT id, va_list arguments)
{
    std::string format;
    if (!AfxLoadString(id, format))
        return {};
    va_list copy;
    va_copy(copy, arguments);
    const int length = std::vsnprintf(nullptr, 0, format.c_str(), copy);
    va_end(copy);
    if (length < 0)
        return format;
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format.c_str(), arguments);
    return std::string(text.data(), static_cast<std::size_t>(length));
}

} // namespace

std::string FormatUserMessage(UINT id, ...)
{
    va_list arguments;
    va_start(arguments, id);
    std::string text = FormatList(id, arguments);
    va_end(arguments);
    return text;
}

int ShowUserMessage(UINT id, UINT type, ...)
{
    va_list arguments;
    va_start(arguments, type);
    const std::string text = FormatList(id, arguments);
    va_end(arguments);
    return AfxMessageBox(text.c_str(), type);
}
