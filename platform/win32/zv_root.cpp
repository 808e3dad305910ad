#include "platform/win32/zv_root.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv::win32 {

namespace {

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/tmp";
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// mkdir -p; true when the folder exists afterwards.
bool MakeFolders(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error) {
        errno = error.value();
        return false;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

std::uint64_t Fnv1a(std::string_view text)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

} // namespace

std::string DefaultZvRoot()
{
    // A relative XDG_DATA_HOME is to be ignored.
    const char* data = std::getenv("XDG_DATA_HOME");
    const std::string base = (data && data[0] == '/') ? data : HomeFolder() + "/.local/share";
    return WithoutTrailingSlashes(base) + "/zelvante";
}

std::string ZvRoot()
{
    std::string root;
    if (const char* value = std::getenv("ZV_ROOT"); value && *value)
        root = value;
    else
        root = DefaultZvRoot();
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(root, error);
    if (!error)
        root = absolute.lexically_normal().string();
    return WithoutTrailingSlashes(root);
}

std::string ZvFolder(std::string_view relative)
{
    std::string path = ZvRoot();
    if (!relative.empty()) {
        path += '/';
        path += relative;
    }
    return MakeFolders(path) ? path : std::string();
}

bool EnsureMachineFolders()
{
    for (const char* folder : {"windows/system32/drivers", "windows/inf", "tmp", "run"}) {
        if (ZvFolder(folder).empty())
            return false;
    }
    return true;
}

std::string ZvShmPrefix()
{
    char text[40];
    std::snprintf(text, sizeof text, "/zv-%016llx-", static_cast<unsigned long long>(Fnv1a(ZvRoot())));
    return text;
}

} // namespace zv::win32
