#include "platform/user/edit_control.h"
#include "platform/user/input_events.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/user/testing/screenshots.h"

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

class EditControlTest : public zv::user::test::WindowSystemTest {};

// One key press, with modifiers held around it.
void Press(UINT key, std::vector<UINT> modifiers = {})
{
    for (UINT m : modifiers)
        DeliverKey(m, true);
    DeliverKey(key, true);
    DeliverKey(key, false);
    for (UINT m : modifiers)
        DeliverKey(m, false);
    DispatchQueued();
}

std::string TextOf(HWND hwnd)
{
    char buffer[256] = {};
    GetWindowTextA(hwnd, buffer, sizeof buffer);
    return buffer;
}

std::pair<DWORD, DWORD> SelectionOf(HWND edit)
{
    DWORD from = 0, to = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    return {from, to};
}

// The edit notifications the parent received, in order.
std::vector<WORD> Notifications(const RecordingWindow& parent)
{
    std::vector<WORD> codes;
    for (const auto& r : parent.Log()) {
        if (r.message == WM_COMMAND)
            codes.push_back(HIWORD(r.wParam));
    }
    return codes;
}

struct Fixture {
    RecordingWindow parent;
    HWND top = nullptr;
    HWND edit = nullptr;
};

void Make(Fixture& f, DWORD style, const char* text, int width = 200, int height = 24)
{
    f.top = CreateAt(f.parent, WS_POPUP | WS_VISIBLE, 0, 0, 300, 200);
    f.edit = CreateWindowExA(0, "Edit", text, WS_CHILD | WS_VISIBLE | WS_BORDER | style, 10, 10, width, height, f.top,
                             reinterpret_cast<HMENU>(701), nullptr, nullptr);
    SetFocus(f.edit);
    DispatchQueued();
}

struct KeyCase {
    const char* name;
    DWORD style;
    const char* initial;
    int selFrom, selTo; // EM_SETSEL before the keys
    std::vector<std::pair<UINT, std::vector<UINT>>> keys;
    const char* expectedText;
    DWORD expectedFrom, expectedTo;
};

TEST_F(EditControlTest, EditingKeysChangeTextAndSelection)
{
    const std::vector<KeyCase> cases = {
        {"typing replaces the selection", 0, "hello", 1, 4, {{'X', {}}}, "hxo", 2, 2},
        {"backspace removes one character", 0, "hello", 5, 5, {{VK_BACK, {}}}, "hell", 4, 4},
        {"backspace at the start does nothing", 0, "hello", 0, 0, {{VK_BACK, {}}}, "hello", 0, 0},
        {"delete removes the next character", 0, "hello", 0, 0, {{VK_DELETE, {}}}, "ello", 0, 0},
        {"delete removes the selection", 0, "hello", 1, 3, {{VK_DELETE, {}}}, "hlo", 1, 1},
        {"home then shift+end selects all", 0, "abc", 2, 2, {{VK_HOME, {}}, {VK_END, {VK_SHIFT}}}, "abc", 0, 3},
        {"shift+left extends to the left", 0, "abc", 3, 3, {{VK_LEFT, {VK_SHIFT}}, {VK_LEFT, {VK_SHIFT}}}, "abc", 1, 3},
        {"left collapses a selection to its start", 0, "abcd", 1, 3, {{VK_LEFT, {}}}, "abcd", 1, 1},
        {"right collapses a selection to its end", 0, "abcd", 1, 3, {{VK_RIGHT, {}}}, "abcd", 3, 3},
        {"ctrl+a selects everything", 0, "abcd", 2, 2, {{'A', {VK_CONTROL}}}, "abcd", 0, 4},
        {"shift types capitals", 0, "", 0, 0, {{'Q', {VK_SHIFT}}, {'Q', {}}}, "Qq", 2, 2},
        {"number edits refuse letters", ES_NUMBER, "12", 2, 2, {{'A', {}}, {'7', {}}}, "127", 3, 3},
        {"read-only edits refuse typing and deleting", ES_READONLY, "fixed", 5, 5, {{'A', {}}, {VK_BACK, {}}},
         "fixed", 5, 5},
        {"read-only edits still move the caret", ES_READONLY, "fixed", 5, 5, {{VK_HOME, {}}}, "fixed", 0, 0},
        {"single line edits ignore return", 0, "ab", 2, 2, {{VK_RETURN, {}}}, "ab", 2, 2},
        {"want-return edits break the line", ES_MULTILINE | ES_WANTRETURN, "ab", 1, 1, {{VK_RETURN, {}}}, "a\r\nb", 3,
         3},
        {"the caret steps over a line break whole", ES_MULTILINE, "a\r\nb", 3, 3, {{VK_LEFT, {}}}, "a\r\nb", 1, 1},
        {"backspace removes a line break whole", ES_MULTILINE, "a\r\nb", 3, 3, {{VK_BACK, {}}}, "ab", 1, 1},
        {"down keeps the column on the next line", ES_MULTILINE, "abc\r\nabc", 1, 1, {{VK_DOWN, {}}}, "abc\r\nabc", 6,
         6},
        {"ctrl+end goes to the end of the text", ES_MULTILINE, "ab\r\ncd", 0, 0, {{VK_END, {VK_CONTROL}}}, "ab\r\ncd",
         6, 6},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        Make(f, c.style, c.initial, 200, (c.style & ES_MULTILINE) ? 80 : 24);
        SendMessageA(f.edit, EM_SETSEL, static_cast<WPARAM>(c.selFrom), c.selTo);
        for (const auto& [key, modifiers] : c.keys)
            Press(key, modifiers);
        EXPECT_EQ(TextOf(f.edit), c.expectedText);
        EXPECT_EQ(SelectionOf(f.edit), std::make_pair(c.expectedFrom, c.expectedTo));
        DestroyWindow(f.top);
    }
}

