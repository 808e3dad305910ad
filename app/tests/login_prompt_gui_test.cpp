// The IP address prompt and the login dialog on an X display (Xvfb in CI) with the gtk display,
// used with real input (xdotool) from a second thread while the dialog runs modally: the address
// typed into the IP control and the page's OK clicked returns that address; a password typed into
// the login dialog and its OK clicked ends it with that password. The pictures are kept in
// ZV_TEST_PICTURES as zelvante-ip-prompt.png and zelvante-login.png.
#include "app/DlgHostLogin.h"
#include "app/DlgPrompt.h"
#include "platform/afx/control_hosting.h"
#include "platform/browser/web_browser_control.h"
#include "platform/user/gtk/tests/gtk_desktop_fixture.h"
#include "platform/user/ip_address.h"
#include "platform/win32/com.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "app/tests/main_window_screen.h" // Xlib last: its macros would spoil our headers

namespace {

using zv::app::testing::KeepPicture;
using zv::user::gtk::test::Eventually;
using zv::user::gtk::test::XdoTool;
using zv::user::gtk::test::XScreen;

// The prompt page's background (#D4D4D4).
constexpr COLORREF kPageBackground = RGB(0xD4, 0xD4, 0xD4);

// A modal dialog shown on the X screen, seen from the thread that plays the user.
class ShownDialog {
public:
    ShownDialog(const XScreen& screen, const char* caption) : m_screen(screen), m_caption(caption) {}

    // Waits until the dialog is on the screen.
    bool Appeared()
    {
        return Eventually(
            [&] {
                m_window = FindWindowA(nullptr, m_caption);
                m_place = m_screen.PlaceOfNamed(m_caption);
                return m_window && m_place.right > m_place.left;
            },
            {}, std::chrono::seconds(20));
    }
    HWND Handle() const { return m_window; }
    const RECT& Place() const { return m_place; }

    // A point of the window system's screen on the X screen, as xdotool takes it: the X window
    // shows the whole dialog window, frame and caption included.
    POINT OnX(POINT at) const
    {
        RECT window{};
        GetWindowRect(m_window, &window);
        return POINT{m_place.left + at.x - window.left, m_place.top + at.y - window.top};
    }
    std::string At(int x, int y) const
    {
        const POINT onX = OnX(POINT{x, y});
        return std::to_string(onX.x) + " " + std::to_string(onX.y);
    }
    // The centre of a control on the screen.
    std::string CentreOf(int id) const
    {
        RECT control{};
        GetWindowRect(GetDlgItem(m_window, id), &control);
        return At((control.left + control.right) / 2, (control.top + control.bottom) / 2);
    }
    bool Click(const std::string& at) const { return XdoTool("mousemove " + at + " click 1"); }
    // Ends the dialog when the user's part failed, so that the test goes on.
    void Cancel() const { PostMessageA(m_window, WM_COMMAND, IDCANCEL, 0); }

private:
    const XScreen& m_screen;
    const char* m_caption;
    HWND m_window = nullptr;
    RECT m_place{};
};

// The vertical middle of the page's first button: the tallest run of pixels other than the
// page's background in a column just inside the button's left edge.
std::optional<int> ButtonMiddle(const zv::gdi::Surface& strip, int column)
{
    if (strip.GetPixel(column, 2) != kPageBackground) // the page is not drawn yet
        return std::nullopt;
    int bestStart = 0, bestLength = 0, start = -1;
    for (int y = 0; y <= strip.Height(); ++y) {
        const bool background = y == strip.Height() || strip.GetPixel(column, y) == kPageBackground;
        if (!background && start < 0)
            start = y;
        if (background && start >= 0) {
            if (y - start > bestLength) {
                bestStart = start;
                bestLength = y - start;
            }
            start = -1;
        }
    }
    if (bestLength < 12) // taller than a line of text
        return std::nullopt;
    return bestStart + bestLength / 2;
}

class LoginPromptGuiTest : public zv::user::gtk::test::GtkDesktopTest {
protected:
    void SetUp() override
    {
        StartOnGtkDisplay();
        if (!Started())
            return;
        ASSERT_TRUE(m_screen.IsOpen());
        // What the program's start-up does before it hosts a browser.
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        m_comStarted = true;
        AfxEnableControlContainer();
        zv::browser::RegisterWebBrowserClass();
    }
    void TearDown() override
    {
        if (m_comStarted)
            CoUninitialize();
    }

