// Frames and captions: their size, their parts under the mouse, the caption drag, the boxes, and
// the mouse passing through windows that answer HTTRANSPARENT.
#include "platform/user/dialog.h"
#include "platform/user/input_events.h"
#include "platform/user/menu.h"
#include "platform/user/static_control.h"
#include "platform/user/system_metrics.h"
#include "platform/user/testing/screenshots.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/user/timer_clock.h"
#include "platform/user/virtual_keys.h"

#include <gtest/gtest.h>

namespace {

using zv::user::DeliverKey;
using zv::user::DeliverMouseButton;
using zv::user::DeliverMouseMove;
using zv::user::MouseButton;
using zv::user::test::CreateAt;
using zv::user::test::DrainQueue;
using zv::user::test::Received;
using zv::user::test::RecordingWindow;

class NonClientTest : public zv::user::test::WindowSystemTest {};

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kMainStyle = WS_OVERLAPPEDWINDOW;

int HitAt(HWND hwnd, int x, int y)
{
    return static_cast<int>(SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(static_cast<unsigned>(x), static_cast<unsigned>(y))));
}

TEST_F(NonClientTest, AdjustWindowRectGivesTheClientAreaAsked)
{
    struct Case {
        DWORD style;
        DWORD exStyle;
    } cases[] = {
        {kMainStyle, 0},
        {kDialogStyle, WS_EX_DLGMODALFRAME},
        {WS_POPUP | WS_BORDER, 0},
        {WS_POPUP | WS_DLGFRAME, WS_EX_CLIENTEDGE},
        {WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_TOOLWINDOW | WS_EX_STATICEDGE},
        {WS_POPUP, 0},
    };
    for (const Case& c : cases) {
        RECT rect{100, 80, 100 + 300, 80 + 200};
        ASSERT_TRUE(AdjustWindowRectEx(&rect, c.style, FALSE, c.exStyle));
        RecordingWindow window;
        const HWND hwnd = CreateAt(window, c.style | WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
                                   rect.bottom - rect.top, nullptr, 0, c.exStyle);
        RECT client{};
        GetClientRect(hwnd, &client);
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        EXPECT_EQ(client.right, 300) << std::hex << c.style;
        EXPECT_EQ(client.bottom, 200) << std::hex << c.style;
        EXPECT_EQ(origin.x, 100) << std::hex << c.style;
        EXPECT_EQ(origin.y, 80) << std::hex << c.style;
        DestroyWindow(hwnd);
    }
    RECT plain{0, 0, 10, 10};
    AdjustWindowRect(&plain, WS_POPUP, FALSE);
    EXPECT_EQ(plain.right - plain.left, 10) << "a skinned window has no frame";
}

