#include "platform/ks/devhost/device_records.h"

#include "platform/ks/devhost/host_launcher.h"
#include "platform/win32/registry_key.h"
#include "platform/win32/zv_root.h"

#include <cctype>
#include <cstdio>

namespace zv::devhost {

const GUID kCaptureCategory = zv::win32::GuidFromText("{65E8773D-8F56-11D0-A3B9-00A0C9223196}");
const GUID kVideoCategory = zv::win32::GuidFromText("{6994AD05-93EF-11D0-A3CC-00A0C9223196}");

namespace {

using zv::win32::Key;

constexpr const char* kEnumKey = "SYSTEM\\CurrentControlSet\\Enum";
constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services";
constexpr const char* kDeviceClassesKey = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses";
constexpr const char* kCameraEnumerator = "ROOT\\MEDIA";
constexpr const char* kCameraService = "ZELVANTE";
constexpr const char* kCameraName = "Zelvante Capture";
constexpr const char* kMediaClassGuid = "{4d36e96c-e325-11ce-bfc1-08002be10318}";
constexpr const char* kProxyClsid = "{17CCA71B-ECD7-11D0-B908-00A0C9223196}";
constexpr DWORD kKernelDriverType = 1;
constexpr DWORD kDemandStart = 3;
constexpr int kMaxInstances = 10000;  // four decimal digits

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool SameText(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

std::string GuidText(const GUID& g) { return zv::win32::GuidToText(g); }

bool DeleteTree(const std::string& path) { return zv::win32::DeleteKeyTree(HKEY_LOCAL_MACHINE, path); }

std::string InstanceKey(const std::string& instanceId) { return std::string(kEnumKey) + "\\" + instanceId; }

bool InstanceExists(const std::string& instanceId)
{
    return !instanceId.empty() && static_cast<bool>(Key::Open(HKEY_LOCAL_MACHINE, InstanceKey(instanceId)));
}

// "\\?\ROOT#MEDIA#0000#{cat}\GLOBAL" -> "root#media#0000#{cat}\global": the part that names the
// device whatever its prefix and case; empty for no device path.
std::string PathIdentity(const std::string& path)
{
    if (path.size() <= 4 || path[0] != '\\' || path[1] != '\\' || (path[2] != '?' && path[2] != '.') || path[3] != '\\')
        return {};
    return Lower(path.substr(4));
}

// Every interface key under every category: (category key path, interface key name).
template <typename Visit>
void ForEachInterfaceKey(Visit visit)
{
    const Key classes = Key::Open(HKEY_LOCAL_MACHINE, kDeviceClassesKey);
    for (const std::string& category : classes.Subkeys()) {
        const std::string categoryPath = std::string(kDeviceClassesKey) + "\\" + category;
        const Key categoryKey = Key::Open(HKEY_LOCAL_MACHINE, categoryPath);
        for (const std::string& name : categoryKey.Subkeys()) visit(categoryPath + "\\" + name);
    }
}

std::string ResolveImagePath(std::string imagePath)
{
    for (char& c : imagePath)
        if (c == '\\') c = '/';
    if (!imagePath.empty() && imagePath.front() == '/') return imagePath;
    return zv::win32::ZvRoot() + "/windows/" + imagePath;
}

bool ServiceInUse(const std::string& service)
{
    const Key enumKey = Key::Open(HKEY_LOCAL_MACHINE, kEnumKey);
    for (const std::string& enumerator : enumKey.Subkeys()) {
        const std::string enumeratorPath = std::string(kEnumKey) + "\\" + enumerator;
        for (const std::string& device : Key::Open(HKEY_LOCAL_MACHINE, enumeratorPath).Subkeys()) {
            const std::string devicePath = enumeratorPath + "\\" + device;
            for (const std::string& instance : Key::Open(HKEY_LOCAL_MACHINE, devicePath).Subkeys()) {
                const auto used = Key::Open(HKEY_LOCAL_MACHINE, devicePath + "\\" + instance).String("Service");
                if (used && SameText(*used, service)) return true;
            }
        }
    }
    return false;
}

}  // namespace

namespace {

bool WriteCameraInterface(const GUID& category, const std::string& instanceId)
{
    const auto parameters = WriteDeviceInterface(category, instanceId, "GLOBAL");
    if (!parameters) return false;
    const Key key = Key::Open(HKEY_LOCAL_MACHINE, *parameters);
    return key.SetString("FriendlyName", kCameraName) && key.SetString("CLSID", kProxyClsid);
}

}  // namespace

std::vector<DeviceInterfaceRecord> ListDeviceInterfaces(const GUID& category)
{
    std::vector<DeviceInterfaceRecord> records;
    const std::string categoryPath = std::string(kDeviceClassesKey) + "\\" + GuidText(category);
    const Key categoryKey = Key::Open(HKEY_LOCAL_MACHINE, categoryPath);
    for (const std::string& name : categoryKey.Subkeys()) {
        const std::string interfacePath = categoryPath + "\\" + name;
        const auto instanceId = Key::Open(HKEY_LOCAL_MACHINE, interfacePath).String("DeviceInstance");
        const auto link = Key::Open(HKEY_LOCAL_MACHINE, interfacePath + "\\#GLOBAL").String("SymbolicLink");
        if (!instanceId || !link || !InstanceExists(*instanceId)) continue;
        DeviceInterfaceRecord record;
        record.devicePath = *link;
        record.instanceId = *instanceId;
        record.friendlyName = Key::Open(HKEY_LOCAL_MACHINE, interfacePath + "\\#GLOBAL\\Device Parameters")
                                  .String("FriendlyName")
                                  .value_or("");
        record.description = Key::Open(HKEY_LOCAL_MACHINE, InstanceKey(*instanceId)).String("DeviceDesc").value_or("");
        records.push_back(std::move(record));
    }
    return records;
}

std::optional<DeviceRecord> FindDeviceByPath(const std::string& devicePath)
{
    const std::string wanted = PathIdentity(devicePath);
    if (wanted.empty()) return std::nullopt;
    std::optional<std::string> instanceId;
    ForEachInterfaceKey([&](const std::string& interfacePath) {
        if (instanceId) return;
        const auto link = Key::Open(HKEY_LOCAL_MACHINE, interfacePath + "\\#GLOBAL").String("SymbolicLink");
        if (link && PathIdentity(*link) == wanted)
            instanceId = Key::Open(HKEY_LOCAL_MACHINE, interfacePath).String("DeviceInstance");
    });
    if (!instanceId || !InstanceExists(*instanceId)) return std::nullopt;
    const auto service = Key::Open(HKEY_LOCAL_MACHINE, InstanceKey(*instanceId)).String("Service");
    if (!service || service->empty()) return std::nullopt;
    const auto imagePath =
        Key::Open(HKEY_LOCAL_MACHINE, std::string(kServicesKey) + "\\" + *service).String("ImagePath");
    if (!imagePath || imagePath->empty()) return std::nullopt;
    return DeviceRecord{*instanceId, ResolveImagePath(*imagePath)};
}

std::optional<std::string> WriteDeviceInterface(const GUID& category, const std::string& instanceId,
                                                const std::string& referenceString)
{
    const std::string cat = GuidText(category);
    std::string reference = instanceId + "#" + cat;
    for (char& c : reference)
        if (c == '\\') c = '#';
    const std::string interfacePath = std::string(kDeviceClassesKey) + "\\" + cat + "\\##?#" + reference;
    const std::string globalPath = interfacePath + "\\#" + referenceString;
    const Key interfaceKey = Key::Create(HKEY_LOCAL_MACHINE, interfacePath);
    const Key global = Key::Create(HKEY_LOCAL_MACHINE, globalPath);
    const Key parameters = Key::Create(HKEY_LOCAL_MACHINE, globalPath + "\\Device Parameters");
    if (!parameters || !interfaceKey.SetString("DeviceInstance", instanceId) ||
        !global.SetString("SymbolicLink", "\\\\?\\" + reference + "\\" + referenceString))
        return std::nullopt;
    return globalPath + "\\Device Parameters";
}

std::optional<std::string> CreateVirtualCameraRecord(const std::string& driverFile)
{
    // The first number whose key this call creates: two processes never take the same one.
    std::string number;
    Key instance;
    for (int n = 0; n < kMaxInstances && !instance; ++n) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%04d", n);
        bool created = false;
        Key candidate =
            Key::Create(HKEY_LOCAL_MACHINE, InstanceKey(std::string(kCameraEnumerator) + "\\" + digits), &created);
        if (!candidate) return std::nullopt;
        if (created) {
            number = digits;
            instance = std::move(candidate);
        }
    }
    if (!instance) return std::nullopt;
    const std::string instanceId = std::string(kCameraEnumerator) + "\\" + number;

