// The plain pop-up menu, chosen by mouse and by keys while another thread plays the user.
#include "platform/user/input_events.h"
#include "platform/user/menu.h"
#include "platform/user/popup_menu.h"
#include "platform/user/testing/screenshots.h"
#include "platform/user/tests/window_system_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using zv::user::DeliverKey;
using zv::user::DeliverMouseButton;
using zv::user::DeliverMouseMove;
using zv::user::MouseButton;

constexpr WORD kTestMenu = 157; // Options: "&Font size" >, "&Full screen" (grayed), "&Snapshot manager"
constexpr int kItemHeight = 24;
constexpr int kEdge = 4;
constexpr int kSeparatorHeight = 9;

// One thing the user does while the menu is up.
struct Step {
    enum Kind { Key, Point, PointSeparator, Click, RightClick, ClickOutside } kind;
    UINT key = 0;
    std::size_t level = 0; // Point: which open level (0: the menu itself)
    int item = 0;          // Point: which item of it (the items above it all plain)
};

BOOL CALLBACK CollectMenus(HWND window, LPARAM list)
{
    // The test's only windows that never activate are the menu's; the top of the z-order comes
    // first, so the last opened level is put last.
    auto* levels = reinterpret_cast<std::vector<HWND>*>(list);
    if ((GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_NOACTIVATE) && IsWindowVisible(window))
        levels->insert(levels->begin(), window);
    return TRUE;
}

// The open (shown) menu levels, the menu itself first; waits (boundedly) until `count` are open.
std::vector<HWND> OpenLevels(std::size_t count)
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::vector<HWND> levels;
    while (std::chrono::steady_clock::now() < giveUp) {
        levels.clear();
        EnumWindows(CollectMenus, reinterpret_cast<LPARAM>(&levels));
        if (levels.size() >= count)
            break;
        std::this_thread::yield();
    }
    return levels;
}

// The screen point in the middle of an item's row of an open level.
POINT ItemPoint(HWND level, int item)
{
    RECT rect;
    GetWindowRect(level, &rect);
    return POINT{rect.left + 40, rect.top + kEdge + item * kItemHeight + kItemHeight / 2};
}

void Play(const std::vector<Step>& steps)
{
    for (const Step& step : steps) {
        OpenLevels(1); // input before the menu holds the mouse would go elsewhere
        switch (step.kind) {
        case Step::Key:
            DeliverKey(step.key, true);
            DeliverKey(step.key, false);
            break;
        case Step::Point:
        case Step::PointSeparator: {
            const auto levels = OpenLevels(step.level + 1);
            if (levels.size() <= step.level)
                return;
            POINT at = ItemPoint(levels[step.level], step.item);
            if (step.kind == Step::PointSeparator)
                at.y += kSeparatorHeight / 2 - kItemHeight / 2;
            DeliverMouseMove(at.x, at.y);
            break;
        }
        case Step::Click:
        case Step::RightClick: {
            const MouseButton button = step.kind == Step::Click ? MouseButton::Left : MouseButton::Right;
            DeliverMouseButton(button, true);
            DeliverMouseButton(button, false);
            break;
        }
        case Step::ClickOutside:
            DeliverMouseMove(630, 470);
            DeliverMouseButton(MouseButton::Left, true);
            DeliverMouseButton(MouseButton::Left, false);
            break;
        }
    }
}

void DispatchAll()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

class PopupMenuTest : public zv::user::test::WindowSystemTest {
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        m_owner = zv::user::test::CreateAt(m_ownerWindow, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
        ASSERT_NE(m_owner, nullptr);
        m_bar = LoadMenuA(nullptr, MAKEINTRESOURCEA(kTestMenu));
        ASSERT_NE(m_bar, nullptr);
        SetForegroundWindow(m_owner);
        SetFocus(m_owner);
    }
    void TearDown() override
    {
        DestroyMenu(m_bar);
        DestroyWindow(m_owner);
        WindowSystemTest::TearDown();
    }

    zv::user::test::RecordingWindow m_ownerWindow;
    HWND m_owner = nullptr;
    HMENU m_bar = nullptr;
};

