// The snapshot dialog's file commands in this process: saving with the overwrite question, a batch
// that never overwrites itself, the close prompt, the Delete key, and titles that stay with their
// pictures.
#include "Shotbox/tests/dialog_fixture.h"

#include "platform/user/virtual_keys.h"
#include "platform/win32/system_time.h"

namespace {

using namespace shotbox::testing;
using zv::user::MessageBoxResponder;
using zv::user::testing::CommonDialogScript;

// Empty files under every snapshot name of the next seconds, so that the save meets one.
void OccupyNextNames(const std::string& folder, int milliseconds)
{
    SYSTEMTIME now{};
    GetSystemTime(&now);
    timespec clock{};
    clock_gettime(CLOCK_REALTIME, &clock);
    for (int ms = -50; ms < milliseconds; ++ms) {
        const long long total = static_cast<long long>(clock.tv_sec) * 1000 + clock.tv_nsec / 1000000 + ms;
        const SYSTEMTIME at = zv::win32::SystemTimeOf(total / 1000, static_cast<long>(total % 1000) * 1000000);
        std::ofstream(JoinPath(folder, SnapshotFileName("", at)));
    }
}

std::uintmax_t SizeOf(const std::string& path)
{
    std::error_code error;
    const auto size = fs::file_size(path, error);
    return error ? 0 : size;
}

struct OverwriteCase {
    const char* name;
    int answer;
    bool overwritten;
    std::vector<std::string> boxesAfterQuestion;
};

TEST_F(SnapshotDialogTest, SavingOverAnExistingFileAsksFirst)
{
    const std::vector<OverwriteCase> cases = {
        {"Yes replaces it", IDYES, true, {"1 file was saved to " + m_target + "."}},
        {"No keeps it", IDNO, false, {"0 files were saved to " + m_target + "."}},
        {"Cancel stops at once", IDCANCEL, false, {}},
    };
    for (const OverwriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        CDlgSnapshots& dialog = OpenAfresh();
        Snap();
        const std::string temporary = dialog.Browser().GetItem(0)->GetPath();
        CommonDialogScript folders;
        // The names are taken as the folder is chosen: the save follows at once.
        folders.Then([this](zv::user::CommonDialogRequest& request) {
            OccupyNextNames(m_target, 10000);
            request.paths = {m_target};
            return true;
        });
        MessageBoxResponder::SetScript({c.answer, IDOK});
        Click(IDC_SAVE_TO_DISK);

        const auto texts = BoxTexts();
        ASSERT_GE(texts.size(), 1u);
        EXPECT_EQ(0u, texts[0].find("The file \"" + m_target + "/")) << texts[0];
        EXPECT_NE(std::string::npos, texts[0].find("Do you want to overwrite existing file?"));
        EXPECT_EQ(c.boxesAfterQuestion, std::vector<std::string>(texts.begin() + 1, texts.end()));
        EXPECT_EQ(!c.overwritten, fs::exists(temporary));
        const std::string now = dialog.Browser().GetItem(0)->GetPath();
        if (c.overwritten) {
            EXPECT_EQ(m_target, FolderOf(now));
            EXPECT_GT(SizeOf(now), 0u);
            EXPECT_TRUE(dialog.Browser().GetItem(0)->IsSelected());
            EXPECT_TRUE(dialog.Browser().GetItem(0)->GetTitle().empty());
            // Saved again: nothing left to save.
            MessageBoxResponder::Reset();
            Click(IDC_SAVE_TO_DISK);
            EXPECT_EQ(std::vector<std::string>{"There are no unsaved images in the list."}, BoxTexts());
        } else {
            EXPECT_EQ(temporary, now);
        }
        m_dialog->DestroyWindow();
    }
}

TEST_F(SnapshotDialogTest, OneBatchNeverOverwritesItsOwnFiles)
{
    CDlgSnapshots& dialog = Open();
    for (int i = 0; i < 4; ++i)
        Snap();
    ASSERT_EQ(4, dialog.Browser().GetItemCount());
    CommonDialogScript folders;
    folders.Then(CommonDialogScript::Choose({m_target}));
    Click(IDC_SAVE_TO_DISK);
    EXPECT_EQ(std::vector<std::string>{"4 files were saved to " + m_target + "."}, BoxTexts());
    EXPECT_EQ(4u, FilesIn(m_target).size());
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m_target, FolderOf(dialog.Browser().GetItem(i)->GetPath()));
        EXPECT_TRUE(dialog.Browser().GetItem(i)->IsSelected());
    }
}

enum class CloseEnd { Closed, Stays };
struct CloseCase {
    const char* name;
    std::vector<int> answers;
    bool chooseFolder;
    bool unreadableSnapshot;
    CloseEnd end;
    std::size_t leftInTemp;
    std::size_t saved;
};