    const Key service = Key::Create(HKEY_LOCAL_MACHINE, std::string(kServicesKey) + "\\" + kCameraService);
    const bool written = instance.SetMultiString("HardwareID", "zelvante") && instance.SetString("Service", kCameraService) &&
                         instance.SetString("DeviceDesc", kCameraName) && instance.SetString("Class", "Media") &&
                         instance.SetString("ClassGUID", kMediaClassGuid) && service.SetString("ImagePath", driverFile) &&
                         service.SetDword("Type", kKernelDriverType) && service.SetDword("Start", kDemandStart) &&
                         WriteCameraInterface(kCaptureCategory, instanceId) &&
                         WriteCameraInterface(kVideoCategory, instanceId);
    if (!written) {
        RemoveDeviceRecord(instanceId);
        return std::nullopt;
    }
    return "\\\\?\\ROOT#MEDIA#" + number + "#" + GuidText(kCaptureCategory) + "\\GLOBAL";
}

bool RemoveDeviceRecord(const std::string& instanceId, bool stopHost)
{
    if (!InstanceExists(instanceId)) return false;
    if (stopHost) StopHost(instanceId);
    const auto service = Key::Open(HKEY_LOCAL_MACHINE, InstanceKey(instanceId)).String("Service");

    std::vector<std::string> interfaces;
    ForEachInterfaceKey([&](const std::string& interfacePath) {
        const auto owner = Key::Open(HKEY_LOCAL_MACHINE, interfacePath).String("DeviceInstance");
        if (owner && SameText(*owner, instanceId)) interfaces.push_back(interfacePath);
    });
    for (const std::string& path : interfaces) DeleteTree(path);
    DeleteTree(InstanceKey(instanceId));
    if (service && !service->empty() && !ServiceInUse(*service))
        DeleteTree(std::string(kServicesKey) + "\\" + *service);
    return true;
}

}  // namespace zv::devhost
