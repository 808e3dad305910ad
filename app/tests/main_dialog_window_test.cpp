// The running main window: Enter and Escape with the full-screen preview, maximise, minimising into
// the tray (and not without one), the tray click, Space while typing, the unread-message balloons
// and the still picture pushed only to the sizes a client uses.
#include "main_dialog_fixture.h"

#include "app/ProgramMessages.h"
#include "capture/OutputFormats.h"
#include "platform/user/edit_control.h"
#include "platform/user/virtual_keys.h"
#include "platform/user/window.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

namespace zv::app::testing {
namespace {

CDlgCapPreview& Preview()
{
    CDlgCapPreview* preview = g_pPreview.load();
    if (!preview)
        throw std::runtime_error("no main preview");
    return *preview;
}

// Enter and Escape: the first leaves the preview's full screen; without full screen Enter does
// nothing and Escape minimises.
struct KeyCase {
    const char* name;
    bool fullScreen;
    bool escape;
    bool iconicAfter;
};

class EnterEscapeTest : public MainDialogTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(EnterEscapeTest, LeaveFullScreenFirst)
{
    const KeyCase& c = GetParam();
    ASSERT_TRUE(Start());
    CDialog* dialog = Dialog();
    if (c.fullScreen) {
        Preview().ToggleFullScreen(true);
        ASSERT_TRUE(Preview().m_bFullScreen);
    }
    if (c.escape)
        dialog->OnCancel();
    else
        dialog->OnOK();
    Pump();
    EXPECT_FALSE(Preview().m_bFullScreen);
    EXPECT_EQ(dialog->IsIconic() != FALSE, c.iconicAfter);
    EXPECT_TRUE(IsWindow(dialog->m_hWnd));
}

INSTANTIATE_TEST_SUITE_P(Cases, EnterEscapeTest,
                         ::testing::Values(KeyCase{"EnterInFullScreen", true, false, false},
                                           KeyCase{"EnterInTheWindow", false, false, false},
                                           KeyCase{"EscapeInFullScreen", true, true, false},
                                           KeyCase{"EscapeInTheWindow", false, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainDialogTest, EscapeReleasedLeavesFullScreen)
{
    ASSERT_TRUE(Start());
    Preview().ToggleFullScreen(true);
    MSG msg{Dialog()->m_hWnd, WM_KEYUP, VK_ESCAPE, 0, 0, {}};
    static_cast<CWnd*>(Dialog())->PreTranslateMessage(&msg);
    EXPECT_FALSE(Preview().m_bFullScreen);
}

TEST_F(MainDialogTest, MaximiseShowsThePreviewFullScreen)
{
    ASSERT_TRUE(Start({"/play"}));
    Dialog()->ShowWindow(SW_MAXIMIZE);
    Pump();
    EXPECT_TRUE(Preview().m_bFullScreen);
    EXPECT_FALSE(IsZoomed(Dialog()->m_hWnd));
}

// Minimising with the tray option hides the window only once its tray icon is there; a desktop
// without a tray leaves an ordinary minimised window the user can bring back.
struct MinimiseCase {
    const char* name;
    bool trayPresent;
    bool visibleAfter;
    std::size_t icons;
};

class MinimiseToTrayTest : public MainDialogTest, public ::testing::WithParamInterface<MinimiseCase> {};

TEST_P(MinimiseToTrayTest, HidesOnlyWithAnIcon)
{
    const MinimiseCase& c = GetParam();
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    dialog->m_bMinimizeToTray = 1;
    zv::user::headless::SetTrayPresent(c.trayPresent);
    dialog->ShowWindow(SW_MINIMIZE);
    Pump();
    EXPECT_TRUE(dialog->IsIconic());
    EXPECT_EQ(dialog->IsWindowVisible() != FALSE, c.visibleAfter);
    EXPECT_EQ(zv::user::ShownTrayIcons().size(), c.icons);
}

INSTANTIATE_TEST_SUITE_P(Cases, MinimiseToTrayTest,
                         ::testing::Values(MinimiseCase{"WithATray", true, false, 1},
                                           MinimiseCase{"WithoutATray", false, true, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainDialogTest, ALeftClickOnTheTrayIconBringsTheWindowBack)
{
    ASSERT_TRUE(Start({"/min"}));
    CDlgZelvante* dialog = Dialog();
    ASSERT_FALSE(dialog->IsWindowVisible());
    ASSERT_TRUE(zv::user::DeliverTrayMouse(dialog->m_hWnd, CTrayIcon::kIconId, WM_LBUTTONUP));
    Pump();
    EXPECT_TRUE(dialog->IsWindowVisible());
    EXPECT_FALSE(dialog->IsIconic());
    EXPECT_TRUE(zv::user::ShownTrayIcons().empty());
    // A click on another icon id, or another button, does nothing.
    EXPECT_EQ(dialog->OnTrayNotify(CTrayIcon::kIconId + 1, WM_LBUTTONUP), 0);
    EXPECT_EQ(dialog->OnTrayNotify(CTrayIcon::kIconId, WM_MOUSEMOVE), 0);
}

// Space pauses the running device, except while the user types into an edit field; the Pause key
// pauses anywhere.
struct PauseKeyCase {
    const char* name;
    UINT key;
    bool inEdit;
    std::int32_t stateAfter;
};

class PauseKeyTest : public MainDialogTest, public ::testing::WithParamInterface<PauseKeyCase> {};

TEST_P(PauseKeyTest, PausesUnlessTyping)
{
    const PauseKeyCase& c = GetParam();
    ASSERT_TRUE(Start({"/play"}));
    ASSERT_EQ(g_nPlayerState.load(), PlayerDeviceRunning);
    CDlgZelvante* dialog = Dialog();
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, dialog->m_hWnd, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    MSG msg{c.inEdit ? edit : dialog->m_hWnd, WM_KEYUP, c.key, 0, 0, {}};
    static_cast<CWnd*>(dialog)->PreTranslateMessage(&msg);
    EXPECT_EQ(g_nPlayerState.load(), c.stateAfter);
    DestroyWindow(edit);
}

INSTANTIATE_TEST_SUITE_P(Cases, PauseKeyTest,
                         ::testing::Values(PauseKeyCase{"SpaceInTheWindow", VK_SPACE, false, PlayerDevicePaused},
                                           PauseKeyCase{"SpaceInAnEdit", VK_SPACE, true, PlayerDeviceRunning},
                                           PauseKeyCase{"PauseInAnEdit", VK_PAUSE, true, PlayerDevicePaused}),
                         [](const auto& info) { return std::string(info.param.name); });

// The host's unread count: a balloon when it grows (one message or a count), the tray icon taken
// away when it does not grow (unless the window lives in the tray), left alone at 0.
struct UnreadStep {
    std::int32_t count;
    const char* balloon; // empty: none
    std::size_t icons;
};

TEST_F(MainDialogTest, UnreadMessagesShowABalloonOnlyWhenTheyGrow)
{
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    zv::user::headless::TakeBalloons();
    const UnreadStep steps[] = {
        {3, "Zelvante\r\nYou have 3 unread messages!", 1},
        {2, "", 0},
        {3, "Zelvante\r\nYou have 3 unread messages!", 1},
        {3, "", 0},
        {1, "", 0},
        {0, "", 0},
        {1, "Zelvante\r\nYou have a new message!", 1},
        {0, "", 1},
    };
    for (const UnreadStep& step : steps) {
        App().UnreadMessages = step.count;
        dialog->SendMessage(HostStatusMessage, 0, 0);
        const auto balloons = zv::user::headless::TakeBalloons();
        if (*step.balloon) {
            ASSERT_EQ(balloons.size(), 1u) << step.count;
            EXPECT_EQ(balloons[0].balloonText, step.balloon);
        } else {
            EXPECT_TRUE(balloons.empty()) << step.count;
        }
        EXPECT_EQ(zv::user::ShownTrayIcons().size(), step.icons) << step.count;
    }
}

TEST_F(MainDialogTest, AWindowHiddenInTheTrayKeepsItsIconWhenTheCountDoesNotGrow)
{
    ASSERT_TRUE(Start({"/min"}));
    CDlgZelvante* dialog = Dialog();
    for (std::int32_t count : {3, 2}) {
        App().UnreadMessages = count;
        dialog->SendMessage(HostStatusMessage, 0, 0);
    }
    EXPECT_EQ(zv::user::ShownTrayIcons().size(), 1u);
}

TEST_F(MainDialogTest, AStillPictureReachesNoSizeThatNoClientUses)
{
    ASSERT_TRUE(Start());
    CPixImage picture;
    ASSERT_NE(picture.Create(320, 240, 24, 0), nullptr);
    CDlgCapPreview::SetImage(&picture);
    for (int index = 0; index < kFormatCount; ++index) {
        BYTE* bits = PixelsOfSize(g_FormatImages[index], g_FormatSizes[index]);
        ASSERT_NE(bits, nullptr);
        std::memset(bits, 0x5A, g_nFormatBytes[index]);
    }
    g_nSourceKind = 2;
    Dialog()->SendMessage(StillImageMessage, 0, 0);
    Pump();
    for (int index = 0; index < kFormatCount; ++index) {
        const BYTE* bits = PixelsOfSize(g_FormatImages[index], g_FormatSizes[index]);
        EXPECT_EQ(bits[0], 0x5A) << index;
        EXPECT_EQ(bits[g_nFormatBytes[index] - 1], 0x5A) << index;
    }
}

TEST_F(MainDialogTest, TheSupportLinkOpensTheMailProgramOnlyWhenAskedWithOne)
{
    // The desktop's opener, standing in: appends each target it is given to a log.
    const std::string folder = std::getenv("ZV_ROOT");
    const std::string opener = folder + "/opener";
    const std::string log = folder + "/opened";
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << log << "'\n";
    std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    setenv("ZV_SHELL_OPEN", opener.c_str(), 1);
    ASSERT_TRUE(Start());
    for (WPARAM which : {0, 2, 1})
        Dialog()->SendMessage(SupportLinkMessage, which, 0);
    std::string opened;
    for (int i = 0; i < 3000 && opened.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(log);
        std::getline(in, opened, '\0');
    }
    unsetenv("ZV_SHELL_OPEN");
    EXPECT_EQ(opened, "mailto:support@zelvante.example?subject=Zelvante%20question\n");
}

} // namespace
} // namespace zv::app::testing
