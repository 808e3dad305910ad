// The framework's common dialog classes over a scripted display: what they ask, and what their
// members read back out of the answer.
#include "platform/afx/afxdlgs.h"
#include "platform/afx/afxwin.h"
#include "platform/user/testing/common_dialog_script.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using zv::user::CommonDialogRequest;
using namespace zv::user::testing;

class CommonDialogClassesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = fs::path(root.Path()) / "clips";
        fs::create_directories(m_folder);
        for (const char* name : {"one.avi", "two.avi", "three.mpg"})
            std::ofstream(m_folder / name) << name;
        ASSERT_TRUE(m_parent.CreateEx(0, nullptr, "main", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
    }
    void TearDown() override { m_parent.DestroyWindow(); }

    std::string In(const std::string& name) const { return (m_folder / name).string(); }

    zv::win32::testing::TempZvRoot root;
    fs::path m_folder;
    CWnd m_parent;
};

// Every path a multiple-selection dialog gives through its walk.
std::vector<std::string> Walk(const CFileDialog& dialog)
{
    std::vector<std::string> paths;
    for (POSITION pos = dialog.GetStartPosition(); pos != nullptr;)
        paths.push_back(dialog.GetNextPathName(pos));
    return paths;
}

TEST_F(CommonDialogClassesTest, FileDialogSelectionsWalkAsFullPaths)
{
    struct Case {
        const char* name;
        std::vector<std::string> answer;
        std::vector<std::string> walked;
    };
    const std::vector<Case> cases = {
        {"several", {In("one.avi"), In("three.mpg"), In("two.avi")}, {In("one.avi"), In("three.mpg"), In("two.avi")}},
        {"one", {In("two.avi")}, {In("two.avi")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CommonDialogScript script;
        script.Then(CommonDialogScript::Choose(c.answer));
        CFileDialog dialog(TRUE, "avi", nullptr, OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST,
                           "Video files (*.avi, *.mpg)|*.avi;*.mpg|All files (*.*)|*.*||", &m_parent);
        std::vector<char> names(2048, '\0'); // the caller's own bigger buffer
        dialog.m_ofn.lpstrFile = names.data();
        dialog.m_ofn.nMaxFile = static_cast<DWORD>(names.size());
        ASSERT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(Walk(dialog), c.walked);
        ASSERT_EQ(script.Seen().size(), 1u);
        const CommonDialogRequest asked = script.Seen()[0];
        EXPECT_EQ(asked.filter, "Video files (*.avi, *.mpg)|*.avi;*.mpg|All files (*.*)|*.*");
        EXPECT_EQ(asked.defaultExtension, "avi");
        EXPECT_TRUE(asked.multiSelect);
        EXPECT_EQ(asked.owner, m_parent.GetSafeHwnd());
    }
}

TEST_F(CommonDialogClassesTest, FileDialogNameParts)
{
    struct Case {
        const char* answer;
        const char* fileName;
        const char* extension;
        const char* title;
    };
    const std::vector<Case> cases = {
        {"one.avi", "one.avi", "avi", "one"},
        {"new", "new.jpg", "jpg", "new"}, // the default extension
        {"archive.tar.gz", "archive.tar.gz", "gz", "archive.tar"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        CommonDialogScript script;
        script.Then(CommonDialogScript::Choose({In(c.answer)}));
        CFileDialog dialog(FALSE, "jpg", "start.jpg", OFN_OVERWRITEPROMPT, nullptr, &m_parent);
        ASSERT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(dialog.GetPathName(), In(c.fileName));
        EXPECT_EQ(dialog.GetFileName(), c.fileName);
        EXPECT_EQ(dialog.GetFileExt(), c.extension);
        EXPECT_EQ(dialog.GetFileTitle(), c.title);
        EXPECT_EQ(fs::path(script.Seen().at(0).initialPath).filename(), "start.jpg");
    }
    CommonDialogScript script;
    script.Then(CommonDialogScript::Cancel());
    CFileDialog cancelled(TRUE);
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
}

TEST_F(CommonDialogClassesTest, ColourDialogKeepsCustomColoursBetweenDialogs)
{
    CommonDialogScript script;
    script.Then([](CommonDialogRequest& request) {
        request.colour = RGB(12, 34, 56);
        request.customColours.at(0) = RGB(1, 2, 3);
        return true;
    });
    CColorDialog first(RGB(200, 0, 0), CC_FULLOPEN, &m_parent);
    ASSERT_EQ(first.DoModal(), IDOK);
    EXPECT_EQ(first.GetColor(), RGB(12, 34, 56));
    CColorDialog second(RGB(0, 0, 9));
    EXPECT_EQ(second.DoModal(), IDCANCEL);
    const auto seen = script.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].colour, RGB(200, 0, 0));
    EXPECT_TRUE(seen[0].flags & CC_FULLOPEN);
    EXPECT_EQ(seen[1].colour, RGB(0, 0, 9));
    EXPECT_EQ(seen[1].customColours.at(0), RGB(1, 2, 3)) << "the first dialog's custom colour";
    EXPECT_EQ(second.GetColor(), RGB(0, 0, 9)) << "cancel leaves the colour";
}

TEST_F(CommonDialogClassesTest, FontDialogRoundTripsTheFontAndColour)
{
    const LOGFONTA initial = MakeLogFont("Liberation Sans", -16, FW_NORMAL);
    const LOGFONTA answer = MakeLogFont("Liberation Serif", -27, FW_BOLD, kItalic | kUnderline | kStrikeOut);
    CommonDialogScript script;
    script.Then([&](CommonDialogRequest& request) {
        request.font = answer;
        request.colour = RGB(0, 128, 255);
        return true;
    });
    CFontDialog dialog(&initial, CF_SCREENFONTS | CF_EFFECTS | CF_FORCEFONTEXIST | CF_NOSCRIPTSEL, nullptr, &m_parent);
    dialog.m_cf.rgbColors = RGB(255, 255, 0);
    ASSERT_EQ(dialog.DoModal(), IDOK);
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(std::memcmp(&script.Seen()[0].font, &initial, sizeof(LOGFONTA)), 0);
    EXPECT_EQ(script.Seen()[0].colour, RGB(255, 255, 0));
    LOGFONTA chosen;
    dialog.GetCurrentFont(&chosen);
    LOGFONTA expected = answer;
    expected.lfCharSet = DEFAULT_CHARSET;
    EXPECT_EQ(std::memcmp(&chosen, &expected, sizeof(LOGFONTA)), 0);
    EXPECT_EQ(dialog.GetColor(), RGB(0, 128, 255));
    EXPECT_EQ(dialog.GetFaceName(), "Liberation Serif");
    EXPECT_EQ(dialog.GetSize(), 203);
    EXPECT_TRUE(dialog.IsUnderline() && dialog.IsStrikeOut() && dialog.IsBold() && dialog.IsItalic());
}

} // namespace
