// The main menu's pop-ups as they are prepared (checks, grays, removals, generated items) and the
// dialog's own menu commands, sent as WM_COMMAND, with the state each changes: the registry, the
// settings record, the dialog's flags, the pages given to the desktop's opener.
#include "app/tests/sources_dialog_fixture.h"

#include "app/MenuCommands.h"
#include "app/ProgramMessages.h"
#include "app/VersionInfo.h"
#include "capture/Deinterlace.h"
#include "platform/afx/afx_menu.h"
#include "platform/user/menu.h"
#include "platform/win32/registry_key.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

namespace zv::app::testing {
namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string ThisProgram()
{
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

// The Run value "Zelvante" as stored; nullopt when absent.
std::optional<std::string> RunValue()
{
    DWORD type = 0;
    return zv::win32::Key::Open(HKEY_CURRENT_USER, kRunKey).Raw("Zelvante", &type);
}

void SetRunValue(const std::string& bytes)
{
    ASSERT_TRUE(zv::win32::Key::Create(HKEY_CURRENT_USER, kRunKey).SetValue("Zelvante", REG_SZ, bytes.data(), bytes.size()));
}

class CommandsTest : public SourcesDialogTest {
protected:
    void SetUp() override
    {
        g_testApp.m_Config.Init();
        g_testApp.HiddenMenuBits = 0;
        g_testApp.UserType = 0;
        g_testApp.Credentials.Set({"", "", "4711"});
        // The update server allows ads: the show-ads flag follows the stored setting.
        g_updateReplyToken.Set("ads");
        SourcesDialogTest::SetUp();
    }

    void Command(UINT id) { dialog->SendMessage(WM_COMMAND, id, 0); }

    // The check or gray state of a command in pop-up `position` as the menu buttons show it;
    // -1 when the pop-up lacks it.
    int State(int position, UINT id)
    {
        CMenu menus;
        CMenu* popup = dialog->PrepareSkinMenu(menus, position);
        if (popup == nullptr)
            return -2;
        const UINT state = popup->GetMenuState(id, MF_BYCOMMAND);
        return state == static_cast<UINT>(-1) ? -1 : static_cast<int>(state & (MF_CHECKED | MF_GRAYED));
    }
    bool Checked(int position, UINT id) { return State(position, id) == static_cast<int>(MF_CHECKED); }

    std::string Option(const char* section, const char* entry)
    {
        return std::to_string(g_testApp.GetProfileInt(section, entry, -1));
    }

    // Records what is handed to the desktop's opener, one target a line.
    void RecordOpened()
    {
        const std::string opener = Path("opener");
        m_log = Path("opened");
        std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << m_log << "'\n";
        std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
        setenv("ZV_SHELL_OPEN", opener.c_str(), 1);
    }
    // Runs `act` and returns the target it opened (the opener runs on its own: waited for).
    std::string Opened(const std::function<void()>& act)
    {
        const std::size_t before = OpenedLines().size();
        act();
        for (int wait = 0; wait < 1000; ++wait) {
            const std::vector<std::string> lines = OpenedLines();
            if (lines.size() > before)
                return lines.back();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return "<nothing opened>";
    }
    std::vector<std::string> OpenedLines() const
    {
        std::vector<std::string> lines;
        std::ifstream in(m_log);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    void TearDown() override
    {
        unsetenv("ZV_SHELL_OPEN");
        SourcesDialogTest::TearDown();
    }

    std::string m_log;
};

TEST_F(CommandsTest, SettingsCommandsChangeTheirStateAndTheirCheck)
{
    struct Row {
        UINT command;
        std::function<std::string()> state;
        std::vector<std::string> after; // after the first and the second command
        bool checkedAfterFirst;
    };
    const Row rows[] = {
        {kMinimizeToTrayCommand, [this] { return Option("Options", "Minimize to system tray"); },
         {"1", "0"}, true},
        {kShowAdsCommand, [this] { return Option("Params", "ShowAd"); }, {"0", "1"}, false},
        {kExchangeAdVideoCommand, [this] { return std::to_string(dialog->m_bAdVideoExchanged); },
         {"1", "0"}, true},
        {kTooltipsCommand, [this] { return Option("Options", "Tooltips"); }, {"0", "1"}, false},
        {kRunAtStartupCommand, [] { return RunValue().value_or("<absent>"); },
         {"\"" + ThisProgram() + "\" /play" + std::string(1, '\0'), "<absent>"}, true},
    };
    for (const Row& row : rows) {
        Command(row.command);
        EXPECT_EQ(row.state(), row.after[0]) << row.command;
        EXPECT_EQ(Checked(1, row.command), row.checkedAfterFirst) << row.command;
        Command(row.command);
        EXPECT_EQ(row.state(), row.after[1]) << row.command;
        EXPECT_EQ(Checked(1, row.command), !row.checkedAfterFirst) << row.command;
    }
}

TEST_F(CommandsTest, FontSizeAndSnapshotModeCheckExactlyTheChosenItem)
{
    struct Row {
        UINT command;
        int fontSize;     // 0: the row is a snapshot mode
        int snapshotMode;
    };
    const Row rows[] = {
        {32824, 5, 0}, {32825, 4, 0}, {32826, 3, 0}, {32827, 2, 0}, {32828, 1, 0},
        {32840, 0, 2}, {32839, 0, 1}, {32838, 0, 0},
    };
    EXPECT_EQ(CDlgZelvante::StoredFontSize(), 1);
    EXPECT_TRUE(Checked(1, 32828));
    for (const Row& row : rows) {
        Command(row.command);
        if (row.fontSize != 0) {
            // Stored though no chat view exists.
            std::int32_t stored = 0;
            int size = sizeof stored;
            ASSERT_TRUE(g_testApp.m_Config.GetBlob("Options_FontSize", &stored, &size)) << row.command;
            EXPECT_EQ(stored, row.fontSize);
            EXPECT_TRUE(g_testApp.m_Config.dirty);
        } else {
            EXPECT_EQ(dialog->m_nSnapshotMode, row.snapshotMode);
        }
        const UINT first = row.fontSize != 0 ? 32824 : 32838;
        const UINT last = row.fontSize != 0 ? 32828 : 32840;
        for (UINT id = first; id <= last; ++id)
            EXPECT_EQ(Checked(1, id), id == row.command) << row.command << " " << id;
    }
}

TEST_F(CommandsTest, AStoredFontSizeOutOfRangeCountsAsTheSmallest)
{
    for (std::int32_t stored : {0, 6, -3}) {
        g_testApp.m_Config.SetBlob("Options_FontSize", &stored, sizeof stored);
        EXPECT_EQ(CDlgZelvante::StoredFontSize(), 1) << stored;
    }
}

TEST_F(CommandsTest, OptionsPopUpMirrorsTheOtherPartsFlags)
{
    struct Row {
        UINT command;
        std::function<void(bool)> set;
    };
    const Row rows[] = {
        {kAutoUpdateCommand, [this](bool on) { dialog->m_bAutoUpdate = on; }},
        {kPlayWithSoundCommand, [](bool on) { g_bPlaySound = on; }},
        {kFilterDeinterlaceCommand, [](bool on) { g_bDeinterlace = on; }},
    };
    for (const Row& row : rows) {
        for (bool on : {true, false}) {
            row.set(on);
            EXPECT_EQ(Checked(1, row.command), on) << row.command;
        }
    }
    g_bPlaySound = 1;
    g_bDeinterlace = 0;
}

TEST_F(CommandsTest, FullScreenIsGrayedWhileNothingIsShown)
{
    g_nPlayerState = PlayerStopped;
    EXPECT_EQ(State(1, kFullScreenCommand), static_cast<int>(MF_GRAYED));
    Click("Button Play");
    ASSERT_NE(g_nPlayerState, PlayerStopped);
    EXPECT_EQ(State(1, kFullScreenCommand), 0);
    Command(kFullScreenCommand);
    EXPECT_EQ(g_pPreview.load()->m_bFullScreen, 1);
    Command(kFullScreenCommand);
    EXPECT_EQ(g_pPreview.load()->m_bFullScreen, 0);
}

TEST_F(CommandsTest, AccountPopUpLosesTheItemsOfTheHiddenBits)
{
    struct Row {
        std::uint32_t bits;
        bool payment, earnings, salary;
    };
    const Row rows[] = {
        {0, true, true, true}, {1, false, true, true}, {2, true, false, true},
        {4, true, true, false}, {5, false, true, false}, {7, false, false, false},
    };
    for (const Row& row : rows) {
        g_testApp.HiddenMenuBits = row.bits;
        EXPECT_EQ(State(2, kPaymentCommand) != -1, row.payment) << row.bits;
        EXPECT_EQ(State(2, kEarningsCommand) != -1, row.earnings) << row.bits;
        EXPECT_EQ(State(2, kSalaryCommand) != -1, row.salary) << row.bits;
        EXPECT_NE(State(2, kStatusCommand), -1) << row.bits;
    }
}

TEST_F(CommandsTest, FilePopUpListsTheDevicesAndChecksTheFrameRate)
{
    struct Row {
        int fps;
        int checkedPosition; // -1: none
    };
    const Row rows[] = {{7, 0}, {15, 2}, {34, 5}, {4, -1}, {35, -1}};
    for (const Row& row : rows) {
        dialog->m_captureGraph.m_nFps = row.fps;
        CMenu menus;
        CMenu* file = dialog->PrepareSkinMenu(menus, 0);
        ASSERT_NE(file, nullptr);
        CMenu* sources = file->GetSubMenu(0);
        ASSERT_NE(sources, nullptr);
        std::string first;
        sources->GetMenuString(0, first, MF_BYPOSITION);
        EXPECT_EQ(first, "Test Camera");
        EXPECT_EQ(sources->GetMenuItemID(0), kFirstDeviceCommand);
        CMenu* rates = file->GetSubMenu(1);
        ASSERT_NE(rates, nullptr);
        for (int position = 0; position < 6; ++position)
            EXPECT_EQ((rates->GetMenuState(static_cast<UINT>(position), MF_BYPOSITION) & MF_CHECKED) != 0,
                      position == row.checkedPosition)
                << row.fps << " " << position;
    }
}

TEST_F(CommandsTest, MenuButtonsShowTheirPopUpThroughTheSkin)
{
    struct Row {
        const char* element;
        int downs;
        UINT command;
    };
    const Row rows[] = {
        {"Menu Account", 1, kStatusCommand},
        {"Menu Help", 1, kLocalHelpCommand},
        {"Menu Help", 4, kAboutCommand}, // over the separator
        {"Menu File", 0, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ChooseFromMenu(row.downs, [&] { Click(row.element); }), row.command) << row.element;
}

TEST_F(CommandsTest, RunValueNamesThisCopyQuotedOrAsOlderCopiesWroteIt)
{
    const std::string me = ThisProgram();
    std::string upper = me;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string filled = "\"" + me + "\" /play";
    filled.resize(520, ' '); // the longest value read, with no NUL of its own
    struct Row {
        std::string value;
        bool ours;
    };
    const Row rows[] = {
        {"\"" + me + "\" /play" + std::string(1, '\0'), true},
        {me + " /play" + std::string(1, '\0'), true},
        {me + std::string(1, '\0'), true},
        {upper + " /play" + std::string(1, '\0'), true},
        {filled, true},
        {"\"" + me + "x\" /play" + std::string(1, '\0'), false},
        {me + "x /play" + std::string(1, '\0'), false},
        {"\"/opt/other/Zelvante\" /play" + std::string(1, '\0'), false},
        {"\"" + me + std::string(1, '\0'), false},
        {filled + " /play", false}, // longer than is ever read
        {"", false},
    };
    for (const Row& row : rows) {
        SetRunValue(row.value);
        EXPECT_EQ(CDlgZelvante::IsRunAtStartup(), row.ours) << row.value;
        EXPECT_EQ(Checked(1, kRunAtStartupCommand), row.ours) << row.value;
    }
}

TEST_F(CommandsTest, RunToggleReplacesAnotherCopysValueAndRemovesAnOldOne)
{
    const std::string quoted = "\"" + ThisProgram() + "\" /play" + std::string(1, '\0');
    SetRunValue("\"/opt/other/Zelvante\" /play" + std::string(1, '\0'));
    EXPECT_FALSE(Checked(1, kRunAtStartupCommand));
    Command(kRunAtStartupCommand);
    EXPECT_EQ(RunValue().value_or("<absent>"), quoted);

    // The old unquoted value of this copy is ours: the toggle takes it away.
    SetRunValue(ThisProgram() + " /play" + std::string(1, '\0'));
    Command(kRunAtStartupCommand);
    EXPECT_FALSE(RunValue().has_value());
}

TEST_F(CommandsTest, WebLinksOpenThroughTheShell)
{
    RecordOpened();
    struct Row {
        std::function<void()> act;
        std::string url;
    };
    const auto command = [this](UINT id) { return [this, id] { Command(id); }; };
    const auto click = [this](const char* name) { return [this, name] { Click(name); }; };
    const Row rows[] = {
        {command(kLinksCommand), "http://www.zelvante.example/links.html"},
        {command(kOnlineCommand), "http://www.zelvante.example/"},
        {click("Button Ad Zelvante"), "http://www.zelvante.example/"},
        {click("Button Ad Beamlore"), "http://www.beamlore.example/"},
        {click("Button Beamlore"), "http://www.beamlore.example/"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Opened(row.act), row.url);
}

TEST_F(CommandsTest, LocalHelpOpensTheHelpBesideTheProgram)
{
    RecordOpened();
    const std::filesystem::path page = std::filesystem::path(ThisProgram()).parent_path() / "zelvante.html";
    std::ofstream(page) << "<html>help</html>";
    const std::string byCommand = Opened([&] { Command(kLocalHelpCommand); });
    const std::string byButton = Opened([&] { Click("Button Help"); });
    std::filesystem::remove(page);
    EXPECT_NE(byCommand.find(page.string()), std::string::npos) << byCommand;
    EXPECT_EQ(byButton, byCommand);
}

TEST_F(CommandsTest, TooltipsComeBackToTheElementsTheyWereTakenFrom)
{
    // Elements of different parents at the same place among their siblings carry different tips.
    const char* const names[] = {"Button Help", "Button Play", "Button Brightness", "Button Contrast",
                                 "Scroll Contrast", "Button Zero Red"};
    std::vector<std::string> before;
    for (const char* name : names)
        before.push_back(TooltipOf(name));
    ASSERT_FALSE(before[0].empty());

    Command(kTooltipsCommand);
    for (const char* name : names)
        EXPECT_EQ(TooltipOf(name), "") << name;
    Command(kTooltipsCommand);
    for (std::size_t index = 0; index < std::size(names); ++index)
        EXPECT_EQ(TooltipOf(names[index]), before[index]) << names[index];
}

TEST_F(CommandsTest, ASkinAppliedWhileTooltipsAreOffKeepsThemOff)
{
    const std::string help = TooltipOf("Button Help");
    Command(kTooltipsCommand);
    ASSERT_TRUE(dialog->ApplySkin(kDefaultSkin.c_str()));
    EXPECT_EQ(TooltipOf("Button Help"), "");
    EXPECT_EQ(dialog->m_bTooltips, 0);
    Command(kTooltipsCommand);
    EXPECT_EQ(TooltipOf("Button Help"), help);
}

TEST_F(CommandsTest, TrayCommands)
{
    Command(kTrayExitCommand);
    WPARAM kind = 1;
    EXPECT_TRUE(Queued(CloseRequestMessage, &kind));
    EXPECT_EQ(kind, 0u);

    Command(kTrayShowHideCommand);
    EXPECT_TRUE(dialog->IsIconic());
    Command(kTrayShowHideCommand);
    EXPECT_FALSE(dialog->IsIconic());
    EXPECT_TRUE(dialog->IsWindowVisible());

    Command(kTrayPlayStopCommand);
    EXPECT_NE(g_nPlayerState, PlayerStopped);
    Command(kTrayPlayStopCommand);
    EXPECT_EQ(g_nPlayerState, PlayerStopped);
}

TEST_F(CommandsTest, AboutShowsBothVersions)
{
    const std::string text = CDlgZelvante::AboutText();
    EXPECT_NE(text.find("\r\nProgram version: "), std::string::npos);
    EXPECT_NE(text.find("\r\nDriver version: "), std::string::npos);
    EXPECT_TRUE(AnswerMessageBox([this] { Command(kAboutCommand); }));
}

TEST_F(CommandsTest, ExitSavesTheSnapshotModeAndClosesTheWindow)
{
    Command(32840);
    Command(kExitCommand);
    EXPECT_FALSE(IsWindow(dialog->GetSafeHwnd()));
    EXPECT_EQ(g_testApp.GetProfileInt("Params", "SnapMode", -1), 2u);
}

} // namespace
} // namespace zv::app::testing
