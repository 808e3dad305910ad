// Installing an INF's driver on every present device with a given hardware or compatible id: what
// newdev.dll's UpdateDriverForPlugAndPlayDevicesA does (newdev/ exports it under that name).
#pragma once

#include "platform/setupapi/setupapi.h"

namespace zv::setupapi {

// ERROR_FILE_NOT_FOUND for an unreadable INF, ERROR_NO_COMPAT_DRIVERS when the INF has no models line for the id, ERROR_NO_SUCH_DEVINST when no device has the id.
// *rebootRequired is set when a device's host was running (it keeps the old driver until restart).
BOOL UpdateDriverForDevices(LPCSTR hardwareId, LPCSTR fullInfPath, DWORD installFlags, BOOL* rebootRequired);

}  // namespace zv::setupapi