TEST_F(EditControlTest, LimitStopsTypingAndReportsMaxText)
{
    Fixture f;
    Make(f, ES_AUTOHSCROLL | ES_PASSWORD, "");
    SendMessageA(f.edit, EM_LIMITTEXT, 3, 0);
    EXPECT_EQ(SendMessageA(f.edit, EM_GETLIMITTEXT, 0, 0), 3);
    for (UINT key : {'A', 'B', 'C', 'D'})
        Press(key);
    EXPECT_EQ(TextOf(f.edit), "abc");
    const std::vector<WORD> expected = {EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE, EN_UPDATE, EN_CHANGE, EN_MAXTEXT};
    std::vector<WORD> seen = Notifications(f.parent);
    seen.erase(seen.begin()); // EN_SETFOCUS from Make
    EXPECT_EQ(seen, expected);
    // A program's replacement is cut to the limit too.
    SendMessageA(f.edit, EM_SETSEL, 1, 2);
    SendMessageA(f.edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("xyz"));
    EXPECT_EQ(TextOf(f.edit), "axc");
    SendMessageA(f.edit, EM_LIMITTEXT, 0, 0);
    EXPECT_GT(SendMessageA(f.edit, EM_GETLIMITTEXT, 0, 0), 0x10000) << "0 lifts the limit";
    DestroyWindow(f.top);
}

TEST_F(EditControlTest, FocusChangesAndSetTextNotifyTheParent)
{
    Fixture f;
    Make(f, 0, "one");
    RecordingWindow other;
    const HWND second = CreateAt(other, WS_CHILD | WS_VISIBLE, 0, 100, 50, 20, f.top, 2);
    SetFocus(second);
    SetWindowTextA(f.edit, "two");
    const std::vector<WORD> expected = {EN_SETFOCUS, EN_KILLFOCUS, EN_UPDATE, EN_CHANGE};
    EXPECT_EQ(Notifications(f.parent), expected);
    for (const auto& r : f.parent.Log()) {
        if (r.message == WM_COMMAND) {
            EXPECT_EQ(LOWORD(r.wParam), 701);
            EXPECT_EQ(r.lParam, reinterpret_cast<LPARAM>(f.edit));
        }
    }
    EXPECT_EQ(TextOf(f.edit), "two");
    EXPECT_EQ(GetWindowTextLengthA(f.edit), 3);
    DestroyWindow(f.top);
}

