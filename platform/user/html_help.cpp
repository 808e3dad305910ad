#include "platform/user/html_help.h"

#include "platform/user/shell_execute.h"
#include "platform/user/window.h"
#include "platform/win32/last_error.h"
#include "platform/win32/modules.h"

#include <cctype>
#include <cstdint>
#include <sys/stat.h>

namespace zv::user {
namespace {

bool IsFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool EndsWithChm(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string end = path.substr(path.size() - 4);
    for (char& c : end)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".chm";
}

} // namespace

std::string HtmlHelpPage(const std::string& file)
{
    std::string help = zv::win32::ForwardSlashes(file);
    std::string topic;
    if (const std::size_t separator = help.find("::"); separator != std::string::npos) {
        topic = help.substr(separator + 2);
        help.resize(separator);
        while (!topic.empty() && topic.front() == '/')
            topic.erase(0, 1);
    }
    if (!EndsWithChm(help) || topic.find("..") != std::string::npos)
        return {};
    const std::string stem = help.substr(0, help.size() - 4);
    const std::string page = stem + "/" + (topic.empty() ? "index.html" : topic);
    if (IsFile(page))
        return page;
    if (topic.empty() && IsFile(stem + ".html"))
        return stem + ".html";
    return {};
}

} // namespace zv::user

HWND HtmlHelpA(HWND caller, LPCSTR file, UINT command, DWORD_PTR)
{
    if (!file || (command != HH_DISPLAY_TOPIC && command != HH_DISPLAY_TOC && command != HH_DISPLAY_INDEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string page = zv::user::HtmlHelpPage(file);
    if (page.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    const auto opened = reinterpret_cast<std::intptr_t>(ShellExecuteA(caller, "open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (opened <= 32)
        return nullptr;
    return caller ? caller : GetDesktopWindow();
}
