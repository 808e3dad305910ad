#include "driver_install_fixture.h"

#include "app/driverinstall/LegacyDriver.h"
#include "platform/ks/devhost/device_records.h"
#include "platform/ks/devhost/host_launcher.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

using namespace zv::driverinstall::testing;

constexpr const char* kInstance0 = "SYSTEM\\CurrentControlSet\\Enum\\ROOT\\MEDIA\\0000";
constexpr const char* kInstance1 = "SYSTEM\\CurrentControlSet\\Enum\\ROOT\\MEDIA\\0001";

constexpr std::uintmax_t kWriteLimit = 16 * 1024;

// While it lives, no file of this process grows beyond kWriteLimit (writes fail with EFBIG).
class FileSizeLimit {
public:
    FileSizeLimit()
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limited = m_previous;
        limited.rlim_cur = kWriteLimit;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) names.push_back(entry.path());
    return names;
}

// A device with these hardware ids (a REG_MULTI_SZ list), made and registered through SetupDi.
void CreateDeviceWithIds(const std::string& multiSz)
{
    GUID media = zv::win32::GuidFromText("{4d36e96c-e325-11ce-bfc1-08002be10318}");
    HDEVINFO list = SetupDiCreateDeviceInfoList(&media, nullptr);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    ASSERT_TRUE(SetupDiCreateDeviceInfoA(list, "Media", &media, nullptr, nullptr, DICD_GENERATE_ID, &device));
    ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyA(list, &device, SPDRP_HARDWAREID,
                                                  reinterpret_cast<const BYTE*>(multiSz.data()),
                                                  static_cast<DWORD>(multiSz.size())));
    ASSERT_TRUE(SetupDiCallClassInstaller(DIF_REGISTERDEVICE, list, &device));
    SetupDiDestroyDeviceInfoList(list);
}

TEST_F(DriverInstallTest, InstallsTheDeviceItsDriverServiceAndNamedInterfaces)
{
    ASSERT_EQ(kDriverAbsent, IsDriverInstalled());
    ASSERT_EQ(1, InstallDriver(nullptr, config));

    DWORD type = 0;
    EXPECT_EQ(std::string("zelvante\0\0", 10),
              zv::win32::Key::Open(HKEY_LOCAL_MACHINE, kInstance0).Raw("HardwareID", &type).value_or(""));
    EXPECT_EQ(REG_MULTI_SZ, type);
    EXPECT_EQ("ZELVANTE", MachineString(kInstance0, "Service").value_or(""));
    EXPECT_EQ("system32\\drivers\\zelvante.sys",
              MachineString("SYSTEM\\CurrentControlSet\\Services\\ZELVANTE", "ImagePath").value_or(""));
    EXPECT_EQ(ReadFileBytes(ZV_DRIVER_PATH), ReadFileBytes(Windows() + "/system32/drivers/zelvante.sys"));
    const std::string driverKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\" + MachineString(kInstance0, "Driver").value_or("?");
    EXPECT_EQ("*ntkern", MachineString(driverKey, "DevLoader").value_or(""));
    EXPECT_EQ(std::string("\x01", 1), zv::win32::Key::Open(HKEY_LOCAL_MACHINE, driverKey).Raw("PageOutWhenUnopened", &type));
    for (const GUID& category : {zv::devhost::kCaptureCategory, zv::devhost::kVideoCategory}) {
        const auto interfaces = zv::devhost::ListDeviceInterfaces(category);
        ASSERT_EQ(1u, interfaces.size());
        EXPECT_EQ("Zelvante Capture", interfaces[0].friendlyName);
        EXPECT_EQ("ROOT\\MEDIA\\0000", interfaces[0].instanceId);
        const auto device = zv::devhost::FindDeviceByPath(interfaces[0].devicePath);
        ASSERT_TRUE(device);
        EXPECT_EQ(Windows() + "/system32/drivers/zelvante.sys", device->driverFile);
    }
    // The kernel-streaming registrations the INF needs came from the machine's own INFs.
    EXPECT_TRUE(MachineString("SYSTEM\\CurrentControlSet\\Control\\MediaCategories\\{65E8773D-8F56-11D0-A3B9-00A0C9223196}", "Name"));
    // Nothing of the installation stays in the temporary folder.
    EXPECT_TRUE(FilesIn(root.Path() + "/tmp").empty());
    EXPECT_EQ(kDriverPresent, IsDriverInstalled());
    EXPECT_EQ(0, config.driverFlags & kDriverRestartNeeded);
}

TEST_F(DriverInstallTest, ASecondInstallUpdatesTheOneDevice)
{
    ASSERT_EQ(1, InstallDriver(nullptr, config));
    std::filesystem::remove(Windows() + "/system32/drivers/zelvante.sys");
    ASSERT_EQ(1, InstallDriver(nullptr, config));
    EXPECT_FALSE(MachineString(kInstance1, "Class"));
    EXPECT_TRUE(std::filesystem::exists(Windows() + "/system32/drivers/zelvante.sys"));
    EXPECT_EQ(1u, zv::devhost::ListDeviceInterfaces(zv::devhost::kCaptureCategory).size());
}

