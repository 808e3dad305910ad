// CMenu: which object owns a menu and destroys it, temporary objects for menus nobody owns, the
// whole text of an item, and the window's system menu as an object.
#include "platform/afx/afxwin.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr UINT kTrayMenu = 168; // "Tray": "&Hide/Show", "&Font size" >, separator, "E&xit"

class MenuObjectTest : public ::testing::Test {
protected:
    void TearDown() override { CMenu::DeleteTempMap(); }
    zv::win32::testing::TempZvRoot root;
};

TEST_F(MenuObjectTest, TheOwningObjectDestroysItsMenuAndTemporariesNever)
{
    HMENU loaded = nullptr;
    HMENU sub = nullptr;
    {
        CMenu menu;
        ASSERT_TRUE(menu.LoadMenu(kTrayMenu));
        loaded = menu.m_hMenu;
        EXPECT_EQ(CMenu::FromHandle(loaded), &menu);
        EXPECT_FALSE(menu.LoadMenu(kTrayMenu)); // it holds one already
        CMenu other;
        EXPECT_FALSE(other.Attach(loaded)); // owned by `menu`
        CMenu* popup = menu.GetSubMenu(0);
        ASSERT_NE(popup, nullptr);
        sub = popup->m_hMenu;
        EXPECT_EQ(popup->GetMenuItemCount(), 4u);
        EXPECT_EQ(menu.GetSubMenu(0), popup); // one temporary per menu
        CMenu::DeleteTempMap();               // idle time: the temporary goes, the menu stays
        EXPECT_TRUE(IsMenu(sub));
    }
    EXPECT_FALSE(IsMenu(loaded));
    EXPECT_FALSE(IsMenu(sub));

    CMenu missing;
    EXPECT_FALSE(missing.LoadMenu(999));
    EXPECT_EQ(missing.m_hMenu, nullptr);
}

TEST_F(MenuObjectTest, DetachHandsTheMenuBackAndAttachTakesOverATemporary)
{
    HMENU popup = nullptr;
    {
        CMenu menu;
        ASSERT_TRUE(menu.CreatePopupMenu());
        popup = menu.Detach();
        EXPECT_EQ(menu.m_hMenu, nullptr);
    }
    ASSERT_TRUE(IsMenu(popup));
    ASSERT_NE(CMenu::FromHandle(popup), nullptr); // a temporary stands for it
    {
        CMenu owner;
        ASSERT_TRUE(owner.Attach(popup));
        EXPECT_EQ(CMenu::FromHandle(popup), &owner);
    }
    EXPECT_FALSE(IsMenu(popup));
}

TEST_F(MenuObjectTest, EditsThroughTheObject)
{
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(kTrayMenu));
    CMenu* popup = menu.GetSubMenu(0);
    ASSERT_NE(popup, nullptr);
    const std::string longText(300, 'x');
    EXPECT_TRUE(popup->AppendMenu(MF_STRING | MF_CHECKED, 40, longText.c_str()));
    EXPECT_TRUE(popup->InsertMenu(0, MF_BYPOSITION | MF_STRING, 41, "&First"));
    EXPECT_EQ(popup->CheckMenuItem(40, MF_UNCHECKED), MF_CHECKED);
    EXPECT_EQ(popup->EnableMenuItem(32799, MF_GRAYED), MF_ENABLED);
    EXPECT_TRUE(popup->SetDefaultItem(1, TRUE));
    EXPECT_EQ(popup->GetDefaultItem(0, FALSE), 32784u);

    struct Item {
        UINT id;
        UINT flags;
        std::string text;
        int length;
    };
    const Item items[] = {
        {40, MF_BYCOMMAND, longText, 300},           // longer than any fixed buffer
        {0, MF_BYPOSITION, "&First", 6},
        {2, MF_BYPOSITION, "&Font size", 10},        // a sub-menu's item by position
        {32828, MF_BYCOMMAND, "&Small", 6},          // found inside the sub-menu
        {77, MF_BYCOMMAND, "", 0},                   // no such item
    };
    for (const Item& item : items) {
        SCOPED_TRACE(item.text);
        std::string text = "stale";
        EXPECT_EQ(popup->GetMenuString(item.id, text, item.flags), item.length);
        EXPECT_EQ(text, item.text);
    }
    EXPECT_TRUE(popup->DeleteMenu(32828, MF_BYCOMMAND));
    EXPECT_TRUE(popup->RemoveMenu(0, MF_BYPOSITION));
    EXPECT_EQ(popup->GetMenuItemID(0), 32784u);
    EXPECT_EQ(popup->GetMenuState(32799, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
}

TEST_F(MenuObjectTest, SystemMenuAsAnObject)
{
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "System menu", WS_OVERLAPPEDWINDOW, CRect(0, 0, 200, 100), nullptr, 0));
    CMenu* system = wnd.GetSystemMenu(FALSE);
    ASSERT_NE(system, nullptr);
    const UINT count = system->GetMenuItemCount();
    EXPECT_TRUE(system->AppendMenu(MF_SEPARATOR));
    EXPECT_TRUE(system->AppendMenu(MF_STRING, 16, "&About..."));
    // The change is the window's own copy: asked again, it is still there.
    EXPECT_EQ(wnd.GetSystemMenu(FALSE)->GetMenuItemCount(), count + 2);
    EXPECT_EQ(wnd.GetSystemMenu(TRUE), nullptr);
    wnd.DestroyWindow();
}

} // namespace
