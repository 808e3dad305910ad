// The owner-data report list view: selection by mouse and keys, walking the selection, whole-list
// changes on a million rows, scrolling into view, activation, text asked only for drawn rows, and
// what the selection looks like on screen.
#include "platform/user/dialog.h"
#include "platform/user/input_events.h"
#include "platform/user/item_ranges.h"
#include "platform/user/list_view.h"
#include "platform/user/scroll_bars.h"
#include "platform/user/system_metrics.h"
#include "platform/user/testing/screenshots.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/user/timers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using zv::user::DeliverKey;
using zv::user::DeliverMouseButton;
using zv::user::DeliverMouseMove;
using zv::user::MouseButton;
using zv::user::VirtualClock;
using zv::user::test::CreateAt;
using zv::user::test::DispatchQueued;
using zv::user::test::RecordingWindow;

constexpr DWORD kPlaylistStyle =
    WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS;

class ListViewTest : public zv::user::test::WindowSystemTest {
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        VirtualClock::Install(); // clicks are double clicks only when a test says so
    }
    void TearDown() override
    {
        VirtualClock::Uninstall();
        WindowSystemTest::TearDown();
    }
};

// A list in a pop-up whose parent answers every row as "Item <n>" and notes what it hears.
struct OwnerList {
    RecordingWindow parent;
    HWND top = nullptr;
    HWND list = nullptr;
    std::vector<int> asked;         // rows whose text was asked for
    std::vector<std::string> heard; // the other notifications

    OwnerList(int count, DWORD style = kPlaylistStyle, DWORD exStyle = LVS_EX_FULLROWSELECT | LVS_EX_UNDERLINEHOT,
              int width = 200, int height = 150)
    {
        parent.answer = [this](HWND, UINT message, WPARAM, LPARAM lParam) -> std::optional<LRESULT> {
            if (message == WM_NOTIFY)
                Hear(reinterpret_cast<NMHDR*>(lParam));
            return std::nullopt;
        };
        top = CreateAt(parent, WS_POPUP | WS_VISIBLE, 0, 0, width + 40, height + 40);
        list = CreateWindowExA(0, kListViewClassName, "", style, 10, 10, width, height, top,
                               reinterpret_cast<HMENU>(2500), nullptr, nullptr);
        SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(exStyle));
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>("Name");
        column.cx = width;
        SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
        SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
        DispatchQueued();
        asked.clear();
        heard.clear();
    }
    ~OwnerList() { DestroyWindow(top); }

    void Hear(NMHDR* header)
    {
        if (header->code == LVN_GETDISPINFOA) {
            auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
            asked.push_back(info->item.iItem);
            if (info->item.mask & LVIF_TEXT)
                std::snprintf(info->item.pszText, static_cast<size_t>(info->item.cchTextMax), "Item %d", info->item.iItem);
            return;
        }
        const auto* item = reinterpret_cast<NMITEMACTIVATE*>(header);
        if (header->code == LVN_ITEMACTIVATE)
            heard.push_back("activate " + std::to_string(item->iItem));
        else if (header->code == NM_DBLCLK)
            heard.push_back("double click " + std::to_string(item->iItem));
        else if (header->code == LVN_ITEMCHANGED)
            heard.push_back("changed " + std::to_string(reinterpret_cast<NMLISTVIEW*>(header)->iItem));
    }

    RECT Row(int item) const
    {
        RECT rect{};
        rect.left = LVIR_BOUNDS;
        SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&rect));
        return rect;
    }
    int RowHeight() const { return Row(0).bottom - Row(0).top; }
    int Top() const { return static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)); }
    int PerPage() const { return static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0)); }
    int Focused() const { return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)); }
    std::vector<int> Selected() const
    {
        std::vector<int> items;
        for (int i = -1; (i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0;)
            items.push_back(i);
        return items;
    }
    void SetState(int item, UINT state, UINT mask)
    {
        LVITEMA change{};
        change.state = state;
        change.stateMask = mask;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&change));
    }
};

struct Keys {
    bool control = false;
    bool shift = false;
};

void Hold(Keys keys, bool down)
{
    if (keys.control)
        DeliverKey(VK_CONTROL, down);
    if (keys.shift)
        DeliverKey(VK_SHIFT, down);
}