TEST_F(DriverInstallTest, DeviceIdsAreFoundWithoutRegardToCaseAndBeyondTheFirstBuffer)
{
    const std::string longList = std::string(9000, 'x') + '\0' + "ZELVANTE" + '\0' + '\0';
    const std::vector<std::string> lists = {std::string("ZELVANTE\0\0", 10), longList};
    for (const std::string& ids : lists) {
        CreateDeviceWithIds(ids);
        EXPECT_EQ(kDriverPresent, IsDriverInstalled()) << ids.size();
        RemoveDriver(config);
        EXPECT_EQ(kDriverAbsent, IsDriverInstalled());
    }
}

int CountVisit(HDEVINFO, SP_DEVINFO_DATA*, DWORD, void* user)
{
    ++*static_cast<int*>(user);
    return 1;
}

TEST_F(DriverInstallTest, PatternsVisitTheDevicesTheyName)
{
    CreateDeviceWithIds(std::string("zelvante\0\0", 10));      // ROOT\MEDIA\0000
    CreateDeviceWithIds(std::string("other\0\0", 7));          // ROOT\MEDIA\0001
    const struct {
        const char* pattern;
        int visits;
    } cases[] = {
        {"zel*te", 1}, {"@ROOT\\MEDIA\\0000", 1}, {"@root\\media\\0001", 1}, {"@ROOT\\*", 2},
        {"@ROOT\\MEDIA\\0009", 0}, {"'zel*te", 0}, {"*", 2},
    };
    for (const auto& c : cases) {
        int visits = 0;
        EXPECT_EQ(0, EnumerateDevicesByPattern(c.pattern, CountVisit, &visits)) << c.pattern;
        EXPECT_EQ(c.visits, visits) << c.pattern;
    }
}

TEST_F(DriverInstallTest, WithoutNewdevTheUpdateFailsAndNoDeviceIsLeft)
{
    std::filesystem::remove(root.Path() + "/windows/system32/newdev.dll");
    BOOL restart = FALSE;
    EXPECT_EQ(0, UpdateDeviceDriver(&restart, "/nonexistent.inf"));
    EXPECT_EQ(0, InstallDriver(nullptr, config));
    EXPECT_FALSE(std::filesystem::exists(Windows() + "/system32/drivers/zelvante.sys"));
    EXPECT_TRUE(FilesIn(root.Path() + "/tmp").empty());
}

TEST_F(DriverInstallTest, AFailedExtractionLeavesNothing)
{
    // The INF fits under the limit, the driver does not: the failure comes half-way.
    ASSERT_GT(std::filesystem::file_size(ZV_DRIVER_PATH), kWriteLimit);
    ASSERT_LT(std::filesystem::file_size(ZV_INF_PATH), kWriteLimit);
    DriverFiles files;
    {
        FileSizeLimit limit;
        EXPECT_EQ(0, ExtractDriverFiles(&files));
        EXPECT_EQ(0, InstallDriver(nullptr, config));
    }
    EXPECT_TRUE(FilesIn(root.Path() + "/tmp").empty());
    EXPECT_EQ(kDriverAbsent, IsDriverInstalled());
}

TEST_F(DriverInstallTest, ExtractionUsesAPrivateFolderAndCleansUpWhole)
{
    DriverFiles files;
    ASSERT_EQ(1, ExtractDriverFiles(&files));
    struct stat info {};
    ASSERT_EQ(0, ::stat(files.folder.c_str(), &info));
    EXPECT_EQ(0700u, info.st_mode & 0777);
    EXPECT_EQ(ReadFileBytes(ZV_DRIVER_PATH), ReadFileBytes(files.driverPath));
    EXPECT_EQ(ReadFileBytes(ZV_INF_PATH), ReadFileBytes(files.infPath));
    EXPECT_TRUE(std::filesystem::exists(files.folder + "/zelvante.cat"));
    DeleteDriverFiles(files);
    EXPECT_TRUE(FilesIn(root.Path() + "/tmp").empty());
}

TEST_F(DriverInstallTest, RemovingADeviceInUseAsksForARestart)
{
    ASSERT_EQ(1, InstallDriver(nullptr, config));
    const auto interfaces = zv::devhost::ListDeviceInterfaces(zv::devhost::kCaptureCategory);
    ASSERT_EQ(1u, interfaces.size());
    const auto device = zv::devhost::FindDeviceByPath(interfaces[0].devicePath);
    ASSERT_TRUE(device);
    DWORD error = 0;
    auto client = zv::devhost::ConnectToHost(device->instanceId, device->driverFile, &error);
    ASSERT_TRUE(client) << error;

    EXPECT_EQ(0, RemoveDriver(config));
    EXPECT_EQ(kDriverRestartNeeded, config.driverFlags & kDriverRestartNeeded);
    EXPECT_TRUE(config.dirty);
    EXPECT_EQ(kDriverAbsent, IsDriverInstalled());
    EXPECT_TRUE(zv::devhost::HostRunning(device->instanceId));  // it serves its client until it goes
    client.reset();
    zv::devhost::StopHost(device->instanceId);
}

