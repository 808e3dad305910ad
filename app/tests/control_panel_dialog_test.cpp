// The control panel of the running main program: hidden beside the main window at start,
// "Button ControlPanel" shows it refilled from the output-size mask and hides it, OK stores the
// boxes and saves the settings file only when something changed, and boxes the form lacks leave
// their sizes as they were.
#include "main_dialog_fixture.h"

#include "app/DlgControlPanel.h"
#include "app/SkinElementRef.h"
#include "platform/user/input_events.h"

#include <filesystem>
#include <utility>

namespace zv::app::testing {
namespace {

class ControlPanelTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        // The settings file lies beside the test program: each test starts from the defaults, as
        // a fresh process without that file does.
        std::filesystem::remove(SettingsFile());
        Config().Init();
        ASSERT_TRUE(Start());
        panel = Dialog()->m_pControlPanel;
        ASSERT_TRUE(panel && panel->IsSkinned());
    }
    void TearDown() override
    {
        MainDialogTest::TearDown();
        std::filesystem::remove(SettingsFile());
    }
    static ConfigStore& Config() { return App().m_Config; }
    SkinRef<ISkinCheckBox> Box(int index) const
    {
        return FindSkinElement<ISkinCheckBox>(panel->m_pSkinRoot, CDlgControlPanel::kSizeCheckNames[index],
                                              IID_ISkinCheckBox);
    }
    // A click as the main dialog's skin control reports it.
    static void Click(ISkinRootElement* form, const char* name)
    {
        auto element = FindSkinElement<ISkinElement>(form, name, IID_ISkinElement);
        ASSERT_TRUE(element) << name;
        Dialog()->OnSkinElementClick(element.get());
        Pump();
    }
    void TogglePanel() const { Click(Dialog()->m_pSkinRoot, "Button ControlPanel"); }
    static std::string SettingsFile()
    {
        char path[MAX_PATH] = {};
        EXPECT_TRUE(Config().GetFilePath(path));
        return path;
    }
    static std::int32_t StoredMask()
    {
        ConfigStore stored;
        stored.resolutionMask = -1;
        stored.Load(SettingsFile().c_str());
        return stored.resolutionMask;
    }

    CDlgControlPanel* panel = nullptr;
};

TEST_F(ControlPanelTest, TheButtonShowsTheStoredMaskAndHidesAgain)
{
    EXPECT_FALSE(panel->IsWindowVisible());
    RECT main{}, own{};
    Dialog()->GetWindowRect(&main);
    panel->GetWindowRect(&own);
    EXPECT_EQ(own.left, main.right);
    EXPECT_EQ(own.top, main.top);
    for (const std::int32_t mask : {255, 0, 0xA5, 0x5A, 1, 128}) {
        SCOPED_TRACE(mask);
        Config().resolutionMask = mask;
        TogglePanel();
        ASSERT_TRUE(panel->IsWindowVisible());
        for (int i = 0; i < CDlgControlPanel::kSizeCheckCount; ++i) {
            SHORT value = -1;
            EXPECT_EQ(Box(i)->GetValue(&value), S_OK);
            EXPECT_EQ(value, (mask >> i) & 1) << "box " << i;
            Box(i)->SetValue(static_cast<SHORT>(1 - value)); // dropped: never confirmed
        }
        TogglePanel();
        EXPECT_FALSE(panel->IsWindowVisible());
        EXPECT_EQ(Config().resolutionMask, mask);
    }
}

TEST_F(ControlPanelTest, OkStoresEachBoxAndSavesAtOnce)
{
    for (int i = 0; i < CDlgControlPanel::kSizeCheckCount; ++i) {
        SCOPED_TRACE(CDlgControlPanel::kSizeCheckNames[i]);
        Config().resolutionMask = 255;
        TogglePanel();
        Box(i)->SetValue(0);
        Click(panel->m_pSkinRoot, "Button Control Ok");
        EXPECT_EQ(Config().resolutionMask, 255 & ~(1 << i));
        EXPECT_EQ(StoredMask(), 255 & ~(1 << i));
        EXPECT_FALSE(panel->IsWindowVisible());
    }
    // Nothing changed: the file is not written.
    TogglePanel();
    std::filesystem::remove(SettingsFile());
    Click(panel->m_pSkinRoot, "Button Control Ok");
    EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

// The form's mouse clicks travel through the main dialog's skin control to the panel; its OK
// chooses the preferred capture size again.
TEST_F(ControlPanelTest, UncheckingTheLargestSizeWithTheMouse)
{
    TogglePanel();
    g_sizeCapture = {0, 0};
    panel->SetWindowPos(nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    for (const char* name : {"Check 720x480", "Button Control Ok"}) {
        auto element = FindSkinElement<IUnknown>(panel->m_pSkinRoot, name, IID_IUnknown);
        RECT rect{};
        ASSERT_TRUE(element && SkinElementClientRect(element.get(), &rect)) << name;
        POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        panel->ClientToScreen(&centre);
        zv::user::DeliverMouseMove(centre.x, centre.y);
        Pump();
        zv::user::DeliverMouseButton(zv::user::MouseButton::Left, true);
        zv::user::DeliverMouseButton(zv::user::MouseButton::Left, false);
        Pump();
    }
    EXPECT_EQ(Config().resolutionMask, 127);
    EXPECT_EQ(StoredMask(), 127);
    EXPECT_NE(g_sizeCapture.width, 0);
}

// A form without the size boxes (the message box's) says nothing about the sizes.
TEST_F(ControlPanelTest, BoxesThatCannotBeReadLeaveTheirSizes)
{
    ISkinEngine* engine = App().SkinEngine();
    ISkinRootElement* other = nullptr;
    ASSERT_EQ(engine->ApplyForm(panel->GetSafeHwnd(), SkinText("Skin Msg").c_str()), S_OK);
    ASSERT_EQ(engine->GetRootElement(panel->GetSafeHwnd(), &other), S_OK);
    std::exchange(panel->m_pSkinRoot, other)->Release();
    for (const std::int32_t mask : {255, 0x5A, 1}) {
        Config().resolutionMask = mask;
        panel->ApplyResolutionChecks();
        EXPECT_EQ(Config().resolutionMask, mask);
        EXPECT_FALSE(Config().dirty);
    }
}

} // namespace
} // namespace zv::app::testing
