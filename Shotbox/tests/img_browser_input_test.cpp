// The image browser's keyboard and mouse: focus, selection with Shift and Ctrl, and scrolling.
#include "Shotbox/tests/img_browser_test_support.h"

#include "platform/afx/afx_app.h"

namespace shotbox_test {
namespace {

struct Key {
    UINT vk;
    bool shift = false;
    bool ctrl = false;
};

// The key typed at the focus window as the user types it, modifiers held around it.
void Type(const Key& key)
{
    using zv::user::DeliverKey;
    if (key.shift)
        DeliverKey(VK_SHIFT, true);
    if (key.ctrl)
        DeliverKey(VK_CONTROL, true);
    DeliverKey(key.vk, true);
    DeliverKey(key.vk, false);
    if (key.ctrl)
        DeliverKey(VK_CONTROL, false);
    if (key.shift)
        DeliverKey(VK_SHIFT, false);
    Pump();
}

class ImgBrowserInputTest : public ImgBrowserTest {
protected:
    // `count` items, the given ones selected and the focus set, without notifications recorded.
    void Start(int count, const std::vector<int>& selected, int focus, int topRow = 0)
    {
        browser.RemoveAll();
        AddPictures(count);
        for (int index : selected)
            browser.SelectItem(index, TRUE);
        browser.SetFocusItem(focus);
        browser.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, topRow));
        ASSERT_EQ(browser.GetTopRow(), topRow);
        browser.SetFocus();
        Pump();
        parent.notes.clear();
    }
};

