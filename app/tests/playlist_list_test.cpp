// The play list window: name order, deleting, moving the selection, following a slideshow by
// name, the texts given to the list view, and playing through real keys and clicks.
#include "app/DlgPlaylist.h"
#include "app/ProgramMessages.h"
#include "platform/afx/afxwin.h"
#include "platform/user/input_events.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/win32/paths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

// The main window: records what it is asked to play and takes the focus, as starting a file does.
class MainWindowProbe : public CWnd {
public:
    std::vector<std::string> played;
    CPlayList* clearOnPlay = nullptr;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != PlayFileMessage)
            return CWnd::WindowProc(message, wParam, lParam);
        if (clearOnPlay)
            clearOnPlay->ClearEntries(); // the path must outlive this
        played.emplace_back(reinterpret_cast<const char*>(lParam));
        SetFocus();
        return 0;
    }
};

class PlayListTest : public zv::user::test::WindowSystemTest {
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        static CWinApp app("playlist");
        ASSERT_TRUE(main.CreateEx(0, nullptr, "main", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, nullptr, nullptr));
        app.m_pMainWnd = &main;
        ASSERT_TRUE(dialog.Create(&main));
        dialog.SetWindowPos(nullptr, 340, 20, 200, 160, SWP_NOZORDER | SWP_SHOWWINDOW);
    }
    void TearDown() override
    {
        dialog.DestroyWindow();
        AfxGetApp()->m_pMainWnd = nullptr;
        main.DestroyWindow();
        WindowSystemTest::TearDown();
    }

    void Fill(std::vector<std::string> names)
    {
        list.ClearEntries();
        for (const auto& name : names)
            list.AddEntry(name.c_str(), ("/m/" + name).c_str());
    }
    void Select(const std::set<int>& items)
    {
        list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (int item : items)
            list.SetItemState(item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    std::set<int> Selected() const
    {
        std::set<int> items;
        for (POSITION at = list.GetFirstSelectedItemPosition(); at;)
            items.insert(list.GetNextSelectedItem(at));
        return items;
    }
    // The rows as the list view shows them, checked against the list's entries.
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (int i = 0; i < list.GetItemCount(); ++i)
            rows.push_back(list.GetItemText(i, 0));
        EXPECT_EQ(rows.size(), list.CurrentList() ? list.CurrentList()->size() : 0);
        return rows;
    }

    MainWindowProbe main;
    CDlgPlaylist dialog;
    CPlayList& list = dialog.m_playList;
};

TEST_F(PlayListTest, NamesKeepByteOrderAndAreUnique)
{
    using Added = std::vector<std::pair<const char*, const char*>>;
    const std::pair<Added, std::vector<std::string>> cases[] = {
        {{{"b.jpg", "/1"}, {"A.jpg", "/2"}, {"a.jpg", "/3"}}, {"A.jpg", "a.jpg", "b.jpg"}},
        {{{"ab", "/1"}, {"\xc3\xa9", "/2"}, {"a", "/3"}, {"z", "/4"}}, {"a", "ab", "z", "\xc3\xa9"}},
        {{{nullptr, "/1"}, {"", "/2"}, {"c", nullptr}, {"d", ""}}, {"d"}},
    };
    for (const auto& [added, rows] : cases) {
        list.ClearEntries();
        for (const auto& [name, path] : added)
            list.AddEntry(name, path);
        EXPECT_EQ(Rows(), rows);
    }
    list.AddEntry("a.jpg", "C:\\x\\a.jpg");
    list.AddEntry("a.jpg", "D:\\y\\a.jpg");
    EXPECT_EQ(Rows(), (std::vector<std::string>{"a.jpg", "d"}));
    for (const auto& [name, path] : {std::pair{"a.jpg", "D:\\y\\a.jpg"}, {"A.JPG", ""}, {"a", ""}, {"", ""}})
        EXPECT_EQ(list.FindPath(name), path) << name;

    // Each tab its list; a selection does not carry over, and another mode shows nothing.
    Select({0});
    list.ShowList(CPlayList::kImageList);
    EXPECT_TRUE(Rows().empty());
    list.ShowList(CPlayList::kVideoList);
    EXPECT_TRUE(Selected().empty());
    list.ShowList(2);
    list.AddEntry("q", "/q");
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.m_videoList.size() + list.m_imageList.size(), 2u);

}

