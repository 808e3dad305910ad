// File, colour and font dialogs answered by a script: what reaches the caller's structure, the
// refusals the dialogs make before closing, and the modal wait.
#include "platform/user/common_dialog_modal.h"
#include "platform/user/common_dialogs.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/user/testing/common_dialog_script.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using zv::user::CommonDialogRequest;
using zv::user::MessageBoxResponder;
using zv::user::testing::CommonDialogScript;
using namespace zv::user::testing; // MakeLogFont and its styles

class CommonDialogsTest : public zv::user::test::WindowSystemTest {
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        MessageBoxResponder::Reset();
        m_folder = fs::path(std::getenv("ZV_ROOT")) / "pictures";
        fs::create_directories(m_folder);
        for (const char* name : {"a.jpg", "b.jpg", "plain", "plain.jpg.txt"})
            std::ofstream(m_folder / name) << name;
    }
    void TearDown() override
    {
        MessageBoxResponder::Reset();
        WindowSystemTest::TearDown();
    }

    std::string In(const std::string& name) const { return (m_folder / name).string(); }

    fs::path m_folder;
};

OPENFILENAMEA OpenRequest(char* buffer, DWORD size, DWORD flags, LPCSTR defaultExtension = nullptr)
{
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = size;
    ofn.lpstrFilter = "Images\0*.jpg;*.bmp\0All files\0*.*\0";
    ofn.lpstrDefExt = defaultExtension;
    ofn.Flags = flags;
    return ofn;
}

// The result buffer up to its double NUL, NULs shown as '|'.
std::string Shown(const char* buffer, std::size_t size)
{
    std::string text;
    for (std::size_t i = 0; i < size && !(buffer[i] == '\0' && (i + 1 == size || buffer[i + 1] == '\0')); ++i)
        text += buffer[i] ? buffer[i] : '|';
    return text;
}

TEST_F(CommonDialogsTest, FileAnswersReachTheCallersBuffer)
{
    const std::string folder = m_folder.string();
    struct Case {
        const char* name;
        bool open;
        DWORD flags;
        const char* defaultExtension;
        std::vector<std::string> answer;
        std::string result; // NULs as '|'
        WORD fileOffset;
        WORD extensionOffset;
    };
    const DWORD multi = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST;
    const std::vector<Case> cases = {
        {"one file", true, OFN_FILEMUSTEXIST, nullptr, {In("a.jpg")}, In("a.jpg"),
         static_cast<WORD>(folder.size() + 1), static_cast<WORD>(folder.size() + 3)},
        {"name relative to the start folder gets the default extension", false, OFN_PATHMUSTEXIST, "jpg",
         {"pictures/new"}, In("new.jpg"), static_cast<WORD>(folder.size() + 1), static_cast<WORD>(folder.size() + 5)},
        {"bare name kept when only it exists", true, OFN_FILEMUSTEXIST, "jpg", {In("plain")}, In("plain"),
         static_cast<WORD>(folder.size() + 1), static_cast<WORD>(folder.size() + 6)},
        {"name with a dot keeps its extension", false, 0, "jpg", {In("c.png")}, In("c.png"),
         static_cast<WORD>(folder.size() + 1), static_cast<WORD>(folder.size() + 3)},
        {"several files: folder then names", true, multi, nullptr, {In("a.jpg"), In("b.jpg")},
         folder + "|a.jpg|b.jpg", static_cast<WORD>(folder.size() + 1), 0},
        {"one file of a multiple selection is its full path", true, multi, nullptr, {In("b.jpg")}, In("b.jpg"),
         static_cast<WORD>(folder.size() + 1), static_cast<WORD>(folder.size() + 3)},
        {"old-style multiple selection separates by spaces", true, OFN_ALLOWMULTISELECT, nullptr,
         {In("a.jpg"), In("b.jpg")}, folder + " a.jpg b.jpg", static_cast<WORD>(folder.size() + 1), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommonDialogScript script;
        script.Then(CommonDialogScript::Choose(c.answer));
        char buffer[512] = {};
        OPENFILENAMEA ofn = OpenRequest(buffer, sizeof buffer, c.flags, c.defaultExtension);
        ofn.lpstrInitialDir = std::getenv("ZV_ROOT");
        ASSERT_TRUE(c.open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn));
        EXPECT_EQ(CommDlgExtendedError(), 0u);
        EXPECT_EQ(Shown(buffer, sizeof buffer), c.result);
        EXPECT_EQ(ofn.nFileOffset, c.fileOffset);
        EXPECT_EQ(ofn.nFileExtension, c.extensionOffset);
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_EQ(script.Seen()[0].kind, c.open ? CommonDialogRequest::Kind::OpenFile : CommonDialogRequest::Kind::SaveFile);
        EXPECT_EQ(script.Seen()[0].filter, "Images|*.jpg;*.bmp|All files|*.*");
        EXPECT_EQ(script.Seen()[0].multiSelect, (c.flags & OFN_ALLOWMULTISELECT) != 0);
    }
}

