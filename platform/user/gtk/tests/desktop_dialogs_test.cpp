// The desktop's own dialogs on a real X server (the gui tests run under Xvfb), answered with
// xdotool as a person would while the program's thread waits in them.
#include "platform/user/common_dialogs.h"
#include "platform/user/display.h"
#include "platform/user/message_box.h"
#include "platform/user/testing/screenshots.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "platform/user/gtk/tests/gtk_desktop_fixture.h"

#include "platform/user/gtk/tests/x_screen.h" // Xlib last: its macros would spoil our headers

namespace {

namespace fs = std::filesystem;
using zv::user::test::CreateAt;
using zv::user::test::DispatchQueued;
using zv::user::test::RecordingWindow;
using zv::user::gtk::test::Eventually;
using zv::user::gtk::test::XdoTool;
using zv::user::gtk::test::XScreen;

constexpr UINT kPing = WM_USER + 7;

// Waits for the dialog titled `title` on the screen, keeps its picture, puts the pointer into it
// (without a window manager the keyboard follows the pointer) and gives it the xdotool input, one
// xdotool command line per line.
bool AnswerDialog(const std::string& title, const std::string& input, const std::string& picture)
{
    XScreen x;
    Window dialog = 0;
    RECT place{};
    if (!Eventually([&] { return (dialog = x.FindNamed(title)) != 0 && (place = x.PlaceOf(dialog)).right != 0; }))
        return false;
    // Let GTK draw it before the picture and the keys.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (const char* folder = std::getenv("ZV_TEST_PICTURES"); folder && *folder) {
        if (auto shot = x.Capture(place))
            zv::user::testing::WriteBmp(*shot, (fs::path(folder) / (picture + ".bmp")).string());
    }
    const int midX = (place.left + place.right) / 2;
    const int midY = (place.top + place.bottom) / 2;
    if (!XdoTool("mousemove " + std::to_string(midX) + " " + std::to_string(midY)))
        return false;
    std::istringstream lines(input);
    for (std::string line; std::getline(lines, line);) {
        if (!XdoTool(line))
            return false;
    }
    return true;
}

