#include "platform/user/edit_control.h"
#include "platform/user/input_events.h"
#include "platform/user/scroll_bars.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/user/up_down.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zv::user::DeliverKey;
using zv::user::DeliverMouseButton;
using zv::user::DeliverMouseMove;
using zv::user::MouseButton;
using zv::user::test::CreateAt;
using zv::user::test::DispatchQueued;
using zv::user::test::RecordingWindow;

class UpDownTest : public zv::user::test::WindowSystemTest {};

std::string TextOf(HWND hwnd)
{
    char buffer[64] = {};
    GetWindowTextA(hwnd, buffer, sizeof buffer);
    return buffer;
}

struct Spinner {
    RecordingWindow parent;
    HWND top = nullptr;
    HWND buddy = nullptr;
    HWND upDown = nullptr;
    std::vector<std::vector<int>> heard;
};

constexpr DWORD kUsualStyle = UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_NOTHOUSANDS;

void Make(Spinner& s, DWORD style = kUsualStyle, int low = 3, int high = 360, int pos = 3)
{
    s.top = CreateAt(s.parent, WS_POPUP | WS_VISIBLE, 0, 0, 300, 200);
    s.buddy = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_NUMBER, 20, 20, 80, 22, s.top,
                              reinterpret_cast<HMENU>(1017), nullptr, nullptr);
    s.upDown = CreateWindowExA(0, "msctls_updown32", "", WS_CHILD | WS_VISIBLE | style, 0, 0, 16, 22, s.top,
                               reinterpret_cast<HMENU>(1018), nullptr, nullptr);
    SendMessageA(s.upDown, UDM_SETRANGE32, static_cast<WPARAM>(low), high);
    SendMessageA(s.upDown, UDM_SETPOS32, 0, pos);
    DispatchQueued();
}

// Clicks the upper (+1) or lower (-1) half of the control.
void Click(HWND upDown, int half)
{
    RECT rect;
    GetWindowRect(upDown, &rect);
    DeliverMouseMove((rect.left + rect.right) / 2, half > 0 ? rect.top + 3 : rect.bottom - 3);
    DeliverMouseButton(MouseButton::Left, true);
    DeliverMouseButton(MouseButton::Left, false);
    DispatchQueued();
}

// What the parent hears, as it hears it: (id, UDN_DELTAPOS iPos, iDelta) and the scroll codes
// with their positions.
void ListenTo(Spinner& s)
{
    s.parent.answer = [&heard = s.heard](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message == WM_NOTIFY) {
            const auto* n = reinterpret_cast<const NMUPDOWN*>(lParam);
            if (n->hdr.code == UDN_DELTAPOS)
                heard.push_back({static_cast<int>(n->hdr.idFrom), n->iPos, n->iDelta});
        } else if (message == WM_VSCROLL) {
            heard.push_back({LOWORD(wParam), static_cast<short>(HIWORD(wParam))});
        }
        return std::nullopt;
    };
}

TEST_F(UpDownTest, TakesThePreviousControlAsBuddyAndSitsAtItsRight)
{
    Spinner s;
    Make(s);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(s.upDown, UDM_GETBUDDY, 0, 0)), s.buddy);
    RECT buddy, own;
    GetWindowRect(s.buddy, &buddy);
    GetWindowRect(s.upDown, &own);
    EXPECT_EQ(own.left, buddy.right);
    EXPECT_EQ(own.top, buddy.top);
    EXPECT_EQ(buddy.right - buddy.left + own.right - own.left, 80) << "the two share the buddy's old width";
    EXPECT_EQ(TextOf(s.buddy), "3");
    int low = 0, high = 0;
    SendMessageA(s.upDown, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(std::make_pair(low, high), std::make_pair(3, 360));
    DestroyWindow(s.top);
}

TEST_F(UpDownTest, ButtonsAndArrowKeysStepWithinTheRange)
{
    struct Case {
        const char* name;
        DWORD style;
        int pos;
        std::vector<int> steps; // +1 up, -1 down; 2 / -2 the Up / Down key in the buddy
        const char* shown;
        std::vector<std::vector<int>> heard;
    };
    const std::vector<Case> cases = {
        {"up button", kUsualStyle, 3, {1}, "4", {{1018, 3, 1}, {SB_THUMBPOSITION, 4}, {SB_ENDSCROLL, 4}}},
        {"down at the bottom stays", kUsualStyle, 3, {-1}, "3",
         {{1018, 3, -1}, {SB_THUMBPOSITION, 3}, {SB_ENDSCROLL, 3}}},
        {"wrap at the top", kUsualStyle | UDS_WRAP, 360, {1}, "3",
         {{1018, 360, 1}, {SB_THUMBPOSITION, 3}, {SB_ENDSCROLL, 3}}},
        {"up key in the buddy", kUsualStyle, 10, {2}, "11", {{1018, 10, 1}, {SB_THUMBPOSITION, 11}, {SB_ENDSCROLL, 11}}},
        {"down key in the buddy", kUsualStyle, 10, {-2}, "9", {{1018, 10, -1}, {SB_THUMBPOSITION, 9}, {SB_ENDSCROLL, 9}}},
        {"keys without UDS_ARROWKEYS", kUsualStyle & ~UDS_ARROWKEYS, 10, {2}, "10", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Spinner s;
        Make(s, c.style, 3, 360, c.pos);
        ListenTo(s);
        SetFocus(s.buddy);
        DispatchQueued();
        for (int step : c.steps) {
            if (step == 1 || step == -1) {
                Click(s.upDown, step);
            } else {
                DeliverKey(step > 0 ? VK_UP : VK_DOWN, true);
                DeliverKey(step > 0 ? VK_UP : VK_DOWN, false);
                DispatchQueued();
            }
        }
        EXPECT_EQ(TextOf(s.buddy), c.shown);
        EXPECT_EQ(s.heard, c.heard);
        DestroyWindow(s.top);
    }
}

TEST_F(UpDownTest, ParentMayRefuseAStep)
{
    Spinner s;
    s.parent.answer = [](HWND, UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return message == WM_NOTIFY ? std::optional<LRESULT>(1) : std::nullopt;
    };
    Make(s);
    Click(s.upDown, 1);
    EXPECT_EQ(TextOf(s.buddy), "3");
    EXPECT_EQ(SendMessageA(s.upDown, UDM_GETPOS32, 0, 0), 3);
    DestroyWindow(s.top);
}

TEST_F(UpDownTest, PositionFollowsWhatTheUserTypedInTheBuddy)
{
    struct Case {
        const char* typed;
        DWORD style;
        int pos;
        BOOL error;
    };
    const std::vector<Case> cases = {
        {"200", kUsualStyle, 200, FALSE},
        {"", kUsualStyle, 3, TRUE},
        {"999", kUsualStyle, 3, TRUE}, // out of range
        {"1,200", kUsualStyle & ~UDS_NOTHOUSANDS, 1200, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Spinner s;
        Make(s, c.style, 3, (c.style & UDS_NOTHOUSANDS) ? 360 : 5000, 3);
        SetWindowTextA(s.buddy, c.typed);
        BOOL error = -1;
        EXPECT_EQ(SendMessageA(s.upDown, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)), c.pos);
        EXPECT_EQ(error, c.error);
        DestroyWindow(s.top);
    }
    Spinner thousands;
    Make(thousands, kUsualStyle & ~UDS_NOTHOUSANDS, 0, 5000, 1234);
    EXPECT_EQ(TextOf(thousands.buddy), "1,234");
    DestroyWindow(thousands.top);
}

} // namespace
