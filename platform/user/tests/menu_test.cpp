// Menus: loading a menu resource, checks, graying, deleting by command and by position, finding
// pop-ups by their text, default items, the read-out for drawing, and the system menu.
#include "platform/user/menu.h"
#include "platform/user/menu_view.h"
#include "platform/user/window.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <strings.h>

namespace {

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar = LoadMenuA(nullptr, MAKEINTRESOURCE(157));
        ASSERT_NE(bar, nullptr) << GetLastError();
        file = GetSubMenu(bar, 0);
        options = GetSubMenu(bar, 1);
        ASSERT_NE(file, nullptr);
        ASSERT_NE(options, nullptr);
    }
    void TearDown() override
    {
        if (bar) {
            EXPECT_TRUE(DestroyMenu(bar));
        }
    }

    std::string Text(HMENU menu, UINT item, UINT flags)
    {
        char buffer[64];
        return GetMenuStringA(menu, item, buffer, sizeof buffer, flags) > 0 ? buffer : "";
    }

    // How the program finds a pop-up: by its exact text, or case-insensitively.
    HMENU FindPopup(HMENU menu, const char* text, bool ignoreCase)
    {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            const std::string itemText = Text(menu, static_cast<UINT>(i), MF_BYPOSITION);
            if (ignoreCase ? strcasecmp(itemText.c_str(), text) == 0 : itemText == text)
                return GetSubMenu(menu, i);
        }
        return nullptr;
    }

    zv::win32::testing::TempZvRoot root;
    HMENU bar = nullptr;
    HMENU file = nullptr;
    HMENU options = nullptr;
};

TEST_F(MenuTest, LoadsTheResourceWithTextsIdsAndStates)
{
    EXPECT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(Text(bar, 0, MF_BYPOSITION), "&File");
    EXPECT_EQ(Text(bar, 1, MF_BYPOSITION), "&Options");
    ASSERT_EQ(GetMenuItemCount(file), 4);
    EXPECT_EQ(GetMenuItemID(file, 0), static_cast<UINT>(-1)); // a pop-up
    EXPECT_EQ(GetMenuItemID(file, 1), 2103u);
    EXPECT_EQ(GetMenuState(file, 2, MF_BYPOSITION), MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(file, 3), 32799u);
    EXPECT_EQ(GetMenuItemID(file, 4), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), MF_POPUP | (4u << 8));
    EXPECT_EQ(GetMenuState(options, 32846, MF_BYCOMMAND), MF_GRAYED);
    EXPECT_EQ(GetMenuState(bar, 32828, MF_BYCOMMAND), MF_CHECKED); // found inside a sub-menu
    EXPECT_EQ(GetMenuState(bar, 4242, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(Text(bar, 32799, MF_BYCOMMAND), "E&xit");
    EXPECT_EQ(GetMenuStringA(bar, 32799, nullptr, 0, MF_BYCOMMAND), 5);
}

TEST_F(MenuTest, ChecksAndGrayingReturnThePreviousState)
{
    struct Step {
        HMENU* menu;
        UINT item;
        UINT flags;
        bool check; // else enable/gray
        DWORD previous;
    };
    const Step steps[] = {
        {&bar, 32824, MF_BYCOMMAND | MF_CHECKED, true, MF_UNCHECKED},
        {&bar, 32824, MF_BYCOMMAND | MF_CHECKED, true, MF_CHECKED},
        {&options, 0, MF_BYPOSITION | MF_CHECKED, true, MF_UNCHECKED}, // the pop-up item itself
        {&options, 1, MF_BYPOSITION | MF_UNCHECKED, true, MF_UNCHECKED},
        {&bar, 32846, MF_BYCOMMAND | MF_ENABLED, false, MF_GRAYED},
        {&bar, 32846, MF_BYCOMMAND | MF_GRAYED, false, MF_ENABLED},
        {&file, 32799, MF_BYCOMMAND | MF_DISABLED, false, MF_ENABLED},
        {&file, 32799, MF_BYCOMMAND | MF_ENABLED, false, MF_DISABLED},
        {&file, 9, MF_BYPOSITION | MF_GRAYED, false, static_cast<DWORD>(-1)},
        {&file, 4242, MF_BYCOMMAND | MF_CHECKED, true, static_cast<DWORD>(-1)},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.item));
        const DWORD previous = step.check ? CheckMenuItem(*step.menu, step.item, step.flags)
                                          : static_cast<DWORD>(EnableMenuItem(*step.menu, step.item, step.flags));
        EXPECT_EQ(previous, step.previous);
    }
    EXPECT_EQ(GetMenuState(bar, 32824, MF_BYCOMMAND), MF_CHECKED);
    EXPECT_EQ(GetMenuState(bar, 32846, MF_BYCOMMAND), MF_GRAYED);
}

