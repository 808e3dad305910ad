// The application object without its window: the exit stops the status thread before the shared
// block goes, and the install information describes the running copy.
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

} // namespace
} // namespace zv::app::testing
