#include "platform/setupapi/device_store.h"

#include "platform/setupapi/inf_file.h"
#include "platform/setupapi/setupapi.h"
#include "platform/win32/registry_key.h"

#include <cstdio>
#include <map>
#include <mutex>

namespace zv::setupapi {
namespace {

using zv::win32::Key;

constexpr const char* kEnumKey = "SYSTEM\\CurrentControlSet\\Enum";
constexpr const char* kPhantomValue = "Phantom";
constexpr int kMaxInstances = 10000;  // four decimal digits

std::mutex g_nodesLock;
std::map<std::string, DWORD> g_nodeByInstance;  // lower-case id -> node
std::vector<std::string> g_instanceByNode;     // node - 1 -> id

}  // namespace

std::string InstanceKeyPath(const std::string& instanceId) { return std::string(kEnumKey) + "\\" + instanceId; }

std::vector<std::string> ListPresentInstances()
{
    std::vector<std::string> instances;
    const Key enumKey = Key::Open(HKEY_LOCAL_MACHINE, kEnumKey);
    for (const std::string& enumerator : enumKey.Subkeys()) {
        const std::string enumeratorPath = std::string(kEnumKey) + "\\" + enumerator;
        for (const std::string& device : Key::Open(HKEY_LOCAL_MACHINE, enumeratorPath).Subkeys()) {
            const std::string devicePath = enumeratorPath + "\\" + device;
            for (const std::string& instance : Key::Open(HKEY_LOCAL_MACHINE, devicePath).Subkeys()) {
                std::string id = enumerator + "\\" + device + "\\" + instance;
                if (InstanceRegistered(id)) instances.push_back(std::move(id));
            }
        }
    }
    return instances;
}

bool InstanceRegistered(const std::string& instanceId)
{
    const Key key = Key::Open(HKEY_LOCAL_MACHINE, InstanceKeyPath(instanceId));
    DWORD type = 0;
    return key && !key.Raw(kPhantomValue, &type);
}

std::optional<std::string> CreatePhantomInstance(const std::string& deviceName)
{
    std::string name = deviceName;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name.empty() || name.find('\\') != std::string::npos) return std::nullopt;
    // The first number whose key this call creates: two processes never take the same one.
    for (int n = 0; n < kMaxInstances; ++n) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%04d", n);
        const std::string instanceId = "ROOT\\" + name + "\\" + digits;
        bool created = false;
        const Key key = Key::Create(HKEY_LOCAL_MACHINE, InstanceKeyPath(instanceId), &created);
        if (!key) return std::nullopt;
        if (!created) continue;
        if (!key.SetDword(kPhantomValue, 1)) {
            zv::win32::DeleteKeyTree(HKEY_LOCAL_MACHINE, InstanceKeyPath(instanceId));
            return std::nullopt;
        }
        return instanceId;
    }
    return std::nullopt;
}

bool RegisterInstance(const std::string& instanceId)
{
    const Key key = Key::Open(HKEY_LOCAL_MACHINE, InstanceKeyPath(instanceId));
    if (!key) return false;
    const LONG result = RegDeleteValueA(key.Get(), kPhantomValue);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

void ForgetPhantomInstance(const std::string& instanceId)
{
    if (!InstanceRegistered(instanceId)) zv::win32::DeleteKeyTree(HKEY_LOCAL_MACHINE, InstanceKeyPath(instanceId));
}

const char* PropertyValueName(DWORD property)
{
    switch (property) {
    case SPDRP_DEVICEDESC: return "DeviceDesc";
    case SPDRP_HARDWAREID: return "HardwareID";
    case SPDRP_COMPATIBLEIDS: return "CompatibleIDs";
    case SPDRP_SERVICE: return "Service";
    case SPDRP_CLASS: return "Class";
    case SPDRP_CLASSGUID: return "ClassGUID";
    case SPDRP_DRIVER: return "Driver";
    case SPDRP_CONFIGFLAGS: return "ConfigFlags";
    case SPDRP_MFG: return "Mfg";
    case SPDRP_FRIENDLYNAME: return "FriendlyName";
    default: return "";
    }
}

DWORD DeviceNodeOf(const std::string& instanceId)
{
    std::lock_guard lock(g_nodesLock);
    const std::string key = LowerCase(instanceId);
    const auto found = g_nodeByInstance.find(key);
    if (found != g_nodeByInstance.end()) return found->second;
    g_instanceByNode.push_back(instanceId);
    const DWORD node = static_cast<DWORD>(g_instanceByNode.size());
    g_nodeByInstance.emplace(key, node);
    return node;
}

std::optional<std::string> InstanceOfDeviceNode(DWORD node)
{
    std::lock_guard lock(g_nodesLock);
    if (node == 0 || node > g_instanceByNode.size()) return std::nullopt;
    return g_instanceByNode[node - 1];
}

}  // namespace zv::setupapi
