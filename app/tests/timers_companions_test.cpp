// The companion programs: the snapshot manager is found by its published window or its title, but
// only among the windows of a snapshot manager program (window peers run under that name or
// another stand in for it); a hung one does not hold up the close; the photo archive's messages.
#include "main_dialog_fixture.h"

#include "app/FileVersion.h"
#include "platform/user/common_controls.h"
#include "platform/user/remote_windows.h"
#include "platform/user/tests/window_peer.h"
#include "platform/win32/tests/child_process.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace zv::app::testing {
namespace {

namespace fs = std::filesystem;
using zv::win32::testing::ChildProcess;

HWND ToHandle(const std::string& answer)
{
    return zv::user::HandleFromDword(static_cast<DWORD>(std::stoul(answer)));
}

void Publish(HWND window)
{
    const auto value = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
    std::memcpy(g_pSharedData.load() + 0x364, &value, sizeof value);
}

// The window peer copied under a program name, started in the current machine.
class NamedPeer {
public:
    NamedPeer(const std::string& root, const std::string& name) : m_path(root + "/programs/" + name)
    {
        fs::create_directories(fs::path(m_path).parent_path());
        fs::copy_file(WIN32_TEST_HELPER_PATH, m_path, fs::copy_options::overwrite_existing);
        m_process = std::make_unique<ChildProcess>(root, m_path);
    }
    HWND Create(const std::string& className, const std::string& title)
    {
        return ToHandle(m_process->Call("create " + className + " " + title));
    }
    ChildProcess& Process() { return *m_process; }

private:
    std::string m_path;
    std::unique_ptr<ChildProcess> m_process;
};

enum class Published { None, Window, Stale };

struct FindCase {
    const char* name;
    const char* program;
    const char* className;
    const char* title;
    Published published;
    bool found;
};

class SnapshotManagerSearchTest : public ::testing::TestWithParam<FindCase> {
protected:
    void SetUp() override
    {
        TheTestApp();
        m_root = std::make_unique<zv::win32::testing::TempZvRoot>();
        ASSERT_TRUE(zv::win32::EnsureMachineFolders());
        TheTestApp().MapSharedData();
        ASSERT_NE(g_pSharedData.load(), nullptr);
    }
    void TearDown() override
    {
        zv::user::testing::SetRemoteCallBound(std::chrono::seconds(30));
        TheTestApp().UnmapSharedData();
        m_root.reset();
    }