TEST_F(MenuTest, DeleteDestroysASubMenuRemoveDoesNot)
{
    const HMENU videoSource = GetSubMenu(file, 0);
    ASSERT_TRUE(IsMenu(videoSource));
    // The program replaces the placeholder, then appends generated items.
    EXPECT_TRUE(DeleteMenu(videoSource, 0, MF_BYPOSITION));
    EXPECT_EQ(GetMenuItemCount(videoSource), 0);
    EXPECT_TRUE(AppendMenuA(videoSource, MF_STRING | MF_CHECKED, 2000, "Camera"));
    EXPECT_TRUE(AppendMenuA(videoSource, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenuA(videoSource, MF_STRING, 2100, "Image file..."));
    EXPECT_EQ(GetMenuState(bar, 2000, MF_BYCOMMAND), MF_CHECKED);

    EXPECT_TRUE(DeleteMenu(bar, 32842, MF_BYCOMMAND)); // found in a sub-menu
    EXPECT_EQ(GetMenuState(bar, 32842, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_FALSE(DeleteMenu(bar, 32842, MF_BYCOMMAND));
    EXPECT_EQ(GetLastError(), ERROR_MENU_ITEM_NOT_FOUND);

    const HMENU fontSize = GetSubMenu(options, 0);
    EXPECT_TRUE(RemoveMenu(options, 0, MF_BYPOSITION));
    EXPECT_TRUE(IsMenu(fontSize));
    EXPECT_TRUE(DeleteMenu(file, 0, MF_BYPOSITION));
    EXPECT_FALSE(IsMenu(videoSource));
    EXPECT_TRUE(DestroyMenu(fontSize));
    EXPECT_FALSE(DestroyMenu(fontSize));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_MENU_HANDLE);
}

TEST_F(MenuTest, FindsPopupsByTheirText)
{
    EXPECT_EQ(FindPopup(options, "&Font size", false), GetSubMenu(options, 0));
    EXPECT_EQ(FindPopup(options, "&FONT SIZE", true), GetSubMenu(options, 0));
    EXPECT_EQ(FindPopup(options, "&FONT SIZE", false), nullptr);
    EXPECT_EQ(FindPopup(options, "&Snapshot mode", true), nullptr);
}

TEST_F(MenuTest, InsertingPlacesItemsBeforeTheNamedOne)
{
    EXPECT_TRUE(InsertMenuA(file, 32799, MF_BYCOMMAND | MF_STRING, 2104, "C&rossbar..."));
    EXPECT_TRUE(InsertMenuA(file, 0, MF_BYPOSITION | MF_STRING, 7, "first"));
    EXPECT_TRUE(InsertMenuA(file, 99, MF_BYPOSITION | MF_STRING, 8, "last"));
    const UINT expected[] = {7, static_cast<UINT>(-1), 2103, 0, 2104, 32799, 8};
    ASSERT_EQ(GetMenuItemCount(file), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(GetMenuItemID(file, i), expected[i]) << i;
    EXPECT_FALSE(InsertMenuA(file, 4242, MF_BYCOMMAND | MF_STRING, 9, "nowhere"));
}

TEST_F(MenuTest, OneDefaultItemPerMenu)
{
    HMENU tray = CreatePopupMenu();
    AppendMenuA(tray, MF_STRING, 32784, "&Hide/Show Zelvante window");
    AppendMenuA(tray, MF_STRING, 32789, "&Start/Stop playback");
    AppendMenuA(tray, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(tray, MF_STRING, 32783, "E&xit");
    EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, 0), static_cast<UINT>(-1));
    EXPECT_TRUE(SetMenuDefaultItem(tray, 0, TRUE));
    EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, 0), 32784u);
    EXPECT_EQ(GetMenuDefaultItem(tray, TRUE, 0), 0u);
    EXPECT_TRUE(SetMenuDefaultItem(tray, 32783, FALSE));
    EXPECT_EQ(GetMenuDefaultItem(tray, TRUE, 0), 3u);
    EXPECT_EQ(GetMenuState(tray, 0, MF_BYPOSITION) & MF_DEFAULT, 0u);
    EnableMenuItem(tray, 32783, MF_BYCOMMAND | MF_GRAYED);
    EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, 0), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, GMDI_USEDISABLED), 32783u);
    EXPECT_FALSE(SetMenuDefaultItem(tray, 4242, FALSE));
    EXPECT_TRUE(SetMenuDefaultItem(tray, static_cast<UINT>(-1), FALSE));
    EXPECT_EQ(GetMenuDefaultItem(tray, FALSE, GMDI_USEDISABLED), static_cast<UINT>(-1));
    DestroyMenu(tray);
}

