// The device instances recorded under SYSTEM\CurrentControlSet\Enum and their properties, the one
// layout the device host reads (docs/device-records.md). A device created but not yet registered
// carries the value "Phantom" and is not listed among present devices.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/types.h"

namespace zv::setupapi {

// "SYSTEM\CurrentControlSet\Enum\<instance id>".
std::string InstanceKeyPath(const std::string& instanceId);

// The registered instances, in key order ("ROOT\MEDIA\0000", ...).
std::vector<std::string> ListPresentInstances();
bool InstanceRegistered(const std::string& instanceId);

// Creates "ROOT\<name upper-cased>\nnnn" under the first free number, as a phantom; nothing when
// the registry cannot be written or all numbers are taken.
std::optional<std::string> CreatePhantomInstance(const std::string& deviceName);
bool RegisterInstance(const std::string& instanceId);
// Deletes a phantom instance's key (a registered one is removed with its records by DIF_REMOVE).
void ForgetPhantomInstance(const std::string& instanceId);

// The registry value behind an SPDRP_* property; empty for one that is not kept.
const char* PropertyValueName(DWORD property);

// A process-wide number for an instance id (device nodes of the configuration manager), and back.
DWORD DeviceNodeOf(const std::string& instanceId);
std::optional<std::string> InstanceOfDeviceNode(DWORD node);

}  // namespace zv::setupapi
