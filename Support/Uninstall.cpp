#include "Support/Uninstall.h"

#include "app/driverinstall/DriverInstall.h"
#include "app/driverinstall/LegacyDriver.h"
#include "platform/user/messages.h"
#include "platform/user/window.h"
#include "platform/win32/files.h"
#include "platform/win32/paths.h"
#include "platform/win32/processes.h"
#include "platform/win32/version.h"
#include "platform/win32/waits.h"

#include <cstdio>

namespace {

constexpr int kCloseTries = 5;
constexpr DWORD kCloseWaitMs = 3000;
constexpr DWORD kClosePollMs = 50;
constexpr DWORD kRegsvr32WaitMs = 10000;
constexpr std::size_t kCommandLineSize = MAX_PATH;

std::string SystemFolder()
{
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string();
}

// Waits, bounded, until the window is gone.
void WaitUntilGone(HWND window)
{
    for (DWORD waited = 0; waited < kCloseWaitMs && IsWindow(window); waited += kClosePollMs) Sleep(kClosePollMs);
}

}  // namespace

void CloseMainProgram()
{
    for (int attempt = 0; attempt < kCloseTries; ++attempt) {
        HWND window = FindWindowA(kMainWindowClass, kMainWindowCaption);
        if (!window) return;
        // Posted, not sent: a main program that hangs must not hang the uninstaller.
        PostMessageA(window, kCloseRequestMessage, 0, 0);
        WaitUntilGone(window);
    }
}

int RemoveDevicesById(const char* pattern, int* restartNeeded)
{
    if (!pattern) return 0;
    RemovalState state;
    EnumerateDevicesByPattern(pattern, OnRemoveDevice, &state);
    if (restartNeeded && state.restartNeeded) *restartNeeded = 1;
    return state.removed;
}

int UninstallDriver(int* restartNeeded)
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && version.dwMajorVersion < 5) return RemoveLegacyDriverKeys();
    const int removed = RemoveDevicesById(kDriverHardwareId, restartNeeded);
    const std::string folder = SystemFolder();
    if (!folder.empty()) DeleteFileA((folder + "/drivers/zelvante.sys").c_str());
    return removed;
}

BOOL UnregisterSkinControl()
{
    const std::string folder = SystemFolder();
    if (folder.empty()) return FALSE;
    const std::string control = folder + "/zvskin.ocx";
    char commandLine[kCommandLineSize];
    const int length = std::snprintf(commandLine, sizeof commandLine, "regsvr32 /u /s \"%s\"", control.c_str());
    BOOL ran = FALSE;
    if (length > 0 && static_cast<std::size_t>(length) < sizeof commandLine) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            WaitForSingleObject(process.hProcess, kRegsvr32WaitMs);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        ran = TRUE;
    }
    DeleteFileA(control.c_str());
    return ran;
}
