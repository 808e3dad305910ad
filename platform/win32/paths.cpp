#include "platform/win32/paths.h"

#include "platform/win32/files.h"
#include "platform/win32/last_error.h"
#include "platform/win32/zv_root.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <string>
#include <unistd.h>

namespace zv::win32 {

namespace {

// The folder functions' way of handing out a path.
DWORD CopyFolderOut(const std::string& path, char* buffer, DWORD size)
{
    if (path.empty()) {
        SetLastError(ErrorFromErrno(errno));
        return 0;
    }
    if (!buffer || size <= path.size())
        return static_cast<DWORD>(path.size() + 1);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

std::string MachineFolder(const char* relative)
{
    if (!EnsureMachineFolders())
        return {};
    return ZvFolder(relative);
}

std::string ProgramPath()
{
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size())
        return {};
    path.resize(static_cast<std::size_t>(length));
    return path;
}

std::string LibraryPath(void* handle)
{
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map)
        return {};
    // The program itself has an empty name in the link map.
    if (!map->l_name || !*map->l_name)
        return ProgramPath();
    return map->l_name;
}

} // namespace

} // namespace zv::win32

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    using namespace zv::win32;
    const std::string path = module ? LibraryPath(module) : ProgramPath();
    if (path.empty()) {
        SetLastError(module ? ERROR_MOD_NOT_FOUND : ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (!fileName || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() >= size) {
        std::memcpy(fileName, path.data(), size - 1);
        fileName[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
}

DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer)
{
    using namespace zv::win32;
    std::string path = MachineFolder("tmp");
    if (!path.empty())
        path += '/';
    return CopyFolderOut(path, buffer, bufferLength);
}

UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefixString, UINT unique, LPSTR tempFileName)
{
    using namespace zv::win32;
    if (!pathName || !*pathName || !tempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string folder = pathName;
    if (folder.back() != '/')
        folder += '/';
    const std::string prefix = std::string(prefixString ? prefixString : "").substr(0, 3);
    auto nameOf = [&](UINT number) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", number);
        return folder + prefix + hex + ".tmp";
    };
    auto copyOut = [&](const std::string& name) {
        std::memcpy(tempFileName, name.c_str(), name.size() + 1);
    };
    if (nameOf(0xFFFF).size() >= MAX_PATH) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (unique != 0) {
        unique &= 0xFFFF;
        copyOut(nameOf(unique));
        return unique;
    }
    // Numbers from a time-based start, as the system does, until one names no file yet.
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    UINT number = static_cast<UINT>(ticks % 0xFFFF) + 1;
    for (UINT tried = 0; tried < 0xFFFF; ++tried, number = number % 0xFFFF + 1) {
        const std::string name = nameOf(number);
        const int fd = open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            copyOut(name);
            return number;
        }
        if (errno != EEXIST) {
            SetLastError(PathError(name.c_str(), errno));
            return 0;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size)
{
    using namespace zv::win32;
    return CopyFolderOut(MachineFolder("windows"), buffer, size);
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size)
{
    using namespace zv::win32;
    return CopyFolderOut(MachineFolder("windows/system32"), buffer, size);
}
