#include "platform/user/shell_execute.h"

#include "platform/win32/files.h"
#include "platform/win32/last_error.h"
#include "platform/win32/modules.h"
#include "platform/win32/processes.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <strings.h>
#include <sys/stat.h>

namespace zv::user {
namespace {

HINSTANCE Failed(int code)
{
    SetLastError(static_cast<DWORD>(code));
    return reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(code));
}

bool IsOpenVerb(const char* operation)
{
    return !operation || !*operation || ::strcasecmp(operation, "open") == 0 ||
           ::strcasecmp(operation, "explore") == 0;
}

// The program that opens targets on this desktop; empty when there is none.
std::string Opener()
{
    if (const char* chosen = std::getenv("ZV_SHELL_OPEN"); chosen && *chosen)
        return chosen;
    return zv::win32::SearchExecutablePath("xdg-open");
}

} // namespace

bool HasUrlScheme(const char* target)
{
    if (!target || !std::isalpha(static_cast<unsigned char>(target[0])))
        return false;
    std::size_t length = 1;
    while (std::isalnum(static_cast<unsigned char>(target[length])) || target[length] == '+' ||
           target[length] == '-' || target[length] == '.')
        ++length;
    return target[length] == ':' && length >= 2;
}

} // namespace zv::user

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR, LPCSTR directory, INT)
{
    using namespace zv::user;
    if (!IsOpenVerb(operation))
        return Failed(SE_ERR_NOASSOC);
    if (!file || !*file)
        return Failed(SE_ERR_FNF);
    std::string target = file;
    if (!HasUrlScheme(file)) {
        std::filesystem::path path(zv::win32::ForwardSlashes(target));
        if (path.is_relative() && directory && *directory)
            path = std::filesystem::path(zv::win32::ForwardSlashes(directory)) / path;
        // Absolute, so that a name starting with '-' never reads as one of the opener's options.
        std::error_code error;
        target = std::filesystem::absolute(path, error).string();
        struct stat info {};
        if (error || ::stat(target.c_str(), &info) != 0) {
            const DWORD code = error ? ERROR_FILE_NOT_FOUND : zv::win32::PathError(target.c_str(), errno);
            return Failed(code == ERROR_PATH_NOT_FOUND ? SE_ERR_PNF
                          : code == ERROR_ACCESS_DENIED ? SE_ERR_ACCESSDENIED
                                                        : SE_ERR_FNF);
        }
    }
    const std::string opener = Opener();
    if (opener.empty())
        return Failed(SE_ERR_NOASSOC);
    if (zv::win32::SpawnDetached(opener, {opener, target}, {}) < 0)
        return Failed(errno == ENOMEM ? SE_ERR_OOM : errno == EACCES ? SE_ERR_ACCESSDENIED : SE_ERR_NOASSOC);
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(42));
}
