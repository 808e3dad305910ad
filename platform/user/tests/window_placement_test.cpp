#include "platform/user/system_metrics.h"
#include "platform/user/window_model.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/win32/last_error.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace {

using zv::user::test::CreateAt;
using zv::user::test::Received;
using zv::user::test::RecordingWindow;

class WindowPlacementTest : public zv::user::test::WindowSystemTest {};

// The top-level windows among `ours`, top of the z-order first.
std::vector<HWND> StackingOf(const std::vector<HWND>& ours)
{
    std::vector<HWND> order;
    for (HWND w = GetWindow(ours.front(), GW_HWNDFIRST); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (std::find(ours.begin(), ours.end(), w) != ours.end())
            order.push_back(w);
    }
    return order;
}

TEST_F(WindowPlacementTest, OwnedPopUpsStayAboveTheirOwner)
{
    RecordingWindow owner, popup, other;
    const HWND a = CreateAt(owner, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    const HWND p = CreateAt(popup, WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, a);
    const HWND b = CreateAt(other, WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
    ASSERT_TRUE(a && p && b);
    const std::vector<HWND> ours{a, p, b};
    EXPECT_EQ(StackingOf(ours), (std::vector<HWND>{b, p, a})) << "a new window goes on top";

    struct Step {
        const char* what;
        HWND window;
        HWND insertAfter;
        std::vector<HWND> expected;
    };
    const Step steps[] = {
        {"owner to the top takes its pop-up along", a, HWND_TOP, {p, a, b}},
        {"an owned window sent to the bottom stays above its owner", p, HWND_BOTTOM, {p, a, b}},
        {"a topmost window stays above", b, HWND_TOPMOST, {b, p, a}},
        {"raising a normal window leaves the topmost one above", a, HWND_TOP, {b, p, a}},
        {"no longer topmost, still on top of the normal ones", b, HWND_NOTOPMOST, {b, p, a}},
        {"owner to the bottom takes its pop-up along", a, HWND_BOTTOM, {b, p, a}},
        {"a topmost pop-up rises above every normal window", p, HWND_TOPMOST, {p, b, a}},
        {"placed below another window", b, a, {p, a, b}},
    };
    for (const Step& step : steps) {
        ASSERT_TRUE(SetWindowPos(step.window, step.insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
        EXPECT_EQ(StackingOf(ours), step.expected) << step.what;
    }
    EXPECT_TRUE(GetWindowLongA(p, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongA(b, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetParent(p), a) << "a pop-up's parent is its owner";
    EXPECT_EQ(GetWindow(p, GW_OWNER), a);
    DestroyWindow(a);
    EXPECT_FALSE(IsWindow(p)) << "destroying the owner destroys what it owns";
    DestroyWindow(b);
}

TEST_F(WindowPlacementTest, AModalWindowStaysAboveItsOwnersOtherPopUps)
{
    // The main window with a live preview and a list window of its own, then a message box the
    // main window waits for.
    RecordingWindow mainWindow, previewWindow, listWindow, boxWindow;
    const HWND main = CreateAt(mainWindow, WS_POPUP | WS_VISIBLE, 0, 0, 400, 300);
    const HWND preview = CreateAt(previewWindow, WS_POPUP | WS_VISIBLE, 10, 10, 200, 150, main);
    const HWND list = CreateAt(listWindow, WS_POPUP | WS_VISIBLE, 250, 10, 100, 150, main);
    const HWND box = CreateAt(boxWindow, WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, main);
    ASSERT_TRUE(main && preview && list && box);
    const std::vector<HWND> ours{main, preview, list, box};

    struct Step {
        const char* what;
        std::function<void()> action;
        std::vector<HWND> expected;
    };
    const auto top = [](HWND w) {
        return [w] { SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); };
    };
    const Step steps[] = {
        {"not modal yet: a pop-up raised goes above the box", top(preview), {preview, box, list, main}},
        {"modal: the box comes above its owner's pop-ups", [box] { zv::user::SetModalWindow(box, true); },
         {box, preview, list, main}},
        {"a pop-up raised stays below the modal box", top(list), {box, list, preview, main}},
        {"the owner raised takes its windows along, the box on top", [main] { BringWindowToTop(main); },
         {box, list, preview, main}},
        {"the owner's pop-up raised again", top(preview), {box, preview, list, main}},
        {"the loop over: the pop-up raised goes above the box",
         [box, preview, top] {
             zv::user::SetModalWindow(box, false);
             top(preview)();
         },
         {preview, box, list, main}},
    };
    for (const Step& step : steps) {
        step.action();
        EXPECT_EQ(StackingOf(ours), step.expected) << step.what;
    }
    DestroyWindow(main);
}

TEST_F(WindowPlacementTest, TheDesktopsFocusGoesToTheModalWindowOfTheFamily)
{
    // The main window, a pop-up of its own, a box it waits for with a window the box owns, and
    // a window of another family.
    RecordingWindow mainWindow, popupWindow, boxWindow, boxChildWindow, otherWindow;
    const HWND main = CreateAt(mainWindow, WS_POPUP | WS_VISIBLE, 0, 0, 400, 300);
    const HWND popup = CreateAt(popupWindow, WS_POPUP | WS_VISIBLE, 10, 10, 200, 150, main);
    const HWND box = CreateAt(boxWindow, WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, main);
    const HWND boxChild = CreateAt(boxChildWindow, WS_POPUP | WS_VISIBLE, 120, 120, 50, 50, box);
    const HWND other = CreateAt(otherWindow, WS_POPUP | WS_VISIBLE, 300, 300, 100, 100);
    ASSERT_TRUE(main && popup && box && boxChild && other);

    struct Case {
        const char* what;
        HWND focused;
        HWND expected;
    };
    const Case beforeModal[] = {
        {"no modal loop: the window itself", popup, popup},
        {"no modal loop: the owner itself", main, main},
    };
    for (const Case& c : beforeModal)
        EXPECT_EQ(zv::user::WindowForDesktopFocus(c.focused), c.expected) << c.what;

    zv::user::SetModalWindow(box, true);
    EnableWindow(main, FALSE);
    const Case duringModal[] = {
        {"the disabled owner: the box", main, box},
        {"the owner's other pop-up: the box", popup, box},
        {"the box itself", box, box},
        {"a window the box owns keeps it", boxChild, boxChild},
        {"another family is left alone", other, other},
    };
    for (const Case& c : duringModal)
        EXPECT_EQ(zv::user::WindowForDesktopFocus(c.focused), c.expected) << c.what;

    zv::user::SetModalWindow(box, false);
    ShowWindow(box, SW_HIDE);
    EXPECT_EQ(zv::user::WindowForDesktopFocus(main), nullptr) << "a disabled window with nothing to wait for";
    DestroyWindow(main);
    DestroyWindow(other);
}

TEST_F(WindowPlacementTest, ALateActivationNoticeDoesNotTakeTheActivationBack)
{
    // The notice of an activation reaches the window after another window became active.
    RecordingWindow firstWindow, secondWindow;
    const HWND first = CreateAt(firstWindow, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    const HWND second = CreateAt(secondWindow, WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
    ASSERT_TRUE(first && second);
    SetActiveWindow(second);
    zv::user::test::DispatchQueued();
    ASSERT_EQ(GetActiveWindow(), second);
    PostMessageA(first, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(second));
    zv::user::test::DispatchQueued();
    EXPECT_EQ(GetActiveWindow(), second);
    EXPECT_EQ(GetFocus(), second);
    DestroyWindow(first);
    DestroyWindow(second);
}

TEST_F(WindowPlacementTest, GeometryFollowsMovesAndBorders)
{
    RecordingWindow top, child, grandchild;
    const HWND t = CreateAt(top, WS_POPUP | WS_VISIBLE | WS_BORDER, 100, 50, 300, 200);
    const HWND c = CreateAt(child, WS_CHILD | WS_VISIBLE | WS_VSCROLL, 10, 20, 120, 80, t, 7, WS_EX_CLIENTEDGE);
    const HWND g = CreateAt(grandchild, WS_CHILD | WS_VISIBLE, 5, 6, 20, 10, c, 8);
    ASSERT_TRUE(t && c && g);
    ASSERT_TRUE(MoveWindow(t, 120, 60, 320, 240, TRUE));
    const int scroll = GetSystemMetrics(SM_CXVSCROLL);

    struct Case {
        HWND window;
        RECT window_rect;
        RECT client;
        POINT client_origin;
    } cases[] = {
        // The top-level window's border is 1 pixel; the child sits in its client area.
        {t, {120, 60, 440, 300}, {0, 0, 318, 238}, {121, 61}},
        // A client edge of 2 pixels and a scroll bar on the right.
        {c, {131, 81, 251, 161}, {0, 0, 120 - 4 - scroll, 76}, {133, 83}},
        {g, {138, 89, 158, 99}, {0, 0, 20, 10}, {138, 89}},
    };
    for (const Case& k : cases) {
        RECT r{};
        ASSERT_TRUE(GetWindowRect(k.window, &r));
        EXPECT_EQ(r.left, k.window_rect.left);
        EXPECT_EQ(r.top, k.window_rect.top);
        EXPECT_EQ(r.right, k.window_rect.right);
        EXPECT_EQ(r.bottom, k.window_rect.bottom);
        ASSERT_TRUE(GetClientRect(k.window, &r));
        EXPECT_EQ(r.right, k.client.right);
        EXPECT_EQ(r.bottom, k.client.bottom);
        POINT p{0, 0};
        ASSERT_TRUE(ClientToScreen(k.window, &p));
        EXPECT_EQ(p.x, k.client_origin.x);
        EXPECT_EQ(p.y, k.client_origin.y);
        ASSERT_TRUE(ScreenToClient(k.window, &p));
        EXPECT_EQ(p.x, 0);
        EXPECT_EQ(p.y, 0);
    }
    POINT points[2] = {{0, 0}, {3, 4}};
    const int shift = MapWindowPoints(g, t, points, 2);
    EXPECT_EQ(points[0].x, 138 - 121);
    EXPECT_EQ(points[1].y, 4 + 89 - 61);
    EXPECT_EQ(static_cast<short>(LOWORD(static_cast<DWORD>(shift))), 138 - 121);
    EXPECT_EQ(GetDlgItem(t, 7), c);
    EXPECT_EQ(GetDlgItem(t, 8), nullptr) << "only direct children";
    EXPECT_EQ(GetDlgCtrlID(g), 8);
    EXPECT_TRUE(IsChild(t, g));
    EXPECT_FALSE(IsChild(g, t));
    EXPECT_EQ(GetParent(g), c);
    RECT screen{};
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &screen));
    EXPECT_EQ(screen.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(screen.bottom, 480);
    DestroyWindow(t);
}

TEST_F(WindowPlacementTest, MovesAndSizesAreReportedWithTheirKind)
{
    RecordingWindow window;
    const HWND hwnd = CreateAt(window, WS_POPUP, 10, 10, 200, 100);
    ASSERT_NE(hwnd, nullptr);
    struct Step {
        int command;
        BOOL wasVisible;
        std::vector<std::pair<UINT, WPARAM>> expected;
    };
    const std::vector<Step> steps = {
        {SW_SHOWNORMAL, FALSE, {{WM_SHOWWINDOW, TRUE}, {WM_ACTIVATE, WA_ACTIVE}}},
        // Minimising must reach the size handler (the program hides into the tray there).
        {SW_MINIMIZE, TRUE, {{WM_SIZE, SIZE_MINIMIZED}, {WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1)}}},
        {SW_RESTORE, TRUE, {{WM_SIZE, SIZE_RESTORED}, {WM_ACTIVATE, WA_ACTIVE}}},
        {SW_SHOWMAXIMIZED, TRUE, {{WM_SIZE, SIZE_MAXIMIZED}}},
        {SW_SHOWMINIMIZED, TRUE, {{WM_SIZE, SIZE_MINIMIZED}, {WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1)}}},
        {SW_RESTORE, TRUE, {{WM_SIZE, SIZE_MAXIMIZED}, {WM_ACTIVATE, WA_ACTIVE}}},
        {SW_RESTORE, TRUE, {{WM_SIZE, SIZE_RESTORED}}},
        {SW_HIDE, TRUE, {{WM_SHOWWINDOW, FALSE}, {WM_ACTIVATE, WA_INACTIVE}}},
        {SW_HIDE, FALSE, {}},
    };
    for (const Step& step : steps) {
        const std::size_t before = window.Log().size();
        EXPECT_EQ(ShowWindow(hwnd, step.command), step.wasVisible) << step.command;
        std::vector<std::pair<UINT, WPARAM>> seen;
        const auto log = window.Log();
        for (std::size_t i = before; i < log.size(); ++i) {
            if (log[i].message == WM_SHOWWINDOW || log[i].message == WM_SIZE || log[i].message == WM_ACTIVATE)
                seen.emplace_back(log[i].message, log[i].wParam);
        }
        EXPECT_EQ(seen, step.expected) << "command " << step.command;
    }
    RECT r{};
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.right, 210) << "restored to where it was before maximising";

    // A move and a size: WM_MOVE with the new client origin, WM_SIZE with the new client size.
    const std::size_t before = window.Log().size();
    ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 30, 40, 50, 60, SWP_NOZORDER | SWP_NOACTIVATE));
    const auto log = window.Log();
    std::vector<std::pair<UINT, LPARAM>> reported;
    for (std::size_t i = before; i < log.size(); ++i) {
        if (log[i].message == WM_MOVE || log[i].message == WM_SIZE)
            reported.emplace_back(log[i].message, log[i].lParam);
    }
    EXPECT_EQ(reported, (std::vector<std::pair<UINT, LPARAM>>{{WM_MOVE, MAKELPARAM(30, 40)}, {WM_SIZE, MAKELPARAM(50, 60)}}));
    DestroyWindow(hwnd);
}

TEST_F(WindowPlacementTest, ChangingPositionSeesAndMayChangeTheRequest)
{
    RecordingWindow window;
    window.answer = [](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_WINDOWPOSCHANGING)
            reinterpret_cast<WINDOWPOS*>(lParam)->cx = 77; // keeps its own width
        return std::nullopt;
    };
    const HWND hwnd = CreateAt(window, WS_POPUP, 0, 0, 10, 10);
    ASSERT_TRUE(MoveWindow(hwnd, 5, 6, 300, 30, FALSE));
    RECT r{};
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.right - r.left, 77);
    EXPECT_EQ(r.bottom - r.top, 30);
    DestroyWindow(hwnd);
}

