#include "platform/user/edit_control.h"
#include "platform/user/input_events.h"
#include "platform/user/ip_address.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/user/testing/screenshots.h"
#include "platform/user/scroll_bars.h"
#include "platform/user/up_down.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using zv::user::DeliverKey;
using zv::user::test::CreateAt;
using zv::user::test::DispatchQueued;
using zv::user::test::RecordingWindow;

class IpAddressTest : public zv::user::test::WindowSystemTest {};

void Type(const char* keys)
{
    for (const char* k = keys; *k; ++k) {
        const UINT key = *k == '<' ? VK_LEFT : *k == '>' ? VK_RIGHT : *k == '#' ? VK_BACK : static_cast<UINT>(*k);
        DeliverKey(key, true);
        DeliverKey(key, false);
        DispatchQueued();
    }
}

struct Box {
    RecordingWindow parent;
    HWND top = nullptr;
    HWND ip = nullptr;
    std::vector<std::pair<int, int>> changed; // IPN_FIELDCHANGED (field, value)
    int parentsChoice = -2;                   // a value the parent puts in instead, -2: none
};

void Make(Box& b)
{
    b.parent.answer = [&b](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
        if (message != WM_NOTIFY)
            return std::nullopt;
        auto* n = reinterpret_cast<NMIPADDRESS*>(lParam);
        if (n->hdr.code == IPN_FIELDCHANGED) {
            b.changed.emplace_back(n->iField, n->iValue);
            if (b.parentsChoice != -2)
                n->iValue = b.parentsChoice;
        }
        return 0;
    };
    b.top = CreateAt(b.parent, WS_POPUP | WS_VISIBLE, 0, 0, 300, 200);
    b.ip = CreateWindowExA(WS_EX_CLIENTEDGE, "SysIPAddress32", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 160, 24,
                           b.top, reinterpret_cast<HMENU>(5040), nullptr, nullptr);
    ASSERT_NE(b.ip, nullptr);
    DispatchQueued();
}

