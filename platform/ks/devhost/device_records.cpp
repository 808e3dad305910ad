#include "platform/ks/devhost/device_records.h"

#include "platform/ks/devhost/host_launcher.h"
#include "platform/win32/registry.h"
#include "platform/win32/zv_root.h"

#include <cctype>
#include <cstdio>

namespace zv::devhost {

const GUID kCaptureCategory = zv::win32::GuidFromText("{65E8773D-8F56-11D0-A3B9-00A0C9223196}");
const GUID kVideoCategory = zv::win32::GuidFromText("{6994AD05-93EF-11D0-A3CC-00A0C9223196}");

namespace {

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

std::string GuidText(const GUID& g)
{
    char text[39];
    std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

// An open registry key that closes itself.
class Key {
public:
    Key() = default;
    ~Key() { Close(); }
    Key(Key&& other) noexcept : m_key(other.m_key) { other.m_key = nullptr; }
    Key& operator=(Key&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_key = other.m_key;
            other.m_key = nullptr;
        }
        return *this;
    }

    static Key Open(HKEY parent, const std::string& path)
    {
        Key key;
        if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key.m_key) != ERROR_SUCCESS) key.m_key = nullptr;
        return key;
    }
    // `created` (when given) tells whether the key is new.
    static Key Create(HKEY parent, const std::string& path, bool* created = nullptr)
    {
        Key key;
        DWORD disposition = 0;
        if (RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &key.m_key, &disposition) != ERROR_SUCCESS)
            key.m_key = nullptr;
        if (created) *created = disposition == REG_CREATED_NEW_KEY;
        return key;
    }

    explicit operator bool() const { return m_key != nullptr; }
    HKEY Get() const { return m_key; }

    std::optional<std::string> String(const char* name) const
    {
        DWORD type = 0;
        DWORD size = 0;
        if (!m_key || RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
            return std::nullopt;
        std::string value(size, '\0');
        if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS)
            return std::nullopt;
        value.resize(size);
        while (!value.empty() && value.back() == '\0') value.pop_back();
        return value;
    }

    bool SetString(const char* name, const std::string& value) const
    {
        return SetValue(name, REG_SZ, value.c_str(), value.size() + 1);
    }
    bool SetMultiString(const char* name, const std::string& single) const
    {
        const std::string value = single + '\0';  // one string, then the list's own end
        return SetValue(name, REG_MULTI_SZ, value.c_str(), value.size() + 1);
    }
    bool SetDword(const char* name, DWORD value) const { return SetValue(name, REG_DWORD, &value, sizeof value); }

    std::vector<std::string> Subkeys() const
    {
        std::vector<std::string> names;
        for (DWORD index = 0; m_key; ++index) {
            char name[256];
            DWORD size = sizeof name;
            if (RegEnumKeyExA(m_key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            names.emplace_back(name, size);
        }
        return names;
    }

private:
    bool SetValue(const char* name, DWORD type, const void* data, std::size_t size) const
    {
        return m_key && RegSetValueExA(m_key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)) ==
                            ERROR_SUCCESS;
    }
    void Close()
    {
        if (m_key) RegCloseKey(m_key);
        m_key = nullptr;
    }

    HKEY m_key = nullptr;
};

// RegDeleteKeyA takes no key with subkeys: children first.
bool DeleteTree(const std::string& path)
{
    {
        Key key = Key::Open(HKEY_LOCAL_MACHINE, path);
        if (!key) return false;
        for (const std::string& child : key.Subkeys()) DeleteTree(path + "\\" + child);
    }
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS;
}

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

bool WriteInterface(const GUID& category, const std::string& instanceId, const std::string& number)
{
    const std::string cat = GuidText(category);
    const std::string reference = "ROOT#MEDIA#" + number + "#" + cat;
    const std::string interfacePath = std::string(kDeviceClassesKey) + "\\" + cat + "\\##?#" + reference;
    const Key interfaceKey = Key::Create(HKEY_LOCAL_MACHINE, interfacePath);
    const Key global = Key::Create(HKEY_LOCAL_MACHINE, interfacePath + "\\#GLOBAL");
    const Key parameters = Key::Create(HKEY_LOCAL_MACHINE, interfacePath + "\\#GLOBAL\\Device Parameters");
    return interfaceKey.SetString("DeviceInstance", instanceId) &&
           global.SetString("SymbolicLink", "\\\\?\\" + reference + "\\GLOBAL") &&
           parameters.SetString("FriendlyName", kCameraName) && parameters.SetString("CLSID", kProxyClsid);
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
                         WriteInterface(kCaptureCategory, instanceId, number) &&
                         WriteInterface(kVideoCategory, instanceId, number);
    if (!written) {
        RemoveDeviceRecord(instanceId);
        return std::nullopt;
    }
    return "\\\\?\\ROOT#MEDIA#" + number + "#" + GuidText(kCaptureCategory) + "\\GLOBAL";
}

bool RemoveDeviceRecord(const std::string& instanceId)
{
    if (!InstanceExists(instanceId)) return false;
    StopHost(instanceId);
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
