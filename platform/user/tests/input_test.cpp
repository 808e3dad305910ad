#include "platform/user/input_events.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/user/timer_clock.h"
#include "platform/user/timers.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace {

using zv::user::DeliverKey;
using zv::user::DeliverMouseButton;
using zv::user::DeliverMouseMove;
using zv::user::DeliverMouseWheel;
using zv::user::MouseButton;
using zv::user::test::CreateAt;
using zv::user::test::DrainQueue;
using zv::user::test::RecordingWindow;

class InputTest : public zv::user::test::WindowSystemTest {};

// The input messages taken off the queue (dispatched like any message loop does).
std::vector<MSG> InputTaken()
{
    std::vector<MSG> input;
    for (const MSG& m : DrainQueue()) {
        if ((m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) ||
            (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST))
            input.push_back(m);
    }
    return input;
}

TEST_F(InputTest, KeysGoThroughTheQueueToTheFocusWindow)
{
    RecordingWindow top, edit;
    const HWND t = CreateAt(top, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    const HWND e = CreateAt(edit, WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, t, 1);
    EXPECT_EQ(GetFocus(), t) << "activation gives the window the focus";
    SetFocus(e);
    DrainQueue();
    DeliverKey(VK_SHIFT, true);
    DeliverKey('A', true);
    DeliverKey('A', false);
    DeliverKey(VK_SHIFT, false);
    DeliverKey('B', true);
    DeliverKey('B', false);
    MSG msg;
    std::vector<std::pair<UINT, WPARAM>> seen;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_KEYDOWN && msg.wParam == 'A') {
            EXPECT_LT(GetKeyState(VK_SHIFT), 0) << "Shift is down while A is handled";
        }
        EXPECT_EQ(msg.hwnd, e);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        seen.emplace_back(msg.message, msg.wParam);
    }
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, 'A'}, {WM_CHAR, 'A'}, {WM_KEYUP, 'A'}, {WM_KEYUP, VK_SHIFT},
        {WM_KEYDOWN, 'B'},      {WM_CHAR, 'b'},    {WM_KEYUP, 'B'}};
    EXPECT_EQ(seen, expected);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
    // Without a focus window the active window gets system keys.
    SetFocus(nullptr);
    DeliverKey(VK_ESCAPE, true);
    const std::vector<MSG> taken = InputTaken();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].hwnd, t);
    EXPECT_EQ(taken[0].message, WM_SYSKEYDOWN);
    DeliverKey(VK_ESCAPE, false);
    DrainQueue();
    DestroyWindow(t);
}