TEST_F(MenuTest, RefusesWhatItCannotHold)
{
    HMENU inner = GetSubMenu(options, 0);
    // A menu inside itself, or its own parent as its sub-menu, would never end.
    EXPECT_FALSE(AppendMenuA(inner, MF_POPUP, reinterpret_cast<UINT_PTR>(inner), "self"));
    EXPECT_FALSE(AppendMenuA(inner, MF_POPUP, reinterpret_cast<UINT_PTR>(bar), "parent"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(AppendMenuA(inner, MF_OWNERDRAW, 5, nullptr));
    EXPECT_FALSE(AppendMenuA(reinterpret_cast<HMENU>(0x12345), MF_STRING, 5, "x"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_MENU_HANDLE);
    EXPECT_EQ(GetMenuItemCount(reinterpret_cast<HMENU>(0x12345)), -1);
    EXPECT_EQ(LoadMenuA(nullptr, MAKEINTRESOURCE(158)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
}

TEST_F(MenuTest, ReadsTheWholeTreeForDrawing)
{
    CheckMenuItem(bar, 32799, MF_BYCOMMAND | MF_CHECKED);
    SetMenuDefaultItem(options, 32842, FALSE);
    const auto view = zv::user::ReadMenu(bar);
    ASSERT_TRUE(view.has_value());
    EXPECT_FALSE(view->popup);
    ASSERT_EQ(view->items.size(), 2u);
    const auto& fileView = view->items[0];
    EXPECT_EQ(fileView.text, "&File");
    EXPECT_EQ(fileView.submenu, file);
    ASSERT_EQ(fileView.children.size(), 4u);
    EXPECT_EQ(fileView.children[0].children.size(), 1u);
    EXPECT_TRUE(fileView.children[2].separator);
    EXPECT_TRUE(fileView.children[3].checked);
    EXPECT_EQ(fileView.children[3].id, 32799u);
    const auto& optionsView = view->items[1];
    EXPECT_TRUE(optionsView.children[1].grayed);
    EXPECT_TRUE(optionsView.children[2].isDefault);
    EXPECT_TRUE(optionsView.children[0].children[1].checked);
    EXPECT_FALSE(zv::user::ReadMenu(reinterpret_cast<HMENU>(0x12345)).has_value());
}

LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(MenuTest, EachWindowHasItsOwnSystemMenu)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlainWindowProc;
    wc.lpszClassName = "MenuTestWindow";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND dialog = CreateWindowExA(0, "MenuTestWindow", "Snapshot manager",
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 100, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(dialog, nullptr);
    HMENU system = GetSystemMenu(dialog, FALSE);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(GetSystemMenu(dialog, FALSE), system);
    EXPECT_EQ(GetMenuState(system, SC_MINIMIZE, MF_BYCOMMAND), MF_ENABLED);
    EXPECT_EQ(GetMenuState(system, SC_MAXIMIZE, MF_BYCOMMAND), MF_GRAYED);
    EXPECT_EQ(GetMenuState(system, SC_SIZE, MF_BYCOMMAND), MF_GRAYED);
    EXPECT_EQ(GetMenuState(system, SC_CLOSE, MF_BYCOMMAND), MF_DEFAULT);
    // The snapshot manager adds its About item.
    EXPECT_TRUE(AppendMenuA(system, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenuA(system, MF_STRING, 16, "&About Shotbox..."));
    EXPECT_EQ(GetMenuItemID(GetSystemMenu(dialog, FALSE), GetMenuItemCount(system) - 1), 16u);
    EXPECT_EQ(GetSystemMenu(dialog, TRUE), nullptr);
    EXPECT_FALSE(IsMenu(system));
    HMENU fresh = GetSystemMenu(dialog, FALSE);
    EXPECT_EQ(GetMenuState(fresh, 16, MF_BYCOMMAND), static_cast<UINT>(-1));
    zv::user::ReleaseSystemMenu(dialog);
    EXPECT_FALSE(IsMenu(fresh));
    DestroyWindow(dialog);
    EXPECT_EQ(GetSystemMenu(dialog, FALSE), nullptr);
    UnregisterClassA("MenuTestWindow", nullptr);
}

} // namespace
