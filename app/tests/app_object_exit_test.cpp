// The application object without its window: the exit stops the status thread before the shared
// block goes, the install information describes the running copy, and the snapshot manager is
// found by its published window or by its title.
#include "main_dialog_fixture.h"

#include "app/FileVersion.h"
#include "app/ProgramMessages.h"
#include "platform/user/window.h"
#include "platform/win32/events.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/registry_key.h"
#include "platform/win32/threads.h"
#include "platform/win32/waits.h"

#include <atomic>
#include <cstring>

namespace zv::app::testing {
namespace {

class AppObjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TheTestApp();
        m_root = std::make_unique<zv::win32::testing::TempZvRoot>();
        ASSERT_TRUE(zv::win32::EnsureMachineFolders());
        zv::user::MessageBoxResponder::Reset();
    }
    void TearDown() override { m_root.reset(); }

    static TestApp& App() { return TheTestApp(); }

    std::unique_ptr<zv::win32::testing::TempZvRoot> m_root;
};

// Writes into the shared block, as the host status thread does, until told to stop.
struct BlockWriter {
    HANDLE stop = nullptr;
    BYTE* block = nullptr;
    std::atomic<long> writes{0};
};

DWORD WriteUntilStopped(LPVOID parameter)
{
    auto* writer = static_cast<BlockWriter*>(parameter);
    while (WaitForSingleObject(writer->stop, 0) == WAIT_TIMEOUT) {
        writer->block[0x350] = static_cast<BYTE>(writer->writes.fetch_add(1));
    }
    return 0;
}

TEST_F(AppObjectTest, ExitStopsTheStatusThreadBeforeTheSharedBlockGoes)
{
    App().MapSharedData();
    ASSERT_NE(g_pSharedData.load(), nullptr);
    BlockWriter writer;
    writer.block = g_pSharedData.load();
    writer.stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(writer.stop, nullptr);
    App().StatusStopEvent = writer.stop;
    App().StatusThread = CreateThread(nullptr, 0, &WriteUntilStopped, &writer, 0, nullptr);
    ASSERT_NE(App().StatusThread, nullptr);
    while (writer.writes.load() == 0) {
    }
    // A thread still writing when the block is unmapped would fault here.
    App().ExitInstance();
    EXPECT_EQ(App().StatusThread, nullptr);
    EXPECT_EQ(App().StatusStopEvent, nullptr);
    EXPECT_EQ(g_pSharedData.load(), nullptr);
    EXPECT_EQ(App().m_hSharedData, nullptr);
}

TEST_F(AppObjectTest, InstallInformationDescribesTheRunningCopy)
{
    CZelvanteApp::WriteInstallInfo();
    const zv::win32::Key key = zv::win32::Key::Open(HKEY_LOCAL_MACHINE, "Software\\Kestrova\\Zelvante");
    // The test program carries the program's version resource.
    EXPECT_EQ(key.String("Version").value_or("<absent>"), "3.2.2.0");
    EXPECT_EQ(key.String("Directory").value_or("<absent>"), ProgramFolder());
}

// The snapshot manager: its published window while that is still a window, else the first window
// whose title holds "Snapshot manager".
struct FindCase {
    const char* name;
    bool publishLive;   // the block names a live window
    bool publishStale;  // the block names a window that is gone
    const char* otherTitle;
    bool expectPublished;
    bool expectTitled;
};

class SnapshotManagerTest : public AppObjectTest, public ::testing::WithParamInterface<FindCase> {};

HWND NewWindow(const char* title)
{
    return CreateWindowExA(0, "STATIC", title, WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
}

void Publish(HWND window)
{
    const auto value = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
    std::memcpy(g_pSharedData.load() + 0x364, &value, sizeof value);
}

TEST_P(SnapshotManagerTest, IsFound)
{
    const FindCase& c = GetParam();
    App().MapSharedData();
    ASSERT_NE(g_pSharedData.load(), nullptr);
    HWND published = NewWindow("Shotbox");
    HWND titled = NewWindow(c.otherTitle);
    if (c.publishLive)
        Publish(published);
    if (c.publishStale) {
        HWND gone = NewWindow("gone");
        Publish(gone);
        DestroyWindow(gone);
    }
    HWND found = CDlgZelvante::FindSnapshotManager();
    const HWND expected = c.expectPublished ? published : c.expectTitled ? titled : nullptr;
    EXPECT_EQ(found, expected);
    EXPECT_EQ(CDlgZelvante::ActivateSnapshotManager(), found != nullptr);
    DestroyWindow(published);
    DestroyWindow(titled);
    App().UnmapSharedData();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SnapshotManagerTest,
    ::testing::Values(FindCase{"Published", true, false, "Snapshot manager", true, false},
                      FindCase{"StaleFallsBackToTitle", false, true, "Zelvante Snapshot manager 2", false, true},
                      FindCase{"TitleIsCaseSensitive", false, false, "snapshot Manager", false, false},
                      FindCase{"NeitherPublishedNorTitled", false, false, "Notes", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppObjectTest, AMinimisedSnapshotManagerIsRestored)
{
    HWND manager = NewWindow("Snapshot manager");
    ShowWindow(manager, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(manager));
    EXPECT_TRUE(CDlgZelvante::ActivateSnapshotManager());
    EXPECT_FALSE(IsIconic(manager));
    DestroyWindow(manager);
}

// Records the close request the snapshot manager is sent.
LRESULT CALLBACK RecordClose(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == CloseRequestMessage) {
        SetWindowTextA(window, "Snapshot manager (closed)");
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(AppObjectTest, ShutdownSendsTheSnapshotManagerTheCloseRequest)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordClose;
    wc.lpszClassName = "SnapshotManagerStandIn";
    RegisterClassA(&wc);
    HWND manager = CreateWindowExA(0, wc.lpszClassName, "Snapshot manager", WS_POPUP, 0, 0, 50, 50, nullptr,
                                   nullptr, nullptr, nullptr);
    ASSERT_NE(manager, nullptr);
    CDlgZelvante::CloseSnapshotManager();
    char title[64] = {};
    GetWindowTextA(manager, title, sizeof title);
    EXPECT_STREQ(title, "Snapshot manager (closed)");
    DestroyWindow(manager);
}

} // namespace
} // namespace zv::app::testing