TEST_F(NonClientTest, HitTestNamesEveryPartOfTheFrame)
{
    RecordingWindow main, dialog, bordered, skinned;
    // A sizable main window at (100, 100), 400 x 300.
    const HWND m = CreateAt(main, kMainStyle | WS_VISIBLE, 100, 100, 400, 300);
    const HWND d = CreateAt(dialog, kDialogStyle | WS_VISIBLE, 100, 420, 300, 50, nullptr, 0, WS_EX_DLGMODALFRAME);
    const HWND b = CreateAt(bordered, WS_POPUP | WS_BORDER | WS_VISIBLE | WS_VSCROLL, 520, 100, 100, 100);
    const HWND s = CreateAt(skinned, WS_POPUP | WS_VISIBLE, 520, 300, 100, 100);
    const int frame = GetSystemMetrics(SM_CXFRAME);
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    const int box = GetSystemMetrics(SM_CXSIZE);
    const int captionMiddle = 100 + frame + caption / 2;
    const int right = 500 - frame - 1; // last pixel inside the caption
    struct Case {
        HWND hwnd;
        POINT at;
        int expected;
    } cases[] = {
        {m, {300, 250}, HTCLIENT},
        {m, {300, captionMiddle}, HTCAPTION},
        {m, {100 + frame + 2, captionMiddle}, HTSYSMENU},
        {m, {right, captionMiddle}, HTCLOSE},
        {m, {right - box, captionMiddle}, HTMAXBUTTON},
        {m, {right - 2 * box, captionMiddle}, HTMINBUTTON},
        {m, {100, 250}, HTLEFT},
        {m, {499, 250}, HTRIGHT},
        {m, {300, 100}, HTTOP},
        {m, {300, 399}, HTBOTTOM},
        {m, {100, 100}, HTTOPLEFT},
        {m, {499, 100}, HTTOPRIGHT},
        {m, {100, 399}, HTBOTTOMLEFT},
        {m, {499, 399}, HTBOTTOMRIGHT},
        {m, {99, 250}, HTNOWHERE},
        // A dialog frame cannot be sized and shows no icon.
        {d, {100, 440}, HTBORDER},
        {d, {110, 420 + 3 + caption / 2}, HTCAPTION},
        {d, {396, 420 + 3 + caption / 2}, HTCLOSE},
        {d, {396 - box, 420 + 3 + caption / 2}, HTCAPTION},
        {b, {520, 150}, HTBORDER},
        {b, {610, 150}, HTVSCROLL},
        {b, {560, 150}, HTCLIENT},
        {s, {520, 300}, HTCLIENT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HitAt(c.hwnd, c.at.x, c.at.y), c.expected) << c.at.x << "," << c.at.y;
    ShowWindow(m, SW_MAXIMIZE);
    RECT maximised{};
    GetWindowRect(m, &maximised);
    EXPECT_EQ(HitAt(m, maximised.left, maximised.top + 100), HTBORDER) << "a maximised window cannot be sized";
    for (HWND hwnd : {m, d, b, s})
        DestroyWindow(hwnd);
}

constexpr UINT kThen = WM_APP + 7; // dispatched inside a press's tracking loop

// A window whose procedure, on kThen, moves the pointer to (wParam, lParam) and then either lets
// the button go there or (with the high bit of wParam) presses Escape first.
void FollowsScript(RecordingWindow& window)
{
    window.answer = [](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message != kThen)
            return std::nullopt;
        const bool escape = (wParam & 0x80000000u) != 0;
        DeliverMouseMove(static_cast<int>(wParam & 0xFFFF), static_cast<int>(lParam));
        if (escape) {
            DeliverKey(VK_ESCAPE, true);
            DeliverKey(VK_ESCAPE, false);
        }
        DeliverMouseButton(MouseButton::Left, false);
        return 0;
    };
}

void PressDragRelease(HWND hwnd, POINT from, POINT to, bool escape = false)
{
    DeliverMouseMove(from.x, from.y);
    DeliverMouseButton(MouseButton::Left, true);
    PostMessageA(hwnd, kThen, static_cast<WPARAM>(to.x) | (escape ? 0x80000000u : 0u), to.y);
    DrainQueue();
}

TEST_F(NonClientTest, DraggingTheCaptionMovesTheWindow)
{
    const int captionMiddle = 3 + GetSystemMetrics(SM_CYCAPTION) / 2;
    struct Case {
        const char* name;
        POINT grab; // window coordinates
        POINT by;
        bool escape;
        POINT expectedMove;
    } cases[] = {
        {"right and down", {120, captionMiddle}, {40, 30}, false, {40, 30}},
        {"left and up", {60, captionMiddle}, {-25, -10}, false, {-25, -10}},
        {"called off with Escape", {120, captionMiddle}, {70, 70}, true, {0, 0}},
        {"client area does not move", {120, 80}, {40, 30}, false, {0, 0}},
    };
    for (const Case& c : cases) {
        RecordingWindow window;
        FollowsScript(window);
        const HWND hwnd = CreateAt(window, kDialogStyle | WS_VISIBLE, 150, 120, 300, 200, nullptr, 0,
                                   WS_EX_DLGMODALFRAME);
        DrainQueue();
        const POINT from{150 + c.grab.x, 120 + c.grab.y};
        PressDragRelease(hwnd, from, POINT{from.x + c.by.x, from.y + c.by.y}, c.escape);
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        EXPECT_EQ(rect.left, 150 + c.expectedMove.x) << c.name;
        EXPECT_EQ(rect.top, 120 + c.expectedMove.y) << c.name;
        EXPECT_EQ(rect.right - rect.left, 300) << c.name;
        EXPECT_EQ(GetCapture(), nullptr) << c.name;
        if (c.expectedMove.x != 0) {
            const auto moves = Received(window, {WM_MOVE});
            EXPECT_FALSE(moves.empty()) << c.name;
            EXPECT_FALSE(Received(window, {WM_MOVING}).empty()) << c.name;
        }
        DestroyWindow(hwnd);
    }
}