TEST_F(CommonDialogsTest, FileDialogFailuresAndCancel)
{
    struct Case {
        const char* name;
        DWORD flags;
        DWORD bufferSize;
        CommonDialogScript::Answer answer;
        DWORD error;
    };
    const DWORD multi = OFN_ALLOWMULTISELECT | OFN_EXPLORER;
    const std::vector<Case> cases = {
        {"cancel", 0, 512, CommonDialogScript::Cancel(), 0},
        {"result longer than the buffer", multi, 8, CommonDialogScript::Choose({In("a.jpg"), In("b.jpg")}),
         FNERR_BUFFERTOOSMALL},
        {"several files for a single selection", 0, 512, CommonDialogScript::Choose({In("a.jpg"), In("b.jpg")}),
         CDERR_DIALOGFAILURE},
        {"several files from different folders", multi, 512, CommonDialogScript::Choose({In("a.jpg"), "/tmp/b.jpg"}),
         CDERR_DIALOGFAILURE},
        {"OK without a file", 0, 512, CommonDialogScript::Choose({}), CDERR_DIALOGFAILURE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommonDialogScript script;
        script.Then(c.answer);
        char buffer[512];
        std::memset(buffer, 'x', sizeof buffer);
        buffer[0] = '\0';
        OPENFILENAMEA ofn = OpenRequest(buffer, c.bufferSize, c.flags);
        EXPECT_FALSE(GetOpenFileNameA(&ofn));
        EXPECT_EQ(CommDlgExtendedError(), c.error);
        if (c.error == FNERR_BUFFERTOOSMALL) {
            WORD needed = 0;
            std::memcpy(&needed, buffer, sizeof needed);
            EXPECT_EQ(needed, m_folder.string().size() + std::strlen("|a.jpg|b.jpg||"));
        }
    }
}

TEST_F(CommonDialogsTest, AnswersTheDialogWouldRefuseAreAskedAgain)
{
    struct Case {
        const char* name;
        bool open;
        DWORD flags;
        std::string refused;
        const char* why; // in the warning box and the next request
    };
    const std::vector<Case> cases = {
        {"missing file that must exist", true, OFN_FILEMUSTEXIST, In("gone.jpg"), "File not found"},
        {"missing folder of a new file", false, OFN_PATHMUSTEXIST, In("nowhere/new.jpg"), "Path does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageBoxResponder::Reset();
        CommonDialogScript script;
        script.Then(CommonDialogScript::Choose({c.refused})).Then(CommonDialogScript::Choose({In("a.jpg")}));
        char buffer[512] = {};
        OPENFILENAMEA ofn = OpenRequest(buffer, sizeof buffer, c.flags);
        ASSERT_TRUE(c.open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn));
        EXPECT_EQ(std::string(buffer), In("a.jpg"));
        const auto seen = script.Seen();
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_TRUE(seen[0].refusal.empty());
        EXPECT_NE(seen[1].refusal.find(c.why), std::string::npos) << seen[1].refusal;
        ASSERT_EQ(MessageBoxResponder::History().size(), 1u);
        EXPECT_EQ(MessageBoxResponder::History()[0].text, seen[1].refusal);
    }
}

TEST_F(CommonDialogsTest, AScriptThatKeepsBeingRefusedEndsAsCancel)
{
    CommonDialogScript script;
    for (int i = 0; i <= zv::user::kMaxRefusals + 1; ++i)
        script.Then(CommonDialogScript::Choose({In("gone.jpg")}));
    char buffer[512] = {};
    OPENFILENAMEA ofn = OpenRequest(buffer, sizeof buffer, OFN_FILEMUSTEXIST);
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_EQ(script.Seen().size(), static_cast<std::size_t>(zv::user::kMaxRefusals + 1));
}

TEST_F(CommonDialogsTest, TheOwnerIsDisabledWhileTheCallingThreadServesSends)
{
    constexpr UINT kAsk = WM_APP + 7;
    zv::user::test::RecordingWindow ownerWindow;
    ownerWindow.answer = [](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == kAsk)
            return static_cast<LRESULT>(wParam * 2);
        return std::nullopt;
    };
    const HWND owner = zv::user::test::CreateAt(ownerWindow, WS_OVERLAPPED | WS_VISIBLE, 10, 10, 100, 100);
    bool enabledDuring = true;
    LRESULT answered = 0;
    CommonDialogScript script;
    script.Then([&](CommonDialogRequest& request) {
        enabledDuring = IsWindowEnabled(owner);
        answered = SendMessageA(owner, kAsk, 21, 0); // from the display's thread to the waiting one
        request.colour = RGB(1, 2, 3);
        return true;
    });
    COLORREF custom[16] = {};
    CHOOSECOLORA cc{sizeof cc, owner, nullptr, 0, custom, 0, 0, nullptr, nullptr};
    ASSERT_TRUE(ChooseColorA(&cc));
    EXPECT_EQ(cc.rgbResult, RGB(1, 2, 3));
    EXPECT_FALSE(enabledDuring);
    EXPECT_EQ(answered, 42);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

TEST_F(CommonDialogsTest, FontDialogChoiceAndEffects)
{
    const LOGFONTA initial = MakeLogFont("Liberation Serif", -16, FW_NORMAL, kUnderline);
    const LOGFONTA chosen = MakeLogFont("Liberation Sans", -32, FW_BOLD, kItalic | kStrikeOut);
    struct Case {
        const char* name;
        DWORD flags;
        BYTE underline, strikeOut, charSet;
        COLORREF colour;
        WORD type;
    };
    const DWORD screen = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_FORCEFONTEXIST;
    const std::vector<Case> cases = {
        {"with effects", screen | CF_EFFECTS, 0, 1, 0, RGB(9, 8, 7), SCREEN_FONTTYPE | BOLD_FONTTYPE | ITALIC_FONTTYPE},
        {"without effects keeps underline, strike-out and colour", screen, 1, 0, 0, RGB(1, 1, 1),
         SCREEN_FONTTYPE | BOLD_FONTTYPE | ITALIC_FONTTYPE},
        {"no script selection gives the default set", screen | CF_EFFECTS | CF_NOSCRIPTSEL, 0, 1, DEFAULT_CHARSET,
         RGB(9, 8, 7), SCREEN_FONTTYPE | BOLD_FONTTYPE | ITALIC_FONTTYPE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommonDialogScript script;
        script.Then([&](CommonDialogRequest& request) {
            request.font = chosen;
            request.colour = RGB(9, 8, 7);
            return true;
        });
        LOGFONTA font = initial;
        CHOOSEFONTA cf{};
        cf.lStructSize = sizeof cf;
        cf.lpLogFont = &font;
        cf.Flags = c.flags;
        cf.rgbColors = RGB(1, 1, 1);
        ASSERT_TRUE(ChooseFontA(&cf));
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_STREQ(script.Seen()[0].font.lfFaceName, "Liberation Serif");
        EXPECT_STREQ(font.lfFaceName, "Liberation Sans");
        EXPECT_EQ(font.lfHeight, -32);
        EXPECT_EQ(font.lfUnderline, c.underline);
        EXPECT_EQ(font.lfStrikeOut, c.strikeOut);
        EXPECT_EQ(font.lfCharSet, c.charSet);
        EXPECT_EQ(cf.rgbColors, c.colour);
        EXPECT_EQ(cf.iPointSize, 240) << "32 pixels at 96 per inch";
        EXPECT_EQ(cf.nFontType, c.type);
    }
}

TEST_F(CommonDialogsTest, FontDialogRefusesFacesTheMachineLacks)
{
    struct Case {
        const char* face;
        bool taken;
    };
    const std::vector<Case> cases = {
        {"No Such Face Anywhere", false},
        {"", false},
        {"Liberation Mono", true},
        {"Arial", true}, // its metric stand-in is installed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face);
        MessageBoxResponder::Reset();
        CommonDialogScript script;
        for (const char* face : {c.face, "Liberation Serif"})
            script.Then([face](CommonDialogRequest& request) {
                request.font = MakeLogFont(face, -12, FW_NORMAL);
                return true;
            });
        LOGFONTA font{};
        CHOOSEFONTA cf{};
        cf.lStructSize = sizeof cf;
        cf.lpLogFont = &font;
        cf.Flags = CF_SCREENFONTS | CF_FORCEFONTEXIST;
        ASSERT_TRUE(ChooseFontA(&cf));
        EXPECT_STREQ(font.lfFaceName, c.taken ? c.face : "Liberation Serif");
        EXPECT_EQ(script.Seen().size(), c.taken ? 1u : 2u);
        EXPECT_EQ(MessageBoxResponder::History().size(), c.taken ? 0u : 1u);
    }
}

} // namespace
