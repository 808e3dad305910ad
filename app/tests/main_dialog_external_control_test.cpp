// The hidden window outside programs drive the program through: found by its class, what its
// commands change (their answers are also checked from another process in program_e2e_test.cpp),
// one window for every reference, and no command carried out before the main dialog's start-up is
// done or after it closed.
#include "main_dialog_fixture.h"

#include "app/ExternalControlWindow.h"
#include "platform/dshow/testing/glib_quark_leak.h"
#include "platform/dshow/testing/media_file.h"
#include "platform/user/window.h"

#include <cstdlib>

namespace zv::app::testing {
namespace {

HWND ControlWindow() { return FindWindowA(kExternalControlClassName, nullptr); }

LRESULT Command(WPARAM command) { return SendMessageA(ControlWindow(), ExternalControlMessage, command, 0); }

std::string Title()
{
    char text[512] = {};
    GetWindowTextA(ControlWindow(), text, sizeof text);
    return text;
}

std::string Movie()
{
    const std::string path = std::string(std::getenv("ZV_ROOT")) + "/clip.avi";
    EXPECT_TRUE(zv::dshow::testing::WriteMediaFile(
        "videotestsrc num-buffers=50 ! video/x-raw,width=320,height=240,framerate=10/1 ! jpegenc ! avimux ! "
        "filesink location=" + path));
    return path;
}

using ExternalControlTest = MainDialogTest;

TEST_F(ExternalControlTest, TheWindowLivesFromStartUpToExitHiddenAndOnlyOnce)
{
    ASSERT_TRUE(Start({"/min"}));
    const HWND window = ControlWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(App().m_pExternalControl->Handle(), window);
    EXPECT_FALSE(IsWindowVisible(window));
    // Another reference is the same window; dropping it keeps the window for the first.
    EXPECT_EQ(ExternalControlWindow::Acquire(), App().m_pExternalControl);
    ExternalControlWindow::Release();
    EXPECT_EQ(ControlWindow(), window);

    Dialog()->SendMessage(CloseRequestMessage, 0, 0);
    App().ExitInstance();
    EXPECT_EQ(ControlWindow(), nullptr);
    EXPECT_EQ(App().m_pExternalControl, nullptr);
}

// Each command on a started program, from a stopped device source.
struct CommandCase {
    const char* name;
    WPARAM command;
    bool playFirst;  // the device runs before the command
    const char* title; // what the client wrote into the title ("movie": a playable video file)
    LRESULT result;
    std::int32_t playerState;
};

class ExternalCommandTest : public ExternalControlTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(ExternalCommandTest, ChangesWhatItNames)
{
    const CommandCase& c = GetParam();
    ASSERT_TRUE(Start({"/min"}));
    CDlgZelvante* dialog = Dialog();
    ASSERT_EQ(g_nPlayerState, PlayerStopped);
    if (c.playFirst) {
        dialog->Play();
        ASSERT_EQ(g_nPlayerState, PlayerDeviceRunning);
    }
    const bool movieTitle = std::string(c.title) == "movie";
    const std::string movie = movieTitle ? Movie() : c.title;
    SetWindowTextA(ControlWindow(), movie.c_str());

    EXPECT_EQ(Command(c.command), c.result);
    EXPECT_EQ(g_nPlayerState, c.playerState);
    if (c.command == ExternalOpenFromTitle && movieTitle) {
        // Opened as the video source and left paused at its start.
        EXPECT_EQ(g_nSourceKind, SourceVideoFile);
        EXPECT_EQ(App().m_strVideoFile, movie);
        EXPECT_EQ(Command(ExternalFileTitle), 1);
        EXPECT_EQ(Title(), movie);
    }
    // Only the close command ends the program, and only once the message is handled.
    ASSERT_NE(dialog->GetSafeHwnd(), nullptr);
    Pump();
    EXPECT_EQ(dialog->GetSafeHwnd() == nullptr, c.command == ExternalClose);
    if (c.command == ExternalClose) {
        // A closed program takes no further command.
        EXPECT_EQ(Command(ExternalPlay), 0);
        EXPECT_EQ(g_nPlayerState, PlayerStopped);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ExternalCommandTest,
    ::testing::Values(CommandCase{"OpenFile", ExternalOpenFromTitle, true, "movie", 1, PlayerVideoPaused},
                      CommandCase{"OpenEmptyTitle", ExternalOpenFromTitle, true, "", 0, PlayerDeviceRunning},
                      // The user is told the file could not be played; the caller learns it too.
                      CommandCase{"OpenMissingFile", ExternalOpenFromTitle, true, "/videos/none.avi", 0, PlayerStopped},
                      CommandCase{"Play", ExternalPlay, false, "", 1, PlayerDeviceRunning},
                      CommandCase{"Stop", ExternalStop, true, "", 1, PlayerStopped},
                      CommandCase{"Pause", ExternalPause, true, "", 1, PlayerDevicePaused},
                      CommandCase{"Close", ExternalClose, true, "", 1, PlayerDeviceRunning},
                      CommandCase{"Unknown", 7, true, "", 0, PlayerDeviceRunning}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST_F(ExternalControlTest, CommandsBeforeTheMainDialogIsInitialisedAreRefused)
{
    // A main dialog whose start-up has not run: the state every command would act on is not built.
    CDlgZelvante pending;
    App().m_pMainWnd = &pending;
    ExternalControlWindow* control = ExternalControlWindow::Acquire();
    ASSERT_NE(control->Handle(), nullptr);
    SetWindowTextA(control->Handle(), "/videos/holiday.avi");
    App().m_strVideoFile = "";
    for (WPARAM command = ExternalVersionTitle; command <= ExternalClose; ++command) {
        SCOPED_TRACE(command);
        EXPECT_EQ(SendMessageA(control->Handle(), ExternalControlMessage, command, 0), 0);
        EXPECT_EQ(Title(), "/videos/holiday.avi");
        EXPECT_EQ(g_nPlayerState, PlayerStopped);
        EXPECT_EQ(App().m_strVideoFile, "");
    }
    ExternalControlWindow::Release();
    App().m_pMainWnd = nullptr;
    EXPECT_EQ(ControlWindow(), nullptr);
}

} // namespace
} // namespace zv::app::testing
