// GetVersionExA: the emulated machine is an NT of version 5.1 (build 2600, platform
// VER_PLATFORM_WIN32_NT). Tests may make it report another version so that the code for older
// Windows runs.
#pragma once

#include "platform/win32/types.h"

constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];
};
using LPOSVERSIONINFOA = OSVERSIONINFOA*;

// ERROR_INSUFFICIENT_BUFFER when dwOSVersionInfoSize is smaller than the structure.
BOOL GetVersionExA(LPOSVERSIONINFOA info);

namespace zv::win32::testing {

// Makes GetVersionExA of this process report `major`.`minor` (Windows 9x platform below 5);
// major 0 restores the machine's own version.
void SetReportedWindowsVersion(DWORD major, DWORD minor);

} // namespace zv::win32::testing
