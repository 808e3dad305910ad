// The tray on a real X server: NIM_ADD succeeds exactly when the screen has a system tray (Xvfb
// has none, so there it must fail within its bound), and balloons never hang without a
// notification service.
#include "platform/user/display.h"
#include "platform/user/gtk/gtk_tray.h"
#include "platform/user/shell_tray.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/user/gtk/tests/gtk_desktop_fixture.h"

#include "platform/user/gtk/tests/x_screen.h" // Xlib last: its macros would spoil our headers

namespace {

class GtkTrayTest : public zv::user::gtk::test::GtkDesktopTest {
protected:
    void SetUp() override
    {
        StartOnGtkDisplay();
        if (!Started())
            return;
        ASSERT_TRUE(m_x.IsOpen());
        m_window = m_recorder.Create("tray owner", WS_POPUP);
        ASSERT_NE(m_window, nullptr);
    }
    void TearDown() override
    {
        if (m_window)
            DestroyWindow(m_window);
    }

    // A system tray is whoever owns the screen's tray selection.
    bool ScreenHasTray() const
    {
        const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(m_x.Get()));
        return XGetSelectionOwner(m_x.Get(), XInternAtom(m_x.Get(), name.c_str(), False)) != 0;
    }

    zv::user::gtk::test::XScreen m_x;
    zv::user::test::RecordingWindow m_recorder;
    HWND m_window = nullptr;
};

TEST_F(GtkTrayTest, AddSucceedsExactlyWhenTheDesktopHasATray)
{
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE_32;
    data.hWnd = m_window;
    data.uID = 168;
    data.uFlags = NIF_TIP | NIF_MESSAGE;
    data.uCallbackMessage = 0x8064;
    std::strcpy(data.szTip, "Zelvante");

    const bool added = Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
    EXPECT_EQ(added, ScreenHasTray());
    EXPECT_EQ(zv::user::ShownTrayIcons().size(), added ? 1u : 0u);
    // What was not added cannot be changed or removed; what was, can.
    std::strcpy(data.szTip, "changed");
    EXPECT_EQ(Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE, added);
    EXPECT_EQ(Shell_NotifyIconA(NIM_DELETE, &data) != FALSE, added);
    EXPECT_TRUE(zv::user::ShownTrayIcons().empty());
}

TEST_F(GtkTrayTest, BalloonWithoutNotificationServiceIsDroppedNotHung)
{
    zv::user::TrayIconState icon;
    icon.hwnd = m_window;
    icon.id = 168;
    icon.tip = "Zelvante";
    icon.balloonText = "Zelvante\r\nYou have a new message!";
    icon.balloonFlags = NIIF_INFO;
    icon.balloonTimeout = 10000;
    zv::user::gtk::Tray().ShowBalloon(icon);
    zv::user::gtk::FlushBalloons(); // returns once the service took it or refused it
}

} // namespace
