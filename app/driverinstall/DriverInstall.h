// Installing and removing the virtual camera device: the driver and its INF travel inside the main
// program as resources (type "INF" 137, type "SYS" 144), are written to a private temporary folder
// and handed to the platform's device installation. On Windows below version 5 the registry
// entries are written directly (LegacyDriver.h). The settings record's `driverFlags` keeps bit 1
// (kDriverRestartNeeded) while a restart is needed.
#pragma once

#include "app/driverinstall/DeviceMatch.h"
#include "app/settings/ConfigStore.h"

#include <string>

constexpr const char* kDriverHardwareId = "zelvante";
constexpr WORD kDriverInfResource = 137;
constexpr WORD kDriverSysResource = 144;
constexpr std::int32_t kDriverFlagStale = 1;
constexpr std::int32_t kDriverRestartNeeded = 2;

enum DriverPresence {
    kDriverAbsent = 0,
    kDriverPresent = 1,
    // The device list could not be read: neither answer is known.
    kDriverUnknown = -1,
};

// The temporary files of one installation, in a folder of their own.
struct DriverFiles {
    std::string folder;
    std::string infPath;
    std::string driverPath;
};

DriverPresence IsDriverInstalled();
// 1 success, 0 failure. `config` gets its driver flags updated (and saved on success).
int InstallDriver(HWND owner, ConfigStore& config);
// 0 on Windows 5 and later, 1 below (what callers have always been given).
int RemoveDriver(ConfigStore& config);

// Writes zelvante.inf, zelvante.sys and an empty zelvante.cat into a new folder (mode 0700) of the
// temporary folder. 1 with the paths; 0 with nothing left behind.
int ExtractDriverFiles(DriverFiles* files);
// Deletes the three files and their folder.
void DeleteDriverFiles(const DriverFiles& files);

// 0 done, 2 when the device list cannot be built.
int EnumMatchingDevices(DeviceCallback callback, void* user);
// 1 success, 0 failure.
int CreateAndInstallDevice(BOOL* restartNeeded, const char* infPath);
// The platform call's result; 0 when `restartNeeded` is missing or newdev.dll or its entry cannot
// be loaded.
int UpdateDeviceDriver(BOOL* restartNeeded, const char* infPath);
