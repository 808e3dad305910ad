// The main dialog's skin events on the default skin: every row of the click table by its element
// name (in any case) with the effect it has, the pop-ups the buttons open through the skinned
// menu, and the scroll table's sliders storing the value of the active source kind.
#include "app/tests/sources_dialog_fixture.h"

#include "app/ProgramMessages.h"
#include "capture/TextOverlay.h"
#include "platform/user/testing/common_dialog_script.h"
#include "platform/user/window.h"
#include "platform/win32/profile.h"

#include <vector>

namespace zv::app::testing {
namespace {

class SkinEventsTest : public SourcesDialogTest {
protected:
    UINT ClickMenu(const char* name, int downs)
    {
        return ChooseFromMenu(downs, [&] { Click(name); });
    }
    float Level(int slot) const { return g_testApp.m_Config.levels[slot]; }
};

TEST_F(SkinEventsTest, TransportButtonsMatchWithoutRegardToCase)
{
    Click("button play");
    EXPECT_EQ(g_nPlayerState, PlayerDeviceRunning);
    EXPECT_EQ(g_nSourceKind, SourceDevice);
    Click("BUTTON PAUSE");
    EXPECT_EQ(g_nPlayerState, PlayerDevicePaused);
    Click("Button Pause");
    EXPECT_EQ(g_nPlayerState, PlayerDeviceRunning);
    Click("Button Stop");
    EXPECT_EQ(g_nPlayerState, PlayerStopped);
    EXPECT_FALSE(g_pPreview.load()->IsWindowVisible());
}

TEST_F(SkinEventsTest, WindowButtons)
{
    Click("Button Close");
    WPARAM kind = 1;
    EXPECT_TRUE(Queued(CloseRequestMessage, &kind));
    EXPECT_EQ(kind, 0u);
    Click("Button FullScreen");
    EXPECT_EQ(g_pPreview.load()->m_bFullScreen, 1);
    g_pPreview.load()->ToggleFullScreen(false);
    Click("Button Minimize");
    EXPECT_TRUE(dialog->IsIconic());
}

TEST_F(SkinEventsTest, ButtonsOpenTheirPopUpsThroughTheSkin)
{
    // Source: the test camera, a separator, then image, video and desktop.
    EXPECT_EQ(ClickMenu("Button Video Source", 1), 2000u);
    EXPECT_EQ(ClickMenu("Button Video Source", 4), kDesktopCommand);
    EXPECT_EQ(ClickMenu("Button FPS", 3), 32776u);
    EXPECT_EQ(ClickMenu("Button VideoStream", 2), kCrossbarCommand);
    EXPECT_EQ(ClickMenu("Button VideoStream", 0), 0u);
}

TEST_F(SkinEventsTest, FrameRateCommandShowsTheRate)
{
    dialog->OnFrameRateCommand(32776);
    EXPECT_EQ(dialog->m_captureGraph.m_nFps, 15);
    EXPECT_EQ(TextOf("Static FPS"), "Frame rate: 15");
    dialog->OnFrameRateCommand(32779);
    EXPECT_EQ(TextOf("Static FPS"), "Frame rate: 30");
}

TEST_F(SkinEventsTest, OpenFileActsOnlyForFileSources)
{
    zv::user::testing::CommonDialogScript script;
    script.Then(zv::user::testing::CommonDialogScript::Cancel()).Then(zv::user::testing::CommonDialogScript::Cancel());
    Click("Button OpenFile"); // the device: nothing
    EXPECT_TRUE(script.Seen().empty());
    g_nSourceKind = SourceImage;
    Click("Button OpenFile");
    g_nSourceKind = SourceVideoFile;
    Click("Button OpenFile");
    const auto seen = script.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[0].filter.find("*.jpg;*.bmp;*.gif;*.wmf;*.tif"), std::string::npos);
    EXPECT_NE(seen[1].filter.find("*.avi;*.mpg;*.dat;*.mpeg;*.mp2"), std::string::npos);
}

TEST_F(SkinEventsTest, ResetButtonsPutTheActiveKindsValueBackToNeutral)
{
    struct Row {
        const char* button;
        const char* slider;
        int slot; // of the image source
    };
    const Row rows[] = {
        {"Button Brightness", "Scroll Brightness", 16}, {"Button Contrast", "Scroll Contrast", 17},
        {"Button Saturation", "Scroll Saturation", 18}, {"Button Zero Red", "Scroll Red", 4},
        {"Button Zero Green", "Scroll Green", 5},       {"Button Zero Blue", "Scroll Blue", 6},
        {"Button Zero White", "Scroll White", 7},
    };
    dialog->SelectSourceKind(SourceImage);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.button);
        Scroll(row.slider, 80);
        EXPECT_FLOAT_EQ(Level(row.slot), 0.8f);
        EXPECT_EQ(TooltipOf(row.slider), "60 %");
        Click(row.button);
        EXPECT_FLOAT_EQ(Level(row.slot), 0.5f);
        EXPECT_EQ(SliderPosition(row.slider), 50);
        EXPECT_EQ(TooltipOf(row.slider), "0 %");
    }
}