TEST_F(PopupMenuTest, ChosenByMouseAndByKeys)
{
    // File: "&Video source" >, "Video &config...", separator, "E&xit".
    // Options: "&Font size" > ("&Largest", "&Smallest"), "&Full screen" (grayed), "&Snapshot manager".
    constexpr int kFile = 0;
    constexpr int kOptions = 1;
    struct Case {
        const char* name;
        int menu;
        UINT flags;
        std::vector<Step> steps;
        UINT chosen;
    };
    const std::vector<Case> cases = {
        {"Down to the last item, Enter", kOptions, 0, {{Step::Key, VK_DOWN}, {Step::Key, VK_DOWN}, {Step::Key, VK_DOWN}, {Step::Key, VK_RETURN}}, 32842},
        {"Up from nothing goes to the last item", kFile, 0, {{Step::Key, VK_UP}, {Step::Key, VK_RETURN}}, 32799},
        {"Down steps over the separator", kFile, 0, {{Step::Key, VK_DOWN}, {Step::Key, VK_DOWN}, {Step::Key, VK_DOWN}, {Step::Key, VK_RETURN}}, 32799},
        {"Right opens the sub-menu", kOptions, 0, {{Step::Key, VK_DOWN}, {Step::Key, VK_RIGHT}, {Step::Key, VK_DOWN}, {Step::Key, VK_RETURN}}, 32828},
        {"A grayed item is not chosen", kOptions, 0, {{Step::Key, VK_DOWN}, {Step::Key, VK_DOWN}, {Step::Key, VK_RETURN}, {Step::Key, VK_ESCAPE}}, 0},
        {"Left closes the sub-menu only", kOptions, 0, {{Step::Key, VK_DOWN}, {Step::Key, VK_RIGHT}, {Step::Key, VK_LEFT}, {Step::Key, VK_UP}, {Step::Key, VK_RETURN}}, 32842},
        {"Escape in a sub-menu closes it only", kOptions, 0, {{Step::Key, VK_DOWN}, {Step::Key, VK_RIGHT}, {Step::Key, VK_ESCAPE}, {Step::Key, VK_UP}, {Step::Key, VK_RETURN}}, 32842},
        {"The underlined letter chooses", kOptions, 0, {{Step::Key, 'S'}}, 32842},
        {"The underlined letter opens a sub-menu", kOptions, 0, {{Step::Key, 'F'}, {Step::Key, 'L'}}, 32824},
        {"Escape", kOptions, 0, {{Step::Key, VK_ESCAPE}}, 0},
        {"Click on an item", kOptions, 0, {{Step::Point, 0, 0, 2}, {Step::Click}}, 32842},
        {"Click through a sub-menu", kOptions, 0, {{Step::Point, 0, 0, 0}, {Step::Point, 0, 1, 0}, {Step::Click}}, 32824},
        {"Click on a grayed item, then outside", kOptions, 0, {{Step::Point, 0, 0, 1}, {Step::Click}, {Step::ClickOutside}}, 0},
        {"Click on the separator, then Escape", kFile, 0, {{Step::PointSeparator, 0, 0, 2}, {Step::Click}, {Step::Key, VK_ESCAPE}}, 0},
        {"The right button chooses nothing by default", kFile, 0, {{Step::Point, 0, 0, 1}, {Step::RightClick}, {Step::Key, VK_ESCAPE}}, 0},
        {"The right button chooses with TPM_RIGHTBUTTON", kFile, TPM_RIGHTBUTTON, {{Step::Point, 0, 0, 1}, {Step::RightClick}}, 2103},
        {"Click outside", kOptions, 0, {{Step::ClickOutside}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::thread user([&] { Play(c.steps); });
        const BOOL chosen =
            TrackPopupMenu(GetSubMenu(m_bar, c.menu), TPM_RETURNCMD | c.flags, 200, 100, 0, m_owner, nullptr);
        user.join();
        EXPECT_EQ(static_cast<UINT>(chosen), c.chosen);
        EXPECT_TRUE(OpenLevels(0).empty());
        EXPECT_EQ(GetCapture(), nullptr);
        DispatchAll();
    }
    // With TPM_RETURNCMD the choice is only the result.
    EXPECT_TRUE(zv::user::test::Received(m_ownerWindow, {WM_COMMAND}).empty());
}

TEST_F(PopupMenuTest, HighlightAndOpenSubMenuReachTheScreen)
{
    const COLORREF highlight = GetSysColor(COLOR_MENUHILIGHT);
    const COLORREF background = GetSysColor(COLOR_MENU);
    ASSERT_NE(highlight, background);
    COLORREF hovered = 0;
    COLORREF below = 0;
    COLORREF subMenu = 0;
    std::thread user([&] {
        Play({{Step::Point, 0, 0, 0}});
        const auto levels = OpenLevels(2);
        if (levels.size() == 2) {
            const POINT item = ItemPoint(levels[0], 0);
            const POINT next = ItemPoint(levels[0], 2);
            const POINT inside = ItemPoint(levels[1], 1);
            // The repaint follows the hover on the menu's thread: wait (boundedly) until it shows.
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (zv::user::headless::ScreenPixel(item.x - 36, item.y) != highlight &&
                   std::chrono::steady_clock::now() < giveUp)
                std::this_thread::yield();
            hovered = zv::user::headless::ScreenPixel(item.x - 36, item.y);
            below = zv::user::headless::ScreenPixel(next.x - 36, next.y);
            subMenu = zv::user::headless::ScreenPixel(inside.x - 36, inside.y);
            zv::user::testing::KeepScreenshot("user_popup_menu");
        }
        Play({{Step::Key, VK_ESCAPE}, {Step::Key, VK_ESCAPE}});
    });
    EXPECT_EQ(TrackPopupMenu(GetSubMenu(m_bar, 1), TPM_RETURNCMD, 200, 100, 0, m_owner, nullptr), 0);
    user.join();
    EXPECT_EQ(hovered, highlight);
    EXPECT_EQ(below, background);
    EXPECT_EQ(subMenu, background);
}

TEST_F(PopupMenuTest, ChoiceGoesToTheOwnerAsCommandAndStaysOnScreen)
{
    RECT menuRect{};
    std::thread user([&] {
        const auto levels = OpenLevels(1);
        if (!levels.empty())
            GetWindowRect(levels[0], &menuRect);
        // The menu's loop serves messages sent to the owner's thread meanwhile.
        SendMessageA(m_owner, WM_APP + 5, 7, 0);
        Play({{Step::Key, VK_UP}, {Step::Key, VK_RETURN}});
    });
    // Near the bottom-right corner: the menu must move to stay whole on the screen.
    EXPECT_TRUE(TrackPopupMenu(GetSubMenu(m_bar, 1), TPM_LEFTALIGN, 630, 470, 0, m_owner, nullptr));
    user.join();
    EXPECT_LE(menuRect.right, 640);
    EXPECT_LE(menuRect.bottom, 480);
    EXPECT_GT(menuRect.right - menuRect.left, 0);
    // The owner's usual WM_NULL after the menu arrives behind the posted command.
    PostMessageA(m_owner, WM_NULL, 0, 0);
    DispatchAll();
    const auto commands = zv::user::test::Received(m_ownerWindow, {WM_COMMAND, WM_NULL});
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].first, WM_COMMAND);
    EXPECT_EQ(commands[0].second, MAKEWPARAM(32842, 0));
    EXPECT_EQ(commands[1].first, WM_NULL);
    EXPECT_FALSE(zv::user::test::Received(m_ownerWindow, {WM_INITMENUPOPUP}).empty());
    EXPECT_EQ(zv::user::test::Received(m_ownerWindow, {WM_APP + 5}).size(), 1u);
}

