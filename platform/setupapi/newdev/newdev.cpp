// newdev.dll: the driver update entry that device installers load by name at run time.
#include "platform/setupapi/update_driver.h"

extern "C" __attribute__((visibility("default"))) BOOL UpdateDriverForPlugAndPlayDevicesA(
    HWND, LPCSTR hardwareId, LPCSTR fullInfPath, DWORD installFlags, BOOL* rebootRequired)
{
    return zv::setupapi::UpdateDriverForDevices(hardwareId, fullInfPath, installFlags, rebootRequired);
}
