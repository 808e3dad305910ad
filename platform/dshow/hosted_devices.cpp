#include "platform/dshow/device_catalog.h"

#include "platform/ks/devhost/device_paths.h"
#include "platform/ks/devhost/device_records.h"

namespace zv::dshow {

std::vector<DeviceEntry> HostedDevices(DeviceCategory category)
{
    std::vector<DeviceEntry> devices;
    if (category != DeviceCategory::Video) return devices;
    // A program that lists the device may open its path next (the virtual camera's writer does).
    devhost::InstallDevicePaths();
    for (devhost::DeviceInterfaceRecord& record : devhost::ListDeviceInterfaces(devhost::kCaptureCategory)) {
        DeviceEntry entry;
        entry.category = DeviceCategory::Video;
        entry.friendlyName = std::move(record.friendlyName);
        if (!record.description.empty()) entry.description = std::move(record.description);
        entry.devicePath = std::move(record.devicePath);
        entry.hosted = true;
        devices.push_back(std::move(entry));
    }
    return devices;
}

} // namespace zv::dshow