// A click in the middle of the row's left part, in client coordinates of the list.
void ClickAt(HWND list, POINT at, Keys keys = {}, int times = 1)
{
    ClientToScreen(list, &at);
    Hold(keys, true);
    DeliverMouseMove(at.x, at.y);
    for (int i = 0; i < times; ++i) {
        DeliverMouseButton(MouseButton::Left, true);
        DeliverMouseButton(MouseButton::Left, false);
    }
    Hold(keys, false);
    DispatchQueued();
    VirtualClock::Advance(1000);
}

void ClickRow(const OwnerList& l, int item, Keys keys = {}, int times = 1)
{
    const RECT row = l.Row(item);
    ClickAt(l.list, POINT{20, (row.top + row.bottom) / 2}, keys, times);
}

void Press(UINT key, Keys keys = {})
{
    Hold(keys, true);
    DeliverKey(key, true);
    DeliverKey(key, false);
    Hold(keys, false);
    DispatchQueued();
}

TEST(ItemRangesTest, RangesMergeSplitAndWalk)
{
    struct Step {
        bool add;
        int first;
        int last;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<int> expected; // the members below 20
    };
    const std::vector<Case> cases = {
        {"touching ranges join", {{true, 2, 4}, {true, 5, 7}}, {2, 3, 4, 5, 6, 7}},
        {"a range swallows those inside", {{true, 3, 3}, {true, 6, 8}, {true, 1, 10}}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"removing from the middle splits", {{true, 0, 9}, {false, 3, 5}}, {0, 1, 2, 6, 7, 8, 9}},
        {"removing across ranges", {{true, 0, 2}, {true, 5, 7}, {true, 10, 12}, {false, 1, 11}}, {0, 12}},
        {"an empty range does nothing", {{true, 4, 3}, {true, 8, 8}}, {8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        zv::user::ItemRanges ranges;
        for (const Step& s : c.steps)
            s.add ? ranges.Add(s.first, s.last) : ranges.Remove(s.first, s.last);
        std::vector<int> walked;
        for (int i = ranges.NextAfter(-1); i >= 0 && i < 20; i = ranges.NextAfter(i))
            walked.push_back(i);
        EXPECT_EQ(walked, c.expected);
        EXPECT_EQ(ranges.Count(), static_cast<int>(c.expected.size()));
        std::vector<int> backwards;
        for (int i = ranges.PreviousBefore(20); i >= 0; i = ranges.PreviousBefore(i))
            backwards.insert(backwards.begin(), i);
        EXPECT_EQ(backwards, c.expected);
    }
}

TEST_F(ListViewTest, ClicksSelectToggleAndExtend)
{
    struct Click {
        int item; // -1: below the last row
        Keys keys;
    };
    struct Case {
        const char* name;
        DWORD extraStyle;
        std::vector<Click> clicks;
        std::vector<int> selected;
        int focused;
    };
    const std::vector<Case> cases = {
        {"a click selects one row", 0, {{3, {}}}, {3}, 3},
        {"the next click moves it", 0, {{3, {}}, {5, {}}}, {5}, 5},
        {"control adds and toggles", 0, {{1, {}}, {3, {true, false}}, {5, {true, false}}, {3, {true, false}}}, {1, 5}, 3},
        {"shift selects from the anchor", 0, {{2, {}}, {5, {false, true}}}, {2, 3, 4, 5}, 5},
        {"shift again keeps the anchor", 0, {{2, {}}, {5, {false, true}}, {1, {false, true}}}, {1, 2}, 1},
        {"control and shift add a range", 0, {{0, {}}, {3, {true, false}}, {5, {true, true}}}, {0, 3, 4, 5}, 5},
        {"empty space clears", 0, {{2, {}}, {4, {true, false}}, {-1, {}}}, {}, 4},
        {"single selection ignores the keys", LVS_SINGLESEL, {{1, {}}, {4, {true, false}}, {6, {false, true}}}, {6}, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OwnerList l(7, kPlaylistStyle | c.extraStyle);
        for (const Click& click : c.clicks) {
            if (click.item >= 0)
                ClickRow(l, click.item, click.keys);
            else
                ClickAt(l.list, POINT{20, l.Row(6).bottom + 5}, click.keys);
        }
        EXPECT_EQ(l.Selected(), c.selected);
        EXPECT_EQ(l.Focused(), c.focused);
        EXPECT_EQ(SendMessageA(l.list, LVM_GETSELECTEDCOUNT, 0, 0), static_cast<LRESULT>(c.selected.size()));
    }
}

TEST_F(ListViewTest, KeysMoveTheFocusAndTheSelection)
{
    struct Press_ {
        UINT key;
        Keys keys;
    };
    struct Case {
        const char* name;
        std::vector<Press_> presses;
        // Expected, from the rows a page holds (p) and the count (n): selected rows and focus.
        std::function<std::vector<int>(int p, int n)> selected;
        std::function<int(int p, int n)> focused;
    };
    const auto rows = [](int from, int to) {
        std::vector<int> r;
        for (int i = from; i <= to; ++i)
            r.push_back(i);
        return r;
    };
    const std::vector<Case> cases = {
        {"down moves", {{VK_DOWN, {}}, {VK_DOWN, {}}}, [](int, int) { return std::vector<int>{3}; },
         [](int, int) { return 3; }},
        {"up stops at the first row", {{VK_UP, {}}, {VK_UP, {}}, {VK_UP, {}}}, [](int, int) { return std::vector<int>{0}; },
         [](int, int) { return 0; }},
        {"shift extends", {{VK_DOWN, {false, true}}, {VK_DOWN, {false, true}}}, [&](int, int) { return rows(1, 3); },
         [](int, int) { return 3; }},
        {"control moves the focus alone and space toggles",
         {{VK_DOWN, {true, false}}, {VK_DOWN, {true, false}}, {VK_SPACE, {true, false}}},
         [](int, int) { return std::vector<int>{1, 3}; }, [](int, int) { return 3; }},
        {"end", {{VK_END, {}}}, [](int, int n) { return std::vector<int>{n - 1}; }, [](int, int n) { return n - 1; }},
        {"shift home", {{VK_HOME, {false, true}}}, [&](int, int) { return rows(0, 1); }, [](int, int) { return 0; }},
        {"page down goes to the page's last row first", {{VK_NEXT, {}}},
         [](int p, int) { return std::vector<int>{p - 1}; }, [](int p, int) { return p - 1; }},
        {"then a page on", {{VK_NEXT, {}}, {VK_NEXT, {}}}, [](int p, int) { return std::vector<int>{2 * p - 2}; },
         [](int p, int) { return 2 * p - 2; }},
        {"page up from the end", {{VK_END, {}}, {VK_PRIOR, {}}},
         [](int p, int n) { return std::vector<int>{n - p}; }, [](int p, int n) { return n - p; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OwnerList l(50);
        ClickRow(l, 1);
        for (const Press_& p : c.presses)
            Press(p.key, p.keys);
        const int perPage = l.PerPage();
        ASSERT_GT(perPage, 2);
        EXPECT_EQ(l.Selected(), c.selected(perPage, 50));
        EXPECT_EQ(l.Focused(), c.focused(perPage, 50));
        const int focused = l.Focused();
        EXPECT_TRUE(focused >= l.Top() && focused < l.Top() + perPage) << "the focused row is in view";
    }
}

TEST_F(ListViewTest, MillionRowsCostOnlyWhatIsDrawn)
{
    OwnerList l(1000000);
    InvalidateRect(l.list, nullptr, FALSE);
    UpdateWindow(l.list);
    ASSERT_FALSE(l.asked.empty());
    const int perPage = l.PerPage();
    ASSERT_GT(perPage, 0);
    EXPECT_LE(l.asked.size(), static_cast<size_t>(perPage + 1));
    EXPECT_EQ(*std::max_element(l.asked.begin(), l.asked.end()), static_cast<int>(l.asked.size()) - 1);

    l.SetState(-1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(SendMessageA(l.list, LVM_GETSELECTEDCOUNT, 0, 0), 1000000);
    EXPECT_EQ(SendMessageA(l.list, LVM_GETNEXTITEM, 999998, LVNI_SELECTED), 999999);
    EXPECT_EQ(SendMessageA(l.list, LVM_GETNEXTITEM, 999999, LVNI_SELECTED), -1);
    EXPECT_EQ(SendMessageA(l.list, LVM_GETITEMSTATE, 654321, LVIS_SELECTED | LVIS_FOCUSED), LVIS_SELECTED);
    l.SetState(500000, 0, LVIS_SELECTED);
    EXPECT_EQ(SendMessageA(l.list, LVM_GETNEXTITEM, 499999, LVNI_SELECTED), 500001);
    EXPECT_EQ(SendMessageA(l.list, LVM_GETNEXTITEM, 500001, LVNI_SELECTED | LVNI_ABOVE), 499999);

    // Scrolling far down asks for the rows then on screen only.
    l.asked.clear();
    EXPECT_TRUE(SendMessageA(l.list, LVM_ENSUREVISIBLE, 700000, FALSE));
    UpdateWindow(l.list);
    const int top = l.Top();
    EXPECT_EQ(top, 700000 - perPage + 1);
    EXPECT_EQ(GetScrollPos(l.list, SB_VERT), top);
    EXPECT_FALSE(l.asked.empty());
    for (int item : l.asked)
        EXPECT_TRUE(item >= top && item <= top + perPage) << item;

    // Fewer rows drop the selection beyond them; clearing all is one notice.
    SendMessageA(l.list, LVM_SETITEMCOUNT, 10, 0);
    EXPECT_EQ(SendMessageA(l.list, LVM_GETSELECTEDCOUNT, 0, 0), 10);
    EXPECT_EQ(l.Top(), std::max(0, 10 - perPage)) << "the last page is full";
    l.heard.clear();
    l.SetState(-1, 0, LVIS_SELECTED);
    EXPECT_TRUE(l.Selected().empty());
    EXPECT_EQ(l.heard, (std::vector<std::string>{"changed -1"}));
}

TEST_F(ListViewTest, EnsureVisibleScrollsTheLeast)
{
    struct Case {
        const char* name;
        int startTop;
        int item;
        BOOL partialOk;
        // The top expected, from the rows a page holds.
        std::function<int(int p)> top;
    };
    const std::vector<Case> cases = {
        {"shown already", 10, 12, FALSE, [](int) { return 10; }},
        {"above", 10, 4, FALSE, [](int) { return 4; }},
        {"below", 0, 40, FALSE, [](int p) { return 40 - p + 1; }},
        {"half shown, whole wanted", 0, -1, FALSE, [](int) { return 1; }},
        {"half shown is enough", 0, -1, TRUE, [](int) { return 0; }},
        {"the last row", 0, 99, FALSE, [](int p) { return 100 - p; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OwnerList l(100);
        // A height of whole rows and a half one.
        const int rowHeight = l.RowHeight();
        MoveWindow(l.list, 10, 10, 200, 8 * rowHeight + rowHeight / 2, TRUE);
        const int perPage = l.PerPage();
        ASSERT_EQ(perPage, 8);
        SendMessageA(l.list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(c.startTop + perPage - 1), FALSE);
        SendMessageA(l.list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(c.startTop), FALSE);
        ASSERT_EQ(l.Top(), c.startTop);
        const int item = c.item >= 0 ? c.item : perPage; // -1: the half-shown row
        EXPECT_TRUE(SendMessageA(l.list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), c.partialOk));
        EXPECT_EQ(l.Top(), c.top(perPage));
        EXPECT_EQ(GetScrollPos(l.list, SB_VERT), l.Top());
    }
}

TEST_F(ListViewTest, WheelAndScrollBarMoveTheTopRow)
{
    OwnerList l(100);
    RECT window;
    GetWindowRect(l.list, &window);
    DeliverMouseMove(window.left + 20, window.top + 20);
    zv::user::DeliverMouseWheel(-WHEEL_DELTA);
    DispatchQueued();
    EXPECT_EQ(l.Top(), 3);
    SendMessageA(l.list, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(l.Top(), 3 + l.PerPage());
    SendMessageA(l.list, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(l.Top(), 100 - l.PerPage());
    EXPECT_EQ(GetScrollPos(l.list, SB_VERT), l.Top());
}

// Dragging the thumb of a long list: its position is more than the message's 16 bits hold.
TEST_F(ListViewTest, ThumbDragReachesTheEndOfAMillionRows)
{
    OwnerList l(1000000);
    RECT client;
    GetClientRect(l.list, &client);
    POINT thumb{client.right + GetSystemMetrics(SM_CXVSCROLL) / 2, GetSystemMetrics(SM_CYVSCROLL) + 3};
    POINT end{thumb.x, client.bottom + 40};
    ClientToScreen(l.list, &thumb);
    ClientToScreen(l.list, &end);
    // The drag's end comes once the bar follows the mouse: a message posted behind the press.
    const auto notices = l.parent.answer;
    l.parent.answer = [&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (message != WM_APP)
            return notices(hwnd, message, wParam, lParam);
        DeliverMouseMove(end.x, end.y);
        DeliverMouseButton(MouseButton::Left, false);
        return 0;
    };
    DeliverMouseMove(thumb.x, thumb.y);
    DeliverMouseButton(MouseButton::Left, true);
    PostMessageA(l.top, WM_APP, 0, 0);
    DispatchQueued();
    EXPECT_EQ(l.Top(), 1000000 - l.PerPage());
    EXPECT_EQ(GetScrollPos(l.list, SB_VERT), l.Top());
}

TEST_F(ListViewTest, DoubleClickAndEnterActivate)
{
    struct Case {
        const char* name;
        std::function<void(OwnerList&)> act;
        std::vector<std::string> heard;
    };
    const std::vector<Case> cases = {
        {"double click on a row", [](OwnerList& l) { ClickRow(l, 2, {}, 2); },
         {"changed -1", "changed 2", "changed 2", "double click 2", "activate 2"}},
        {"double click below the rows", [](OwnerList& l) { ClickAt(l.list, POINT{20, l.Row(4).bottom + 5}, {}, 2); },
         {"changed -1", "double click -1"}},
        {"enter on the focused row", [](OwnerList& l) { ClickRow(l, 3); l.heard.clear(); Press(VK_RETURN); },
         {"activate 3"}},
        {"enter with nothing selected",
         [](OwnerList& l) {
             l.SetState(-1, 0, LVIS_SELECTED);
             l.heard.clear();
             SetFocus(l.list);
             Press(VK_RETURN);
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OwnerList l(5);
        l.SetState(0, LVIS_SELECTED, LVIS_SELECTED); // a click elsewhere clears it for all rows at once
        l.heard.clear();
        c.act(l);
        EXPECT_EQ(l.heard, c.heard);
    }
}

TEST_F(ListViewTest, EnterInADialogGoesToTheListNotTheDefaultButton)
{
    OwnerList l(5);
    ClickRow(l, 1);
    l.heard.clear();
    DeliverKey(VK_RETURN, true);
    DeliverKey(VK_RETURN, false);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(l.top, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    EXPECT_EQ(l.heard, (std::vector<std::string>{"activate 1"}));
    for (const auto& [message, wParam] : zv::user::test::Received(l.parent, {WM_COMMAND}))
        EXPECT_NE(LOWORD(wParam), IDOK);
}

TEST_F(ListViewTest, TextIsCutToTheCallersBuffer)
{
    OwnerList l(20);
    char text[6] = {};
    LVITEMA wanted{};
    wanted.pszText = text;
    wanted.cchTextMax = sizeof text;
    EXPECT_EQ(SendMessageA(l.list, LVM_GETITEMTEXTA, 12, reinterpret_cast<LPARAM>(&wanted)), 5);
    EXPECT_STREQ(text, "Item ");
    EXPECT_EQ(SendMessageA(l.list, LVM_GETITEMTEXTA, 20, reinterpret_cast<LPARAM>(&wanted)), 0) << "no such row";
}

// What a row looks like: highlighted across the client when selected and shown, a column set to
// the width less a scroll bar still giving a full row.
TEST_F(ListViewTest, SelectedRowsAreHighlightedAcrossTheRow)
{
    struct Case {
        const char* name;
        DWORD style;
        bool focused;
        bool highlighted;
    };
    const std::vector<Case> cases = {
        {"focused", kPlaylistStyle, true, true},
        {"not focused, shown always", kPlaylistStyle, false, true},
        {"not focused, hidden then", kPlaylistStyle & ~LVS_SHOWSELALWAYS, false, false},
        {"under a header", kPlaylistStyle & ~LVS_NOCOLUMNHEADER, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OwnerList l(30, c.style);
        RECT client;
        GetClientRect(l.list, &client);
        SendMessageA(l.list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(client.right - GetSystemMetrics(SM_CXVSCROLL), 0));
        for (int item : {1, 2, 4})
            l.SetState(item, LVIS_SELECTED, LVIS_SELECTED);
        l.SetState(4, LVIS_FOCUSED, LVIS_FOCUSED);
        SetFocus(c.focused ? l.list : l.top);
        DispatchQueued();
        UpdateWindow(l.list);
        EXPECT_EQ(l.Row(2).right, client.right) << "the row fills the client";
        const auto pixel = [&](int item) {
            POINT at{client.right - 2, (l.Row(item).top + l.Row(item).bottom) / 2};
            ClientToScreen(l.list, &at);
            return zv::user::headless::ScreenPixel(at.x, at.y);
        };
        const COLORREF selected = c.highlighted ? GetSysColor(COLOR_HIGHLIGHT) : GetSysColor(COLOR_WINDOW);
        EXPECT_EQ(pixel(1), selected);
        EXPECT_EQ(pixel(2), selected);
        EXPECT_EQ(pixel(3), GetSysColor(COLOR_WINDOW));
        if (!(c.style & LVS_NOCOLUMNHEADER)) {
            EXPECT_GT(l.Row(0).top, 0) << "the rows start below the header";
            zv::user::testing::KeepScreenshot("list_view_with_header", l.top);
        } else if (c.focused) {
            zv::user::testing::KeepScreenshot("list_view_multi_selection", l.top);
        }
    }
}

TEST_F(ListViewTest, RowsAndBackgroundTakeTheColoursTheParentSets)
{
    constexpr COLORREF kDark = RGB(0x05, 0x07, 0x0A);
    constexpr COLORREF kLight = RGB(0xE6, 0xEA, 0xF0);
    constexpr COLORREF kStripe = RGB(0x20, 0x40, 0x60);
    struct Case {
        const char* name;
        COLORREF background; // CLR_INVALID: not set
        COLORREF text;
        COLORREF textBackground;
        COLORREF shownBackground; // below the rows
        COLORREF shownRow;        // beside a row's text
        COLORREF shownText;
    };
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const COLORREF windowText = GetSysColor(COLOR_WINDOWTEXT);
    const std::vector<Case> cases = {
        {"the system's", CLR_INVALID, CLR_INVALID, CLR_INVALID, window, window, windowText},
        {"dark with light text", kDark, kLight, CLR_NONE, kDark, kDark, kLight},
        {"rows on a stripe of their own", kDark, kLight, kStripe, kDark, kStripe, kLight},
        {"back to the system's", CLR_DEFAULT, CLR_DEFAULT, CLR_DEFAULT, window, window, windowText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OwnerList l(3);
        for (const auto& [message, colour] : {std::pair{LVM_SETBKCOLOR, c.background},
                                              std::pair{LVM_SETTEXTCOLOR, c.text},
                                              std::pair{LVM_SETTEXTBKCOLOR, c.textBackground}}) {
            if (colour != CLR_INVALID) {
                EXPECT_TRUE(SendMessageA(l.list, message, 0, static_cast<LPARAM>(colour)));
            }
        }
        EXPECT_EQ(static_cast<COLORREF>(SendMessageA(l.list, LVM_GETBKCOLOR, 0, 0)), c.shownBackground);
        EXPECT_EQ(static_cast<COLORREF>(SendMessageA(l.list, LVM_GETTEXTCOLOR, 0, 0)), c.shownText);
        UpdateWindow(l.list);
        const auto pixel = [&](int x, int y) {
            POINT at{x, y};
            ClientToScreen(l.list, &at);
            return zv::user::headless::ScreenPixel(at.x, at.y);
        };
        const RECT row = l.Row(1);
        EXPECT_EQ(pixel(150, l.Row(2).bottom + 10), c.shownBackground);
        EXPECT_EQ(pixel(150, (row.top + row.bottom) / 2), c.shownRow);
        // The row's text is drawn in the text colour: some of its (smoothed) pixels are nearer to
        // that colour than to the row's.
        const auto distance = [](COLORREF a, COLORREF b) {
            return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
                   std::abs(GetBValue(a) - GetBValue(b));
        };
        bool textSeen = false;
        for (int x = row.left; x < row.left + 60 && !textSeen; ++x) {
            for (int y = row.top; y < row.bottom && !textSeen; ++y) {
                const COLORREF shown = pixel(x, y);
                textSeen = distance(shown, c.shownText) < distance(shown, c.shownRow);
            }
        }
        EXPECT_TRUE(textSeen);
        if (c.textBackground == kStripe)
            zv::user::testing::KeepScreenshot("list_view_own_colours", l.top);
    }
}

} // namespace
