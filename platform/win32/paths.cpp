#include "platform/win32/paths.h"

#include "platform/win32/last_error.h"
#include "platform/win32/zv_root.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
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
