// CListCtrl: a derived owner-data list answers its own LVN_GETDISPINFO and LVN_ITEMACTIVATE
// through reflection, created by the framework or subclassed from a dialog item; the selection
// walk and the text of any length.
#include "platform/afx/afxwin.h"
#include "platform/user/headless_display.h"
#include "platform/user/input_events.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_heard;

// Shows names it owns, as a play list does.
class NameList : public CListCtrl {
public:
    std::vector<std::string> names;

protected:
    void OnGetDispInfo(NMHDR* header, LRESULT* result)
    {
        auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
        const auto item = static_cast<size_t>(info->item.iItem);
        if (item < names.size() && (info->item.mask & LVIF_TEXT))
            std::snprintf(info->item.pszText, static_cast<size_t>(info->item.cchTextMax), "%s", names[item].c_str());
        *result = 0;
    }
    void OnItemActivate(NMHDR* header, LRESULT* result)
    {
        const int item = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
        g_heard.push_back("list activates " + GetItemText(item, 0));
        *result = 0;
    }
    void OnKeyDown(UINT key, UINT repeat, UINT flags)
    {
        if (key == VK_DELETE)
            g_heard.push_back("list sees delete");
        CListCtrl::OnKeyDown(key, repeat, flags);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(NameList, CListCtrl)
    ON_NOTIFY_REFLECT(LVN_GETDISPINFO, OnGetDispInfo)
    ON_NOTIFY_REFLECT(LVN_ITEMACTIVATE, OnItemActivate)
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

// The parent hears only what the list does not handle itself.
class Holder : public CWnd {
protected:
    void OnActivate(NMHDR*, LRESULT*) { g_heard.push_back("parent activates"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Holder, CWnd)
    ON_NOTIFY(LVN_ITEMACTIVATE, 2500, OnActivate)
END_MESSAGE_MAP()

constexpr DWORD kStyle = WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS;

class ListCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_heard.clear();
        ASSERT_TRUE(zv::user::headless::SetScreenSize(640, 480));
        ASSERT_TRUE(holder.CreateEx(0, nullptr, "holder", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
    }
    void TearDown() override { holder.DestroyWindow(); }

    // Makes the list the framework's way or by subclassing a list the window system made.
    void Make(NameList& list, bool subclass)
    {
        if (subclass) {
            CreateWindowExA(0, kListViewClassName, "", WS_CHILD | kStyle, 0, 0, 200, 150, holder.m_hWnd,
                            reinterpret_cast<HMENU>(2500), nullptr, nullptr);
            ASSERT_TRUE(list.SubclassDlgItem(2500, &holder));
        } else {
            ASSERT_TRUE(list.Create(kStyle, CRect(0, 0, 200, 150), &holder, 2500));
        }
        list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_UNDERLINEHOT);
        ASSERT_EQ(list.InsertColumn(0, "Name"), 0);
        list.SetColumnWidth(0, 180);
        list.names = {"alpha.avi", "beta.avi", std::string(3000, 'x') + ".avi", "delta.avi"};
        list.SetItemCount(static_cast<int>(list.names.size()));
    }

    zv::win32::testing::TempZvRoot root;
    Holder holder;
};

void PressKey(UINT key)
{
    zv::user::DeliverKey(key, true);
    zv::user::DeliverKey(key, false);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

TEST_F(ListCtrlTest, ReflectedNotificationsReachTheDerivedList)
{
    for (bool subclass : {false, true}) {
        SCOPED_TRACE(subclass ? "subclassed dialog item" : "created by the framework");
        g_heard.clear();
        NameList list;
        Make(list, subclass);
        EXPECT_EQ(list.GetItemCount(), 4);
        EXPECT_EQ(list.GetColumnWidth(0), 180);
        EXPECT_EQ(list.GetItemText(1, 0), "beta.avi");
        EXPECT_EQ(list.GetItemText(2, 0), list.names[2]) << "a long text comes back whole";

        list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        list.SetItemState(3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        list.EnsureVisible(3, FALSE);
        list.SetFocus();
        PressKey(VK_RETURN);
        PressKey(VK_DELETE);
        // The list handled the activation, so the parent did not.
        EXPECT_EQ(g_heard, (std::vector<std::string>{"list activates delta.avi", "list sees delete"}));
        list.DestroyWindow();
    }
}

TEST_F(ListCtrlTest, SelectedItemsAreWalkedInOrder)
{
    NameList list;
    Make(list, false);
    EXPECT_EQ(list.GetFirstSelectedItemPosition(), nullptr);
    for (int item : {3, 0, 2})
        list.SetItemState(item, LVIS_SELECTED, LVIS_SELECTED);
    std::vector<int> walked;
    for (POSITION at = list.GetFirstSelectedItemPosition(); at;)
        walked.push_back(list.GetNextSelectedItem(at));
    EXPECT_EQ(walked, (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(list.GetSelectedCount(), 3u);
    EXPECT_EQ(list.GetNextItem(0, LVNI_SELECTED), 2);
    EXPECT_EQ(list.GetItemState(2, LVIS_SELECTED | LVIS_FOCUSED), static_cast<UINT>(LVIS_SELECTED));
    EXPECT_EQ(list.GetExtendedStyle(), LVS_EX_FULLROWSELECT | LVS_EX_UNDERLINEHOT);
}

} // namespace
