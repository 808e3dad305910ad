// Device paths of recorded devices in the Win32 device namespace: once installed, CreateFileA on a
// device path that ListDeviceInterfaces names connects to its host (HostConnection), and
// ReadFile/WriteFile on the handle are the device's IRP_MJ_READ/IRP_MJ_WRITE. A failed transfer on
// a lost host reports ERROR_DEVICE_NOT_CONNECTED.
#pragma once

namespace zv::devhost {

// Idempotent; thread-safe.
void InstallDevicePaths();

}  // namespace zv::devhost
