// The program's start-up and shut-down: the first start installs the virtual camera, a second
// start gives way to the first, the command line's "/min" and "/play", a start that cannot go on,
// and the close request with its saved settings.
#include "main_dialog_fixture.h"

#include "app/ProgramMessages.h"
#include "app/SkinElementRef.h"
#include "platform/skin/skin_dispatch.h"
#include "platform/user/window.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/mutexes.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

namespace zv::app::testing {
namespace {

TEST_F(MainDialogTest, FirstStartInstallsTheVirtualCameraAndOpensIt)
{
    ASSERT_EQ(IsDriverInstalled(), kDriverAbsent);
    ASSERT_TRUE(Start());
    EXPECT_EQ(IsDriverInstalled(), kDriverPresent);
    const HANDLE device = g_hDriver.load();
    EXPECT_TRUE(device != nullptr && device != INVALID_HANDLE_VALUE);
    CDlgZelvante* dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->IsWindowVisible());
    EXPECT_TRUE(dialog->IsInitialised());
    EXPECT_EQ(FindWindowA(nullptr, "Zelvante"), dialog->m_hWnd);
    EXPECT_EQ(g_hWndMain.load(), dialog->m_hWnd);
    EXPECT_TRUE(MessageTexts().empty());
    // The registry describes the running copy.
    EXPECT_EQ(App().GetProfileString("Params", "TmpInsFile", "<absent>"), "");
}

TEST_F(MainDialogTest, AStartThatCannotInstallTheDriverEndsWithoutAWindow)
{
    // Without newdev.dll the installation cannot run.
    std::filesystem::remove(std::string(std::getenv("ZV_ROOT")) + "/windows/system32/newdev.dll");
    EXPECT_FALSE(Start());
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_EQ(App().m_pMainWnd, nullptr);
    EXPECT_EQ(FindWindowA(nullptr, "Zelvante"), nullptr);
    const std::vector<std::string> texts = MessageTexts();
    ASSERT_EQ(texts.size(), 1u); // the installation's own message, not a second one
    EXPECT_NE(texts[0].find("Error installing driver"), std::string::npos);
}

// A second start: the running copy's window is brought forward when there is one, else the user
// is told; either way the second start ends.
struct SecondStartCase {
    const char* name;
    bool firstHasWindow;
    std::size_t messages;
};

class SecondStartTest : public MainDialogTest, public ::testing::WithParamInterface<SecondStartCase> {};

TEST_P(SecondStartTest, GivesWayToTheFirst)
{
    const SecondStartCase& c = GetParam();
    // The first copy: its mutex and, maybe, its hidden main window.
    HANDLE first = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
    ASSERT_NE(first, nullptr);
    HWND window = nullptr;
    if (c.firstHasWindow) {
        window = CreateWindowExA(0, "STATIC", "Zelvante", WS_POPUP, 10, 10, 100, 100, nullptr, nullptr, nullptr,
                                 nullptr);
        ASSERT_NE(window, nullptr);
        ASSERT_FALSE(IsWindowVisible(window));
    }
    EXPECT_FALSE(App().TakeInstanceMutex());
    EXPECT_EQ(App().m_hInstanceMutex, nullptr);
    const std::vector<std::string> texts = MessageTexts();
    ASSERT_EQ(texts.size(), c.messages);
    if (c.messages) {
        EXPECT_EQ(texts[0], "Zelvante is already running.");
    }
    if (window) {
        EXPECT_TRUE(IsWindowVisible(window));
        DestroyWindow(window);
    }
    CloseHandle(first);
}

INSTANTIATE_TEST_SUITE_P(Cases, SecondStartTest,
                         ::testing::Values(SecondStartCase{"WindowFound", true, 0},
                                           SecondStartCase{"NoWindowYet", false, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// "/min" hides the window into the tray whatever the option says, and leaves the option as it was;
// "/play" starts the device.
struct CommandLineCase {
    const char* name;
    std::vector<std::string> arguments;
    bool visible;
    std::size_t trayIcons;
    std::int32_t playerState;
};

class CommandLineTest : public MainDialogTest, public ::testing::WithParamInterface<CommandLineCase> {};

TEST_P(CommandLineTest, StartsAsAsked)
{
    const CommandLineCase& c = GetParam();
    ASSERT_TRUE(Start(c.arguments));
    CDlgZelvante* dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->IsWindowVisible() != FALSE, c.visible);
    EXPECT_EQ(zv::user::ShownTrayIcons().size(), c.trayIcons);
    EXPECT_EQ(dialog->m_bMinimizeToTray, 0);
    EXPECT_EQ(g_nPlayerState.load(), c.playerState);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTest,
    ::testing::Values(CommandLineCase{"Plain", {}, true, 0, PlayerStopped},
                      CommandLineCase{"Min", {"/min"}, false, 1, PlayerStopped},
                      CommandLineCase{"Play", {"/play"}, true, 0, PlayerDeviceRunning},
                      CommandLineCase{"MinAndPlay", {"/min", "/play"}, false, 1, PlayerDeviceRunning},
                      // The tests are plain substring searches, case-sensitive.
                      CommandLineCase{"OtherCase", {"/MIN"}, true, 0, PlayerStopped}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainDialogTest, CloseRequestSavesTheSettingsAndThePosition)
{
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    dialog->MoveWindow(120, 90, 400, 300);
    dialog->m_nSnapshotMode = 2;
    App().m_strImageFile = "/pictures/a.jpg";
    Pump();

    dialog->SendMessage(CloseRequestMessage, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(dialog->m_hWnd));
    RECT rect{};
    rect.left = static_cast<LONG>(App().GetProfileInt("Params", "WndPosL", -1));
    rect.top = static_cast<LONG>(App().GetProfileInt("Params", "WndPosT", -1));
    rect.right = static_cast<LONG>(App().GetProfileInt("Params", "WndPosR", -1));
    rect.bottom = static_cast<LONG>(App().GetProfileInt("Params", "WndPosB", -1));
    EXPECT_EQ(rect.left, 120);
    EXPECT_EQ(rect.top, 90);
    EXPECT_EQ(rect.right - rect.left, 400);
    EXPECT_EQ(rect.bottom - rect.top, 300);
    EXPECT_EQ(App().GetProfileInt("Params", "SnapMode", -1), 2u);
    EXPECT_EQ(App().GetProfileInt("Params", "LastMode", 0), 1u);
    EXPECT_EQ(ReadParam("LastImage"), "/pictures/a.jpg");
    EXPECT_EQ(ReadParam("SkinPath"), SkinPath());
    EXPECT_EQ(ReadParam("SourceName"), "Test Camera");
    // The device is closed, its clients left with black frames.
    EXPECT_EQ(g_hDriver.load(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(g_hWndMain.load(), nullptr);
}

TEST_F(MainDialogTest, CloseKindsAboveFourDoNothing)
{
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    for (LPARAM kind : {5, 6, 100}) {
        EXPECT_EQ(dialog->SendMessage(CloseRequestMessage, 0, kind), 0);
        Pump();
        EXPECT_TRUE(IsWindow(dialog->m_hWnd)) << kind;
    }
    EXPECT_EQ(ReadParam("WndPosL"), "<absent>");
}

// The saved rectangle at start-up: used as it is, moved back to the left edge when it lies off the
// screen (its size kept), or left to the template when never saved.
struct PositionCase {
    const char* name;
    RECT saved;
    bool moved;      // false: where the template puts the window
    RECT expected;   // when moved
};

class SavedPositionTest : public MainDialogTest, public ::testing::WithParamInterface<PositionCase> {};

TEST_P(SavedPositionTest, IsRestored)
{
    const PositionCase& c = GetParam();
    App().WriteProfileInt("Params", "WndPosL", c.saved.left);
    App().WriteProfileInt("Params", "WndPosT", c.saved.top);
    App().WriteProfileInt("Params", "WndPosR", c.saved.right);
    App().WriteProfileInt("Params", "WndPosB", c.saved.bottom);
    ASSERT_TRUE(Start());
    RECT rect{};
    Dialog()->GetWindowRect(&rect);
    if (c.moved) {
        EXPECT_EQ(rect.left, c.expected.left);
        EXPECT_EQ(rect.top, c.expected.top);
        EXPECT_EQ(rect.right, c.expected.right);
        EXPECT_EQ(rect.bottom, c.expected.bottom);
    } else {
        EXPECT_NE(rect.left, c.saved.left);
        EXPECT_LT(rect.right, 1366);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SavedPositionTest,
    ::testing::Values(PositionCase{"OnScreen", {100, 50, 500, 350}, true, {100, 50, 500, 350}},
                      PositionCase{"PastTheRight", {2000, 50, 2400, 350}, false, {}},
                      PositionCase{"BelowTheBottom", {100, 2000, 500, 2300}, true, {100, 0, 500, 300}}),
    [](const auto& info) { return std::string(info.param.name); });

// Whether the frame shows anything but black. Every block written to the device starts with its
// five-byte header, which the device keeps in the picture: those bytes are not looked at.
TEST_F(MainDialogTest, FirstStartTakesTheDefaults)
{
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    EXPECT_EQ(dialog->m_captureGraph.m_nFps, 15);
    EXPECT_EQ(g_nSourceKind.load(), 1);
    EXPECT_EQ(dialog->m_nSlideshowSeconds, 5);
    EXPECT_EQ(dialog->m_nSnapshotMode, 0);
    EXPECT_EQ(dialog->m_bTooltips, 1);
    EXPECT_EQ(dialog->m_bMinimizeToTray, 0);
    EXPECT_EQ(dialog->m_strVideoCodec, "Default");
    EXPECT_EQ(g_bPlaySound.load(), 1);
    EXPECT_EQ(App().m_strCaptureDevice, "Test Camera");
}

TEST_F(MainDialogTest, TheSkinShowsTheProgramAndDriverVersions)
{
    ASSERT_TRUE(Start());
    struct Caption {
        const char* element;
        const char* text;
    };
    for (const Caption c : {Caption{"Static Program Version", "Zelvante v3.2"},
                            Caption{"Static Driver Version", "Driver v3.2.1"}}) {
        SkinRef<ISkinText> element = FindSkinElement<ISkinText>(Dialog()->m_pSkinRoot, c.element, IID_ISkinText);
        ASSERT_TRUE(element) << c.element;
        BSTR text = nullptr;
        ASSERT_EQ(element->GetText(&text), S_OK);
        EXPECT_EQ(zv::skin::Utf8(text), c.text);
        SysFreeString(text);
    }
}

// An installer left by an update is deleted at the next start, and its name forgotten; a name
// whose file is gone is only forgotten.
struct LeftoverCase {
    const char* name;
    bool fileExists;
};

class LeftoverInstallerTest : public MainDialogTest, public ::testing::WithParamInterface<LeftoverCase> {};

TEST_P(LeftoverInstallerTest, IsDeletedAndForgotten)
{
    const LeftoverCase& c = GetParam();
    const std::string leftover = std::string(std::getenv("ZV_ROOT")) + "/tmp/zvsetup.exe";
    const std::string bystander = std::string(std::getenv("ZV_ROOT")) + "/tmp/other.exe";
    std::filesystem::create_directories(std::filesystem::path(leftover).parent_path());
    std::ofstream(bystander) << "keep";
    if (c.fileExists)
        std::ofstream(leftover) << "installer";
    App().WriteProfileString("Params", "TmpInsFile", leftover.c_str());
    ASSERT_TRUE(Start());
    EXPECT_EQ(ReadParam("TmpInsFile"), "");
    EXPECT_FALSE(std::filesystem::exists(leftover));
    EXPECT_TRUE(std::filesystem::exists(bystander));
}

INSTANTIATE_TEST_SUITE_P(Cases, LeftoverInstallerTest,
                         ::testing::Values(LeftoverCase{"Present", true}, LeftoverCase{"AlreadyGone", false}),
                         [](const auto& info) { return std::string(info.param.name); });

bool AnyLit(const std::optional<zv::capture::testing::Frame>& frame)
{
    return frame && frame->bytes.size() > FrameWriteHeader::kBytes &&
           std::any_of(frame->bytes.begin() + FrameWriteHeader::kBytes, frame->bytes.end(),
                       [](BYTE b) { return b != 0; });
}

// Pumps the program's messages until `done` holds; false when it does not within a generous
// limit (a broken pipeline fails instead of hanging).
template <class Condition>
bool PumpUntil(Condition done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

TEST_F(MainDialogTest, AfterShutdownTheClientsOfTheVirtualCameraSeeBlack)
{
    ASSERT_TRUE(Start({"/play"}));
    ASSERT_EQ(g_nPlayerState.load(), PlayerDeviceRunning);
    const std::optional<DeviceInfo> camera = zv::capture::testing::FindListedDevice(kVirtualCameraName);
    ASSERT_TRUE(camera);
    zv::capture::testing::FrameRecorder recorder;
    CCaptureGraph client;
    client.m_nReqWidth = 320;
    client.m_nReqHeight = 240;
    client.m_VideoGrabber.m_pCallback = &zv::capture::testing::FrameRecorder::Callback;
    ASSERT_EQ(client.SelectDevice(&*camera), 0);
    ASSERT_EQ(client.StartPreview(), 0);
    ASSERT_TRUE(PumpUntil([&] { return AnyLit(recorder.Last()); })) << "the test camera never reached the client";

    Dialog()->SendMessage(CloseRequestMessage, 0, 0);
    const int seen = recorder.Count();
    EXPECT_TRUE(PumpUntil([&] { return recorder.Count() > seen && !AnyLit(recorder.Last()); }));
    client.StopGraph();
}

} // namespace
} // namespace zv::app::testing