TEST_F(PlayListTest, DeleteRemovesEverySelectedEntry)
{
    const std::pair<std::set<int>, std::vector<std::string>> cases[] = {
        {{}, {"a", "b", "c", "d"}}, {{1, 3}, {"a", "c"}}, {{0, 1}, {"c", "d"}}, {{0, 1, 2, 3}, {}}};
    for (const auto& [selected, left] : cases) {
        Fill({"a", "b", "c", "d"});
        Select(selected);
        list.DeleteSelected();
        EXPECT_EQ(Rows(), left);
        EXPECT_TRUE(Selected().empty());
        EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), -1);
    }
}

TEST_F(PlayListTest, NextAndPreviousWrapAndLeaveASingleItemAlone)
{
    struct Case {
        int count;
        std::set<int> selected;
        bool next;
        std::set<int> after;
        std::string path;
    };
    const Case cases[] = {
        {3, {}, true, {0}, "/m/a"},  {3, {0}, true, {1}, "/m/b"},       {3, {2}, true, {0}, "/m/a"},
        {3, {0, 2}, true, {1, 2}, "/m/b"}, {1, {0}, true, {0}, ""},     {1, {}, true, {0}, "/m/a"},
        {0, {}, true, {}, ""},       {3, {}, false, {0}, "/m/a"},       {3, {0}, false, {2}, "/m/c"},
        {3, {2}, false, {1}, "/m/b"}, {1, {}, false, {}, ""},
    };
    const std::vector<std::string> abc{"a", "b", "c"};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << (c.next ? " next from " : " previous from ")
                                        << testing::PrintToString(c.selected));
        Fill({abc.begin(), abc.begin() + c.count});
        Select(c.selected);
        EXPECT_EQ(c.next ? list.SelectNext(true) : list.SelectPrev(), c.path);
        EXPECT_EQ(Selected(), c.after);
        EXPECT_EQ(list.GetSelectedPath(), c.after.empty() ? "" : "/m/" + std::string(1, 'a' + *c.after.begin()));
    }
}

TEST_F(PlayListTest, AdvanceFromNameGoesRoundTheList)
{
    const std::tuple<std::vector<std::string>, std::string, std::string, std::set<int>> cases[] = {
        {{"1", "2", "3"}, "1", "2", {1}}, {{"1", "2", "3"}, "3", "1", {0}}, {{"1", "3"}, "2", "1", {0}},
        {{"A", "b"}, "a", "A", {0}},      {{"1"}, "1", "1", {0}},           {{}, "1", "", {}},
    };
    list.ShowList(CPlayList::kImageList);
    for (const auto& [images, from, to, selected] : cases) {
        Fill(images);
        std::string name = from;
        std::string path = "left over";
        list.AdvanceFromName(CPlayList::kImageList, name, path);
        EXPECT_EQ(name, to);
        EXPECT_EQ(path, to.empty() ? "" : "/m/" + to);
        EXPECT_EQ(Selected(), selected);
    }
    // While the video list is shown its rows are not touched.
    Fill({"1", "2"});
    list.ShowList(CPlayList::kVideoList);
    Fill({"v", "w"});
    Select({1});
    std::string name = "1";
    std::string path;
    list.AdvanceFromName(CPlayList::kImageList, name, path);
    EXPECT_EQ(path, "/m/2");
    EXPECT_EQ(Selected(), std::set<int>{1});
}

