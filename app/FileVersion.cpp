#include "app/FileVersion.h"

#include "platform/win32/files.h"
#include "platform/win32/paths.h"

#include <vector>

bool ReadFixedVersion(const char* path, VS_FIXEDFILEINFO& info)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0)
        return false;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoA(path, 0, size, block.data()))
        return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length) || !fixed ||
        length < sizeof(VS_FIXEDFILEINFO))
        return false;
    info = *fixed;
    return true;
}

namespace {
VersionParts Split(DWORD high, DWORD low)
{
    return {static_cast<int>(HIWORD(high)), static_cast<int>(LOWORD(high)), static_cast<int>(HIWORD(low)),
            static_cast<int>(LOWORD(low))};
}
} // namespace

VersionParts ProductVersion(const VS_FIXEDFILEINFO& info)
{
    return Split(info.dwProductVersionMS, info.dwProductVersionLS);
}

VersionParts FileVersion(const VS_FIXEDFILEINFO& info)
{
    return Split(info.dwFileVersionMS, info.dwFileVersionLS);
}

std::string ProgramPath()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return {};
    return std::string(path, length);
}

bool ReadProgramFixedVersion(VS_FIXEDFILEINFO& info)
{
    const std::string program = ProgramPath();
    char shortPath[MAX_PATH] = {};
    return !program.empty() && GetShortPathNameA(program.c_str(), shortPath, sizeof shortPath) != 0 &&
           ReadFixedVersion(shortPath, info);
}
