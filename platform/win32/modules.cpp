#include "platform/win32/modules.h"

#include "platform/win32/last_error.h"
#include "platform/win32/paths.h"

#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>

#include <filesystem>

namespace zv::win32 {

std::string ForwardSlashes(std::string path)
{
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

namespace {

bool IsFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

std::string ProgramFolder()
{
    char path[4096];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return {};
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('/'));
}

std::string FindFileIgnoringCase(const std::string& folder, const std::string& fileName)
{
    const std::string exact = folder + "/" + fileName;
    if (IsFile(exact))
        return exact;
    std::error_code error;
    std::string found;
    std::string foundName;
    std::filesystem::directory_iterator entry(folder.empty() ? "/" : folder, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        // The first in name order, so that the choice does not depend on the directory's order.
        if (strcasecmp(name.c_str(), fileName.c_str()) == 0 && (found.empty() || name < foundName) &&
            IsFile(folder + "/" + name)) {
            found = folder + "/" + name;
            foundName = name;
        }
    }
    return found;
}

std::string SearchModulePath(const std::string& fileName)
{
    char system[MAX_PATH];
    char windows[MAX_PATH];
    const UINT systemLength = GetSystemDirectoryA(system, sizeof system);
    const UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
    const std::string folders[] = {
        ProgramFolder(),
        systemLength > 0 && systemLength < sizeof system ? std::string(system, systemLength) : std::string(),
        windowsLength > 0 && windowsLength < sizeof windows ? std::string(windows, windowsLength) : std::string(),
    };
    for (const std::string& folder : folders) {
        if (folder.empty())
            continue;
        std::string candidate = FindFileIgnoringCase(folder, fileName);
        if (!candidate.empty())
            return candidate;
    }
    return {};
}

} // namespace zv::win32

HMODULE LoadLibraryA(LPCSTR fileName)
{
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string name = zv::win32::ForwardSlashes(fileName);
    const std::size_t slash = name.find_last_of('/');
    const std::string path = slash == std::string::npos
                                 ? zv::win32::SearchModulePath(name)
                                 : zv::win32::FindFileIgnoringCase(name.substr(0, slash), name.substr(slash + 1));
    void* handle = path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName)
{
    if (!module || !procName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* symbol = dlsym(module, procName);
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module)
{
    if (!module || dlclose(module) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
