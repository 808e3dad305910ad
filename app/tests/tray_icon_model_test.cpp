// The main window's tray icon against the desktop's tray model: adding once and changing after,
// removing, tips and balloons cut or refused by length, and a desktop without a tray.
#include "app/TrayIcon.h"

#include "platform/user/headless_display.h"
#include "platform/user/headless_tray.h"
#include "platform/user/resource_images.h"
#include "platform/user/window.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr UINT kCallback = 0x8064;

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = std::make_unique<zv::win32::testing::TempZvRoot>();
        zv::user::headless::SetTrayPresent(true);
        zv::user::headless::TakeBalloons();
        m_window = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_window, nullptr);
        m_icon = LoadIconA(nullptr, MAKEINTRESOURCEA(128));
        ASSERT_NE(m_icon, nullptr);
        // The same picture at another size is another icon.
        m_otherIcon = zv::user::LoadSharedIcon(nullptr, MAKEINTRESOURCEA(128), false, 16, 16);
        ASSERT_NE(m_otherIcon, nullptr);
        ASSERT_NE(m_otherIcon, m_icon);
    }
    void TearDown() override
    {
        zv::user::headless::SetTrayPresent(true);
        DestroyWindow(m_window);
        m_root.reset();
    }

    std::unique_ptr<CTrayIcon> NewTrayIcon() const
    {
        auto tray = std::make_unique<CTrayIcon>();
        tray->m_nid.hWnd = m_window;
        tray->m_nid.uCallbackMessage = kCallback;
        return tray;
    }

    std::unique_ptr<zv::win32::testing::TempZvRoot> m_root;
    HWND m_window = nullptr;
    HICON m_icon = nullptr;
    HICON m_otherIcon = nullptr;
};

TEST_F(TrayIconTest, StartsWithTheProgramsTipAndNothingShown)
{
    CTrayIcon tray;
    EXPECT_STREQ(tray.m_nid.szTip, "Zelvante");
    EXPECT_EQ(tray.m_nid.uID, CTrayIcon::kIconId);
    EXPECT_FALSE(tray.IsShown());
    // Removing what is not there asks nothing of the desktop.
    EXPECT_TRUE(tray.SetIcon(nullptr, nullptr));
    EXPECT_TRUE(zv::user::ShownTrayIcons().empty());
}

TEST_F(TrayIconTest, AddsOnceThenChangesThenRemoves)
{
    auto tray = NewTrayIcon();
    ASSERT_TRUE(tray->SetIcon(m_icon, nullptr));
    ASSERT_TRUE(tray->SetIcon(m_otherIcon, "second"));
    auto shown = zv::user::ShownTrayIcons();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, m_otherIcon);
    EXPECT_EQ(shown[0].tip, "second");
    EXPECT_EQ(shown[0].callbackMessage, kCallback);
    EXPECT_EQ(shown[0].id, CTrayIcon::kIconId);

    EXPECT_TRUE(tray->SetIcon(nullptr, nullptr));
    EXPECT_FALSE(tray->IsShown());
    EXPECT_TRUE(zv::user::ShownTrayIcons().empty());
}

TEST_F(TrayIconTest, GoesWithItsOwner)
{
    {
        auto tray = NewTrayIcon();
        ASSERT_TRUE(tray->SetIcon(m_icon, nullptr));
    }
    EXPECT_TRUE(zv::user::ShownTrayIcons().empty());
}

TEST_F(TrayIconTest, ALongTipIsCut)
{
    auto tray = NewTrayIcon();
    const std::string tip(200, 't');
    ASSERT_TRUE(tray->SetIcon(m_icon, tip.c_str()));
    auto shown = zv::user::ShownTrayIcons();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].tip, std::string(127, 't'));
}

TEST_F(TrayIconTest, BalloonTextsUpToTheirRoomAreShown)
{
    struct Case {
        std::size_t length;
        bool shown;
    };
    auto tray = NewTrayIcon();
    ASSERT_TRUE(tray->SetIcon(m_icon, nullptr));
    for (const Case c : {Case{1, true}, Case{255, true}, Case{256, false}, Case{300, false}}) {
        const std::string text(c.length, 'b');
        EXPECT_EQ(tray->ShowBalloon(text.c_str()), c.shown) << c.length;
        const auto balloons = zv::user::headless::TakeBalloons();
        ASSERT_EQ(balloons.size(), c.shown ? 1u : 0u) << c.length;
        if (c.shown) {
            EXPECT_EQ(balloons[0].balloonText, text);
            EXPECT_EQ(balloons[0].balloonTitle, "");
        }
    }
}

TEST_F(TrayIconTest, AFailedAddIsTriedAgainNextTime)
{
    auto tray = NewTrayIcon();
    zv::user::headless::SetTrayPresent(false);
    EXPECT_FALSE(tray->SetIcon(m_icon, nullptr));
    EXPECT_FALSE(tray->IsShown());
    zv::user::headless::SetTrayPresent(true);
    EXPECT_TRUE(tray->SetIcon(m_icon, nullptr));
    EXPECT_TRUE(tray->IsShown());
    EXPECT_EQ(zv::user::ShownTrayIcons().size(), 1u);
}

} // namespace