    std::unique_ptr<zv::win32::testing::TempZvRoot> m_root;
};

TEST_P(SnapshotManagerSearchTest, FindsOnlyTheSnapshotManager)
{
    const FindCase& c = GetParam();
    NamedPeer peer(m_root->Path(), c.program);
    HWND window = peer.Create(c.className, c.title);
    ASSERT_NE(window, nullptr);
    if (c.published == Published::Window)
        Publish(window);
    if (c.published == Published::Stale) {
        HWND gone = CreateWindowExA(0, "STATIC", "gone", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
        Publish(gone);
        DestroyWindow(gone);
    }
    EXPECT_EQ(CDlgZelvante::FindSnapshotManager(), c.found ? window : nullptr);
    EXPECT_EQ(CDlgZelvante::ActivateSnapshotManager(), c.found);
    // A window that is not the snapshot manager is never sent the close request.
    EXPECT_EQ(CDlgZelvante::CloseSnapshotManager(), c.found);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SnapshotManagerSearchTest,
    ::testing::Values(
        FindCase{"ByTitle", "Shotbox", "#32770", "Zelvante Snapshot manager 2", Published::None, true},
        FindCase{"WindowsName", "Shotbox.exe", "#32770", "Snapshot manager", Published::None, true},
        FindCase{"PublishedWhateverItsTitle", "Shotbox", "#32770", "Shotbox", Published::Window, true},
        FindCase{"StalePublishedFallsBackToTitle", "Shotbox", "#32770", "Snapshot manager", Published::Stale, true},
        FindCase{"TitleIsCaseSensitive", "Shotbox", "#32770", "snapshot Manager", Published::None, false},
        FindCase{"AnotherProgramsWindowOfThatTitle", "Notes", "#32770", "Snapshot manager", Published::None, false},
        FindCase{"AnotherProgramsWindowPublished", "Notes", "#32770", "Snapshot manager", Published::Window, false},
        FindCase{"NotItsDialog", "Shotbox", "ZvPeerOther", "Snapshot manager", Published::None, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SnapshotManagerSearchTest, OwnWindowsOfThatTitleAreNotTheSnapshotManager)
{
    InitCommonControls();
    HWND own = CreateWindowExA(0, "#32770", "Snapshot manager", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr,
                               nullptr);
    ASSERT_NE(own, nullptr);
    Publish(own);
    EXPECT_EQ(CDlgZelvante::FindSnapshotManager(), nullptr);
    DestroyWindow(own);
}

TEST_F(SnapshotManagerSearchTest, AMinimisedSnapshotManagerIsRestored)
{
    NamedPeer peer(m_root->Path(), "Shotbox");
    HWND manager = peer.Create("#32770", "Snapshot manager");
    ASSERT_NE(manager, nullptr);
    const std::string handle = std::to_string(zv::user::HandleToDword(manager));
    peer.Process().Call("show " + handle + " " + std::to_string(SW_MINIMIZE));
    ASSERT_TRUE(IsIconic(manager));
    EXPECT_TRUE(CDlgZelvante::ActivateSnapshotManager());
    EXPECT_EQ(peer.Process().Call("state " + handle).substr(0, 4), "1 0 ");
}

TEST_F(SnapshotManagerSearchTest, AHungSnapshotManagerDoesNotHoldUpTheClose)
{
    NamedPeer peer(m_root->Path(), "Shotbox");
    HWND manager = peer.Create("#32770", "Snapshot manager");
    HWND other = peer.Create("ZvPeerHang", "busy");
    ASSERT_TRUE(manager && other);
    // The peer's interface thread, which owns both windows, stops serving.
    ASSERT_TRUE(PostMessageA(other, zv::user::test::peer::kHang, 0, 0));
    while (peer.Process().Call("hanging") != "1")
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    zv::user::testing::SetRemoteCallBound(std::chrono::milliseconds(300));
    EXPECT_EQ(CDlgZelvante::FindSnapshotManager(), manager);
    EXPECT_FALSE(CDlgZelvante::CloseSnapshotManager());
}

// The photo archive program beside the test program: missing, not startable, or a program.
class PhotoArchiveTest : public MainDialogTest {
protected:
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove(ProgramFolder() + "/stowix", ignored);
        MainDialogTest::TearDown();
    }
};

TEST_F(PhotoArchiveTest, CommandStartsItOrSaysWhy)
{
    struct Case {
        const char* name;
        const char* content; // null: no file
        fs::perms permissions;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"missing", nullptr, fs::perms::none, {"Photo archive manager application couldn't be found."}},
        {"not a program", "plain text", fs::perms::owner_read | fs::perms::owner_write,
         {"Error starting archive manager application."}},
        {"a program", "#!/bin/sh\nexit 0\n", fs::perms::owner_all, {}},
    };
    ASSERT_TRUE(Start());
    const std::string archive = ProgramFolder() + "/stowix";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::error_code ignored;
        fs::remove(archive, ignored);
        if (c.content) {
            std::ofstream(archive) << c.content;
            fs::permissions(archive, c.permissions);
        }
        zv::user::MessageBoxResponder::Reset();
        Dialog()->SendMessage(WM_COMMAND, kPhotoArchiveCommand, 0);
        EXPECT_EQ(MessageTexts(), c.messages);
    }
}

} // namespace
} // namespace zv::app::testing
