// The rules behind the main window's sources and skin that need no window: slider mapping both
// ways, the preview's 4:3 place in its element, the size still pictures are shown at, and the id
// ranges of the source, audio and skin pop-ups.
#include "app/DlgZelvante.h"
#include "app/SourceRules.h"
#include "platform/user/menu.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

struct ScrollCase {
    LONG orientation, minimum, maximum, position;
    std::optional<float> value;
};

TEST(SourceRulesTest, SliderPositionGivesItsShareOfTheRange)
{
    const ScrollCase cases[] = {
        {0, 0, 100, 25, 0.25f},
        {1, 0, 100, 25, 0.75f},
        {0, 100, 200, 150, 0.5f},  // the minimum counts
        {1, 100, 200, 125, 0.75f},
        {0, -50, 50, 0, 0.5f},
        {0, 0, 100, 140, 1.0f},    // outside the range: clamped
        {0, 0, 100, -5, 0.0f},
        {1, 0, 100, 140, 0.0f},
        {0, 10, 10, 10, std::nullopt}, // no range: ignored
        {0, 20, 10, 15, std::nullopt},
    };
    for (const ScrollCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.orientation << " " << c.minimum << ".." << c.maximum << " @" << c.position);
        const std::optional<float> value = ScrollValue(c.orientation, c.minimum, c.maximum, c.position);
        ASSERT_EQ(value.has_value(), c.value.has_value());
        if (value) {
            EXPECT_FLOAT_EQ(*value, *c.value);
        }
    }
}

struct PositionCase {
    LONG orientation, minimum, maximum;
    double value;
    std::optional<LONG> position;
};

TEST(SourceRulesTest, ValueGivesTheSliderPositionInsideTheRange)
{
    const PositionCase cases[] = {
        {0, 0, 100, 0.25, 25},   {1, 0, 100, 0.25, 75},   {0, 100, 200, 0.5, 150},
        {1, 100, 200, 0.25, 175}, {0, 0, 100, 0.999, 99}, // truncated
        {0, 0, 100, 1.5, 100},   {0, 0, 100, -1.0, 0},    {0, 5, 5, 0.5, std::nullopt},
    };
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.orientation << " " << c.minimum << ".." << c.maximum << " " << c.value);
        EXPECT_EQ(ScrollPosition(c.orientation, c.minimum, c.maximum, c.value), c.position);
    }
}

TEST(SourceRulesTest, PreviewKeepsFourToThreeAroundTheElementsCentre)
{
    struct Case {
        RECT element;
        bool placed;
        RECT preview;
    };
    const Case cases[] = {
        {{10, 20, 410, 220}, true, {10, -30, 410, 270}}, // 400 x 200 -> 400 x 300, same centre
        {{16, 48, 656, 528}, true, {16, 48, 656, 528}},
        {{0, 0, 300, 60}, true, {0, -82, 300, 142}},
        {{5, 5, 105, 5}, false, {}},                      // no height
        {{5, 5, 5, 105}, false, {}},                      // no width
    };
    for (const Case& c : cases) {
        RECT preview{-1, -1, -1, -1};
        EXPECT_EQ(PreviewRectIn(c.element, preview), c.placed);
        if (!c.placed)
            continue;
        EXPECT_EQ(preview.left, c.preview.left);
        EXPECT_EQ(preview.top, c.preview.top);
        EXPECT_EQ(preview.right, c.preview.right);
        EXPECT_EQ(preview.bottom, c.preview.bottom);
        EXPECT_EQ((preview.top + preview.bottom) / 2, (c.element.top + c.element.bottom) / 2);
    }
}

