// The virtual camera on Windows below version 5: the device's registry entries written and removed
// directly (Enum\Root\MEDIA, the MEDIA driver key, the two interface keys), the driver copied into
// the Windows folder, and the platform's kernel-streaming registrations from ks.inf and kscaptur.inf.
#pragma once

#include "app/settings/ConfigStore.h"
#include "platform/setupapi/setupapi.h"

bool IsLegacyDriverInstalled();
// 1 success, 0 failure; a failure removes every key this call wrote.
int InstallLegacyDriver(HWND owner, ConfigStore& config);
// Deletes the keys and sets the restart flag; 1.
int RemoveLegacyDriver(ConfigStore& config);
// Deletes the device's keys only (the uninstall library's part of the removal). TRUE.
BOOL RemoveLegacyDriverKeys();
// The setup notification handler of the registrations: shows the notification's name; 0.
UINT InfInstallCallback(void* context, UINT notification, UINT_PTR param1, UINT_PTR param2);