// A key delivered while no window had the focus reaches the window that has it when the key is
// read, as a plain key unless Alt is part of it.
TEST_F(InputTest, AKeyReadAfterTheFocusCameBackIsAPlainKeyOfTheFocusWindow)
{
    struct Case {
        bool alt;
        UINT expected;
    };
    for (const Case c : {Case{false, WM_KEYDOWN}, Case{true, WM_SYSKEYDOWN}}) {
        SCOPED_TRACE(c.alt ? "with Alt" : "without Alt");
        RecordingWindow top, edit;
        const HWND t = CreateAt(top, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
        const HWND e = CreateAt(edit, WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, t, 1);
        SetFocus(nullptr);
        DrainQueue();
        if (c.alt)
            DeliverKey(VK_MENU, true);
        DeliverKey('K', true);
        SetFocus(e);
        std::vector<MSG> keys;
        for (const MSG& m : InputTaken()) {
            if (m.wParam == 'K')
                keys.push_back(m);
        }
        ASSERT_EQ(keys.size(), 1u);
        EXPECT_EQ(keys[0].hwnd, e);
        EXPECT_EQ(keys[0].message, c.expected);
        DeliverKey('K', false);
        if (c.alt)
            DeliverKey(VK_MENU, false);
        DrainQueue();
        DestroyWindow(t);
    }
}

TEST_F(InputTest, ClicksGoToTheDeepestEnabledWindowUnderThePointer)
{
    RecordingWindow back, front, child, disabledChild, disabledTop;
    const HWND b = CreateAt(back, WS_POPUP | WS_VISIBLE, 0, 0, 300, 300);
    const HWND f = CreateAt(front, WS_POPUP | WS_VISIBLE | WS_BORDER, 100, 100, 100, 100);
    const HWND c = CreateAt(child, WS_CHILD | WS_VISIBLE, 10, 10, 30, 30, f, 1);
    ASSERT_NE(CreateAt(disabledChild, WS_CHILD | WS_VISIBLE | WS_DISABLED, 50, 50, 30, 30, f, 2), nullptr);
    const HWND x = CreateAt(disabledTop, WS_POPUP | WS_VISIBLE | WS_DISABLED, 400, 0, 50, 50);
    DrainQueue();
    struct Case {
        POINT at;
        HWND expected;
        POINT client;
    } cases[] = {
        {{150, 150}, f, {49, 49}},      // the front window covers the back one; 1-pixel border
        {{115, 115}, c, {4, 4}},        // its child (at 111,111 on the screen)
        {{155, 155}, f, {54, 54}},      // a disabled child leaves the click to its parent
        {{5, 5}, b, {5, 5}},            // the back window, which the click brings to the top
        {{410, 10}, nullptr, {0, 0}},   // a disabled top-level window takes nothing
        {{600, 400}, nullptr, {0, 0}},  // the desktop is not ours
    };
    for (const Case& k : cases) {
        DeliverMouseMove(k.at.x, k.at.y);
        DeliverMouseButton(MouseButton::Left, true);
        DeliverMouseButton(MouseButton::Left, false);
        const std::vector<MSG> taken = InputTaken();
        if (!k.expected) {
            EXPECT_TRUE(taken.empty()) << k.at.x << "," << k.at.y;
            continue;
        }
        ASSERT_EQ(taken.size(), 3u) << k.at.x << "," << k.at.y;
        EXPECT_EQ(taken[1].message, WM_LBUTTONDOWN);
        for (const MSG& m : taken) {
            EXPECT_EQ(m.hwnd, k.expected) << k.at.x << "," << k.at.y;
            EXPECT_EQ(GET_X_LPARAM(m.lParam), k.client.x);
            EXPECT_EQ(GET_Y_LPARAM(m.lParam), k.client.y);
        }
        EXPECT_EQ(taken[1].wParam & MK_LBUTTON, MK_LBUTTON);
    }
    EXPECT_EQ(GetActiveWindow(), b) << "a click activates";
    DeliverMouseMove(150, 150);
    const std::vector<MSG> over = InputTaken();
    ASSERT_EQ(over.size(), 1u);
    EXPECT_EQ(over[0].hwnd, b) << "now above the front window";
    DestroyWindow(b);
    DestroyWindow(f);
    DestroyWindow(x);
}

TEST_F(InputTest, CaptureTakesTheMouseWhereverItIs)
{
    RecordingWindow top, child;
    const HWND t = CreateAt(top, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    const HWND c = CreateAt(child, WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, t, 1);
    DrainQueue();
    EXPECT_EQ(SetCapture(c), nullptr);
    EXPECT_EQ(GetCapture(), c);
    DeliverMouseMove(300, 200);
    std::vector<MSG> taken = InputTaken();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].hwnd, c);
    EXPECT_EQ(GET_X_LPARAM(taken[0].lParam), 290);
    SetCapture(t);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(zv::user::test::Received(child, {WM_CAPTURECHANGED}).size(), 1u);
    EXPECT_EQ(zv::user::test::Received(top, {WM_CAPTURECHANGED}).size(), 1u);
    DeliverMouseMove(300, 200);
    EXPECT_TRUE(InputTaken().empty()) << "released: the desktop gets it";
    DestroyWindow(t);
}

TEST_F(InputTest, DoubleClicksNeedTheClassStyle)
{
    static const char* const kClass = "ZvDoubleClickWindow";
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &DefWindowProcA;
    wc.lpszClassName = kClass;
    ASSERT_NE(RegisterClassA(&wc), 0);
    RecordingWindow plain;
    const HWND withStyle = CreateWindowExA(0, kClass, "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                           nullptr, nullptr);
    const HWND without = CreateAt(plain, WS_POPUP | WS_VISIBLE, 100, 0, 50, 50);
    zv::user::VirtualClock::Install();
    struct Case {
        HWND window;
        POINT at;
        DWORD pause;
        UINT second;
    } cases[] = {
        {withStyle, {10, 10}, 100, WM_LBUTTONDBLCLK},
        {withStyle, {10, 10}, zv::user::kDoubleClickTime + 1, WM_LBUTTONDOWN}, // too slow
        {without, {110, 10}, 100, WM_LBUTTONDOWN},
    };
    for (const Case& k : cases) {
        DeliverMouseMove(k.at.x, k.at.y);
        DeliverMouseButton(MouseButton::Left, true);
        DeliverMouseButton(MouseButton::Left, false);
        zv::user::VirtualClock::Advance(k.pause);
        DeliverMouseButton(MouseButton::Left, true);
        DeliverMouseButton(MouseButton::Left, false);
        std::vector<UINT> presses;
        for (const MSG& m : InputTaken()) {
            if (m.message != WM_MOUSEMOVE && m.message != WM_LBUTTONUP)
                presses.push_back(m.message);
        }
        EXPECT_EQ(presses, (std::vector<UINT>{WM_LBUTTONDOWN, k.second}));
        zv::user::VirtualClock::Advance(1000);
    }
    zv::user::VirtualClock::Uninstall();
    DestroyWindow(withStyle);
    DestroyWindow(without);
    UnregisterClassA(kClass, nullptr);
}

TEST_F(InputTest, WheelCarriesItsTurnAndScreenPosition)
{
    RecordingWindow window;
    const HWND hwnd = CreateAt(window, WS_POPUP | WS_VISIBLE, 50, 50, 100, 100);
    DrainQueue();
    DeliverMouseMove(60, 70);
    DeliverMouseWheel(-2 * WHEEL_DELTA);
    std::vector<MSG> taken = InputTaken();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[1].message, WM_MOUSEWHEEL);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(taken[1].wParam), -240);
    EXPECT_EQ(GET_X_LPARAM(taken[1].lParam), 60);
    EXPECT_EQ(GET_Y_LPARAM(taken[1].lParam), 70);
    DestroyWindow(hwnd);
}

