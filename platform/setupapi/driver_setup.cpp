#include "platform/setupapi/driver_setup.h"

#include "platform/ks/devhost/device_records.h"
#include "platform/setupapi/device_store.h"
#include "platform/setupapi/inf_registry.h"
#include "platform/setupapi/setupapi.h"
#include "platform/win32/last_error.h"
#include "platform/win32/registry_key.h"
#include "platform/win32/zv_root.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace zv::setupapi {
namespace {

using zv::win32::Key;

constexpr const char* kClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class";
constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services";
constexpr DWORD kAssociateService = 0x2;  // SPSVCINST_ASSOCSERVICE

// A folder of the Windows folder by its INF directory id, relative, with '\'; nothing for an id
// this machine does not have.
std::optional<std::string> DirIdFolder(const std::string& id)
{
    if (id == "10") return std::string();
    if (id == "11") return std::string("system32");
    if (id == "12") return std::string("system32\\drivers");
    if (id == "17") return std::string("inf");
    return std::nullopt;
}

std::string Join(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    if (name.empty()) return folder;
    return folder + "\\" + name;
}

std::string HostPath(const std::string& windowsRelative)
{
    std::string path = zv::win32::ZvRoot() + "/windows/" + windowsRelative;
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// "%12%\zelvante.sys" -> "system32\drivers\zelvante.sys" (relative to the Windows folder).
std::optional<std::string> ResolveDirIds(const std::string& path)
{
    if (path.size() < 3 || path[0] != '%') return path;
    const auto close = path.find('%', 1);
    if (close == std::string::npos) return std::nullopt;
    const auto folder = DirIdFolder(path.substr(1, close - 1));
    if (!folder) return std::nullopt;
    std::string rest = path.substr(close + 1);
    if (!rest.empty() && rest[0] == '\\') rest.erase(0, 1);
    return Join(*folder, rest);
}

// Copies a whole file next to its destination, then renames it into place.
bool ReplaceFile(const std::string& source, const std::string& destination)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(destination).parent_path(), error);
    const std::string temporary = destination + ".new-" + std::to_string(::getpid());
    std::filesystem::copy_file(source, temporary, std::filesystem::copy_options::overwrite_existing, error);
    if (!error) std::filesystem::rename(temporary, destination, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

bool CopyFilesOf(const InfFile& inf, const std::string& section)
{
    for (const std::string& copySection : inf.AllValues(section, "CopyFiles")) {
        auto dirs = inf.Values("DestinationDirs", copySection);
        if (!dirs) dirs = inf.Values("DestinationDirs", "DefaultDestDir");
        const auto folder = dirs && !dirs->empty() ? DirIdFolder(dirs->front()) : std::nullopt;
        if (!folder) {
            SetLastError(ERROR_DI_BAD_PATH);
            return false;
        }
        const std::string destination = Join(*folder, dirs->size() > 1 ? (*dirs)[1] : std::string());
        std::vector<std::string> files;
        if (copySection.size() > 1 && copySection[0] == '@') {
            files.push_back(copySection.substr(1));
        } else {
            for (const InfLine& line : inf.Lines(copySection))
                if (!line.fields.empty()) files.push_back(line.fields.front());
        }
        for (const std::string& file : files) {
            if (!ReplaceFile(inf.Folder() + "/" + file, HostPath(Join(destination, file)))) {
                SetLastError(ERROR_FILE_NOT_FOUND);
                return false;
            }
        }
    }
    return true;
}

bool AddServices(const InfFile& inf, const std::string& section, const Key& device)
{
    for (const InfLine& line : inf.Lines(section + ".Services")) {
        if (!SameText(line.key, "AddService") || line.fields.size() < 3) continue;
        const std::string& name = line.fields[0];
        DWORD flags = 0;
        flags = static_cast<DWORD>(std::strtoul(line.fields[1].c_str(), nullptr, 0));
        const std::string& install = line.fields[2];
        const auto binary = ResolveDirIds(inf.Value(install, "ServiceBinary"));
        const Key service = Key::Create(HKEY_LOCAL_MACHINE, std::string(kServicesKey) + "\\" + name);
        const auto number = [&](const char* key) {
            return static_cast<DWORD>(std::strtoul(inf.Value(install, key).c_str(), nullptr, 0));
        };
        if (!binary || binary->empty() || !service.SetString("ImagePath", *binary) ||
            !service.SetDword("Type", number("ServiceType")) || !service.SetDword("Start", number("StartType")) ||
            !service.SetDword("ErrorControl", number("ErrorControl")) ||
            !service.SetString("DisplayName", inf.Value(install, "DisplayName")) ||
            ((flags & kAssociateService) && !device.SetString("Service", name))) {
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
    }
    return true;
}

bool AddInterfaces(const InfFile& inf, const std::string& section, const std::string& instanceId)
{
    for (const InfLine& line : inf.Lines(section + ".Interfaces")) {
        if (!SameText(line.key, "AddInterface") || line.fields.empty()) continue;
        const auto category = zv::win32::ParseGuidText(line.fields[0]);
        if (!category) {
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
        const std::string reference = line.fields.size() > 1 && !line.fields[1].empty() ? line.fields[1] : "GLOBAL";
        const auto parameters = zv::devhost::WriteDeviceInterface(*category, instanceId, reference);
        if (!parameters) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        if (line.fields.size() > 2 && !line.fields[2].empty()) {
            const Key key = Key::Open(HKEY_LOCAL_MACHINE, *parameters);
            if (!ApplyRegistryDirectives(inf, line.fields[2], key.Get())) return false;
        }
    }
    return true;
}

// The device's driver key: the one it names, else the first free "{class}\nnnn".
std::optional<std::string> DriverKeyOf(const Key& device, const std::string& classGuid)
{
    if (auto existing = device.String("Driver"); existing && !existing->empty()) return existing;
    for (int n = 0; n < 10000; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "%s\\%04d", classGuid.c_str(), n);
        bool created = false;
        const Key key = Key::Create(HKEY_LOCAL_MACHINE, DriverKeyPath(name), &created);
        if (!key) return std::nullopt;
        if (created) return std::string(name);
    }
    return std::nullopt;
}

}  // namespace

std::string DriverKeyPath(const std::string& driver) { return std::string(kClassKey) + "\\" + driver; }

std::optional<DriverMatch> FindDriver(const InfFile& inf, const std::string& hardwareId)
{
    for (const InfLine& manufacturer : inf.Lines("Manufacturer")) {
        if (manufacturer.fields.empty()) continue;
        for (const InfLine& model : inf.Lines(manufacturer.fields.front())) {
            for (std::size_t i = 1; i < model.fields.size(); ++i)
                if (SameText(model.fields[i], hardwareId) && !model.fields[0].empty())
                    return DriverMatch{model.key, manufacturer.key, model.fields[0]};
        }
    }
    return std::nullopt;
}

bool InstallDriverOnDevice(const InfFile& inf, const DriverMatch& driver, const std::string& instanceId)
{
    const std::string section =
        inf.HasSection(driver.installSection + ".NT") ? driver.installSection + ".NT" : driver.installSection;
    if (!inf.HasSection(section)) {
        SetLastError(ERROR_SECTION_NOT_FOUND);
        return false;
    }
    const Key device = Key::Open(HKEY_LOCAL_MACHINE, InstanceKeyPath(instanceId));
    if (!device) {
        SetLastError(ERROR_NO_SUCH_DEVINST);
        return false;
    }
    const std::string classGuid = inf.Value("Version", "ClassGUID");
    const auto driverName = DriverKeyOf(device, classGuid);
    const Key driverKey = driverName ? Key::Create(HKEY_LOCAL_MACHINE, DriverKeyPath(*driverName)) : Key();
    if (!driverKey) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    const auto version = inf.Values("Version", "DriverVer").value_or(std::vector<std::string>{});
    const bool recorded =
        device.SetString("Driver", *driverName) && device.SetString("DeviceDesc", driver.description) &&
        device.SetString("Mfg", driver.manufacturer) && device.SetString("Class", inf.Value("Version", "Class")) &&
        device.SetString("ClassGUID", classGuid) && device.SetDword("ConfigFlags", 0) &&
        driverKey.SetString("DriverDesc", driver.description) &&
        driverKey.SetString("ProviderName", inf.Value("Version", "Provider")) &&
        driverKey.SetString("DriverDate", version.empty() ? std::string() : version[0]) &&
        driverKey.SetString("DriverVersion", version.size() > 1 ? version[1] : std::string()) &&
        driverKey.SetString("InfSection", section);
    if (!recorded) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return ApplyNeededSections(inf, section, driverKey.Get()) && ApplyRegistryDirectives(inf, section, driverKey.Get()) &&
           CopyFilesOf(inf, section) && AddServices(inf, section, device) && AddInterfaces(inf, section, instanceId);
}

}  // namespace zv::setupapi