    XScreen m_screen;
    bool m_comStarted = false;
};

TEST_F(LoginPromptGuiTest, TheAddressTypedIntoThePromptIsReturnedByThePagesOk)
{
    CDlgPrompt prompt;
    std::string failure;
    std::thread user([&] {
        ShownDialog shown(m_screen, "Enter IP address");
        if (!shown.Appeared()) {
            failure = "the prompt never appeared";
            return;
        }
        const auto fail = [&](const char* what) {
            failure = what;
            shown.Cancel();
        };
        // The page lies in the strip below the template's controls.
        RECT client{};
        GetClientRect(shown.Handle(), &client);
        POINT stripCorner{0, client.bottom - CDHtmlDialog::kPageHeight};
        ClientToScreen(shown.Handle(), &stripCorner);
        const POINT corner = shown.OnX(stripCorner);
        const RECT strip{corner.x, corner.y, corner.x + client.right, corner.y + CDHtmlDialog::kPageHeight};
        std::optional<int> middle;
        if (!Eventually(
                [&] {
                    const auto picture = m_screen.Capture(strip);
                    middle = picture ? ButtonMiddle(*picture, 14) : std::nullopt;
                    return middle.has_value();
                },
                {}, std::chrono::seconds(20))) {
            KeepPicture(m_screen, shown.Place(), "zelvante-ip-prompt.png");
            return fail("the page's OK button was not drawn");
        }
        // The control is the first tab stop: it has the focus, its first field selected. A click on
        // the label brings the keyboard back to the dialog from the page, which may have taken it
        // while it loaded, and leaves the focus where it is.
        const HWND control = GetDlgItem(shown.Handle(), CDlgPrompt::kAddressControl);
        RECT field{};
        GetWindowRect(control, &field);
        RECT dialog{};
        GetWindowRect(shown.Handle(), &dialog);
        if (!shown.Click(shown.At((dialog.left + field.left) / 2, (field.top + field.bottom) / 2)))
            return fail("xdotool failed");
        if (!XdoTool("type --delay 40 10.1.7.21"))
            return fail("xdotool failed");
        DWORD typed = 0;
        if (!Eventually([&] {
                return SendMessageA(control, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&typed)) == 4 &&
                       typed == MAKEIPADDRESS(10, 1, 7, 21);
            })) {
            failure = "the address did not reach the control: " + std::to_string(typed);
            shown.Cancel();
            return;
        }

        KeepPicture(m_screen, shown.Place(), "zelvante-ip-prompt.png");
        if (!shown.Click(std::to_string(strip.left + 10 + 30) + " " + std::to_string(strip.top + *middle)))
            return fail("xdotool failed");
        if (!Eventually([] { return FindWindowA(nullptr, "Enter IP address") == nullptr; }))
            return fail("the page's OK did not end the prompt");
    });
    const INT_PTR result = prompt.DoModal();
    user.join();
    EXPECT_EQ(failure, "");
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(prompt.m_dwAddress, MAKEIPADDRESS(10, 1, 7, 21));
}

TEST_F(LoginPromptGuiTest, APasswordTypedIntoTheLoginDialogEndsItWithOk)
{
    CDlgHostLogin dialog;
    dialog.m_strLoginName = "anna";
    std::string failure;
    std::thread user([&] {
        ShownDialog shown(m_screen, "Zelvante Login");
        if (!shown.Appeared()) {
            failure = "the login dialog never appeared";
            return;
        }
        const auto fail = [&](const char* what) {
            failure = what;
            shown.Cancel();
        };
        const HWND ok = GetDlgItem(shown.Handle(), IDOK);
        if (IsWindowEnabled(ok))
            return fail("OK was enabled without a password");
        // The focus is in the password edit already.
        if (!XdoTool("type --delay 40 'pa ss'"))
            return fail("xdotool failed");
        if (!Eventually([&] { return IsWindowEnabled(ok) != FALSE; }))
            return fail("OK stayed disabled after the password was typed");
        KeepPicture(m_screen, shown.Place(), "zelvante-login.png");
        if (!shown.Click(shown.CentreOf(IDOK)))
            return fail("xdotool failed");
    });
    const INT_PTR result = dialog.DoModal();
    user.join();
    EXPECT_EQ(failure, "");
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.m_strLoginName, "anna");
    EXPECT_EQ(dialog.m_strPassword, "pa ss");
    EXPECT_EQ(dialog.m_nRememberName, 1);
}

} // namespace