class DesktopDialogsTest : public zv::user::gtk::test::GtkDesktopTest {
protected:
    void SetUp() override
    {
        StartOnGtkDisplay();
        if (!Started())
            return;
        m_owner = CreateAt(m_window, WS_OVERLAPPEDWINDOW, 40, 40, 300, 200);
        SetWindowTextA(m_owner, "Dialog Owner");
        ShowWindow(m_owner, SW_SHOWNORMAL);
        UpdateWindow(m_owner);
        DispatchQueued();
        m_folder = fs::temp_directory_path() / ("zv-dialogs-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
    }
    void TearDown() override
    {
        if (m_owner)
            DestroyWindow(m_owner);
        DispatchQueued();
        std::error_code error;
        fs::remove_all(m_folder, error);
        m_root.reset();
    }

    // Runs the dialog on this thread while another thread answers it as a person would.
    template <typename Show>
    auto WhileAnswered(const std::string& title, const std::string& input, const std::string& picture, Show show)
    {
        auto answering = std::async(std::launch::async, [=] { return AnswerDialog(title, input, picture); });
        auto result = show();
        EXPECT_TRUE(answering.get()) << "the dialog \"" << title << "\" did not show or take the input";
        return result;
    }

    RecordingWindow m_window;
    HWND m_owner = nullptr;
    fs::path m_folder;

private:
};

TEST_F(DesktopDialogsTest, FileChoosersTakeTypedNamesAndEscapeCancels)
{
    struct Case {
        bool open;
        const char* title;
        std::string input;
        BOOL answered;
        std::string path; // the answer, when answered
    };
    const std::string existing = (m_folder / "letter.txt").string();
    std::ofstream(existing) << "Dear";
    // The chooser opens in the initial folder: a typed name opens its location field, Enter takes
    // it. (A whole typed path races with the field's completion, which eats characters.)
    const Case cases[] = {
        {true, "Open Nothing", "key Escape", FALSE, ""},
        {true, "Open Letter", "type --delay 60 letter.txt\nsleep 0.5\nkey Return", TRUE, existing},
        {false, "Save Answer", "key ctrl+a\ntype --delay 60 answer\nsleep 0.5\nkey Return", TRUE,
         (m_folder / "answer.txt").string()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        char file[512] = "";
        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = m_owner;
        ofn.lpstrFilter = "Text files\0*.TXT\0All files\0*.*\0";
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = file;
        ofn.nMaxFile = sizeof file;
        ofn.lpstrInitialDir = m_folder.c_str();
        ofn.lpstrTitle = c.title;
        ofn.lpstrDefExt = "txt";
        ofn.Flags = c.open ? OFN_FILEMUSTEXIST : 0;
        const std::string picture = std::string("desktop_dialogs_") + (c.open ? "open" : "save");
        const BOOL answered = WhileAnswered(c.title, c.input, picture, [&] {
            return c.open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
        });
        EXPECT_EQ(answered, c.answered);
        EXPECT_EQ(CommDlgExtendedError(), 0u);
        if (c.answered) {
            EXPECT_EQ(std::string(file), c.path);
        }
        EXPECT_TRUE(IsWindowEnabled(m_owner)) << "the owner is enabled again";
    }
}

TEST_F(DesktopDialogsTest, TheColourChooserCancelledLeavesTheCallersColours)
{
    COLORREF custom[16] = {};
    custom[0] = RGB(0x80, 0x10, 0x90);
    struct Case {
        const char* input;
        BOOL answered;
    };
    const Case cases[] = {{"key Escape", FALSE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        CHOOSECOLORA cc{};
        cc.lStructSize = sizeof cc;
        cc.hwndOwner = m_owner;
        cc.rgbResult = RGB(0x12, 0x9A, 0xCD);
        cc.lpCustColors = custom;
        cc.Flags = CC_RGBINIT;
        const BOOL answered = WhileAnswered("Color", c.input, "desktop_dialogs_colour", [&] { return ChooseColorA(&cc); });
        EXPECT_EQ(answered, c.answered);
        EXPECT_EQ(cc.rgbResult, RGB(0x12, 0x9A, 0xCD));
        EXPECT_EQ(custom[0], RGB(0x80, 0x10, 0x90));
    }
}

TEST_F(DesktopDialogsTest, TheFontChooserCancelledLeavesTheLogFont)
{
    LOGFONTA font{};
    std::strcpy(font.lfFaceName, "DejaVu Serif");
    font.lfHeight = -16;
    font.lfWeight = FW_BOLD;
    font.lfUnderline = 1;
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = m_owner;
    cf.lpLogFont = &font;
    cf.Flags = CF_INITTOLOGFONTSTRUCT | CF_EFFECTS | CF_SCREENFONTS;
    const BOOL answered = WhileAnswered("Font", "key Escape", "desktop_dialogs_font", [&] { return ChooseFontA(&cf); });
    EXPECT_FALSE(answered);
    EXPECT_STREQ(font.lfFaceName, "DejaVu Serif");
    EXPECT_EQ(font.lfHeight, -16);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_EQ(font.lfUnderline, 1);
}

TEST_F(DesktopDialogsTest, MessageBoxesAnswerWithTheButtonTheKeyChose)
{
    struct Case {
        UINT type;
        const char* input;
        int answer;
    };
    const Case cases[] = {
        {MB_YESNOCANCEL | MB_ICONQUESTION, "key n", IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON2, "key Return", IDNO},
        {MB_YESNOCANCEL, "key Escape", IDCANCEL},
        {MB_OK | MB_ICONINFORMATION, "key Escape", IDOK},
        // Yes and No only: Escape does nothing, the user must choose.
        {MB_YESNO | MB_ICONEXCLAMATION, "key Escape sleep 0.3 key y", IDYES},
        {MB_RETRYCANCEL | MB_ICONERROR, "key r", IDRETRY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const int answer = WhileAnswered("Question Box", c.input, "desktop_dialogs_message_box", [&] {
            return MessageBoxA(m_owner, "Save the changes to the letter?", "Question Box", c.type);
        });
        EXPECT_EQ(answer, c.answer);
    }
}

TEST_F(DesktopDialogsTest, TheOwnersThreadServesSentMessagesWhileTheBoxIsUp)
{
    m_window.answer = [](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        if (message == kPing)
            return static_cast<LRESULT>(wParam + 1);
        return std::nullopt;
    };
    const HWND owner = m_owner;
    auto sender = std::async(std::launch::async, [owner] {
        XScreen x;
        if (!Eventually([&] { return x.FindNamed("Busy Box") != 0; }))
            return std::make_pair(LRESULT{-1}, TRUE);
        const BOOL enabled = IsWindowEnabled(owner);
        const LRESULT reply = SendMessageA(owner, kPing, 41, 0);
        AnswerDialog("Busy Box", "key Return", "desktop_dialogs_busy");
        return std::make_pair(reply, enabled);
    });
    const int answer = MessageBoxA(m_owner, "Working", "Busy Box", MB_OK);
    const auto [reply, enabledMeanwhile] = sender.get();
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(reply, 42);
    EXPECT_FALSE(enabledMeanwhile) << "the owner is disabled while its box is up";
    EXPECT_TRUE(IsWindowEnabled(m_owner));
    m_window.answer = nullptr;
}

} // namespace
