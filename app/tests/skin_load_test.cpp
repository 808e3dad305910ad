// Loading and switching the main dialog's skin: a skin without "Frame Video" puts the video into
// "Static Ad" at 4:3, a skin that cannot be applied at run time is reported and the current one
// stays, and a saved skin that is gone at start-up gives way to the default one.
#include "app/tests/sources_dialog_fixture.h"

#include "app/FileVersion.h"

#include "platform/afx/afx_menu.h"
#include "platform/user/window.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zv::app::testing {
namespace {

constexpr const char* kSkinError =
    "Error initializing skin.\r\nTry another skin or reinstall the application to solve the problem.";

// A skin whose main form has no video frame: the video goes into "Static Ad" (400 x 200).
constexpr const char* kNoFrameSkin = R"(<skin name="No frame">
  <form name="Skin Main" size="800 600" color="#101010">
    <frame name="Static Ad" rect="100 100 400 200" color="#000000"/>
    <text name="Static Source" rect="10 10 300 20" text="source"/>
  </form>
</skin>)";

class SkinLoadTest : public SourcesDialogTest {
protected:
    // Packs skin.xml into a .skn archive the way the build packs the shipped skins.
    std::string WriteSkin(const std::string& name, const std::string& xml)
    {
        const std::filesystem::path folder = Path(name + ".src");
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "skin.xml") << xml;
        const std::string skin = Path(name + ".skn");
        const std::string command = "cd '" + folder.string() + "' && cmake -E tar cf '" + skin + "' --format=zip skin.xml";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return skin;
    }
    // Chooses the skin from the Skin menu by an id of its own.
    void ChooseSkin(const std::string& path, UINT id = 34501)
    {
        dialog->m_SkinSet.Clear();
        dialog->m_SkinSet.Add(static_cast<int>(id), path.c_str(), "Test");
        dialog->OnSkinMenuCommand(id);
    }
    static RECT WindowRect(HWND window)
    {
        RECT rect{};
        GetWindowRect(window, &rect);
        return rect;
    }
    RECT ScreenRect(RECT client) const
    {
        dialog->ClientToScreen(&client);
        return client;
    }
};

void ExpectRect(const RECT& actual, const RECT& expected)
{
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

TEST_F(SkinLoadTest, DefaultSkinPutsThePreviewOverTheVideoFrame)
{
    ASSERT_TRUE(dialog->skinApplied);
    EXPECT_EQ(dialog->m_bAdVideoExchanged, 0);
    EXPECT_NE(dialog->GetVideoFrameWindow(), nullptr);
    RECT frame{};
    ASSERT_TRUE(dialog->GetSkinElementRect("Frame Video", &frame));
    RECT preview{};
    ASSERT_TRUE(dialog->GetPreviewRect(&preview));
    ExpectRect(preview, frame); // already 4:3
    dialog->LayoutPreview();
    ExpectRect(WindowRect(g_pPreview.load()->GetSafeHwnd()), ScreenRect(preview));
    RECT missing{1, 2, 3, 4};
    EXPECT_FALSE(dialog->GetSkinElementRect("No Such Element", &missing));
    ExpectRect(missing, RECT{0, 0, 0, 0});
}

TEST_F(SkinLoadTest, WithoutVideoFrameTheVideoGoesToTheAdAtFourToThree)
{
    const std::string skin = WriteSkin("noframe", kNoFrameSkin);
    ChooseSkin(skin);
    EXPECT_TRUE(zv::user::MessageBoxResponder::History().empty());
    EXPECT_EQ(g_testApp.m_strSkinPath, skin);
    EXPECT_EQ(g_testApp.GetProfileString("Params", "SkinPath"), skin);
    EXPECT_EQ(dialog->GetVideoFrameWindow(), nullptr);
    EXPECT_EQ(dialog->m_bAdVideoExchanged, 1);
    RECT preview{};
    ASSERT_TRUE(dialog->GetPreviewRect(&preview));
    ExpectRect(preview, RECT{100, 50, 500, 350}); // 400 x 300 with the ad's vertical centre
    ExpectRect(WindowRect(g_pPreview.load()->GetSafeHwnd()), ScreenRect(preview));
}

TEST_F(SkinLoadTest, ASkinThatFailsAtRunTimeIsReportedAndTheCurrentOneStays)
{
    const std::string broken = Path("broken.skn");
    std::ofstream(broken) << "not a skin";
    const std::string noForm = WriteSkin("noform", R"(<skin name="x"><form name="Skin Other" size="10 10"/></skin>)");
    for (const std::string& path : {broken, noForm}) {
        SCOPED_TRACE(path);
        zv::user::MessageBoxResponder::Reset();
        ChooseSkin(path);
        const auto shown = zv::user::MessageBoxResponder::History();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, kSkinError);
        EXPECT_EQ(shown[0].owner, dialog->GetSafeHwnd());
        EXPECT_EQ(g_testApp.m_strSkinPath, kDefaultSkin);
        EXPECT_TRUE(Element("Button Play")); // the current skin's form still answers
        EXPECT_NE(dialog->GetVideoFrameWindow(), nullptr);
    }
}

TEST_F(SkinLoadTest, SourceCaptionAndItsTooltip)
{
    dialog->SetSourceCaption(nullptr);
    EXPECT_EQ(TextOf("Static Source"), "Source device...");
    EXPECT_EQ(TooltipOf("Button Source"), "Source device...");
    dialog->SetSourceCaption("Webcam");
    EXPECT_EQ(TextOf("Static Source"), "Webcam");
    EXPECT_EQ(TooltipOf("Button Source"), "Webcam");
    EXPECT_FALSE(dialog->SetElementTooltip("tip", "No Such Element"));
}

class MissingSavedSkinTest : public SourcesDialogTest {
protected:
    std::string SavedSkin() const override { return "/nowhere/Deleted.skn"; }
};

TEST_F(MissingSavedSkinTest, FallsBackToTheDefaultOrReportsAndClearsThePath)
{
    const bool defaultBesideProgram = std::filesystem::exists(ProgramFolder() + "/Zelvante.skn");
    EXPECT_EQ(dialog->skinApplied, defaultBesideProgram);
    EXPECT_EQ(g_testApp.m_strSkinPath, "");
    EXPECT_EQ(g_testApp.GetProfileString("Params", "SkinPath", "unset"), "");
    const auto shown = zv::user::MessageBoxResponder::History();
    ASSERT_EQ(shown.size(), defaultBesideProgram ? 0u : 1u);
    if (!shown.empty()) {
        EXPECT_EQ(shown[0].text, kSkinError);
    }
}

} // namespace
} // namespace zv::app::testing
