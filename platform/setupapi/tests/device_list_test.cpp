#include "platform/setupapi/setupapi.h"

#include "platform/win32/last_error.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

namespace {

constexpr GUID kMedia = zv::win32::GuidFromText("{4d36e96c-e325-11ce-bfc1-08002be10318}");

int PresentDevices()
{
    HDEVINFO all = SetupDiGetClassDevsExA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT, nullptr, nullptr,
                                          nullptr);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    int count = 0;
    while (SetupDiEnumDeviceInfo(all, static_cast<DWORD>(count), &device)) ++count;
    SetupDiDestroyDeviceInfoList(all);
    return count;
}

TEST(DeviceInfoList, ACreatedDeviceExistsOnlyOnceRegistered)
{
    zv::win32::testing::TempZvRoot root;
    for (const bool registerIt : {false, true}) {
        HDEVINFO list = SetupDiCreateDeviceInfoList(&kMedia, nullptr);
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        ASSERT_TRUE(SetupDiCreateDeviceInfoA(list, "Media", &kMedia, nullptr, nullptr, DICD_GENERATE_ID, &device));
        char id[MAX_DEVICE_ID_LEN];
        ASSERT_TRUE(SetupDiGetDeviceInstanceIdA(list, &device, id, sizeof id, nullptr));
        EXPECT_STREQ("ROOT\\MEDIA\\0000", id);  // the unregistered one's number is free again
        EXPECT_EQ(0, PresentDevices());
        if (registerIt) {
            ASSERT_TRUE(SetupDiCallClassInstaller(DIF_REGISTERDEVICE, list, &device));
        }
        SetupDiDestroyDeviceInfoList(list);
        EXPECT_EQ(registerIt ? 1 : 0, PresentDevices());
    }
}

TEST(DeviceInfoList, PropertiesReportTheSizeTheyNeed)
{
    zv::win32::testing::TempZvRoot root;
    HDEVINFO list = SetupDiCreateDeviceInfoList(&kMedia, nullptr);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    ASSERT_TRUE(SetupDiCreateDeviceInfoA(list, "Media", &kMedia, nullptr, nullptr, DICD_GENERATE_ID, &device));
    const char ids[] = "first\0second\0";
    ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyA(list, &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(ids),
                                                  sizeof ids));
    BYTE small[4];
    DWORD type = 0;
    DWORD required = 0;
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(list, &device, SPDRP_HARDWAREID, &type, small, sizeof small, &required));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(REG_MULTI_SZ, type);
    EXPECT_EQ(sizeof ids, required);
    EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(list, &device, SPDRP_COMPATIBLEIDS, &type, small, sizeof small, &required));
    EXPECT_EQ(ERROR_INVALID_DATA, GetLastError());

    char instance[MAX_DEVICE_ID_LEN];
    EXPECT_EQ(CR_SUCCESS, CM_Get_Device_ID_ExA(device.DevInst, instance, sizeof instance, 0, nullptr));
    EXPECT_STREQ("ROOT\\MEDIA\\0000", instance);
    EXPECT_EQ(CR_BUFFER_SMALL, CM_Get_Device_ID_ExA(device.DevInst, instance, 4, 0, nullptr));
    SetupDiDestroyDeviceInfoList(list);
}

}  // namespace
