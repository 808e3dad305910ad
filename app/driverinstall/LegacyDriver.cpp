#include "app/driverinstall/LegacyDriver.h"

#include "app/driverinstall/DriverInstall.h"
#include "platform/user/message_box.h"
#include "platform/win32/files.h"
#include "platform/win32/paths.h"
#include "platform/win32/registry_key.h"

#include <cstdio>
#include <strings.h>
#include <vector>

namespace {

using zv::win32::Key;

constexpr const char* kEnumMedia = "Enum\\Root\\MEDIA";
constexpr const char* kClassKey = "System\\CurrentControlSet\\Services\\Class";
constexpr const char* kMediaClassGuid = "{4d36e96c-e325-11ce-bfc1-08002be10318}";
constexpr const char* kDeviceClasses = "System\\CurrentControlSet\\Control\\DeviceClasses";
constexpr const char* kCaptureCategory = "{65E8773D-8F56-11D0-A3B9-00A0C9223196}";
constexpr const char* kVideoCategory = "{6994AD05-93EF-11D0-A3CC-00A0C9223196}";
constexpr const char* kLegacyHardwareId = "ZELVANTE";
constexpr const char* kDeviceDescription = "Zelvante, virtual camera";
constexpr const char* kProviderName = "Kestrova";
constexpr const char* kCompressionInterface = "{C6E13343-30AC-11d0-A18C-00A0C9118956}";
constexpr int kMaxKeyNumber = 9998;

std::string WindowsFolder()
{
    char folder[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string();
}

std::string InterfaceKey(const char* category)
{
    return std::string(kDeviceClasses) + "\\" + category + "\\##.#0000000000000234#" + category;
}

bool ValueIs(const Key& key, const char* name, const char* expected)
{
    const auto value = key.String(name);
    return value && value->size() < MAX_PATH && strcasecmp(value->c_str(), expected) == 0;
}

// The subkeys of `parent` whose `valueName` is "ZELVANTE".
void CollectMatching(const char* parent, const char* valueName, std::vector<std::string>* keys)
{
    for (const std::string& name : Key::Open(HKEY_LOCAL_MACHINE, parent).Subkeys()) {
        const std::string path = std::string(parent) + "\\" + name;
        if (ValueIs(Key::Open(HKEY_LOCAL_MACHINE, path), valueName, kLegacyHardwareId)) keys->push_back(path);
    }
}

// The first "<parent>\%04d" that this call creates, with its number.
Key CreateNumberedKey(const char* parent, int* number, std::vector<std::string>* written)
{
    for (int n = 0; n <= kMaxKeyNumber; ++n) {
        char path[MAX_PATH];
        std::snprintf(path, sizeof path, "%s\\%04d", parent, n);
        bool created = false;
        Key key = Key::Create(HKEY_LOCAL_MACHINE, path, &created);
        if (!key) return Key();
        if (created) {
            *number = n;
            written->push_back(path);
            return key;
        }
    }
    return Key();
}

bool SetBinary(const Key& key, const char* name, std::initializer_list<unsigned char> bytes)
{
    const std::vector<unsigned char> data(bytes);
    return key.SetValue(name, REG_BINARY, data.data(), data.size());
}

bool WriteDriverKey(const Key& key)
{
    return SetBinary(key, "DontSuspendIfStreamsAreRunning", {0x01}) && SetBinary(key, "PageOutWhenUnopened", {0x01}) &&
           key.SetString("DevLoader", "*ntkern") && key.SetString("DriverDate", "3-29-2004") &&
           key.SetString("DriverDesc", kDeviceDescription) && key.SetString("InfPath", "zelvante.inf") &&
           key.SetString("InfSection", "Zelvante.Device") && key.SetString("MatchingDeviceId", kLegacyHardwareId) &&
           key.SetString("NTMPDriver", "zelvante.sys") && key.SetString("ProviderName", kProviderName);
}

bool WriteDeviceKey(const Key& key, int driverNumber)
{
    char driver[32];
    std::snprintf(driver, sizeof driver, "MEDIA\\%04d", driverNumber);
    return SetBinary(key, "ConfigFlags", {0, 0, 0, 0}) && SetBinary(key, "Capabilities", {0x5E, 0, 0, 0}) &&
           SetBinary(key, "Serial", {0x34, 0x02, 0, 0, 0, 0, 0, 0}) && key.SetString("Class", "MEDIA") &&
           key.SetString("ClassGUID", kMediaClassGuid) && key.SetString("DeviceDesc", kDeviceDescription) &&
           key.SetString("HardwareID", kLegacyHardwareId) && key.SetString("Mfg", "Kestrova Co.") &&
           key.SetString("Driver", driver);
}

bool WriteInterfaceKeys(const char* category, bool first, int deviceNumber, std::vector<std::string>* written)
{
    const std::string path = InterfaceKey(category);
    written->push_back(path);
    char instance[32];
    std::snprintf(instance, sizeof instance, "ROOT\\MEDIA\\%04d", deviceNumber);
    const std::string link = std::string("\\\\.\\0000000000000234#") + category + "\\GLOBAL";
    const Key key = Key::Create(HKEY_LOCAL_MACHINE, path);
    const Key global = Key::Create(HKEY_LOCAL_MACHINE, path + "\\#GLOBAL");
    const Key control = Key::Create(HKEY_LOCAL_MACHINE, path + "\\#GLOBAL\\Control");
    const std::string parametersPath = path + "\\#GLOBAL\\Device Parameters";
    const Key parameters = Key::Create(HKEY_LOCAL_MACHINE, parametersPath);
    static const unsigned char filterData[68] = {
        0x02, 0, 0, 0, 0, 0, 0x20, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x30, 0x70, 0x69, 0x33, 0x08, 0, 0, 0,
        0x01, 0, 0, 0, 0, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x2C, 0, 0, 0};  // then 24 zero bytes
    bool ok = key.SetString("DeviceInstance", instance) && key.SetDword("RefCount", 1) &&
              global.SetString("SymbolicLink", link) && control.SetDword("Linked", 0) &&
              parameters.SetString("FriendlyName", "Zelvante Capture") &&
              parameters.SetString("CLSID", "{17CCA71B-ECD7-11D0-B908-00A0C9223196}") &&
              (!first || parameters.SetValue("FilterData", REG_BINARY, filterData, sizeof filterData));
    for (const char* pin : {"0", "1"}) {
        const Key compression = Key::Create(HKEY_LOCAL_MACHINE, parametersPath + "\\PinFactory\\" + pin +
                                                                    "\\Interfaces\\" + kCompressionInterface);
        ok = ok && compression.SetString("", kCompressionInterface);
    }
    return ok;
}

// Installs one registration section of a platform INF; false after telling the user.
bool InstallRegistration(HWND owner, const std::string& infPath, const char* section)
{
    HINF inf = SetupOpenInfFileA(infPath.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
    if (inf == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = SetupInstallFromInfSectionA(owner, inf, section, SPINST_REGISTRY, nullptr, nullptr,
                                                SP_COPY_NEWER_ONLY | SP_COPY_LANGUAGEAWARE, InfInstallCallback,
                                                nullptr, nullptr, nullptr);
    SetupCloseInfFile(inf);
    if (!ok) {
        const std::string text = std::string("SetupInstallFromInfSection(\"") + section + "\") failed";
        MessageBoxA(owner, text.c_str(), nullptr, MB_OK);
    }
    return ok;
}

void DeleteKeys(const std::vector<std::string>& keys)
{
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) zv::win32::DeleteKeyTree(HKEY_LOCAL_MACHINE, *it);
}

int WriteLegacyInstallation(HWND owner, const std::string& windows, std::vector<std::string>* written)
{
    int driverNumber = 0;
    const Key driverKey = CreateNumberedKey((std::string(kClassKey) + "\\MEDIA").c_str(), &driverNumber, written);
    if (!driverKey || !WriteDriverKey(driverKey)) return 0;
    int deviceNumber = 0;
    const Key deviceKey = CreateNumberedKey(kEnumMedia, &deviceNumber, written);
    if (!deviceKey || !WriteDeviceKey(deviceKey, driverNumber)) return 0;
    if (!WriteInterfaceKeys(kCaptureCategory, true, deviceNumber, written) ||
        !WriteInterfaceKeys(kVideoCategory, false, deviceNumber, written))
        return 0;
    return InstallRegistration(owner, windows + "/inf/ks.inf", "KS.Registration") &&
           InstallRegistration(owner, windows + "/inf/kscaptur.inf", "KSCAPTUR.Registration");
}

}  // namespace

bool IsLegacyDriverInstalled()
{
    const std::string windows = WindowsFolder();
    const std::string driverFile = windows + "/system32/drivers/zelvante.sys";
    if (windows.empty() || driverFile.size() >= MAX_PATH || GetFileAttributesA(driverFile.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    std::string driver;
    const Key media = Key::Open(HKEY_LOCAL_MACHINE, kEnumMedia);
    char name[MAX_PATH];
    for (DWORD index = 0; driver.empty() && media && RegEnumKeyA(media.Get(), index, name, sizeof name) == ERROR_SUCCESS;
         ++index) {
        const Key device = Key::Open(HKEY_LOCAL_MACHINE, std::string(kEnumMedia) + "\\" + name);
        if (ValueIs(device, "HardwareID", kLegacyHardwareId)) driver = device.String("Driver").value_or("");
    }
    if (driver.empty()) return false;
    const Key driverKey = Key::Open(HKEY_LOCAL_MACHINE, std::string(kClassKey) + "\\" + driver);
    return driverKey && ValueIs(driverKey, "MatchingDeviceId", kLegacyHardwareId) &&
           Key::Open(HKEY_LOCAL_MACHINE, std::string(kClassKey) + "\\" + kMediaClassGuid);
}

int InstallLegacyDriver(HWND owner, ConfigStore& config)
{
    DriverFiles files;
    if (!ExtractDriverFiles(&files)) return 0;
    const std::string windows = WindowsFolder();
    const std::string infTarget = windows + "/inf/zelvante.inf";
    const std::string driverTarget = windows + "/system32/drivers/zelvante.sys";
    // Without the driver file the device could never start: stop before writing any key.
    const bool copied = !windows.empty() && CopyFileA(files.infPath.c_str(), infTarget.c_str(), FALSE) &&
                        CopyFileA(files.driverPath.c_str(), driverTarget.c_str(), FALSE);
    DeleteDriverFiles(files);
    if (!copied) return 0;
    std::vector<std::string> written;
    if (!WriteLegacyInstallation(owner, windows, &written)) {
        DeleteKeys(written);
        return 0;
    }
    config.driverFlags |= kDriverRestartNeeded;
    config.dirty = true;
    return 1;
}

BOOL RemoveLegacyDriverKeys()
{
    std::vector<std::string> keys;
    CollectMatching(kEnumMedia, "HardwareID", &keys);
    CollectMatching((std::string(kClassKey) + "\\MEDIA").c_str(), "MatchingDeviceId", &keys);
    keys.push_back(InterfaceKey(kCaptureCategory));
    keys.push_back(InterfaceKey(kVideoCategory));
    HKEY machine = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, DELETE, &machine) != ERROR_SUCCESS) return TRUE;
    RegCloseKey(machine);
    for (const std::string& key : keys) zv::win32::DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
    return TRUE;
}

int RemoveLegacyDriver(ConfigStore& config)
{
    RemoveLegacyDriverKeys();
    config.driverFlags |= kDriverRestartNeeded;
    config.dirty = true;
    return 1;
}

UINT InfInstallCallback(void*, UINT notification, UINT_PTR, UINT_PTR)
{
    static const struct {
        UINT code;
        const char* name;
    } kNames[] = {
        {SPFILENOTIFY_STARTQUEUE, "SPFILENOTIFY_STARTQUEUE"}, {SPFILENOTIFY_ENDQUEUE, "SPFILENOTIFY_ENDQUEUE"},
        {SPFILENOTIFY_STARTSUBQUEUE, "SPFILENOTIFY_STARTSUBQUEUE"}, {SPFILENOTIFY_ENDSUBQUEUE, "SPFILENOTIFY_ENDSUBQUEUE"},
        {SPFILENOTIFY_STARTDELETE, "SPFILENOTIFY_STARTDELETE"}, {SPFILENOTIFY_ENDDELETE, "SPFILENOTIFY_ENDDELETE"},
        {SPFILENOTIFY_DELETEERROR, "SPFILENOTIFY_DELETEERROR"}, {SPFILENOTIFY_STARTRENAME, "SPFILENOTIFY_STARTRENAME"},
        {SPFILENOTIFY_ENDRENAME, "SPFILENOTIFY_ENDRENAME"}, {SPFILENOTIFY_RENAMEERROR, "SPFILENOTIFY_RENAMEERROR"},
        {SPFILENOTIFY_STARTCOPY, "SPFILENOTIFY_STARTCOPY"}, {SPFILENOTIFY_ENDCOPY, "SPFILENOTIFY_ENDCOPY"},
        {SPFILENOTIFY_COPYERROR, "SPFILENOTIFY_COPYERROR"}, {SPFILENOTIFY_NEEDMEDIA, "SPFILENOTIFY_NEEDMEDIA"},
        {SPFILENOTIFY_QUEUESCAN, "SPFILENOTIFY_QUEUESCAN"}, {SPFILENOTIFY_FILEINCABINET, "SPFILENOTIFY_FILEINCABINET"},
        {SPFILENOTIFY_NEEDNEWCABINET, "SPFILENOTIFY_NEEDNEWCABINET"},
        {SPFILENOTIFY_FILEEXTRACTED, "SPFILENOTIFY_FILEEXTRACTED"},
        {SPFILENOTIFY_FILEOPDELAYED, "SPFILENOTIFY_FILEOPDELAYED"},
        {SPFILENOTIFY_QUEUESCAN_EX, "SPFILENOTIFY_QUEUESCAN_EX"},
        {SPFILENOTIFY_STARTREGISTRATION, "SPFILENOTIFY_STARTREGISTRATION"},
        {SPFILENOTIFY_ENDREGISTRATION, "SPFILENOTIFY_ENDREGISTRATION"},
        {SPFILENOTIFY_LANGMISMATCH, "SPFILENOTIFY_LANGMISMATCH"},
        {SPFILENOTIFY_TARGETEXISTS, "SPFILENOTIFY_TARGETEXISTS"}, {SPFILENOTIFY_TARGETNEWER, "SPFILENOTIFY_TARGETNEWER"},
    };
    for (const auto& entry : kNames)
        if (entry.code == notification) MessageBoxA(nullptr, entry.name, nullptr, MB_OK);
    return 0;
}