TEST_F(NonClientTest, CaptionBoxesActWhenReleasedOverThem)
{
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    const int box = GetSystemMetrics(SM_CXSIZE);
    const int frame = GetSystemMetrics(SM_CXFRAME);
    // Window at (100, 100), 400 x 300; boxes counted from the right edge of the caption.
    const int y = 100 + frame + caption / 2;
    const int closeX = 500 - frame - box / 2;
    struct Case {
        const char* name;
        int pressX;
        int releaseX;
        bool destroyed;
        bool minimised;
    } cases[] = {
        {"close", closeX, closeX, true, false},
        {"close, released elsewhere", closeX, 300, false, false},
        {"minimise", closeX - 2 * box, closeX - 2 * box, false, true},
    };
    for (const Case& c : cases) {
        RecordingWindow window;
        FollowsScript(window);
        const HWND hwnd = CreateAt(window, kMainStyle | WS_VISIBLE, 100, 100, 400, 300);
        DrainQueue();
        PressDragRelease(hwnd, POINT{c.pressX, y}, POINT{c.releaseX, y});
        EXPECT_EQ(IsWindow(hwnd) == FALSE, c.destroyed) << c.name;
        if (c.destroyed) {
            EXPECT_EQ(Received(window, {WM_SYSCOMMAND}), (std::vector<std::pair<UINT, WPARAM>>{{WM_SYSCOMMAND, SC_CLOSE}}));
            EXPECT_FALSE(Received(window, {WM_CLOSE}).empty()) << c.name;
            continue;
        }
        EXPECT_EQ(IsIconic(hwnd) != FALSE, c.minimised) << c.name;
        if (c.minimised) {
            const auto sizes = Received(window, {WM_SIZE});
            EXPECT_EQ(sizes.back().second, SIZE_MINIMIZED) << c.name;
        }
        DestroyWindow(hwnd);
    }
}

TEST_F(NonClientTest, DoubleClickOnTheCaptionMaximisesAndRestores)
{
    RecordingWindow window;
    FollowsScript(window);
    const HWND hwnd = CreateAt(window, kMainStyle | WS_VISIBLE, 100, 100, 400, 300);
    DrainQueue();
    zv::user::VirtualClock::Install();
    const auto doubleClickAt = [&](POINT at) {
        PressDragRelease(hwnd, at, at); // the first press starts a drag that goes nowhere
        zv::user::VirtualClock::Advance(50);
        DeliverMouseButton(MouseButton::Left, true);
        DeliverMouseButton(MouseButton::Left, false);
        DrainQueue();
        zv::user::VirtualClock::Advance(1000);
    };
    const int y = 100 + GetSystemMetrics(SM_CXFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    doubleClickAt(POINT{250, y});
    EXPECT_TRUE(IsZoomed(hwnd));
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    doubleClickAt(POINT{(rect.left + rect.right) / 2, rect.top + GetSystemMetrics(SM_CXFRAME) + 5});
    EXPECT_FALSE(IsZoomed(hwnd));
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.right - rect.left, 400);
    zv::user::VirtualClock::Uninstall();
    DestroyWindow(hwnd);
}

