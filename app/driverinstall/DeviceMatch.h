// Finding the virtual camera's devices: the id pattern, the multi-string device properties and the
// walk over the present devices. The main program's installation and the uninstall library share
// these.
#pragma once

#include "platform/setupapi/setupapi.h"

#include <optional>
#include <string>
#include <vector>

// Called for each matching device; 0 ends the walk.
using DeviceCallback = int (*)(HDEVINFO deviceList, SP_DEVINFO_DATA* device, DWORD memberIndex, void* user);

// A pattern as EnumerateDevicesByPattern reads it: "@" selects instance ids, a leading apostrophe
// makes the rest literal, otherwise the first '*' is the wildcard.
struct IdPattern {
    std::string text;                           // after the prefixes
    std::size_t firstStar = std::string::npos;  // npos for a literal
    bool instanceId = false;
    bool filter = true;  // false when one named instance is opened
};
IdPattern ParseIdPattern(const char* pattern);

// Letters compare without regard to case; '*' matches any run. Text after the last '*' must end
// the id. Every comparison stays within both strings.
bool MatchIdPattern(const char* id, const IdPattern& pattern);

// The strings of a multi-string buffer of `size` bytes (it need not end in two NULs).
std::vector<std::string> ParseMultiSz(const char* buffer, std::size_t size);
// A device's REG_MULTI_SZ property: first with an 8192-byte buffer, then with the size asked for.
// Nothing when it cannot be read.
std::optional<std::vector<std::string>> GetDeviceMultiSzProperty(HDEVINFO deviceList, SP_DEVINFO_DATA* device,
                                                                 DWORD property);
// True when any string matches; no list matches nothing.
bool MultiSzMatches(const std::optional<std::vector<std::string>>& ids, const IdPattern& pattern);

// Walks the present devices whose hardware or compatible id (or, with "@", instance id) matches the
// pattern. 0 done, 2 when the device list cannot be built or described.
int EnumerateDevicesByPattern(const char* pattern, DeviceCallback callback, void* user);

void DestroyDeviceList(HDEVINFO deviceList);

// What OnRemoveDevice reports through its user pointer.
struct RemovalState {
    int restartNeeded = 0;
    int removed = 0;
};
// Removes the device (DIF_REMOVE); a failure moves on to the next one. Always continues.
int OnRemoveDevice(HDEVINFO deviceList, SP_DEVINFO_DATA* device, DWORD memberIndex, void* user);
