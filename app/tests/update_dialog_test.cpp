// The main dialog's side of the update client: the start-up check as "AutoUpdate" says, the "Auto"
// and "Now" commands, and the update thread's reports reaching the dialog, up to the close that
// lets the started installer replace the program.
#include "main_dialog_fixture.h"

#include "app/MenuCommands.h"
#include "app/MsgBox.h"
#include "app/UpdateClient.h"
#include "app/tests/update_test_support.h"


namespace zv::app::testing {
namespace {

using zv::inet::testing::ScriptedHttpServer;

constexpr int kBoxText = 1019;
const std::string kQueryRoute = "setup_in322.php";
const std::string kInstallerRoute = "setup_zvupdate.exe";

class UpdateDialogTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        m_server = std::make_unique<ScriptedHttpServer>();
        for (const char* host : kUpdateHosts)
            App().WriteProfileString("Servers", host, ("127.0.0.1:" + std::to_string(m_server->Port())).c_str());
        // The same version as the program: no prompt unless a test announces a newer one.
        m_server->Route(kQueryRoute, "body=w " + Hex(ProgramVersion()) + " 0 0\n");
    }
    void TearDown() override
    {
        MainDialogTest::TearDown();
        StopUpdateThread();
        m_server.reset();
    }

    bool QueryArrived() const { return m_server->Recorded(kQueryRoute).has_value(); }
    static int AutoUpdateSetting() { return static_cast<int>(App().GetProfileInt("Params", "AutoUpdate", -1)); }

    std::unique_ptr<ScriptedHttpServer> m_server;
};

struct StartupCase {
    const char* label;
    int stored; // -1: none
    bool checks;
};

class StartupCheckTest : public UpdateDialogTest, public ::testing::WithParamInterface<StartupCase> {};

TEST_P(StartupCheckTest, TheStartUpCheckFollowsTheSetting)
{
    const StartupCase& c = GetParam();
    if (c.stored >= 0)
        App().WriteProfileInt("Params", "AutoUpdate", c.stored);
    ASSERT_TRUE(Start());
    if (c.checks)
        EXPECT_TRUE(PumpUntil([&] { return QueryArrived() && !IsUpdateThreadRunning(); }));
    else
        EXPECT_FALSE(IsUpdateThreadRunning());
    Dialog()->SendMessage(CloseRequestMessage, 0, 0);
    EXPECT_EQ(QueryArrived(), c.checks);
}

INSTANTIATE_TEST_SUITE_P(Settings, StartupCheckTest,
                         ::testing::Values(StartupCase{"NoSetting", -1, true}, StartupCase{"On", 1, true},
                                           StartupCase{"Off", 0, false}, StartupCase{"AnyOtherOn", 7, true}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(UpdateDialogTest, AutoTogglesTheSettingAndNowChecks)
{
    App().WriteProfileInt("Params", "AutoUpdate", 0);
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    for (int expected : {1, 0, 1}) {
        dialog->SendMessage(WM_COMMAND, kAutoUpdateCommand, 0);
        EXPECT_EQ(AutoUpdateSetting(), expected);
    }
    EXPECT_FALSE(QueryArrived());
    dialog->SendMessage(WM_COMMAND, kCheckUpdateNowCommand, 0);
    EXPECT_TRUE(PumpUntil([&] { return QueryArrived() && !IsUpdateThreadRunning(); }));
}

TEST_F(UpdateDialogTest, ReportsOfTheDownloadAndTheStart)
{
    App().WriteProfileInt("Params", "AutoUpdate", 0);
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    const std::string installer = TempFolder() + "zvA1.tmp";
    WriteFile(installer, "downloaded");
    const struct {
        const char* label;
        WPARAM code;
        std::string path;
        std::string stored;
    } cases[] = {
        {"DownloadFailed", kUpdateDownloaded, "", ""},
        {"NoSuchFile", kUpdateDownloaded, TempFolder() + "gone.tmp", ""},
        {"OtherCode", kUpdateLaunchEnded, installer, ""},
        {"Downloaded", kUpdateDownloaded, installer, installer},
    };
    for (const auto& c : cases) {
        dialog->SendMessage(UpdateProgressMessage, c.code, reinterpret_cast<LPARAM>(c.path.c_str()));
        EXPECT_EQ(ReadParam("TmpInsFile"), c.stored) << c.label;
    }
    dialog->SendMessage(UpdateProgressMessage, kUpdateChecked, 0);
    EXPECT_TRUE(dialog->IsWindowVisible());
    // The installer runs: the program closes.
    const HWND window = dialog->m_hWnd;
    dialog->SendMessage(UpdateProgressMessage, kUpdateLaunched, 0);
    Pump();
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(UpdateDialogTest, AnAcceptedUpdateIsInstalledAndTheProgramCloses)
{
    const std::string record = TempFolder() + "installer.record";
    m_server->Route(kQueryRoute, "body=w " + Hex(ProgramVersion() + 1) + " 0 0\n");
    m_server->Route(kInstallerRoute, "status=200\n\n" + RecordingInstaller(record));
    ASSERT_TRUE(Start());
    const HWND window = Dialog()->m_hWnd;
    // Every prompt answered OK, as the user would.
    int answered = 0;
    HWND last = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        HWND box = FindWindowA(nullptr, "Zelvante message");
        if (box && box != last && IsWindowVisible(box)) {
            EXPECT_EQ(GetWindow(box, GW_OWNER), window);
            PostMessageA(box, CMsgBox::ButtonClickMessage(), 1, 0);
            last = box;
            ++answered;
        }
        return !IsWindow(window);
    }));
    EXPECT_EQ(answered, 3);
    ASSERT_TRUE(WaitForFile(record));
    const std::string started = ReadFile(record);
    EXPECT_EQ(started.substr(started.find('\n')), "\n/s\n");
    // The download is remembered for deletion at the next start, under its name before the start.
    const std::string stored = ReadParam("TmpInsFile");
    EXPECT_EQ(stored.substr(0, TempFolder().size() + 2), TempFolder() + "zv");
    EXPECT_EQ(started.substr(0, started.find('\n')), stored.substr(0, stored.size() - 4) + ".exe");
}

} // namespace
} // namespace zv::app::testing
