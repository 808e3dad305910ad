// A fresh machine for the installation tests: ZV_ROOT with its folders and newdev.dll in the
// system folder (where LoadLibraryA finds it), a settings record, and the machine's own version.
#pragma once

#include "app/driverinstall/DriverInstall.h"
#include "platform/win32/registry_key.h"
#include "platform/win32/testing/temp_zv_root.h"
#include "platform/win32/version.h"
#include "platform/win32/zv_root.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace zv::driverinstall::testing {

inline std::string ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

inline std::optional<std::string> MachineString(const std::string& key, const char* value)
{
    return zv::win32::Key::Open(HKEY_LOCAL_MACHINE, key).String(value);
}

class DriverInstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(zv::win32::EnsureMachineFolders());
        InstallNewdev();
    }
    void TearDown() override
    {
        zv::win32::testing::SetReportedWindowsVersion(0, 0);
        ConfigStore scratch;
        RemoveDriver(scratch);  // stops any host the test started
    }

    void InstallNewdev() const
    {
        std::filesystem::copy_file(NEWDEV_PATH, root.Path() + "/windows/system32/newdev.dll",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    std::string Windows() const { return root.Path() + "/windows"; }

    zv::win32::testing::TempZvRoot root;
    ConfigStore config;
};

}  // namespace zv::driverinstall::testing