TEST_F(PlayListTest, DisplayTextsAreCutAndTerminated)
{
    Fill({"abcdef"});
    struct Case {
        UINT mask;
        int item, subItem, size;
        const char* text; // null: nothing written
        LPARAM param;
    };
    const Case cases[] = {{LVIF_TEXT, 0, 0, 64, "abcdef", -7}, {LVIF_TEXT, 0, 0, 4, "abc", -7},
                          {LVIF_TEXT, 0, 0, 1, "", -7},        {LVIF_TEXT, 0, 1, 64, nullptr, -7},
                          {LVIF_TEXT | LVIF_PARAM, 1, 0, 64, nullptr, -7}, {LVIF_PARAM, 0, 0, 64, nullptr, 0}};
    for (const Case& c : cases) {
        char buffer[80];
        std::memset(buffer, 'X', sizeof buffer);
        NMLVDISPINFOA info{{list.m_hWnd, CDlgPlaylist::kListId, LVN_GETDISPINFOA}, {}};
        info.item = {c.mask, c.item, c.subItem, 0, 0, buffer, c.size, 0, -7, 0};
        dialog.SendMessage(WM_NOTIFY, CDlgPlaylist::kListId, reinterpret_cast<LPARAM>(&info.hdr));
        EXPECT_EQ(std::string(buffer, c.text ? std::strlen(c.text) + 2 : 1),
                  c.text ? std::string(c.text) + '\0' + 'X' : "X") << c.size;
        EXPECT_EQ(info.item.lParam, c.param) << "the index, not an address into the list";
    }
}

TEST_F(PlayListTest, KeysAndClicksPlayOnlyExistingFiles)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    for (const char* name : {"clip.avi", "other.avi"}) {
        std::ofstream(std::string(folder) + name) << "frames";
        list.AddEntry(name, (std::string(folder) + name).c_str());
    }
    list.AddEntry("gone.avi", "/nowhere/gone.avi");
    list.AddEntry("dir.avi", folder);
    const std::string clip = std::string(folder) + "clip.avi", other = std::string(folder) + "other.avi";
    // clip.avi, dir.avi, gone.avi, other.avi; key 0: a double click on the last selected row.
    const std::tuple<std::set<int>, UINT, std::vector<std::string>> cases[] = {
        {{3}, VK_RETURN, {other}}, {{0, 3}, VK_SPACE, {clip}}, {{3}, 0, {other}},
        {{2}, VK_RETURN, {}},      {{2}, VK_SPACE, {}},         {{1}, 0, {}},
    };
    for (const auto& [selected, key, played] : cases) {
        main.played.clear();
        list.SetFocus();
        Select(selected);
        if (key) {
            zv::user::DeliverKey(key, true);
            zv::user::DeliverKey(key, false);
        } else {
            RECT row{LVIR_BOUNDS, 0, 0, 0};
            list.SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(*selected.rbegin()), reinterpret_cast<LPARAM>(&row));
            POINT at{row.left + 5, (row.top + row.bottom) / 2};
            list.ClientToScreen(&at);
            zv::user::DeliverMouseMove(at.x, at.y);
            for (int click = 0; click < 4; ++click)
                zv::user::DeliverMouseButton(zv::user::MouseButton::Left, click % 2 == 0);
        }
        AfxPumpPendingMessages();
        EXPECT_EQ(main.played, played) << key << " on " << *selected.begin();
        EXPECT_EQ(::GetFocus(), list.m_hWnd);
    }
    // Enter and Escape leave the window open; Delete removes the selection.
    zv::user::DeliverKey(VK_ESCAPE, true);
    Select({1, 2});
    zv::user::DeliverKey(VK_DELETE, true);
    AfxPumpPendingMessages();
    EXPECT_TRUE(dialog.IsWindowVisible());
    EXPECT_EQ(Rows(), (std::vector<std::string>{"clip.avi", "other.avi"}));
    // The path sent stays valid while the main window empties the list.
    main.played.clear();
    main.clearOnPlay = &list;
    Select({1});
    list.PlaySelected();
    EXPECT_EQ(main.played, std::vector<std::string>{other});
}

} // namespace