TEST_F(ImgBrowserInputTest, KeysMoveTheFocusAndSelect)
{
    MakeBrowser(320, 2.5); // two whole rows and a half
    const Key right{VK_RIGHT}, left{VK_LEFT}, down{VK_DOWN}, up{VK_UP}, home{VK_HOME}, end{VK_END};
    struct Case {
        const char* name;
        int count;
        std::vector<int> selected;
        int focus;
        int topRow;
        std::vector<Key> keys;
        int focusAfter;
        std::vector<int> selectedAfter;
        int topRowAfter;
    } cases[] = {
        {"right without a focus starts at the first visible item", 5, {}, -1, 0, {right}, 0, {0}, 0},
        {"right selects the target alone", 5, {0, 1}, 1, 0, {right}, 2, {2}, 0},
        {"ctrl+right moves without selecting", 5, {1}, 1, 0, {{VK_RIGHT, false, true}}, 2, {}, 0},
        {"shift+right extends the selection", 5, {1}, 1, 0, {{VK_RIGHT, true}}, 2, {1, 2}, 0},
        {"shift+left over a selected range unselects it", 5, {1, 2}, 2, 0, {{VK_LEFT, true}}, 1, {1}, 0},
        {"right at the last item does nothing", 5, {4, 0}, 4, 0, {right}, 4, {0, 4}, 0},
        {"left at the first item does nothing", 5, {0, 3}, 0, 0, {left}, 0, {0, 3}, 0},
        {"down into an incomplete row goes to the last item", 5, {2}, 2, 0, {down}, 4, {4}, 0},
        {"down inside the last row does nothing", 5, {3}, 3, 0, {down}, 3, {3}, 0},
        {"up from the first row does nothing", 5, {1}, 1, 0, {up}, 1, {1}, 0},
        {"up moves a row", 5, {4}, 4, 0, {up}, 1, {1}, 0},
        {"home selects the first item", 5, {4}, 4, 0, {home}, 0, {0}, 0},
        {"shift+home selects up to the focus", 5, {}, 2, 0, {{VK_HOME, true}}, 0, {0, 1, 2}, 0},
        {"shift+end after the first item selects everything", 5, {0}, 0, 0, {{VK_END, true}}, 4, {0, 1, 2, 3, 4}, 0},
        {"shift+end over a selected range unselects it", 5, {0, 1, 2, 3, 4}, 0, 0, {{VK_END, true}}, 4, {4}, 0},
        {"end on the last item does nothing more", 5, {1, 4}, 4, 0, {end}, 4, {1, 4}, 0},
        {"down past the half-shown row scrolls a row", 12, {4}, 4, 0, {down}, 7, {7}, 1},
        {"up above the first shown row scrolls a row", 12, {3}, 3, 1, {up}, 0, {0}, 0},
        {"end scrolls to the bottom", 12, {}, 0, 0, {end}, 11, {11}, 2},
        {"home scrolls to the top", 12, {}, 11, 2, {home}, 0, {0}, 0},
        {"a walk right through the rows", 12, {}, -1, 0, {right, right, right, down, down, left}, 7, {7}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(c.count, c.selected, c.focus, c.topRow);
        for (const Key& key : c.keys)
            Type(key);
        EXPECT_EQ(browser.GetFocusItem(), c.focusAfter);
        EXPECT_EQ(Selected(), c.selectedAfter);
        EXPECT_EQ(browser.GetTopRow(), c.topRowAfter);
        EXPECT_EQ(browser.GetScrollPos(SB_VERT), c.topRowAfter);
    }
}

TEST_F(ImgBrowserInputTest, KeysReportSelectionAndFocusToTheParent)
{
    MakeBrowser();
    Start(5, {1}, 1);
    Type({VK_RIGHT, true});
    EXPECT_EQ(parent.notes, (std::vector<std::pair<WPARAM, LPARAM>>{{0, 2}, {1, FocusChange(1, 2)}}));
}

TEST_F(ImgBrowserInputTest, InADialogTheArrowsAreHandledOnceAndDeleteGoesOn)
{
    MakeBrowser();
    Start(5, {0}, 0);
    MSG msg{browser.GetSafeHwnd(), WM_KEYDOWN, VK_RIGHT, 0, 0, {0, 0}};
    EXPECT_TRUE(AfxWalkPreTranslateTree(&msg));
    EXPECT_EQ(browser.GetFocusItem(), 1);
    msg.wParam = VK_DELETE;
    EXPECT_FALSE(AfxWalkPreTranslateTree(&msg)) << "the dialog deletes files";
    EXPECT_EQ(browser.GetFocusItem(), 1);
}

TEST_F(ImgBrowserInputTest, ClicksSelectWithShiftAndCtrl)
{
    MakeBrowser();
    auto centre = [&](int index) {
        CRect cell;
        browser.GetItemRect(index, &cell);
        return cell.CenterPoint();
    };
    struct Case {
        const char* name;
        std::vector<int> selected;
        int focus;
        WPARAM flags;
        int clicked; // 5 is an empty cell
        int focusAfter;
        std::vector<int> selectedAfter;
        std::vector<std::pair<WPARAM, LPARAM>> notes;
    } cases[] = {
        {"a click selects the item alone", {1, 2}, 1, 0, 3, 3, {3}, {{0, 3}, {1, FocusChange(1, 3)}}},
        {"a click on nothing clears and removes the focus", {1}, 1, 0, 5, -1, {}, {{0, -1}, {1, FocusChange(1, -1)}}},
        {"ctrl toggles and moves the focus", {1, 2}, 2, MK_CONTROL, 1, 1, {2}, {{0, 1}, {1, FocusChange(2, 1)}}},
        {"ctrl adds", {2}, 2, MK_CONTROL, 4, 4, {2, 4}, {{0, 4}, {1, FocusChange(2, 4)}}},
        {"shift selects from the focus", {0}, 1, MK_SHIFT, 3, 1, {1, 2, 3}, {{0, 1}, {0, 2}, {0, 3}}},
        {"shift on nothing changes nothing", {0}, 1, MK_SHIFT, 5, 1, {0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(5, c.selected, c.focus);
        parent.SetFocus();
        const CPoint at = centre(c.clicked);
        browser.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON | c.flags, MAKELPARAM(at.x, at.y));
        EXPECT_EQ(::GetFocus(), browser.GetSafeHwnd()) << "a click takes the keyboard focus";
        EXPECT_EQ(browser.GetFocusItem(), c.focusAfter);
        EXPECT_EQ(Selected(), c.selectedAfter);
        EXPECT_EQ(parent.notes, c.notes);
    }
}

TEST_F(ImgBrowserInputTest, SelectionQueries)
{
    MakeBrowser();
    Start(6, {1, 2, 3, 5}, 1);
    EXPECT_EQ(browser.GetSelectedCount(), 4);
    int out[3] = {};
    EXPECT_EQ(browser.GetSelectedItems(3, out), 3);
    EXPECT_EQ(std::vector<int>(out, out + 3), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(browser.GetSelectedItems(0, out), -1);
    EXPECT_EQ(browser.GetSelectedItems(2, nullptr), -1);
    struct Case {
        int a, b;
        bool selected;
    } cases[] = {{1, 3, true},   {3, 1, true},   {-1, 2, true}, {2, -1, true},
                 {1, 5, false},  {-1, -1, false}, {0, 0, false}, {5, 9, false}};
    for (const Case& c : cases)
        EXPECT_EQ(browser.IsRangeSelected(c.a, c.b) != FALSE, c.selected) << c.a << ".." << c.b;
    EXPECT_EQ(browser.SetFocusItem(6), -1) << "past the end";
    EXPECT_EQ(browser.GetFocusItem(), 1);
    EXPECT_EQ(browser.SetFocusItem(1), 1);
    EXPECT_EQ(browser.SetFocusItem(-1), 1);
}

} // namespace
} // namespace shotbox_test
