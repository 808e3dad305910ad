#include "platform/setupapi/update_driver.h"

#include "platform/ks/devhost/host_launcher.h"
#include "platform/setupapi/device_store.h"
#include "platform/setupapi/driver_setup.h"
#include "platform/win32/last_error.h"
#include "platform/win32/registry_key.h"

namespace zv::setupapi {
namespace {

// The strings of a REG_MULTI_SZ (or REG_SZ) value.
std::vector<std::string> IdsOf(const std::string& instanceId, const char* valueName)
{
    DWORD type = 0;
    const auto raw = zv::win32::Key::Open(HKEY_LOCAL_MACHINE, InstanceKeyPath(instanceId)).Raw(valueName, &type);
    std::vector<std::string> ids;
    if (!raw) return ids;
    std::size_t start = 0;
    while (start < raw->size()) {
        const auto end = raw->find('\0', start);
        const std::string id = raw->substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (id.empty()) break;
        ids.push_back(id);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return ids;
}

bool HasId(const std::string& instanceId, const std::string& hardwareId)
{
    for (const char* value : {"HardwareID", "CompatibleIDs"})
        for (const std::string& id : IdsOf(instanceId, value))
            if (SameText(id, hardwareId)) return true;
    return false;
}

}  // namespace

BOOL UpdateDriverForDevices(LPCSTR hardwareId, LPCSTR fullInfPath, DWORD installFlags, BOOL* rebootRequired)
{
    if (!hardwareId || !*hardwareId || !fullInfPath || (installFlags & ~INSTALLFLAG_FORCE) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (rebootRequired) *rebootRequired = FALSE;
    const auto inf = InfFile::Load(fullInfPath);
    if (!inf) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    const auto driver = FindDriver(*inf, hardwareId);
    if (!driver) {
        SetLastError(ERROR_NO_COMPAT_DRIVERS);
        return FALSE;
    }
    bool any = false;
    bool reboot = false;
    for (const std::string& instance : ListPresentInstances()) {
        if (!HasId(instance, hardwareId)) continue;
        any = true;
        if (!InstallDriverOnDevice(*inf, *driver, instance)) return FALSE;
        reboot = reboot || zv::devhost::HostRunning(instance);
    }
    if (!any) {
        SetLastError(ERROR_NO_SUCH_DEVINST);
        return FALSE;
    }
    if (rebootRequired) *rebootRequired = reboot ? TRUE : FALSE;
    return TRUE;
}

}  // namespace zv::setupapi
