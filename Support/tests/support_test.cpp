// The uninstall library as an installer uses it: loaded with dlopen and called through ViseEntry,
// with the main program (a stand-in window process), devices and the skin control in a fresh
// machine. The test program exports its symbols, so the library's message boxes reach this
// process's responder.
#include "capture/tests/e2e/child_process.h"
#include "platform/ks/devhost/device_records.h"
#include "platform/ks/devhost/host_launcher.h"
#include "platform/user/message_box.h"
#include "platform/win32/registry_key.h"
#include "platform/win32/testing/temp_zv_root.h"
#include "platform/win32/version.h"
#include "platform/win32/zv_root.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <fstream>

#if defined(__SANITIZE_ADDRESS__)
// The library carries its own copy of the platform's globals, which this program's copy replaces
// on purpose (see above): not the one-definition fault AddressSanitizer looks for.
extern "C" const char* __asan_default_options() { return "detect_odr_violation=0"; }
#endif

namespace {

using zv::capture::testing::ChildProcess;
using zv::user::MessageBoxResponder;

constexpr const char* kControlClass = "CLSID\\{5A3C1E2D-7B44-4C1F-9E0A-3D2B6F8A9C11}";
constexpr const char* kRestartText = "You need to reboot your computer\r\nto finish uninstalling Zelvante driver";

int LinesOf(const std::string& path)
{
    std::ifstream file(path);
    int lines = 0;
    for (std::string line; std::getline(file, line);) ++lines;
    return lines;
}

class SupportTest : public ::testing::Test {
protected:
    using ViseEntryProc = int (*)(int, int, int);

