// Test support for the main dialog's tabs, playlist window and slideshow: the sources fixture's
// dialog as the application's main window (the list view and the in-place editor talk to that),
// with tab 1 selected as the start-up does, which makes the playlist window.
#pragma once

#include "app/DlgPlaylist.h"
#include "app/MsgBox.h"
#include "app/PlayList.h"
#include "app/ProgramMessages.h"
#include "app/tests/sources_dialog_fixture.h"
#include "imagelib/PixImageType.h"
#include "platform/afx/afx_app.h"
#include "platform/user/testing/common_dialog_script.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zv::app::testing {

class PlaylistDialogTest : public SourcesDialogTest {
protected:
    void SetUp() override
    {
        SourcesDialogTest::SetUp();
        g_testApp.m_pMainWnd = dialog.get();
        g_testApp.m_strImageFile.clear();
        g_testApp.m_strVideoFile.clear();
        g_strLastBrowseFolder.clear();
        dialog->SelectTab(1);
        PumpAll();
        ASSERT_NE(dialog->PlayList(), nullptr);
    }
    void TearDown() override
    {
        zv::user::VirtualClock::Uninstall();
        SourcesDialogTest::TearDown();
        g_testApp.m_pMainWnd = nullptr;
    }

    // Handles what is queued, as the program's loop does (the in-place editor's keys included).
    static void PumpAll() { AfxPumpPendingMessages(); }

    CPlayList& List() const { return *dialog->PlayList(); }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        const CPlayList& list = List();
        if (const std::vector<PlayListEntry>* entries = list.CurrentList())
            for (const PlayListEntry& entry : *entries)
                names.push_back(entry.name);
        return names;
    }

    std::string Picture(const std::string& name, LONG width = 64, LONG height = 48)
    {
        CPixImage image(static_cast<DWORD>(width), static_cast<DWORD>(height), 24, PIXIMAGE_BMP);
        image.Clear(0x40);
        const std::string path = Path(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        EXPECT_TRUE(image.Save(path.c_str(), PIXIMAGE_BMP));
        return path;
    }
    // A file with the name only (folder search and list tests need no content).
    std::string Touch(const std::string& name)
    {
        const std::string path = Path(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path) << "x";
        return path;
    }
    // Adds the files to the list shown, as the File... command with a multiple choice does.
    void AddThroughChooser(const std::vector<std::string>& paths)
    {
        zv::user::testing::CommonDialogScript script;
        script.Then(zv::user::testing::CommonDialogScript::Choose(paths));
        dialog->SendMessage(WM_COMMAND, kAddFilesCommand, 0);
    }
    // Whether timer 6 runs (asking stops it, so it is started again with the dialog's interval).
    bool SlideshowTimerRuns() const
    {
        if (!KillTimer(dialog->GetSafeHwnd(), kSlideshowTimer))
            return false;
        SetTimer(dialog->GetSafeHwnd(), kSlideshowTimer, static_cast<UINT>(dialog->m_nSlideshowSeconds) * 1000u, nullptr);
        return true;
    }
    // Lets `seconds` pass on the virtual clock and handles the ticks.
    static void Wait(std::uint32_t seconds)
    {
        zv::user::VirtualClock::Advance(seconds * 1000u);
        PumpAll();
    }
};

} // namespace zv::app::testing