TEST(SourceRulesTest, LargeStillPicturesFitInto640By480)
{
    struct Case {
        LONG width, height, shownWidth, shownHeight;
    };
    const Case cases[] = {
        {1600, 1200, 640, 480}, {1000, 500, 640, 320}, {640, 480, 640, 480}, {320, 240, 320, 240},
        {900, 1200, 360, 480},  {641, 100, 640, 99},   {100, 481, 99, 480},  {3000, 1, 640, 1},
        {1, 3000, 1, 480},
    };
    for (const Case& c : cases) {
        const SIZE shown = StillPictureSize(c.width, c.height);
        EXPECT_EQ(shown.cx, c.shownWidth) << c.width << "x" << c.height;
        EXPECT_EQ(shown.cy, c.shownHeight) << c.width << "x" << c.height;
    }
}

DeviceInfo Device(const std::string& name, const std::string& description = {})
{
    return DeviceInfo{name, description, "/dev/" + name};
}

TEST(SourceRulesTest, DeviceAndAudioMenusStopAtTheEndOfTheirRanges)
{
    std::vector<DeviceInfo> devices;
    std::vector<std::string> names;
    for (int i = 0; i < 70; ++i) {
        devices.push_back(Device("Camera " + std::to_string(i)));
        names.push_back("Microphone " + std::to_string(i));
    }
    const auto sources = SourceMenuItems(devices, SourceImage, "");
    ASSERT_EQ(sources.size(), 50u + 1 + 3);
    EXPECT_EQ(sources[49].id, kLastDeviceCommand);
    const auto audio = AudioDeviceItems(names, "Microphone 3");
    ASSERT_EQ(audio.size(), 50u);
    EXPECT_EQ(audio.front().id, kFirstAudioCommand);
    EXPECT_EQ(audio.back().id, kLastAudioCommand);
    EXPECT_NE(audio[3].flags & MF_CHECKED, 0u);
    EXPECT_EQ(AudioDeviceItems({"Zelvante Capture Audio", "Line In"}, "line in").size(), 1u);
    EXPECT_EQ(AudioDeviceItems({"Zelvante Capture Audio", "Line In"}, "line in")[0].id, kFirstAudioCommand + 1);
    EXPECT_EQ(AudioDeviceItems({"Line In"}, "line in")[0].flags & MF_CHECKED, 0u); // case counts
}

class SkinFilesTest : public ::testing::Test {
protected:
    void Touch(const std::string& relative)
    {
        const std::filesystem::path path = std::filesystem::path(m_root.Path()) / "Skins" / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "skin";
    }
    std::string Folder() const { return m_root.Path() + "/Skins"; }

    zv::win32::testing::TempZvRoot m_root;
};

TEST_F(SkinFilesTest, AFolderTakesAnIdBeforeItsSkins)
{
    Touch("blue.skn");
    Touch("green.skn");
    Touch("more.skn/night.SKN");
    Touch("readme.txt");
    const auto skins = FindSkinFiles(Folder(), kDefaultSkinCommand, kLastSkinCommand);
    ASSERT_EQ(skins.size(), 3u);
    EXPECT_EQ(skins[0].id, 34501u);
    EXPECT_EQ(skins[0].name, "Blue");
    EXPECT_EQ(skins[0].path, Folder() + "/blue.skn");
    EXPECT_EQ(skins[1].id, 34502u);
    EXPECT_EQ(skins[2].id, 34504u); // 34503 went to the folder
    EXPECT_EQ(skins[2].name, "Night");
    EXPECT_EQ(skins[2].path, Folder() + "/more.skn/night.SKN");
}

TEST_F(SkinFilesTest, SkinIdsStopAtTheEndOfTheRange)
{
    for (int i = 0; i < 120; ++i)
        Touch("skin" + std::to_string(1000 + i) + ".skn");
    const auto skins = FindSkinFiles(Folder(), kDefaultSkinCommand, kLastSkinCommand);
    ASSERT_EQ(skins.size(), 99u);
    EXPECT_EQ(skins.back().id, kLastSkinCommand);
    EXPECT_TRUE(FindSkinFiles(m_root.Path() + "/Missing", kDefaultSkinCommand, kLastSkinCommand).empty());
}

} // namespace
