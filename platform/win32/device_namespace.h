// The device namespace: CreateFileA on a device path ("\\.\name" or "\\?\name") opens a device
// through the provider registered for that path. A provider stands for the driver behind the path;
// each open gives an IoObject whose Read and Write answer ReadFile and WriteFile on the handle, and
// whose destruction is the close. Paths compare case-insensitively, and both prefixes name the same
// device.
#pragma once

#include "platform/win32/io_object.h"

#include <memory>
#include <string>
#include <string_view>

namespace zv::win32 {

class DeviceProvider {
public:
    virtual ~DeviceProvider() = default;
    // Opens one connection to the device; null with `error` set (a Windows error code) on failure.
    virtual std::shared_ptr<IoObject> Open(const std::string& path, DWORD desiredAccess, DWORD& error) = 0;
};

// True when the path starts with a device prefix.
bool IsDevicePath(std::string_view path);

// Registers the provider of a device path; false when the path is no device path or is taken.
bool RegisterDeviceProvider(std::string_view path, std::shared_ptr<DeviceProvider> provider);
// Removes a registration; handles already open stay usable. False when nothing was registered.
bool UnregisterDeviceProvider(std::string_view path);

// Serves the device paths that no registered provider serves (devices run by a device host);
// null removes it.
void SetFallbackDeviceProvider(std::shared_ptr<DeviceProvider> provider);

// Opens a device path: a new handle, or INVALID_HANDLE_VALUE with the last error set
// (ERROR_FILE_NOT_FOUND for a path no provider serves).
HANDLE OpenDevicePath(std::string_view path, DWORD desiredAccess);

} // namespace zv::win32