TEST_F(InputTest, TheParentMayChooseTheCursor)
{
    RecordingWindow parent, child;
    const HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, MakeCursorName(12345)), nullptr);
    bool parentChooses = true;
    parent.answer = [&](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (message != WM_SETCURSOR || !parentChooses)
            return std::nullopt;
        SetCursor(hand);
        return TRUE;
    };
    const HWND p = CreateAt(parent, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    const HWND c = CreateAt(child, WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, p, 1);
    SetCursor(nullptr);
    DeliverMouseMove(10, 10);
    DrainQueue();
    EXPECT_EQ(GetCursor(), hand);
    EXPECT_EQ(zv::user::headless::ShownCursor(), hand);
    const auto childCursorCalls = zv::user::test::Received(child, {WM_SETCURSOR});
    ASSERT_FALSE(childCursorCalls.empty());
    EXPECT_EQ(childCursorCalls.back().second, reinterpret_cast<WPARAM>(c));
    POINT at{};
    GetCursorPos(&at);
    EXPECT_EQ(at.x, 10);
    DestroyWindow(p);
}

TEST_F(InputTest, TurningToAnotherProgramDeactivatesUntilTheUserComesBack)
{
    RecordingWindow window;
    const HWND hwnd = CreateAt(window, WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
    DrainQueue();
    ASSERT_EQ(GetForegroundWindow(), hwnd);
    const std::size_t before = window.Log().size();
    zv::user::DeliverAppAttention(false);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
    DeliverKey('X', true);
    DeliverKey('X', false);
    EXPECT_TRUE(InputTaken().empty()) << "keys go to the other program";
    zv::user::DeliverAppAttention(true);
    EXPECT_EQ(GetForegroundWindow(), hwnd);
    EXPECT_EQ(GetFocus(), hwnd);
    std::vector<std::pair<UINT, WPARAM>> seen;
    const auto log = window.Log();
    for (std::size_t i = before; i < log.size(); ++i) {
        if (log[i].message == WM_ACTIVATEAPP || log[i].message == WM_ACTIVATE)
            seen.emplace_back(log[i].message, log[i].wParam);
    }
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_ACTIVATEAPP, FALSE}, {WM_ACTIVATE, WA_INACTIVE}, {WM_ACTIVATEAPP, TRUE}, {WM_ACTIVATE, WA_ACTIVE}};
    EXPECT_EQ(seen, expected);
    DestroyWindow(hwnd);
}

// Activation moving between the windows of two threads tells both with WM_ACTIVATEAPP.
TEST_F(InputTest, ActivationBetweenThreadsTellsBothApplications)
{
    RecordingWindow mine, theirs;
    const HWND m = CreateAt(mine, WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
    std::promise<HWND> created;
    std::promise<void> done;
    std::thread other([&] {
        created.set_value(CreateAt(theirs, WS_POPUP, 100, 0, 50, 50));
        auto finished = done.get_future();
        while (finished.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
        DestroyWindow(theirs.Log().front().hwnd);
    });
    const HWND t = created.get_future().get();
    DrainQueue();
    EXPECT_EQ(GetForegroundWindow(), m);
    ASSERT_TRUE(SetForegroundWindow(t));
    EXPECT_EQ(GetForegroundWindow(), t);
    EXPECT_EQ(GetActiveWindow(), nullptr) << "the active window is the other thread's";
    // The other thread hears of it once it serves its messages.
    for (int i = 0; i < 2000 && zv::user::test::Received(theirs, {WM_ACTIVATE}).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    DrainQueue();
    EXPECT_EQ(zv::user::test::Received(mine, {WM_ACTIVATEAPP}).back(), (std::pair<UINT, WPARAM>{WM_ACTIVATEAPP, FALSE}));
    EXPECT_EQ(zv::user::test::Received(theirs, {WM_ACTIVATEAPP}),
              (std::vector<std::pair<UINT, WPARAM>>{{WM_ACTIVATEAPP, TRUE}}));
    EXPECT_EQ(zv::user::test::Received(theirs, {WM_ACTIVATE}),
              (std::vector<std::pair<UINT, WPARAM>>{{WM_ACTIVATE, WA_ACTIVE}}));
    done.set_value();
    other.join();
    DestroyWindow(m);
}

} // namespace