TEST_F(PopupMenuTest, ClosingTheOwnerOrTakingTheMouseEndsTheMenu)
{
    std::thread user([&] {
        OpenLevels(1);
        PostMessageA(m_owner, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(TrackPopupMenu(GetSubMenu(m_bar, 1), TPM_RETURNCMD, 200, 100, 0, m_owner, nullptr), 0);
    user.join();
    EXPECT_FALSE(IsWindow(m_owner));
    EXPECT_TRUE(OpenLevels(0).empty());

    // Another thread's window taking the mouse dismisses the menu too.
    zv::user::test::RecordingWindow ownerWindow;
    const HWND owner = zv::user::test::CreateAt(ownerWindow, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    std::thread other([&] {
        zv::user::test::RecordingWindow otherWindow;
        const HWND taker = zv::user::test::CreateAt(otherWindow, WS_POPUP | WS_VISIBLE, 300, 300, 50, 50);
        OpenLevels(1);
        SetCapture(taker);
        ReleaseCapture();
        DestroyWindow(taker);
    });
    EXPECT_EQ(TrackPopupMenu(GetSubMenu(m_bar, 1), TPM_RETURNCMD, 200, 100, 0, owner, nullptr), 0);
    other.join();
    EXPECT_TRUE(OpenLevels(0).empty());
    DestroyWindow(owner);
}

TEST_F(PopupMenuTest, BadMenuOrOwnerFails)
{
    SetLastError(0);
    EXPECT_FALSE(TrackPopupMenu(reinterpret_cast<HMENU>(0x7777), 0, 10, 10, 0, m_owner, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_MENU_HANDLE);
    EXPECT_FALSE(TrackPopupMenu(GetSubMenu(m_bar, 0), 0, 10, 10, 0, reinterpret_cast<HWND>(0x7777), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

} // namespace
