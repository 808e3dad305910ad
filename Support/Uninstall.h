// What the installer asks of the library at uninstall time: closing a running main program,
// removing the virtual camera devices and driver, unregistering and deleting the skin control.
#pragma once

#include "app/driverinstall/DeviceMatch.h"

// The close request the main dialog handles.
constexpr UINT kCloseRequestMessage = 0x8066;
// The main dialog's window: a dialog captioned "Zelvante".
constexpr const char* kMainWindowClass = "#32770";
constexpr const char* kMainWindowCaption = "Zelvante";

// Asks the main dialog to close, up to five times, waiting at most 3000 ms each time for it to go.
void CloseMainProgram();
// Removes the devices and the driver file (below Windows 5: the registry keys only). 1/0.
int UninstallDriver(int* restartNeeded);
// Whether the last device visited was removed; 0 for no pattern.
int RemoveDevicesById(const char* pattern, int* restartNeeded);
// Runs regsvr32 /u /s on the skin control, then deletes it. FALSE when the system folder cannot be
// read or the command line does not fit.
BOOL UnregisterSkinControl();
