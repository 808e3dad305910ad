#include "app/driverinstall/DriverInstall.h"

#include "app/driverinstall/LegacyDriver.h"
#include "platform/win32/files.h"
#include "platform/win32/modules.h"
#include "platform/win32/paths.h"
#include "platform/win32/resources.h"
#include "platform/win32/version.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

bool IsWindows2000OrLater()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwMajorVersion >= 5;
}

// Writes `size` bytes (none for a null `data`) to a new file; false with nothing left behind.
bool WriteWholeFile(const std::string& path, const void* data, DWORD size)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = size == 0 || (WriteFile(file, data, size, &written, nullptr) && written == size);
    CloseHandle(file);
    if (!ok) DeleteFileA(path.c_str());
    return ok;
}

bool WriteResourceFile(WORD id, const char* type, const std::string& path)
{
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
    const DWORD size = resource ? SizeofResource(nullptr, resource) : 0;
    HGLOBAL loaded = size ? LoadResource(nullptr, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    return data && WriteWholeFile(path, data, size);
}

int OnDeviceFound(HDEVINFO, SP_DEVINFO_DATA*, DWORD, void* user)
{
    *static_cast<int*>(user) = 1;
    return 0;
}

void SetRestartNeeded(ConfigStore& config)
{
    config.driverFlags |= kDriverRestartNeeded;
    config.dirty = true;
}

int InstallDriverNt(ConfigStore& config)
{
    DriverFiles files;
    if (!ExtractDriverFiles(&files)) return 0;
    BOOL restart = FALSE;
    int result = 0;
    try {
        const DriverPresence presence = IsDriverInstalled();
        if (presence == kDriverPresent)
            result = UpdateDeviceDriver(&restart, files.infPath.c_str()) ? 1 : 0;
        else if (presence == kDriverAbsent)
            result = CreateAndInstallDevice(&restart, files.infPath.c_str());
        // kDriverUnknown: installing now could make a second device; fail instead.
        if (result) {
            if (config.driverFlags & kDriverFlagStale) {
                config.driverFlags &= ~kDriverFlagStale;
                config.dirty = true;
            }
            config.Save();
        }
        if (restart) SetRestartNeeded(config);
    } catch (...) {
        result = 0;
    }
    DeleteDriverFiles(files);
    return result;
}

}  // namespace

DriverPresence IsDriverInstalled()
{
    if (!IsWindows2000OrLater()) return IsLegacyDriverInstalled() ? kDriverPresent : kDriverAbsent;
    int found = 0;
    if (EnumMatchingDevices(OnDeviceFound, &found) != 0) return kDriverUnknown;
    return found ? kDriverPresent : kDriverAbsent;
}

int InstallDriver(HWND owner, ConfigStore& config)
{
    if (!IsWindows2000OrLater()) return InstallLegacyDriver(owner, config);
    return InstallDriverNt(config);
}

int RemoveDriver(ConfigStore& config)
{
    if (!IsWindows2000OrLater()) return RemoveLegacyDriver(config);
    RemovalState state;
    EnumMatchingDevices(OnRemoveDevice, &state);
    if (state.restartNeeded) SetRestartNeeded(config);
    return 0;
}

int ExtractDriverFiles(DriverFiles* files)
{
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) return 0;
    // A folder of our own: nobody else can plant or swap the files between writing and installing.
    std::string folder = std::string(temp, length) + "zelvante-XXXXXX";
    if (!::mkdtemp(folder.data())) return 0;
    DriverFiles written{folder, folder + "/zelvante.inf", folder + "/zelvante.sys"};
    if (!WriteResourceFile(kDriverInfResource, "INF", written.infPath) ||
        !WriteResourceFile(kDriverSysResource, "SYS", written.driverPath) ||
        !WriteWholeFile(folder + "/zelvante.cat", nullptr, 0)) {
        DeleteDriverFiles(written);
        return 0;
    }
    *files = written;
    return 1;
}

void DeleteDriverFiles(const DriverFiles& files)
{
    if (files.folder.empty()) return;
    DeleteFileA(files.infPath.c_str());
    DeleteFileA(files.driverPath.c_str());
    DeleteFileA((files.folder + "/zelvante.cat").c_str());
    ::rmdir(files.folder.c_str());
}

int EnumMatchingDevices(DeviceCallback callback, void* user)
{
    return EnumerateDevicesByPattern(kDriverHardwareId, callback, user);
}

int CreateAndInstallDevice(BOOL* restartNeeded, const char* infPath)
{
    GUID classGuid{};
    char className[32];
    if (!SetupDiGetINFClassA(infPath, &classGuid, className, sizeof className, nullptr)) return 0;
    HDEVINFO list = SetupDiCreateDeviceInfoList(&classGuid, nullptr);
    if (list == INVALID_HANDLE_VALUE) return 0;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    char hardwareId[MAX_PATH] = {};
    std::strncpy(hardwareId, kDriverHardwareId, 256);
    const bool ok =
        SetupDiCreateDeviceInfoA(list, className, &classGuid, nullptr, nullptr, DICD_GENERATE_ID, &device) &&
        SetupDiSetDeviceRegistryPropertyA(list, &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(hardwareId),
                                          static_cast<DWORD>(std::strlen(hardwareId) + 2)) &&
        SetupDiCallClassInstaller(DIF_REGISTERDEVICE, list, &device) && UpdateDeviceDriver(restartNeeded, infPath);
    DestroyDeviceList(list);
    return ok ? 1 : 0;
}

int UpdateDeviceDriver(BOOL* restartNeeded, const char* infPath)
{
    if (!restartNeeded) return 0;
    // Bound on every call and never freed, as the platform's own installers do.
    HMODULE newdev = LoadLibraryA("newdev.dll");
    const auto update = newdev ? reinterpret_cast<UpdateDriverForPlugAndPlayDevicesAProc>(
                                     GetProcAddress(newdev, "UpdateDriverForPlugAndPlayDevicesA"))
                               : nullptr;
    if (!update) return 0;
    return update(nullptr, kDriverHardwareId, infPath, INSTALLFLAG_FORCE, restartNeeded);
}