// A label lets the mouse through to what lies beneath in the same thread; a static with
// SS_NOTIFY takes the click and tells its parent.
TEST_F(NonClientTest, LabelsLetTheMouseThroughAndNotifyingStaticsTellTheParent)
{
    RecordingWindow parent, below;
    const HWND p = CreateAt(parent, WS_POPUP | WS_VISIBLE, 50, 50, 300, 200);
    const HWND under = CreateAt(below, WS_CHILD | WS_VISIBLE, 100, 10, 100, 100, p, 7);
    // Created last, so above the other child in the z-order.
    const HWND label = CreateWindowExA(0, "Static", "Label", WS_CHILD | WS_VISIBLE, 10, 10, 150, 20, p,
                                       reinterpret_cast<HMENU>(5), nullptr, nullptr);
    const HWND notifying = CreateWindowExA(0, "Static", "Link", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 10, 150, 80, 20,
                                           p, reinterpret_cast<HMENU>(6), nullptr, nullptr);
    ASSERT_TRUE(label && notifying);
    DrainQueue();
    const auto clickAt = [](int x, int y) {
        DeliverMouseMove(x, y);
        DeliverMouseButton(MouseButton::Left, true);
        DeliverMouseButton(MouseButton::Left, false);
        return DrainQueue();
    };
    struct Case {
        POINT at;
        HWND expected;
    } cases[] = {
        {{50 + 20, 50 + 15}, p},       // on the label only: the parent
        {{50 + 120, 50 + 15}, under}, // on the label over the other child: that child
    };
    for (const Case& c : cases) {
        HWND got = nullptr;
        for (const MSG& m : clickAt(c.at.x, c.at.y)) {
            if (m.message == WM_LBUTTONDOWN)
                got = m.hwnd;
        }
        EXPECT_EQ(got, c.expected) << c.at.x << "," << c.at.y;
    }
    zv::user::VirtualClock::Install();
    clickAt(50 + 20, 50 + 155);
    zv::user::VirtualClock::Advance(50);
    clickAt(50 + 20, 50 + 155);
    zv::user::VirtualClock::Uninstall();
    std::vector<WPARAM> notifications;
    for (const auto& r : parent.Log()) {
        if (r.message == WM_COMMAND && reinterpret_cast<HWND>(r.lParam) == notifying)
            notifications.push_back(r.wParam);
    }
    EXPECT_EQ(notifications, (std::vector<WPARAM>{MAKEWPARAM(6, STN_CLICKED), MAKEWPARAM(6, STN_DBLCLK)}));
    DestroyWindow(p);
}

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG ? TRUE : FALSE; }

TEST_F(NonClientTest, CaptionShowsActiveAndInactiveColours)
{
    constexpr WORD kTemplateDialog = 110; // tests/res: a modal-frame dialog with a caption
    const HWND dialog = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(kTemplateDialog), nullptr, QuietDialog, 0);
    ASSERT_NE(dialog, nullptr);
    DrainQueue();
    RECT rect{};
    GetWindowRect(dialog, &rect);
    const int frame = GetSystemMetrics(SM_CXDLGFRAME);
    const int y = rect.top + frame + GetSystemMetrics(SM_CYCAPTION) / 2;
    const int x = rect.right - frame - GetSystemMetrics(SM_CXSIZE) - 4; // between the title and the close box
    EXPECT_EQ(zv::user::headless::ScreenPixel(x, y), GetSysColor(COLOR_ACTIVECAPTION));
    zv::user::testing::KeepScreenshot("user_caption_active", dialog);
    RecordingWindow other;
    const HWND o = CreateAt(other, kMainStyle | WS_VISIBLE, 500, 400, 100, 60);
    DrainQueue();
    EXPECT_EQ(GetActiveWindow(), o);
    EXPECT_EQ(zv::user::headless::ScreenPixel(x, y), GetSysColor(COLOR_INACTIVECAPTION));
    zv::user::testing::KeepScreenshot("user_caption_inactive", dialog);
    DestroyWindow(o);
    DestroyWindow(dialog);
}

} // namespace