TEST_F(SnapshotDialogTest, ClosingAsksAboutUnsavedSnapshots)
{
    const std::vector<CloseCase> cases = {
        {"No deletes them", {IDNO}, false, false, CloseEnd::Closed, 0, 0},
        {"Cancel stays", {IDCANCEL}, false, false, CloseEnd::Stays, 2, 0},
        {"Yes without a folder stays", {IDYES}, false, false, CloseEnd::Stays, 2, 0},
        {"Yes saves them all", {IDYES, IDOK}, true, false, CloseEnd::Closed, 0, 2},
        {"a copy that fails keeps the dialog and the file", {IDYES, IDOK, IDOK, IDOK}, true, true, CloseEnd::Stays, 1, 1},
    };
    for (const CloseCase& c : cases) {
        SCOPED_TRACE(c.name);
        CDlgSnapshots& dialog = OpenAfresh();
        Snap();
        Snap();
        if (c.unreadableSnapshot) {
            // A folder in the picture's place: the copy cannot read it.
            const std::string path = dialog.Browser().GetItem(1)->GetPath();
            fs::remove(path);
            fs::create_directory(path);
        }
        CommonDialogScript folders;
        if (c.chooseFolder)
            folders.Then(CommonDialogScript::Choose({m_target}));
        MessageBoxResponder::SetScript(c.answers);
        SendMessageA(Dialog(), CloseRequestMessage, 0, 0);
        Pump();

        EXPECT_EQ(c.end == CloseEnd::Stays, IsWindowVisible(Dialog()) != FALSE);
        EXPECT_EQ(c.leftInTemp, FilesIn(TempFolder()).size());
        EXPECT_EQ(c.saved, FilesIn(m_target).size());
        const auto texts = BoxTexts();
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(0u, texts[0].find("There are unsaved images in the list."));
        if (c.unreadableSnapshot) {
            ASSERT_EQ(4u, texts.size());
            EXPECT_EQ(0u, texts[1].find("Error saving file"));
            EXPECT_EQ("These images were not saved and stay in the list:\r\n" + dialog.Browser().GetItem(1)->GetPath(),
                      texts[3]);
        }
        fs::remove_all(TempFolder());
        m_dialog->DestroyWindow();
    }
}

TEST_F(SnapshotDialogTest, DeleteAsksAndDeletesOnlyUnsavedSnapshotFiles)
{
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        MessageBoxResponder::Reset();
        CDlgSnapshots& dialog = Open();
        Snap();
        const std::string snapshot = dialog.Browser().GetItem(0)->GetPath();
        const std::string saved = m_target + "/mine.jpg";
        WriteJpeg(saved, 640, 480);
        dialog.Browser().SelectItem(dialog.Browser().AddItem(saved.c_str()), TRUE);
        ASSERT_EQ(2, dialog.Browser().GetSelectedCount());

        MessageBoxResponder::SetScript({answer});
        PostMessageA(dialog.Browser().GetSafeHwnd(), WM_KEYDOWN, VK_DELETE, 0);
        Pump();
        const auto texts = BoxTexts();
        ASSERT_EQ(1u, texts.size());
        EXPECT_EQ(0u, texts[0].find("Remove the 2 selected images from the list?"));
        EXPECT_EQ(answer == IDNO, fs::exists(snapshot));
        EXPECT_TRUE(fs::exists(saved)) << "a picture of the user's own stays on the disk";
        EXPECT_EQ(answer == IDNO ? 2 : 0, dialog.Browser().GetItemCount());
        m_dialog->DestroyWindow();
        fs::remove_all(TempFolder());
    }
}

TEST_F(SnapshotDialogTest, ATitleStaysWithItsPictureWhenAnotherIsRemoved)
{
    CDlgSnapshots& dialog = Open();
    for (int i = 0; i < 3; ++i)
        Snap();
    CImgBrowser& browser = dialog.Browser();
    const std::string third = browser.GetItem(2)->GetPath();
    browser.SetFocusItem(2);
    SetDlgItemTextA(Dialog(), IDC_TITLE, "sunset");

    // Only the first picture selected, then deleted.
    browser.ClearSelection();
    browser.SelectItem(0, TRUE);
    MessageBoxResponder::SetScript({IDYES});
    PostMessageA(browser.GetSafeHwnd(), WM_KEYDOWN, VK_DELETE, 0);
    Pump();
    ASSERT_EQ(2, browser.GetItemCount());

    browser.SetFocusItem(0);
    for (int i = 0; i < browser.GetItemCount(); ++i)
        EXPECT_EQ(browser.GetItem(i)->GetPath() == third ? "sunset" : "", browser.GetItem(i)->GetTitle()) << i;
}

} // namespace

namespace {

using namespace shotbox::testing;
using zv::user::MessageBoxResponder;

// Without the main program there is no user to send for: each picture fails before any request.
TEST_F(SnapshotDialogTest, SendingWithoutTheMainProgramStopsOrAsksAsThePicturesCount)
{
    const std::string noUser = "This operation requires the Zelvante program running and a user being logged in.";
    struct Case {
        int pictures;
        std::vector<int> answers;
        std::vector<std::string> boxes;
    };
    const std::vector<Case> cases = {
        {0, {}, {"No picture is selected."}},
        {1, {}, {noUser}},
        {2, {IDOK, IDNO}, {noUser, "PROMPT", "0 files were submitted to the server."}},
        {2, {IDOK, IDYES, IDOK}, {noUser, "PROMPT", noUser, "0 files were submitted to the server."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pictures);
        CDlgSnapshots& dialog = Open();
        for (int i = 0; i < c.pictures; ++i)
            Snap();
        if (c.pictures == 0)
            dialog.Browser().ClearSelection();
        MessageBoxResponder::Reset();
        MessageBoxResponder::SetScript(c.answers);
        Click(IDC_SEND_TO_SERVER);
        std::vector<std::string> expected = c.boxes;
        for (std::string& text : expected)
            if (text == "PROMPT")
                text = "The file \"" + dialog.Browser().GetItem(0)->GetPath() +
                       "\" was not submitted to the server.\r\nDo you want to continue sending other files?";
        EXPECT_EQ(expected, BoxTexts());
        m_dialog->DestroyWindow();
        fs::remove_all(TempFolder());
    }
}

} // namespace