    void SetUp() override
    {
        ASSERT_TRUE(zv::win32::EnsureMachineFolders());
        MessageBoxResponder::Reset();
        m_library = dlopen(SUPPORT_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(nullptr, m_library) << dlerror();
        m_entry = reinterpret_cast<ViseEntryProc>(dlsym(m_library, "ViseEntry"));
        ASSERT_NE(nullptr, m_entry);
        std::filesystem::copy_file(ZV_DRIVER_PATH, DriverFile());
        m_devicePath = zv::devhost::CreateVirtualCameraRecord(DriverFile()).value_or("");
        ASSERT_FALSE(m_devicePath.empty());
    }
    void TearDown() override
    {
        zv::win32::testing::SetReportedWindowsVersion(0, 0);
        if (m_library) dlclose(m_library);
        for (const auto& record : zv::devhost::ListDeviceInterfaces(zv::devhost::kCaptureCategory))
            zv::devhost::RemoveDeviceRecord(record.instanceId);
    }

    std::string DriverFile() const { return root.Path() + "/windows/system32/drivers/zelvante.sys"; }
    bool DeviceListed() const { return !zv::devhost::ListDeviceInterfaces(zv::devhost::kCaptureCategory).empty(); }
    std::unique_ptr<ChildProcess> StartWindow(const char* windowClass, const char* mode, const std::string& log)
    {
        auto peer = std::make_unique<ChildProcess>(PEER_PATH, std::vector<std::string>{windowClass, "Zelvante", mode, log});
        EXPECT_EQ("ready", peer->ReadLine());
        return peer;
    }

    zv::win32::testing::TempZvRoot root;
    void* m_library = nullptr;
    ViseEntryProc m_entry = nullptr;
    std::string m_devicePath;
};

TEST_F(SupportTest, RemovalWithNoMainProgramTakesTheDevicesAndTheDriverFile)
{
    EXPECT_EQ(0, m_entry(0, 0, 0));
    EXPECT_FALSE(DeviceListed());
    EXPECT_FALSE(std::filesystem::exists(DriverFile()));
    EXPECT_TRUE(MessageBoxResponder::History().empty());
}

TEST_F(SupportTest, TheMainDialogIsAskedOnceToCloseAndOtherWindowsAreLeftAlone)
{
    const std::string mainLog = root.Path() + "/main.log";
    const std::string otherLog = root.Path() + "/other.log";
    auto other = StartWindow("SomeOtherClass", "stay", otherLog);
    auto main = StartWindow("#32770", "close", mainLog);
    EXPECT_EQ(0, m_entry(0, 0, 0));
    EXPECT_EQ(1, LinesOf(mainLog));
    EXPECT_EQ(0, LinesOf(otherLog));
    EXPECT_FALSE(DeviceListed());
}

TEST_F(SupportTest, AMainProgramThatNeverClosesIsGivenUpAndTheRemovalGoesOn)
{
    const std::string log = root.Path() + "/main.log";
    auto main = StartWindow("#32770", "stay", log);
    EXPECT_EQ(0, m_entry(0, 0, 0));
    EXPECT_EQ(5, LinesOf(log));
    EXPECT_FALSE(DeviceListed());
}

TEST_F(SupportTest, ADeviceInUseLeadsToTheRestartMessage)
{
    const auto device = zv::devhost::FindDeviceByPath(m_devicePath);
    ASSERT_TRUE(device);
    DWORD error = 0;
    auto client = zv::devhost::ConnectToHost(device->instanceId, device->driverFile, &error);
    ASSERT_TRUE(client) << error;
    EXPECT_EQ(0, m_entry(0, 0, 0));
    const auto boxes = MessageBoxResponder::History();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kRestartText, boxes[0].text);
    EXPECT_EQ(MB_ICONINFORMATION, boxes[0].type & MB_ICONINFORMATION);
    client.reset();
    zv::devhost::StopHost(device->instanceId);
}

TEST_F(SupportTest, BelowWindows2000OnlyTheLegacyKeysGo)
{
    const char* legacyDevice = "Enum\\Root\\MEDIA\\0000";
    ASSERT_TRUE(zv::win32::Key::Create(HKEY_LOCAL_MACHINE, legacyDevice).SetString("HardwareID", "ZELVANTE"));
    zv::win32::testing::SetReportedWindowsVersion(4, 10);
    EXPECT_EQ(0, m_entry(0, 0, 0));
    EXPECT_FALSE(zv::win32::Key::Open(HKEY_LOCAL_MACHINE, legacyDevice));
    EXPECT_TRUE(std::filesystem::exists(DriverFile()));
    EXPECT_TRUE(DeviceListed());
    EXPECT_TRUE(MessageBoxResponder::History().empty());
}

TEST_F(SupportTest, TheSkinControlIsUnregisteredAndDeleted)
{
    const std::string system = root.Path() + "/windows/system32";
    std::filesystem::copy_file(REGSVR32_PATH, system + "/regsvr32");
    std::filesystem::copy_file(CONTROL_PATH, system + "/zvskin.ocx");
    ChildProcess registration(REGSVR32_PATH, {"/s", system + "/zvskin.ocx"});
    registration.ReadLine();  // its end
    ASSERT_TRUE(zv::win32::Key::Open(HKEY_CLASSES_ROOT, kControlClass));

    EXPECT_EQ(0, m_entry(1, 0, 0));
    EXPECT_FALSE(zv::win32::Key::Open(HKEY_CLASSES_ROOT, kControlClass));
    EXPECT_FALSE(std::filesystem::exists(system + "/zvskin.ocx"));
    EXPECT_TRUE(DeviceListed());  // action 1 leaves the device alone
    EXPECT_TRUE(MessageBoxResponder::History().empty());
}

TEST_F(SupportTest, AnyOtherActionDoesNothing)
{
    const std::string log = root.Path() + "/main.log";
    auto main = StartWindow("#32770", "close", log);
    for (int action : {2, -1, 100}) EXPECT_EQ(0, m_entry(action, 1, 2));
    EXPECT_EQ(0, LinesOf(log));
    EXPECT_TRUE(DeviceListed());
}

}  // namespace