TEST_F(SkinEventsTest, SlidersStoreTheValueOfTheActiveKindOnly)
{
    struct Row {
        const char* slider;
        int deviceSlot, imageSlot, videoSlot;
    };
    const Row rows[] = {
        {"Scroll Contrast", 13, 17, 21}, {"Scroll Red", 0, 4, 8},   {"Scroll Green", 1, 5, 9},
        {"Scroll Blue", 2, 6, 10},       {"Scroll White", 3, 7, 11}, {"Scroll Brightness", 12, 16, 20},
        {"Scroll Saturation", 14, 18, 22},
    };
    for (const int kind : {SourceDevice, SourceImage, SourceVideoFile, SourceDesktop}) {
        g_testApp.m_Config.Init();
        g_nSourceKind = kind;
        for (const Row& row : rows) {
            SCOPED_TRACE(::testing::Message() << row.slider << " kind " << kind);
            Scroll(row.slider, 25);
            EXPECT_EQ(TooltipOf(row.slider), "-50 %");
            const int slot = kind == SourceDevice ? row.deviceSlot : kind == SourceImage ? row.imageSlot
                                                   : kind == SourceVideoFile ? row.videoSlot : -1;
            for (int i = 0; i < 24; ++i)
                EXPECT_FLOAT_EQ(Level(i), i == slot ? 0.25f : 0.5f) << "slot " << i;
            g_testApp.m_Config.Init();
        }
    }
}

TEST_F(SkinEventsTest, OverlayPositionButtons)
{
    struct Row {
        const char* button;
        LONG position;
        UINT alignment;
    };
    const Row rows[] = {{"Button Text TL", 0, 0}, {"Button Text TC", 1, 1}, {"Button Text TR", 2, 2},
                        {"Button Text BL", 3, 8}, {"Button Text BC", 4, 9}, {"Button Text BR", 5, 10}};
    SetOverlayText("On air");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.button);
        Click(row.button);
        EXPECT_EQ(g_TextOverlay.position, row.position);
        EXPECT_EQ(g_TextOverlay.dirty, 1);
        EXPECT_EQ(g_testApp.GetProfileInt("Params", "OverlayPosition", -1), static_cast<UINT>(row.position));
        SkinRef<ISkinButton> text = FindSkinElement<ISkinButton>(dialog->m_pSkinRoot, "Button Text", IID_ISkinButton);
        ASSERT_TRUE(text);
        for (LONG style = 0; style < 3; ++style) {
            SkinCaptionStyle caption{};
            ASSERT_EQ(text->GetCaptionStyle(style, &caption), S_OK);
            EXPECT_EQ(caption.format, row.alignment);
        }
    }
    SetOverlayText(nullptr);
}

TEST_F(SkinEventsTest, NewMessagesButtonHidesItself)
{
    dialog->ShowNewMessagesButton(true);
    EXPECT_TRUE(Visible("Button New Messages"));
    Click("Button New Messages");
    EXPECT_FALSE(Visible("Button New Messages"));
}

TEST_F(SkinEventsTest, MenuElementsAreClaimedBeforeTheTable)
{
    for (const char* name : {"Menu File", "menu options", "Menu Account", "MENU HELP"}) {
        SkinRef<ISkinElement> element = Element(name);
        ASSERT_TRUE(element) << name;
        // The pop-up it shows is closed with Escape.
        bool claimed = false;
        EXPECT_EQ(ChooseFromMenu(0, [&] { claimed = dialog->OnSkinMenuElement(element.get()); }), 0u) << name;
        EXPECT_TRUE(claimed) << name;
    }
    EXPECT_FALSE(dialog->OnSkinMenuElement(Element("Button Play").get()));
}

} // namespace
} // namespace zv::app::testing
