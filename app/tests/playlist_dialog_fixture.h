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

using zv::user::testing::CommonDialogScript;

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
        ASSERT_NE(dialog->PlayList(), nullptr);
    }
    void TearDown() override
    {
        zv::user::VirtualClock::Uninstall();
        SourcesDialogTest::TearDown();
        g_testApp.m_pMainWnd = nullptr;
    }

    // Handles what is queued as the program's loop does (the in-place editor's keys included).
    static void PumpAll() { AfxPumpPendingMessages(); }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        const CPlayList& list = *dialog->PlayList();
        for (const PlayListEntry& entry : *list.CurrentList())
            names.push_back(entry.name);
        return names;
    }
    // A file of that name below the test's folder: a small picture for ".bmp", else one byte.
    std::string File(const std::string& name)
    {
        const std::string path = Path(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        if (path.ends_with(".bmp")) {
            CPixImage image(64, 48, 24, PIXIMAGE_BMP);
            EXPECT_TRUE(image.Save(path.c_str(), PIXIMAGE_BMP));
        } else {
            std::ofstream(path) << "x";
        }
        return path;
    }
    // The File... command of the list shown, answered with these files.
    void AddFiles(const std::vector<std::string>& paths)
    {
        CommonDialogScript script;
        script.Then(CommonDialogScript::Choose(paths));
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
};

} // namespace zv::app::testing
