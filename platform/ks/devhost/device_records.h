// The registry records of kernel-streaming devices: a device instance under
// "SYSTEM\CurrentControlSet\Enum" with its hardware ids and service, the service's driver file
// under "SYSTEM\CurrentControlSet\Services", and the device's interfaces under
// "SYSTEM\CurrentControlSet\Control\DeviceClasses\{category}", each with its device path
// ("SymbolicLink") and, in "Device Parameters", its friendly name. docs/device-records.md has the
// layout. The device installation (platform/setupapi) writes these records through its INF;
// CreateVirtualCameraRecord writes the virtual camera's for tests that need a device without it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/guid.h"

namespace zv::devhost {

// {65E8773D-8F56-11D0-A3B9-00A0C9223196} and {6994AD05-93EF-11D0-A3CC-00A0C9223196}.
extern const GUID kCaptureCategory;
extern const GUID kVideoCategory;

// One device interface as the registry records it.
struct DeviceInterfaceRecord {
    std::string devicePath;    // "\\?\ROOT#MEDIA#0000#{65e8773d-...}\GLOBAL"
    std::string instanceId;    // "ROOT\MEDIA\0000"
    std::string friendlyName;  // "Zelvante Capture"
    std::string description;   // the device's description ("DeviceDesc"), may be empty
};

// The interfaces registered in a category whose device instance still exists, in key order.
std::vector<DeviceInterfaceRecord> ListDeviceInterfaces(const GUID& category);

// What it takes to run a device: its instance and the driver file its service names (a path
// relative to the Windows folder is taken inside ZV_ROOT/windows).
struct DeviceRecord {
    std::string instanceId;
    std::string driverFile;  // absolute
};
// The device behind a device path (compared without regard to case; "\\.\" and "\\?\" alike).
std::optional<DeviceRecord> FindDeviceByPath(const std::string& devicePath);

// Writes the records of one root-enumerated virtual camera ("zelvante", service "ZELVANTE",
// interfaces in the capture and video categories named "Zelvante Capture") whose service runs
// `driverFile`. Returns the capture interface's device path, or nothing when the registry
// cannot be written.
std::optional<std::string> CreateVirtualCameraRecord(const std::string& driverFile);
// Deletes a device's records (instance, interfaces; the service when no other instance uses it)
// and, unless told otherwise, stops its host (a host left running serves its clients until they
// go). False when there was no such device.
bool RemoveDeviceRecord(const std::string& instanceId, bool stopHost = true);

// Writes the interface of an instance in a category with a reference string ("GLOBAL"): its
// instance and its device path. Returns the path under HKEY_LOCAL_MACHINE of its
// "Device Parameters" key (friendly name, CLSID), or nothing when the registry cannot be written.
std::optional<std::string> WriteDeviceInterface(const GUID& category, const std::string& instanceId,
                                                const std::string& referenceString);

}  // namespace zv::devhost
