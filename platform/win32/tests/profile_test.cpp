#include "platform/win32/profile.h"
#include "platform/win32/registry.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

using zv::win32::Profile;
using zv::win32::testing::TempZvRoot;

// The raw value under HKEY_CURRENT_USER\Software\Kestrova\Zelvante\<section>.
bool RawValue(const char* section, const char* entry, DWORD& type, std::vector<BYTE>& data)
{
    HKEY key = nullptr;
    const std::string path = std::string("Software\\Kestrova\\Zelvante\\") + section;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    bool ok = RegQueryValueExA(key, entry, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    data.assign(size, 0);
    ok = ok && RegQueryValueExA(key, entry, nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

void SetRawValue(const char* section, const char* entry, DWORD type, const std::vector<BYTE>& data)
{
    HKEY key = nullptr;
    const std::string path = std::string("Software\\Kestrova\\Zelvante\\") + section;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, entry, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST(ProfileTest, ValuesRoundTripWithTheFrameworksTypes)
{
    TempZvRoot root;
    const Profile profile("Kestrova", "Zelvante");
    const BYTE font[5] = {20, 0, 0, 0, 'A'};
    ASSERT_TRUE(profile.WriteProfileInt("Params", "OverlayColor", 0x00FF8040));
    ASSERT_TRUE(profile.WriteProfileInt("Params", "OverlayPosition", -3));
    ASSERT_TRUE(profile.WriteProfileString("Params", "OverlayText", "Hello there"));
    ASSERT_TRUE(profile.WriteProfileBinary("Params", "OverlayFont", font, sizeof font));

    EXPECT_EQ(profile.GetProfileInt("Params", "OverlayColor", 0), 0x00FF8040u);
    EXPECT_EQ(static_cast<int>(profile.GetProfileInt("params", "overlayposition", 4)), -3);
    EXPECT_EQ(profile.GetProfileString("Params", "OverlayText"), "Hello there");
    std::vector<BYTE> data;
    ASSERT_TRUE(profile.GetProfileBinary("Params", "OverlayFont", data));
    EXPECT_EQ(data, std::vector<BYTE>(font, font + sizeof font));

    DWORD type = 0;
    std::vector<BYTE> raw;
    ASSERT_TRUE(RawValue("Params", "OverlayColor", type, raw));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(raw, (std::vector<BYTE>{0x40, 0x80, 0xFF, 0x00}));
    ASSERT_TRUE(RawValue("Params", "OverlayText", type, raw));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(raw.size(), 12u) << "the terminating zero is stored";
    ASSERT_TRUE(RawValue("Params", "OverlayFont", type, raw));
    EXPECT_EQ(type, REG_BINARY);
}

TEST(ProfileTest, MissingOrMistypedValuesGiveTheDefault)
{
    TempZvRoot root;
    const Profile profile("Kestrova", "Zelvante");
    EXPECT_EQ(profile.GetProfileInt("Params", "FrameRate", 15), 15u);
    EXPECT_EQ(profile.GetProfileString("Params", "VideoCodec"), "");
    EXPECT_EQ(profile.GetProfileString("Params", "VideoCodec", "Default"), "Default");
    std::vector<BYTE> data{1, 2};
    EXPECT_FALSE(profile.GetProfileBinary("Params", "OverlayFont", data));
    EXPECT_TRUE(data.empty());

    SetRawValue("Params", "FrameRate", REG_SZ, {'3', '0', 0});
    SetRawValue("Params", "SnapMode", REG_DWORD, {1, 0});
    SetRawValue("Params", "SkinPath", REG_BINARY, {'x', 0});
    SetRawValue("Params", "OverlayFont", REG_SZ, {'x', 0});
    SetRawValue("Params", "NoTerminator", REG_SZ, {'a', 'b'});
    EXPECT_EQ(profile.GetProfileInt("Params", "FrameRate", 15), 15u);
    EXPECT_EQ(profile.GetProfileInt("Params", "SnapMode", 0), 0u);
    EXPECT_EQ(profile.GetProfileString("Params", "SkinPath", "none"), "none");
    EXPECT_FALSE(profile.GetProfileBinary("Params", "OverlayFont", data));
    EXPECT_EQ(profile.GetProfileString("Params", "NoTerminator"), "ab");
}

TEST(ProfileTest, NullArgumentsDeleteAnEntryOrASection)
{
    TempZvRoot root;
    const Profile profile("Kestrova", "Zelvante");
    ASSERT_TRUE(profile.WriteProfileString("Options", "Tooltips", "1"));
    ASSERT_TRUE(profile.WriteProfileString("Options", "Other", "2"));
    EXPECT_TRUE(profile.WriteProfileString("Options", "Tooltips", nullptr));
    EXPECT_EQ(profile.GetProfileString("Options", "Tooltips", "gone"), "gone");
    EXPECT_EQ(profile.GetProfileString("Options", "Other"), "2");
    EXPECT_TRUE(profile.WriteProfileString("Options", nullptr, nullptr));
    EXPECT_EQ(profile.GetProfileString("Options", "Other", "gone"), "gone");
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kestrova\\Zelvante\\Options", 0, KEY_READ, &key),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
}

TEST(ProfileTest, ApplicationsAndRegistryKeysAreKeptApart)
{
    TempZvRoot root;
    const Profile zelvante("Kestrova", "Zelvante");
    const Profile shotbox("Kestrova", "Shotbox");
    ASSERT_TRUE(zelvante.WriteProfileInt("Options", "Nonstop Delay", 9));
    ASSERT_TRUE(shotbox.WriteProfileInt("Options", "Nonstop Delay", 3));
    EXPECT_EQ(zelvante.GetProfileInt("Options", "Nonstop Delay", 0), 9u);
    EXPECT_EQ(shotbox.GetProfileInt("Options", "Nonstop Delay", 0), 3u);

    // Without a registry key nothing is read or written.
    const Profile unset;
    EXPECT_FALSE(unset.WriteProfileInt("Options", "Nonstop Delay", 1));
    EXPECT_EQ(unset.GetProfileInt("Options", "Nonstop Delay", 5), 5u);
}

TEST(ProfileTest, TheApplicationProfileIsProcessWide)
{
    const Profile before = zv::win32::ApplicationProfile();
    zv::win32::SetApplicationProfile(Profile("Kestrova", "Zelvante"));
    EXPECT_EQ(zv::win32::ApplicationProfile().KeyName(), "Kestrova");
    EXPECT_EQ(zv::win32::ApplicationProfile().ApplicationName(), "Zelvante");
    zv::win32::SetApplicationProfile(before);
}

} // namespace
