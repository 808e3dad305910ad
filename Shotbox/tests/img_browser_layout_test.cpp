// The image browser's cells, its list of files, removal and scrolling, and what it paints.
#include "Shotbox/tests/img_browser_test_support.h"

#include <fstream>

namespace shotbox_test {
namespace {

TEST_F(ImgBrowserTest, CellsFollowTheControlsWidthAndNeverVanish)
{
    // The scroll bar takes 17 pixels; the rest is split in three, the height 0.78571 of a width.
    struct Case {
        int width;
        int cellWidth;
        int cellHeight;
    } cases[] = {{320, 101, 79}, {17 + 3 * 140, 140, 109}, {30, 4, 3}, {17, 1, 1}, {5, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        CImgBrowser control(ImgBrowserNotifyMessage);
        ASSERT_TRUE(control.Create(CRect(0, 0, c.width, 120), &parent, 1019));
        EXPECT_EQ(control.GetCellWidth(), c.cellWidth);
        EXPECT_EQ(control.GetCellHeight(), c.cellHeight);
        EXPECT_EQ(CImgBrowserItem::CellWidth(), c.cellWidth);
        // Rows, hit tests and keys divide by the cell height.
        CRect client;
        control.GetClientRect(&client);
        EXPECT_EQ(control.GetVisibleRows(), client.Height() / c.cellHeight);
        EXPECT_EQ(control.AddItem(Picture("narrow.jpg").c_str()), 0);
        control.SendMessage(WM_KEYDOWN, VK_DOWN);
        control.SendMessage(WM_VSCROLL, SB_PAGEDOWN);
        EXPECT_EQ(control.HitTest(CPoint(0, 0)), 0);
        Pump();
    }
}

TEST_F(ImgBrowserTest, ItemsKeepTheirFileSizeAndTitle)
{
    MakeBrowser();
    const std::string good = Picture("big.jpg", 640, 480);
    const std::string broken = (Folder() / "broken.jpg").string();
    std::ofstream(broken) << "not a picture";
    struct Case {
        std::string path;
        bool loads;
        int width;
        int height;
    } cases[] = {{good, true, 640, 480}, {broken, false, 0, 0}, {(Folder() / "missing.jpg").string(), false, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const int index = browser.AddItem(c.path.c_str());
        ASSERT_GE(index, 0) << "a file that fails to load is still listed";
        CImgBrowserItem* item = browser.GetItem(index);
        ASSERT_NE(item, nullptr);
        int width = -1, height = -1;
        EXPECT_EQ(item->GetOriginalSize(&width, &height) != FALSE, c.loads);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(item->GetPath(), c.loads ? c.path : std::string());
        item->SetTitle("a title");
        EXPECT_EQ(item->GetTitle(), "a title");
        item->SetSelected(true);
        EXPECT_TRUE(item->Reload(item->GetPath().c_str()) != FALSE || !c.loads);
        EXPECT_EQ(item->GetTitle(), "") << "reloading empties the title";
        EXPECT_FALSE(item->IsSelected());
    }
    EXPECT_EQ(browser.GetItem(-1), nullptr);
    EXPECT_EQ(browser.GetItem(browser.GetItemCount()), nullptr);
    EXPECT_EQ(browser.AddItem(""), -1);
    EXPECT_EQ(browser.AddItem(nullptr), -1);
}

TEST_F(ImgBrowserTest, AListedPathInAnyLetterCaseIsNotAddedTwice)
{
    MakeBrowser();
    const std::string path = Picture("Shot.jpg");
    std::string upper = path;
    upper.replace(upper.size() - 8, 8, "SHOT.JPG");
    EXPECT_EQ(browser.AddItem(path.c_str()), 0);
    EXPECT_EQ(browser.AddItem(Picture("other.jpg").c_str()), 1);
    EXPECT_EQ(browser.AddItem(upper.c_str()), 0);
    EXPECT_EQ(browser.AddItem(path.c_str()), 0);
    EXPECT_EQ(browser.GetItemCount(), 2);
}

TEST_F(ImgBrowserTest, LoadFolderListsTheMatchingFiles)
{
    MakeBrowser();
    const auto pictures = Folder() / "album";
    std::filesystem::create_directories(pictures / "sub.jpg");
    for (const char* name : {"a.jpg", "b.JPG", "B.jpg"})
        ASSERT_TRUE(WriteJpeg((pictures / name).string(), 32, 24, RGB(0, 0, 255)));
    std::ofstream(pictures / "notes.txt") << "text";
    std::ofstream(pictures / "c.jpg") << "undecodable";
    const std::string folder = pictures.string();
    const std::string file = (pictures / "a.jpg").string();
    struct Case {
        std::string folder;
        const char* pattern;
        int result;
        int items;
    } cases[] = {
        {folder, "*.jpg", 4, 4},        // every letter case, the undecodable one too, no folders
        {folder + "/", "*.jpg", 4, 4},  // a trailing separator is dropped
        {folder, "*.png", 0, 0},
        {(Folder() / "nowhere").string(), "*.jpg", 0, 0},
        {file, "*.jpg", -1, 0},
        {folder, "", -1, 0},
        {"", "*.jpg", -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder + " " + c.pattern);
        browser.AddItem(Picture("left-over.jpg").c_str());
        EXPECT_EQ(browser.LoadFolder(c.folder.c_str(), c.pattern), c.result);
        EXPECT_EQ(browser.GetItemCount(), c.items);
        EXPECT_EQ(browser.GetTopRow(), 0);
    }
    // "b.JPG" and "B.jpg" are two files here: both listed, and duplicates are refused again after.
    browser.LoadFolder(folder.c_str(), "*.jpg");
    EXPECT_EQ(browser.AddItem(file.c_str()), 0);
    EXPECT_EQ(browser.GetItemCount(), 4);
}

TEST_F(ImgBrowserTest, RemovingAnItemKeepsTheFocusOnItsPicture)
{
    MakeBrowser();
    struct Case {
        const char* name;
        int focus;
        int removed;
        int focusAfter; // index after the removal
        std::vector<std::pair<WPARAM, LPARAM>> notes;
    } cases[] = {
        {"an item before the focus", 3, 1, 2, {}},
        {"an item after the focus", 1, 3, 1, {}},
        {"the focus item", 2, 2, 2, {{1, FocusChange(2, -1)}, {1, FocusChange(-1, 2)}}},
        {"the focus item, the last", 4, 4, 3, {{1, FocusChange(4, -1)}, {1, FocusChange(-1, 3)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        browser.RemoveAll();
        const auto paths = AddPictures(5);
        browser.SetFocusItem(c.focus);
        browser.GetItem(c.focus)->SetTitle("focus title");
        parent.notes.clear();
        browser.RemoveItem(c.removed);
        EXPECT_EQ(parent.notes, c.notes);
        EXPECT_EQ(browser.GetItemCount(), 4);
        ASSERT_EQ(browser.GetFocusItem(), c.focusAfter);
        if (c.focus != c.removed) {
            EXPECT_EQ(browser.GetItem(c.focusAfter)->GetPath(), paths[static_cast<size_t>(c.focus)]);
            EXPECT_EQ(browser.GetItem(c.focusAfter)->GetTitle(), "focus title");
        }
    }
    browser.RemoveItem(-1);
    browser.RemoveItem(4);
    EXPECT_EQ(browser.GetItemCount(), 4);
    parent.notes.clear();
    browser.RemoveAll();
    EXPECT_EQ(parent.notes, (std::vector<std::pair<WPARAM, LPARAM>>{{1, FocusChange(3, -1)}}));
    EXPECT_EQ(browser.GetFocusItem(), -1);
}

TEST_F(ImgBrowserTest, TheScrollBarMovesByRowsAndPages)
{
    MakeBrowser(320, 2.5);
    AddPictures(30); // ten rows, two visible
    ASSERT_EQ(browser.GetVisibleRows(), 2);
    const int last = 8;
    struct Case {
        int fromRow;
        UINT code;
        UINT position;
        int toRow;
    } cases[] = {
        {0, SB_LINEDOWN, 0, 1}, {last, SB_LINEDOWN, 0, last}, {3, SB_LINEUP, 0, 2}, {0, SB_LINEUP, 0, 0},
        {0, SB_PAGEDOWN, 0, 2}, {7, SB_PAGEDOWN, 0, last},    {5, SB_PAGEUP, 0, 3}, {1, SB_PAGEUP, 0, 0},
        {2, SB_BOTTOM, 0, last}, {5, SB_TOP, 0, 5},           {1, SB_THUMBTRACK, 6, 6},
        {1, SB_THUMBPOSITION, 4, 4}, {4, SB_ENDSCROLL, 0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << " from " << c.fromRow);
        browser.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, c.fromRow));
        ASSERT_EQ(browser.GetTopRow(), c.fromRow);
        browser.SendMessage(WM_VSCROLL, MAKEWPARAM(c.code, c.position));
        EXPECT_EQ(browser.GetTopRow(), c.toRow);
        EXPECT_EQ(browser.GetScrollPos(SB_VERT), c.toRow);
        EXPECT_EQ(browser.GetScrollLimit(SB_VERT), last);
    }
    // Items scrolled into view: from above, from below, and one sticking out by less than a row.
    browser.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 4));
    browser.EnsureVisible(2);
    EXPECT_EQ(browser.GetTopRow(), 0);
    browser.EnsureVisible(29);
    EXPECT_EQ(browser.GetTopRow(), 7) << "its row sticks out by half a cell";
    browser.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0));
    browser.EnsureVisible(6);
    EXPECT_EQ(browser.GetTopRow(), 0);
    CRect cell;
    browser.GetItemRect(6, &cell);
    EXPECT_EQ(browser.HitTest(CPoint(cell.left + 1, cell.top + 1)), 6) << "the half-shown row is hit";
    EXPECT_EQ(browser.HitTest(CPoint(cell.left + 1, cell.bottom + 1)), -1) << "rows past it are not";
}

TEST_F(ImgBrowserTest, NothingScrollsWhileEverythingFits)
{
    MakeBrowser(320, 2.5);
    AddPictures(4);
    browser.SendMessage(WM_VSCROLL, SB_BOTTOM);
    EXPECT_EQ(browser.GetTopRow(), 0);
    EXPECT_EQ(browser.GetScrollLimit(SB_VERT), 0);
}

TEST_F(ImgBrowserTest, CellsShowFocusSelectionThumbnailAndBackground)
{
    MakeBrowser(320, 1.5);
    ASSERT_EQ(browser.AddItem(Picture("red.jpg", 80, 60, RGB(220, 0, 0)).c_str()), 0);
    ASSERT_EQ(browser.AddItem(Picture("blue.jpg", 80, 60, RGB(0, 0, 220)).c_str()), 1);
    browser.SetFocus();
    browser.SelectItem(0, TRUE);
    browser.SetFocusItem(0);
    Pump();

    auto screenAt = [&](int index, int dx, int dy) {
        CRect cell;
        browser.GetItemRect(index, &cell);
        CPoint point(cell.left + dx, cell.top + dy);
        browser.ClientToScreen(&point);
        return zv::user::headless::ScreenPixel(point.x, point.y);
    };
    const int w = browser.GetCellWidth(), h = browser.GetCellHeight();
    EXPECT_EQ(screenAt(0, 1, 1), GetSysColor(COLOR_HIGHLIGHT)) << "focus ring";
    EXPECT_EQ(screenAt(0, 2, 2), GetSysColor(COLOR_BTNSHADOW)) << "selection ring";
    EXPECT_EQ(screenAt(1, 1, 1), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(screenAt(1, 2, 2), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(screenAt(1, 3, 3), GetSysColor(COLOR_BTNSHADOW)) << "frame";
    EXPECT_EQ(screenAt(1, 4, 4), GetSysColor(COLOR_BTNFACE)) << "panel";
    const COLORREF red = screenAt(0, w / 2, (h - 19) / 2 + 4);
    const COLORREF blue = screenAt(1, w / 2, (h - 19) / 2 + 4);
    EXPECT_GT(GetRValue(red), 150);
    EXPECT_LT(GetBValue(red), 80);
    EXPECT_GT(GetBValue(blue), 150);
    EXPECT_LT(GetRValue(blue), 80);
    EXPECT_EQ(screenAt(2, w / 2, h / 2), GetSysColor(COLOR_WINDOW)) << "no third item";
    // The caption's box is the highlight colour under a selected item, the face colour otherwise.
    // (Its lowest row lies under the digits' baseline.)
    EXPECT_EQ(screenAt(0, w / 2, h - 7), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(screenAt(1, w / 2, h - 7), GetSysColor(COLOR_BTNFACE));

    // Without the keyboard focus the focus ring goes.
    parent.SetFocus();
    Pump();
    EXPECT_EQ(screenAt(0, 1, 1), GetSysColor(COLOR_WINDOW));
}

} // namespace
} // namespace shotbox_test