TEST_F(DriverInstallTest, RemovingAnIdleDeviceNeedsNoRestart)
{
    ASSERT_EQ(1, InstallDriver(nullptr, config));
    EXPECT_EQ(0, RemoveDriver(config));
    EXPECT_EQ(0, config.driverFlags & kDriverRestartNeeded);
    EXPECT_FALSE(MachineString(kInstance0, "Class"));
    EXPECT_FALSE(MachineString("SYSTEM\\CurrentControlSet\\Services\\ZELVANTE", "ImagePath"));
    EXPECT_TRUE(zv::devhost::ListDeviceInterfaces(zv::devhost::kCaptureCategory).empty());
}

class LegacyInstallTest : public DriverInstallTest {
protected:
    void SetUp() override
    {
        DriverInstallTest::SetUp();
        zv::win32::testing::SetReportedWindowsVersion(4, 10);
    }
};

TEST_F(LegacyInstallTest, WritesTheDeviceUnderTheFirstFreeNumber)
{
    for (const char* taken : {"Enum\\Root\\MEDIA\\0000", "Enum\\Root\\MEDIA\\0001"})
        ASSERT_TRUE(zv::win32::Key::Create(HKEY_LOCAL_MACHINE, taken));
    ASSERT_TRUE(zv::win32::Key::Create(HKEY_LOCAL_MACHINE,
                                       "System\\CurrentControlSet\\Services\\Class\\{4d36e96c-e325-11ce-bfc1-08002be10318}"));
    ASSERT_EQ(kDriverAbsent, IsDriverInstalled());
    ASSERT_EQ(1, InstallDriver(nullptr, config));

    EXPECT_EQ("ZELVANTE", MachineString("Enum\\Root\\MEDIA\\0002", "HardwareID").value_or(""));
    EXPECT_EQ("MEDIA\\0000", MachineString("Enum\\Root\\MEDIA\\0002", "Driver").value_or(""));
    EXPECT_EQ("ROOT\\MEDIA\\0002",
              MachineString("System\\CurrentControlSet\\Control\\DeviceClasses\\{6994AD05-93EF-11D0-A3CC-00A0C9223196}\\"
                            "##.#0000000000000234#{6994AD05-93EF-11D0-A3CC-00A0C9223196}",
                            "DeviceInstance")
                  .value_or(""));
    EXPECT_EQ(ReadFileBytes(ZV_DRIVER_PATH), ReadFileBytes(Windows() + "/system32/drivers/zelvante.sys"));
    EXPECT_EQ(kDriverRestartNeeded, config.driverFlags & kDriverRestartNeeded);
    EXPECT_EQ(kDriverPresent, IsDriverInstalled());

    EXPECT_EQ(1, RemoveDriver(config));
    EXPECT_EQ(kDriverAbsent, IsDriverInstalled());
    EXPECT_FALSE(MachineString("Enum\\Root\\MEDIA\\0002", "HardwareID"));
    EXPECT_TRUE(std::filesystem::exists(Windows() + "/system32/drivers/zelvante.sys"));  // no file is deleted
}

TEST_F(LegacyInstallTest, AFailedStepRemovesEveryKeyItWrote)
{
    struct Case {
        const char* what;
        std::function<std::unique_ptr<FileSizeLimit>(const std::string& windows)> breakMachine;
    };
    const std::vector<Case> cases = {
        {"driver file cannot be written",
         [](const std::string& windows) {
             std::filesystem::create_directory(windows + "/system32/drivers/zelvante.sys");  // in the way
             return std::unique_ptr<FileSizeLimit>();
         }},
        {"ks.inf unreadable",
         [](const std::string& windows) {
             std::ofstream(windows + "/inf/ks.inf") << "not an inf\r\n";
             return std::unique_ptr<FileSizeLimit>();
         }},
    };
    for (const Case& c : cases) {
        {
            const auto limit = c.breakMachine(Windows());
            EXPECT_EQ(0, InstallDriver(nullptr, config)) << c.what;
        }
        std::filesystem::remove(Windows() + "/system32/drivers/zelvante.sys");
        std::filesystem::remove(Windows() + "/inf/ks.inf");
        EXPECT_TRUE(zv::win32::Key::Open(HKEY_LOCAL_MACHINE, "Enum\\Root\\MEDIA").Subkeys().empty()) << c.what;
        EXPECT_TRUE(zv::win32::Key::Open(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Class\\MEDIA")
                        .Subkeys()
                        .empty())
            << c.what;
        EXPECT_FALSE(MachineString("System\\CurrentControlSet\\Control\\DeviceClasses\\{65E8773D-8F56-11D0-A3B9-00A0C9223196}\\"
                                   "##.#0000000000000234#{65E8773D-8F56-11D0-A3B9-00A0C9223196}",
                                   "DeviceInstance"))
            << c.what;
    }
}

}  // namespace
