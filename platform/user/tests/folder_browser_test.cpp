// The folder browser: the callback's conversation with it, validation of typed names, and the
// id lists it hands out.
#include "platform/user/folder_browser.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/user/testing/common_dialog_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using zv::user::CommonDialogRequest;
using zv::user::CurrentThreadId;
using zv::user::MessageBoxResponder;
using zv::user::testing::CommonDialogScript;

class FolderBrowserTest : public zv::user::test::WindowSystemTest {
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        MessageBoxResponder::Reset();
        m_root = fs::path(std::getenv("ZV_ROOT")) / "photos";
        fs::create_directories(m_root / "2024");
        fs::create_directories(m_root / "2025");
    }
    void TearDown() override
    {
        MessageBoxResponder::Reset();
        WindowSystemTest::TearDown();
    }
    std::string At(const std::string& name) const { return (m_root / name).string(); }

    fs::path m_root;
};

// What a program's callback does: select the remembered folder at the start, show each new
// selection as the status text, and decide about names that are not folders.
struct Conversation {
    std::string remembered;
    int answerToInvalid = 0;
    std::vector<std::pair<UINT, std::string>> heard;
    DWORD thread = CurrentThreadId();
    bool heardElsewhere = false; // on a thread other than the caller's
};

int CALLBACK Callback(HWND hwnd, UINT message, LPARAM lParam, LPARAM data)
{
    auto& talk = *reinterpret_cast<Conversation*>(data);
    talk.heardElsewhere = talk.heardElsewhere || CurrentThreadId() != talk.thread;
    switch (message) {
    case BFFM_INITIALIZED:
        talk.heard.emplace_back(message, "");
        SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(talk.remembered.c_str()));
        return 0;
    case BFFM_SELCHANGED: {
        char path[MAX_PATH];
        SHGetPathFromIDListA(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path);
        talk.heard.emplace_back(message, path);
        SendMessageA(hwnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
        return 0;
    }
    case BFFM_VALIDATEFAILEDA:
        talk.heard.emplace_back(message, reinterpret_cast<const char*>(lParam));
        return talk.answerToInvalid;
    default:
        return 0;
    }
}

TEST_F(FolderBrowserTest, TheCallbackSelectsAndShowsTheStatusOnTheCallersThread)
{
    Conversation talk{At("2024"), 0, {}, CurrentThreadId(), false};
    std::string statusAtStart, statusAfterMove, startedIn;
    CommonDialogScript script;
    script.Then([&](CommonDialogRequest& request) {
        startedIn = request.initialPath;
        statusAtStart = request.statusText;
        statusAfterMove = request.selectFolder(At("2025"));
        request.paths = {"../2024"}; // typed, relative to the selection
        return true;
    });
    char name[MAX_PATH] = {};
    BROWSEINFOA info{nullptr, nullptr, name, "Select a folder", BIF_EDITBOX | BIF_VALIDATE | BIF_NEWDIALOGSTYLE,
                     Callback, reinterpret_cast<LPARAM>(&talk), -1};
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
    ASSERT_NE(chosen, nullptr);
    char path[MAX_PATH];
    ASSERT_TRUE(SHGetPathFromIDListA(chosen, path));
    ILFree(chosen);
    EXPECT_EQ(std::string(path), At("2024"));
    EXPECT_STREQ(name, "2024");
    EXPECT_EQ(startedIn, At("2024"));
    EXPECT_EQ(statusAtStart, At("2024"));
    EXPECT_EQ(statusAfterMove, At("2025"));
    const std::vector<std::pair<UINT, std::string>> expected = {
        {BFFM_INITIALIZED, ""}, {BFFM_SELCHANGED, At("2024")}, {BFFM_SELCHANGED, At("2025")}};
    EXPECT_EQ(talk.heard, expected);
    EXPECT_FALSE(talk.heardElsewhere);
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].title, "Select a folder");
}

TEST_F(FolderBrowserTest, NamesThatAreNotFoldersAndCancel)
{
    struct Case {
        const char* name;
        UINT flags;
        int answerToInvalid;
        std::vector<CommonDialogScript::Answer> answers;
        const char* result; // null: the browser gives nothing
        std::size_t asked;
        bool validationHeard;
        std::size_t boxes;
    };
    const auto choose = [](std::string path) { return CommonDialogScript::Choose({std::move(path)}); };
    const std::vector<Case> cases = {
        {"callback keeps the browser up", BIF_VALIDATE | BIF_EDITBOX, 1, {choose("missing"), choose("2025")}, "2025", 2,
         true, 0},
        {"callback closes the browser", BIF_VALIDATE | BIF_EDITBOX, 0, {choose("missing"), choose("2025")}, nullptr, 1,
         true, 0},
        {"without validation the browser refuses it", BIF_EDITBOX, 0, {choose("missing"), choose("2025")}, "2025", 2,
         false, 1},
        {"cancel", BIF_EDITBOX, 0, {CommonDialogScript::Cancel()}, nullptr, 1, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxResponder::Reset();
        Conversation talk{m_root.string(), c.answerToInvalid, {}, CurrentThreadId(), false};
        CommonDialogScript script;
        for (const auto& answer : c.answers)
            script.Then(answer);
        BROWSEINFOA info{nullptr, nullptr, nullptr, "Pick", c.flags, Callback, reinterpret_cast<LPARAM>(&talk), 0};
        PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
        char path[MAX_PATH] = {};
        EXPECT_EQ(SHGetPathFromIDListA(chosen, path), c.result != nullptr);
        ILFree(chosen);
        EXPECT_EQ(std::string(path), c.result ? At(c.result) : "");
        EXPECT_EQ(script.Seen().size(), c.asked);
        const bool validationHeard = std::any_of(talk.heard.begin(), talk.heard.end(), [](const auto& h) {
            return h.first == BFFM_VALIDATEFAILEDA && h.second == "missing";
        });
        EXPECT_EQ(validationHeard, c.validationHeard);
        EXPECT_EQ(MessageBoxResponder::History().size(), c.boxes);
    }
}

TEST_F(FolderBrowserTest, IdListsGiveBackOnlyPathsThatFit)
{
    struct Case {
        const char* name;
        std::string path;
        bool fits;
    };
    const std::vector<Case> cases = {
        {"ordinary path", At("2024"), true},
        {"longest that fits", "/" + std::string(MAX_PATH - 2, 'p'), true},
        {"one longer than the buffer", "/" + std::string(MAX_PATH - 1, 'p'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PIDLIST_ABSOLUTE pidl = ILCreateFromPathA(c.path.c_str());
        ASSERT_NE(pidl, nullptr);
        char path[MAX_PATH];
        std::fill(std::begin(path), std::end(path), 'x');
        EXPECT_EQ(SHGetPathFromIDListA(pidl, path), c.fits);
        EXPECT_EQ(std::string(path), c.fits ? c.path : "");
        ILFree(pidl);
    }
    char path[MAX_PATH] = "x";
    EXPECT_FALSE(SHGetPathFromIDListA(nullptr, path));
    EXPECT_EQ(ILCreateFromPathA(""), nullptr);
}

} // namespace
