#include <gtest/gtest.h>

#include "platform/ks/devhost/device_records.h"
#include "platform/win32/registry.h"
#include "platform/win32/testing/temp_zv_root.h"

namespace zv::devhost {
namespace {

constexpr const char* kCapturePath =
    "\\\\?\\ROOT#MEDIA#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\GLOBAL";

bool KeyExists(const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

class DeviceRecordsTest : public ::testing::Test {
protected:
    win32::testing::TempZvRoot root;
};

TEST_F(DeviceRecordsTest, ACameraRecordListsInBothCategoriesWithItsNameAndPath)
{
    const auto path = CreateVirtualCameraRecord("/opt/zelvante.sys");
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, kCapturePath);
    for (const GUID& category : {kCaptureCategory, kVideoCategory}) {
        const auto interfaces = ListDeviceInterfaces(category);
        ASSERT_EQ(interfaces.size(), 1u);
        EXPECT_EQ(interfaces[0].instanceId, "ROOT\\MEDIA\\0000");
        EXPECT_EQ(interfaces[0].friendlyName, "Zelvante Capture");
        EXPECT_EQ(interfaces[0].description, "Zelvante Capture");
        const auto device = FindDeviceByPath(interfaces[0].devicePath);
        ASSERT_TRUE(device);
        EXPECT_EQ(device->instanceId, "ROOT\\MEDIA\\0000");
        EXPECT_EQ(device->driverFile, "/opt/zelvante.sys");
    }
    EXPECT_NE(ListDeviceInterfaces(kVideoCategory)[0].devicePath, *path);
}

TEST_F(DeviceRecordsTest, DevicePathsResolveIgnoringCaseAndPrefix)
{
    ASSERT_TRUE(CreateVirtualCameraRecord("/opt/zelvante.sys"));
    const struct {
        const char* path;
        bool found;
    } cases[] = {
        {kCapturePath, true},
        {"\\\\.\\ROOT#MEDIA#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\GLOBAL", true},
        {"\\\\?\\root#media#0000#{65E8773D-8F56-11D0-A3B9-00A0C9223196}\\global", true},
        {"\\\\?\\ROOT#MEDIA#0001#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\GLOBAL", false},
        {"\\\\?\\ROOT#MEDIA#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}", false},
        {"\\\\!\\ROOT#MEDIA#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\GLOBAL", false},
        {"ROOT#MEDIA#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\GLOBAL", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(FindDeviceByPath(c.path).has_value(), c.found) << c.path;
}

TEST_F(DeviceRecordsTest, RelativeDriverFilesAreTakenInTheWindowsFolder)
{
    const struct {
        const char* imagePath;
        std::string expected;
    } cases[] = {
        {"system32\\drivers\\zelvante.sys", root.Path() + "/windows/system32/drivers/zelvante.sys"},
        {"system32/drivers/zelvante.sys", root.Path() + "/windows/system32/drivers/zelvante.sys"},
        {"/abs/zelvante.sys", "/abs/zelvante.sys"},
    };
    for (const auto& c : cases) {
        const auto path = CreateVirtualCameraRecord(c.imagePath);
        ASSERT_TRUE(path);
        const auto device = FindDeviceByPath(*path);
        ASSERT_TRUE(device);
        EXPECT_EQ(device->driverFile, c.expected);
        EXPECT_TRUE(RemoveDeviceRecord(device->instanceId));
    }
}

TEST_F(DeviceRecordsTest, RemovalTakesItsInterfacesAndTheLastUseOfTheService)
{
    const auto first = CreateVirtualCameraRecord("/opt/a.sys");
    const auto second = CreateVirtualCameraRecord("/opt/a.sys");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(ListDeviceInterfaces(kCaptureCategory).size(), 2u);
    ASSERT_EQ(FindDeviceByPath(*second)->instanceId, "ROOT\\MEDIA\\0001");

    EXPECT_TRUE(RemoveDeviceRecord("root\\media\\0000"));
    EXPECT_FALSE(FindDeviceByPath(*first));
    EXPECT_TRUE(FindDeviceByPath(*second));
    EXPECT_EQ(ListDeviceInterfaces(kVideoCategory).size(), 1u);
    EXPECT_TRUE(KeyExists("SYSTEM\\CurrentControlSet\\Services\\ZELVANTE"));

    // The freed number is taken again.
    EXPECT_EQ(CreateVirtualCameraRecord("/opt/a.sys"), first);

    EXPECT_TRUE(RemoveDeviceRecord("ROOT\\MEDIA\\0000"));
    EXPECT_TRUE(RemoveDeviceRecord("ROOT\\MEDIA\\0001"));
    EXPECT_FALSE(RemoveDeviceRecord("ROOT\\MEDIA\\0001"));
    EXPECT_TRUE(ListDeviceInterfaces(kCaptureCategory).empty());
    EXPECT_FALSE(KeyExists("SYSTEM\\CurrentControlSet\\Services\\ZELVANTE"));
    EXPECT_FALSE(KeyExists("SYSTEM\\CurrentControlSet\\Enum\\ROOT\\MEDIA\\0000"));
}

}  // namespace
}  // namespace zv::devhost
