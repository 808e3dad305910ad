// Tray icons on the headless display: what Shell_NotifyIconA keeps, refuses, and delivers.
#include "platform/user/headless_tray.h"
#include "platform/user/shell_tray.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/win32/last_error.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using TrayCall = struct zv::user::test::Received;

constexpr UINT kTrayMessage = 0x8064;
constexpr UINT kIconId = 168;

class ShellTrayTest : public zv::user::test::WindowSystemTest {
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        window = recorder.Create();
        ASSERT_NE(window, nullptr);
        zv::user::headless::TakeBalloons();
    }
    void TearDown() override
    {
        for (const auto& icon : zv::user::ShownTrayIcons()) {
            NOTIFYICONDATAA data = Data(0);
            data.hWnd = icon.hwnd;
            data.uID = icon.id;
            Shell_NotifyIconA(NIM_DELETE, &data);
        }
        zv::user::headless::SetTrayPresent(true);
        DestroyWindow(window);
        WindowSystemTest::TearDown();
    }

    NOTIFYICONDATAA Data(UINT flags, const char* tip = "") const
    {
        NOTIFYICONDATAA data{};
        data.cbSize = NOTIFYICONDATAA_V2_SIZE_32;
        data.hWnd = window;
        data.uID = kIconId;
        data.uFlags = flags;
        data.uCallbackMessage = kTrayMessage;
        std::strncpy(data.szTip, tip, sizeof(data.szTip) - 1);
        return data;
    }

    std::vector<TrayCall> Drain()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        std::vector<TrayCall> tray;
        for (const auto& r : recorder.Log())
            if (r.message == kTrayMessage)
                tray.push_back(r);
        return tray;
    }

    zv::user::test::RecordingWindow recorder;
    HWND window = nullptr;
};

TEST_F(ShellTrayTest, AddModifyAndDeleteKeepTheModel)
{
    NOTIFYICONDATAA data = Data(NIF_ICON | NIF_TIP | NIF_MESSAGE, "Zelvante");
    data.hIcon = reinterpret_cast<HICON>(0x1234);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
    auto shown = zv::user::ShownTrayIcons();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].tip, "Zelvante");
    EXPECT_EQ(shown[0].icon, data.hIcon);
    EXPECT_EQ(shown[0].callbackMessage, kTrayMessage);

    // A change names only what it changes: the icon stays when the tip alone is given.
    NOTIFYICONDATAA tipOnly = Data(NIF_TIP, "New tip");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &tipOnly));
    shown = zv::user::ShownTrayIcons();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].tip, "New tip");
    EXPECT_EQ(shown[0].icon, data.hIcon);

    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &tipOnly));
    EXPECT_TRUE(zv::user::ShownTrayIcons().empty());
}

TEST_F(ShellTrayTest, RefusesWhatWindowsRefuses)
{
    struct Case {
        const char* what;
        bool addFirst;
        DWORD message;
        DWORD size;
        bool otherWindow;
        bool trayPresent;
    };
    const Case cases[] = {
        {"second add of the same icon", true, NIM_ADD, NOTIFYICONDATAA_V2_SIZE_32, false, true},
        {"change of an icon not shown", false, NIM_MODIFY, NOTIFYICONDATAA_V2_SIZE_32, false, true},
        {"removal of an icon not shown", false, NIM_DELETE, NOTIFYICONDATAA_V2_SIZE_32, false, true},
        {"a window that does not exist", false, NIM_ADD, NOTIFYICONDATAA_V2_SIZE_32, true, true},
        {"a size smaller than any version", false, NIM_ADD, 40, false, true},
        {"an unknown message", true, 7, NOTIFYICONDATAA_V2_SIZE_32, false, true},
        {"a desktop without a tray", false, NIM_ADD, NOTIFYICONDATAA_V2_SIZE_32, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NOTIFYICONDATAA data = Data(NIF_TIP, "tip");
        if (c.addFirst) {
            ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
        }
        const std::size_t before = zv::user::ShownTrayIcons().size();
        zv::user::headless::SetTrayPresent(c.trayPresent);
        data.cbSize = c.size;
        if (c.otherWindow)
            data.hWnd = reinterpret_cast<HWND>(0x7654321);
        EXPECT_FALSE(Shell_NotifyIconA(c.message, &data));
        EXPECT_EQ(zv::user::ShownTrayIcons().size(), before);
        zv::user::headless::SetTrayPresent(true);
        data = Data(0);
        Shell_NotifyIconA(NIM_DELETE, &data);
    }
    EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, nullptr));
}

TEST_F(ShellTrayTest, ClicksReachTheWindowAsTheCallbackMessage)
{
    NOTIFYICONDATAA data = Data(NIF_TIP | NIF_MESSAGE, "tip");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
    const UINT clicks[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_LBUTTONDBLCLK};
    for (UINT click : clicks)
        EXPECT_TRUE(zv::user::DeliverTrayMouse(window, kIconId, click));
    EXPECT_FALSE(zv::user::DeliverTrayMouse(window, kIconId + 1, WM_LBUTTONUP)) << "no such icon";
    const auto received = Drain();
    ASSERT_EQ(received.size(), std::size(clicks));
    for (std::size_t i = 0; i < received.size(); ++i) {
        EXPECT_EQ(received[i].wParam, kIconId);
        EXPECT_EQ(static_cast<UINT>(received[i].lParam), clicks[i]);
    }
}

TEST_F(ShellTrayTest, IconWithoutCallbackMessageTellsNothing)
{
    NOTIFYICONDATAA data = Data(NIF_TIP, "tip");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
    EXPECT_FALSE(zv::user::DeliverTrayMouse(window, kIconId, WM_LBUTTONUP));
    EXPECT_TRUE(Drain().empty());
}

TEST_F(ShellTrayTest, BalloonsAndTextsAreCutToTheirFields)
{
    NOTIFYICONDATAA data = Data(NIF_TIP);
    std::memset(data.szTip, 'x', sizeof(data.szTip)); // no terminator at all
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &data));
    EXPECT_EQ(zv::user::ShownTrayIcons().at(0).tip, std::string(127, 'x'));

    NOTIFYICONDATAA balloon = Data(NIF_INFO);
    std::strcpy(balloon.szInfo, "Zelvante\r\nYou have a new message!");
    balloon.dwInfoFlags = NIIF_INFO;
    balloon.uTimeout = 10000;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &balloon));
    auto balloons = zv::user::headless::TakeBalloons();
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_EQ(balloons[0].balloonText, balloon.szInfo);
    EXPECT_EQ(balloons[0].balloonFlags, NIIF_INFO);
    EXPECT_EQ(balloons[0].tip, std::string(127, 'x')) << "a balloon leaves the tip alone";

    // The first version of the structure has a 64-character tip and no balloon.
    NOTIFYICONDATAA first = Data(NIF_TIP | NIF_INFO);
    first.cbSize = NOTIFYICONDATAA_V1_SIZE_32;
    std::memset(first.szTip, 'y', 100);
    std::strcpy(first.szInfo, "ignored");
    ASSERT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &first));
    EXPECT_EQ(zv::user::ShownTrayIcons().at(0).tip, std::string(63, 'y'));
    EXPECT_TRUE(zv::user::headless::TakeBalloons().empty());
}

} // namespace
