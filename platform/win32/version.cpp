#include "platform/win32/version.h"

#include "platform/win32/last_error.h"

#include <atomic>
#include <cstring>

namespace {

constexpr DWORD kMajor = 5;
constexpr DWORD kMinor = 1;
constexpr DWORD kBuild = 2600;

// major in the high half, minor in the low; 0 for the machine's own.
std::atomic<DWORD> g_reported{0};

} // namespace

BOOL GetVersionExA(LPOSVERSIONINFOA info)
{
    if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
        SetLastError(info ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DWORD reported = g_reported.load();
    const DWORD size = info->dwOSVersionInfoSize;
    std::memset(info, 0, sizeof *info);
    info->dwOSVersionInfoSize = size;
    info->dwMajorVersion = reported ? reported >> 16 : kMajor;
    info->dwMinorVersion = reported ? reported & 0xFFFF : kMinor;
    info->dwBuildNumber = reported ? 0 : kBuild;
    info->dwPlatformId = info->dwMajorVersion < 5 ? VER_PLATFORM_WIN32_WINDOWS : VER_PLATFORM_WIN32_NT;
    return TRUE;
}

namespace zv::win32::testing {

void SetReportedWindowsVersion(DWORD major, DWORD minor)
{
    g_reported.store(major ? (major << 16) | (minor & 0xFFFF) : 0);
}

} // namespace zv::win32::testing
