#include <gtest/gtest.h>

#include "platform/ks/devhost/device_records.h"
#include "platform/win32/registry.h"
#include "platform/win32/testing/temp_zv_root.h"

namespace zv::devhost {
namespace {

constexpr const char* kCapturePath = "\\\\?\\ROOT#MEDIA#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\GLOBAL";

bool ServiceRecorded()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\ZELVANTE", 0, KEY_READ, &key) != 0)
        return false;
    RegCloseKey(key);
    return true;
}

class DeviceRecordsTest : public ::testing::Test {
protected:
    win32::testing::TempZvRoot root;
};

TEST_F(DeviceRecordsTest, ACameraRecordListsInBothCategoriesAndResolvesItsPaths)
{
    ASSERT_EQ(CreateVirtualCameraRecord("/opt/zelvante.sys"), kCapturePath);
    for (const GUID& category : {kCaptureCategory, kVideoCategory}) {
        const auto interfaces = ListDeviceInterfaces(category);
        ASSERT_EQ(interfaces.size(), 1u);
        EXPECT_EQ(interfaces[0].instanceId, "ROOT\\MEDIA\\0000");
        EXPECT_EQ(interfaces[0].friendlyName, "Zelvante Capture");
        EXPECT_EQ(interfaces[0].description, "Zelvante Capture");
        EXPECT_EQ(FindDeviceByPath(interfaces[0].devicePath)->driverFile, "/opt/zelvante.sys");
    }
    EXPECT_NE(ListDeviceInterfaces(kVideoCategory)[0].devicePath, kCapturePath);

    const struct {
        const char* path;
        bool found;
    } cases[] = {
        {"\\\\.\\ROOT#MEDIA#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\GLOBAL", true},
        {"\\\\?\\root#media#0000#{65E8773D-8F56-11D0-A3B9-00A0C9223196}\\global", true},
        {"\\\\?\\ROOT#MEDIA#0001#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\GLOBAL", false},
        {"\\\\?\\ROOT#MEDIA#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}", false},
        {"\\\\!\\ROOT#MEDIA#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\GLOBAL", false},
        {"ROOT#MEDIA#0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\GLOBAL", false},
    };
    for (const auto& c : cases) EXPECT_EQ(FindDeviceByPath(c.path).has_value(), c.found) << c.path;
}

TEST_F(DeviceRecordsTest, RelativeDriverFilesAreTakenInTheWindowsFolder)
{
    const std::string inWindows = root.Path() + "/windows/system32/drivers/zelvante.sys";
    const struct {
        const char* imagePath;
        std::string expected;
    } cases[] = {{"system32\\drivers\\zelvante.sys", inWindows},
                 {"system32/drivers/zelvante.sys", inWindows},
                 {"/abs/zelvante.sys", "/abs/zelvante.sys"}};
    for (const auto& c : cases) {
        const auto device = FindDeviceByPath(CreateVirtualCameraRecord(c.imagePath).value_or(""));
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
    ASSERT_EQ(FindDeviceByPath(*second)->instanceId, "ROOT\\MEDIA\\0001");

    EXPECT_TRUE(RemoveDeviceRecord("root\\media\\0000"));
    EXPECT_FALSE(FindDeviceByPath(*first));
    EXPECT_EQ(ListDeviceInterfaces(kVideoCategory).size(), 1u);
    EXPECT_TRUE(ServiceRecorded());
    EXPECT_EQ(CreateVirtualCameraRecord("/opt/a.sys"), first);  // the freed number is taken again

    EXPECT_TRUE(RemoveDeviceRecord("ROOT\\MEDIA\\0000"));
    EXPECT_TRUE(RemoveDeviceRecord("ROOT\\MEDIA\\0001"));
    EXPECT_FALSE(RemoveDeviceRecord("ROOT\\MEDIA\\0001"));
    EXPECT_TRUE(ListDeviceInterfaces(kCaptureCategory).empty());
    EXPECT_FALSE(ServiceRecorded());
}

}  // namespace
}  // namespace zv::devhost