TEST_F(WindowPlacementTest, OwnedPopUpsFollowTheirOwnerIntoMinimising)
{
    RecordingWindow owner, shown, hidden;
    const HWND a = CreateAt(owner, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    const HWND s = CreateAt(shown, WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, a);
    const HWND h = CreateAt(hidden, WS_POPUP, 0, 0, 10, 10, a);
    ShowWindow(a, SW_MINIMIZE);
    EXPECT_FALSE(IsWindowVisible(s));
    EXPECT_EQ(Received(shown, {WM_SHOWWINDOW}),
              (std::vector<std::pair<UINT, WPARAM>>{{WM_SHOWWINDOW, TRUE}, {WM_SHOWWINDOW, FALSE}}))
        << "shown at creation, hidden with its owner";
    ShowWindow(a, SW_RESTORE);
    EXPECT_TRUE(IsWindowVisible(s)) << "shown again with its owner";
    EXPECT_FALSE(IsWindowVisible(h)) << "a pop-up hidden before stays hidden";
    EXPECT_TRUE(Received(hidden, {WM_SHOWWINDOW}).empty());
    DestroyWindow(a);
}

TEST_F(WindowPlacementTest, DisablingTakesTheFocusAway)
{
    RecordingWindow top, child;
    const HWND t = CreateAt(top, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    const HWND c = CreateAt(child, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, t, 1);
    EXPECT_EQ(GetActiveWindow(), t);
    SetFocus(c);
    EXPECT_EQ(GetFocus(), c);
    EXPECT_FALSE(EnableWindow(t, FALSE)) << "was enabled";
    EXPECT_FALSE(IsWindowEnabled(t));
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(SetFocus(c), nullptr) << "a window inside a disabled one takes no keys";
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_TRUE(EnableWindow(t, TRUE)) << "was disabled";
    EXPECT_EQ(Received(top, {WM_ENABLE}), (std::vector<std::pair<UINT, WPARAM>>{{WM_ENABLE, FALSE}, {WM_ENABLE, TRUE}}));
    EXPECT_EQ(Received(child, {WM_KILLFOCUS}).size(), 1u);
    DestroyWindow(t);
}

TEST_F(WindowPlacementTest, MetricsFollowTheScreen)
{
    ASSERT_TRUE(zv::user::headless::SetScreenSize(800, 600));
    struct Case {
        int index;
        int expected;
    } cases[] = {{SM_CXSCREEN, 800}, {SM_CYSCREEN, 600}, {SM_CXFULLSCREEN, 800},
                 {SM_CYFULLSCREEN, 600 - GetSystemMetrics(SM_CYCAPTION)}, {SM_CXICON, 32}, {12345, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(GetSystemMetrics(c.index), c.expected) << c.index;
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work.right, 800);

    // The metrics record with or without its last field; any other size is refused.
    for (const UINT size : {static_cast<UINT>(sizeof(NONCLIENTMETRICSA)),
                            static_cast<UINT>(offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth)), 12u}) {
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = size;
        metrics.iPaddedBorderWidth = 99;
        const BOOL ok = SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, size, &metrics, 0);
        EXPECT_EQ(ok, size != 12u) << size;
        if (!ok)
            continue;
        EXPECT_LT(metrics.lfMenuFont.lfHeight, 0);
        EXPECT_STRNE(metrics.lfMenuFont.lfFaceName, "");
        EXPECT_EQ(metrics.iPaddedBorderWidth, size == sizeof(NONCLIENTMETRICSA) ? 0 : 99)
            << "nothing written past the caller's record";
    }

    // A maximised window covers the work area of the screen as it is now.
    RecordingWindow window;
    const HWND hwnd = CreateAt(window, WS_POPUP, 10, 10, 100, 100);
    ShowWindow(hwnd, SW_SHOWMAXIMIZED);
    RECT r{};
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(r.bottom, 600);
    DestroyWindow(hwnd);
}

} // namespace
