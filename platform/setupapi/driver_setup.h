// Installing an INF's driver on a recorded device: the models line for the hardware id, the
// install section (its ".NT" form when the INF has one) with Include/Needs, AddReg into the
// device's driver key, CopyFiles by DestinationDirs, the ".Services" section's AddService and the
// ".Interfaces" section's AddInterface with their own AddReg. Files are replaced by renaming a
// complete copy into place, so a host that has the old driver file loaded keeps running it.
#pragma once

#include "platform/setupapi/inf_file.h"

#include <optional>
#include <string>

namespace zv::setupapi {

// The models line of the INF that names `hardwareId` (without regard to case).
struct DriverMatch {
    std::string description;
    std::string manufacturer;
    std::string installSection;  // as the models line names it
};
std::optional<DriverMatch> FindDriver(const InfFile& inf, const std::string& hardwareId);

// Installs the driver on the instance. False with the last error set when a step fails.
bool InstallDriverOnDevice(const InfFile& inf, const DriverMatch& driver, const std::string& instanceId);

// SYSTEM\CurrentControlSet\Control\Class\<driver> of a device's "Driver" value.
std::string DriverKeyPath(const std::string& driver);

}  // namespace zv::setupapi