TEST_F(EditControlTest, DialogCodesAndSelectionMessages)
{
    Fixture f;
    Make(f, ES_MULTILINE | ES_WANTRETURN, "abcdef");
    EXPECT_EQ(SendMessageA(f.edit, WM_GETDLGCODE, 0, 0),
              static_cast<LRESULT>(DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | DLGC_WANTALLKEYS));
    SendMessageA(f.edit, EM_SETSEL, 2, -1);
    EXPECT_EQ(SelectionOf(f.edit), std::make_pair(DWORD{2}, DWORD{6})) << "-1 ends at the text's end";
    EXPECT_EQ(SendMessageA(f.edit, EM_GETSEL, 0, 0), MAKELONG(2, 6));
    SendMessageA(f.edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    EXPECT_EQ(SelectionOf(f.edit), std::make_pair(DWORD{6}, DWORD{6})) << "-1 removes the selection";
    SendMessageA(f.edit, EM_SETSEL, 99, 99);
    EXPECT_EQ(SelectionOf(f.edit), std::make_pair(DWORD{6}, DWORD{6})) << "positions are clamped";
    SendMessageA(f.edit, EM_SETREADONLY, TRUE, 0);
    EXPECT_TRUE(GetWindowLongA(f.edit, GWL_STYLE) & ES_READONLY);
    Press('Z');
    EXPECT_EQ(TextOf(f.edit), "abcdef");
    DestroyWindow(f.top);
}

TEST_F(EditControlTest, MouseDragSelectsAndPasswordHidesTheText)
{
    Fixture plain, hidden;
    Make(plain, 0, "wide text here", 200, 24);
    // Pressing at the left margin and dragging to the far right selects everything.
    DeliverMouseMove(13, 20);
    DeliverMouseButton(MouseButton::Left, true);
    DeliverMouseMove(205, 20);
    DeliverMouseButton(MouseButton::Left, false);
    DispatchQueued();
    EXPECT_EQ(GetFocus(), plain.edit);
    EXPECT_EQ(SelectionOf(plain.edit), std::make_pair(DWORD{0}, DWORD{14}));
    DestroyWindow(plain.top);

    // The password edit shows one mark per character: its ink does not depend on the letters.
    auto inkOf = [](const char* text) {
        Fixture f;
        Make(f, ES_PASSWORD, text);
        SetFocus(nullptr);
        UpdateWindow(f.edit);
        HDC hdc = GetDC(f.edit);
        int dark = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 150; ++x)
                dark += GetPixel(hdc, x, y) != GetSysColor(COLOR_WINDOW);
        ReleaseDC(f.edit, hdc);
        char buffer[16] = {};
        GetWindowTextA(f.edit, buffer, sizeof buffer);
        EXPECT_STREQ(buffer, text) << "the text itself is kept";
        DestroyWindow(f.top);
        return dark;
    };
    const int ink = inkOf("iiii");
    EXPECT_GT(ink, 0);
    EXPECT_EQ(ink, inkOf("WMWM"));
}

TEST_F(EditControlTest, Screenshot)
{
    Fixture f;
    f.parent.answer = zv::user::test::PaintsIn(GetSysColor(COLOR_BTNFACE));
    Make(f, ES_AUTOHSCROLL, "Selected text in an edit");
    SendMessageA(f.edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    SendMessageA(f.edit, EM_SETSEL, 0, 8);
    const HWND password = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "secret", WS_CHILD | WS_VISIBLE | ES_PASSWORD, 10,
                                          44, 200, 24, f.top, nullptr, nullptr, nullptr);
    const HWND lines = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "First line\r\nSecond line",
                                       WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN, 10, 78, 200, 60, f.top,
                                       nullptr, nullptr, nullptr);
    ASSERT_TRUE(password && lines);
    RedrawWindow(f.top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DispatchQueued();
    zv::user::testing::KeepScreenshot("edit_controls", f.top);
    DestroyWindow(f.top);
}

} // namespace