DWORD AddressOf(HWND ip, LRESULT* filled = nullptr)
{
    DWORD address = 0xDEADBEEF;
    const LRESULT n = SendMessageA(ip, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    if (filled)
        *filled = n;
    return address;
}

TEST_F(IpAddressTest, AddressesRoundTrip)
{
    Box b;
    Make(b);
    EXPECT_TRUE(SendMessageA(b.ip, IPM_ISBLANK, 0, 0));
    LRESULT filled = -1;
    EXPECT_EQ(AddressOf(b.ip, &filled), 0u);
    EXPECT_EQ(filled, 0);
    for (DWORD address : {MAKEIPADDRESS(192, 168, 1, 20), MAKEIPADDRESS(0, 0, 0, 0), MAKEIPADDRESS(255, 255, 255, 255),
                          MAKEIPADDRESS(10, 0, 200, 7)}) {
        SendMessageA(b.ip, IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
        EXPECT_EQ(AddressOf(b.ip, &filled), address);
        EXPECT_EQ(filled, 4);
        EXPECT_FALSE(SendMessageA(b.ip, IPM_ISBLANK, 0, 0));
    }
    SendMessageA(b.ip, IPM_CLEARADDRESS, 0, 0);
    EXPECT_TRUE(SendMessageA(b.ip, IPM_ISBLANK, 0, 0));
    DestroyWindow(b.top);
}

TEST_F(IpAddressTest, TypingMovesBetweenFields)
{
    struct Case {
        const char* keys;
        DWORD address;
        LRESULT filled;
    };
    const std::vector<Case> cases = {
        {"192168120", MAKEIPADDRESS(192, 168, 120, 0), 3},  // a third digit moves on
        {"10 0 0 1", MAKEIPADDRESS(10, 0, 0, 1), 4},         // so does a separator
        {"1 2<<3", MAKEIPADDRESS(13, 2, 0, 0), 2},           // left at a field's start goes back
        {"12>3", MAKEIPADDRESS(12, 3, 0, 0), 2},             // right at a field's end goes on
        {"1 #4", MAKEIPADDRESS(14, 0, 0, 0), 1},             // backspace at the start goes back
        {"A1B2", MAKEIPADDRESS(12, 0, 0, 0), 1},             // letters do not go in
        {"  5", MAKEIPADDRESS(5, 0, 0, 0), 1},               // a separator in an empty field stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        Box b;
        Make(b);
        SetFocus(b.ip);
        DispatchQueued();
        Type(c.keys);
        LRESULT filled = -1;
        EXPECT_EQ(AddressOf(b.ip, &filled), c.address);
        EXPECT_EQ(filled, c.filled);
        DestroyWindow(b.top);
    }
}

// Keys typed faster than the program reads them: each goes to the field that has the focus when
// the key is read, so a field that moves on after its third digit passes the rest along.
TEST_F(IpAddressTest, KeysTypedAheadFollowTheFocusFromFieldToField)
{
    for (const bool readEachKey : {true, false}) {
        SCOPED_TRACE(readEachKey ? "each key read at once" : "all keys typed ahead");
        Box b;
        Make(b);
        SetFocus(b.ip);
        DispatchQueued();
        for (const char key : std::string("192.168.7.21")) {
            const UINT virtualKey = key == '.' ? VK_OEM_PERIOD : static_cast<UINT>(key);
            DeliverKey(virtualKey, true, std::string(1, key));
            DeliverKey(virtualKey, false);
            if (readEachKey)
                DispatchQueued();
        }
        DispatchQueued();
        EXPECT_EQ(AddressOf(b.ip), MAKEIPADDRESS(192, 168, 7, 21));
        DestroyWindow(b.top);
    }
}

TEST_F(IpAddressTest, LeavingAChangedFieldTellsTheParent)
{
    Box b;
    Make(b);
    SetFocus(b.ip);
    DispatchQueued();
    Type("300");
    ASSERT_EQ(b.changed.size(), 1u);
    EXPECT_EQ(b.changed[0], std::make_pair(0, 255)) << "a value past 255 is brought back";
    Type("<");
    Type(">");
    EXPECT_EQ(b.changed.size(), 1u) << "unchanged fields say nothing";
    SendMessageA(b.ip, IPM_SETRANGE, 1, MAKEIPRANGE(1, 100));
    b.parentsChoice = 42;
    Type("7 ");
    ASSERT_EQ(b.changed.size(), 2u);
    EXPECT_EQ(b.changed[1], std::make_pair(1, 7));
    EXPECT_EQ(AddressOf(b.ip), MAKEIPADDRESS(255, 42, 0, 0)) << "the parent's choice is kept";
    // EN_CHANGE of the fields comes as the control's own.
    bool sawChange = false;
    for (const auto& r : b.parent.Log())
        sawChange = sawChange || (r.message == WM_COMMAND && HIWORD(r.wParam) == EN_CHANGE && LOWORD(r.wParam) == 5040 &&
                                  r.lParam == reinterpret_cast<LPARAM>(b.ip));
    EXPECT_TRUE(sawChange);
    DestroyWindow(b.top);
}

TEST_F(IpAddressTest, InitCommonControlsExChecksItsSize)
{
    INITCOMMONCONTROLSEX good{sizeof(INITCOMMONCONTROLSEX), ICC_INTERNET_CLASSES | ICC_UPDOWN_CLASS};
    EXPECT_TRUE(InitCommonControlsEx(&good));
    INITCOMMONCONTROLSEX bad{3, ICC_INTERNET_CLASSES};
    EXPECT_FALSE(InitCommonControlsEx(&bad));
    EXPECT_FALSE(InitCommonControlsEx(nullptr));
}

TEST_F(IpAddressTest, ScreenshotOfTheControls)
{
    Box b;
    b.parent.answer = zv::user::test::PaintsIn(GetSysColor(COLOR_BTNFACE));
    b.top = CreateAt(b.parent, WS_POPUP | WS_VISIBLE, 0, 0, 320, 120);
    const HWND ip = CreateWindowExA(WS_EX_CLIENTEDGE, "SysIPAddress32", "", WS_CHILD | WS_VISIBLE, 10, 10, 160, 24,
                                    b.top, nullptr, nullptr, nullptr);
    SendMessageA(ip, IPM_SETADDRESS, 0, static_cast<LPARAM>(MAKEIPADDRESS(192, 168, 1, 20)));
    CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "", WS_CHILD | WS_VISIBLE | ES_NUMBER, 10, 44, 80, 24, b.top, nullptr,
                    nullptr, nullptr);
    const HWND spin = CreateWindowExA(0, "msctls_updown32", "",
                                      WS_CHILD | WS_VISIBLE | UDS_AUTOBUDDY | UDS_ALIGNRIGHT | UDS_SETBUDDYINT, 0, 0,
                                      17, 24, b.top, nullptr, nullptr, nullptr);
    SendMessageA(spin, UDM_SETRANGE32, 3, 360);
    SendMessageA(spin, UDM_SETPOS32, 0, 15);
    const HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "Line one\r\nLine two\r\nLine three",
                                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE, 190, 10, 120, 58, b.top,
                                      nullptr, nullptr, nullptr);
    SetScrollRange(list, SB_VERT, 0, 10, TRUE);
    RedrawWindow(b.top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DispatchQueued();
    EXPECT_EQ(AddressOf(ip), MAKEIPADDRESS(192, 168, 1, 20));
    zv::user::testing::KeepScreenshot("common_controls", b.top);
    DestroyWindow(b.top);
}

} // namespace
