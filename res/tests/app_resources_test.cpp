// The main program's resource set: every string, menu and dialog the program asks for, with the
// texts it must show as they stand.
#include "res/tests/resource_checks.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

namespace {

using namespace zv::res::test;
using Strings = std::vector<std::string>;

class AppResourcesTest : public ::testing::Test {
protected:
    zv::win32::testing::TempZvRoot root;
};

TEST_F(AppResourcesTest, MessagesReadAsTheProgramShowsThem)
{
    const std::pair<UINT, const char*> messages[] = {
        {103, "Windows sockets initialization failed."},
        {104, "Error installing driver for the virtual Zelvante capture device.\r\nPlease restart your computer and "
              "try running the application again.\r\nIf the problem persists contact the software developer.\r\n"},
        {106, "This feature is not suported by the currently selected video source."},
        {107, "Video source is not connected. Click the \"Play\" button to connect."},
        {108, "Unknwon error has occurred."},
        {116, "Error loading image file."},
        {121, "Error getting a handle to Zelvante driver.\r\nPlease report this error to program developers."},
        {122, "You need to reboot your computer to complete installation.\r\nPlease close all running applications, "
              "restart your computer and then run Zelvante again.\r\n"},
        {125, "User name cannot be empty."},
        {126, "Password cannot be empty."},
        {133, "Login name and/or password is invalid."},
        {144, "Zelvante\r\nYou have a new message!"},
        {145, "Zelvante\r\nYou have %d unread messages!"},
        {147, "Photo archive manager application couldn't be found."},
        {148, "Error starting archive manager application."},
        {154, "Invalid URL:\r\n%s\r\n"},
        {166, "Photo archive manager application couldn't be found."},
        {168, "Zelvante"},
    };
    for (const auto& [id, text] : messages)
        EXPECT_EQ(String(id), text) << id;
    EXPECT_EQ(String(118).substr(0, 41), "A new version of Zelvante is available:\r\n");
    EXPECT_NE(String(151).find("Click \"Cancel\" if you don't want to install new version at this time."),
              std::string::npos);
    EXPECT_NE(String(157).find("Click \"OK\" to exit the program and start installation of the new version."),
              std::string::npos);
}

TEST_F(AppResourcesTest, AddressesEndInTheirPaths)
{
    const std::pair<UINT, const char*> paths[] = {
        {110, "/setup/zvupdate.exe"},         {119, "/setup/out.php"},
        {120, "/adver_small.php"},            {129, "/site/zelv/host_main.asp"},
        {130, "/site/zelv/host_earning.asp"}, {131, "/site/zelv/host_info.asp"},
        {132, "/site/zelv/host_handle.asp"},  {134, "/site/zelv/host_payment.asp?Ptype=0"},
        {135, "/site/zelv/host_service.asp"}, {136, "/site/zelv/faq_host.asp"},
        {137, "/site/zelv/host_message.asp"}, {138, "/site/zelv/agent_main.asp"},
        {139, "/site/zelv/agent_info.asp"},   {140, "/site/zelv/agent_payment.asp?Ptype=0"},
        {141, "/site/zelv/behost.asp"},       {142, "/site/zelv/host_salary.asp"},
        {143, "/site/zelv/host_salary_studio.asp"}, {146, "/site/zelv/check_status.asp"},
        {152, "/adver.php"},                  {153, "/site/zelv/login.asp?screenname=%s&pass=%s&action=login"},
        {161, "/site/zelv/behost_non.asp"},   {162, "/site/zelv/behost.asp"},
        {163, "/site/zelv/beagent.asp"},      {333, "/setup/in322.php"},
        {334, "/setup/in322.php"},            {335, "/zelvante/setup/in322.php"},
    };
    for (const auto& [id, path] : paths) {
        const std::string url = String(id);
        EXPECT_EQ(url.rfind("http://", 0), 0u) << id;
        ASSERT_GE(url.size(), std::string(path).size()) << id;
        EXPECT_EQ(url.substr(url.size() - std::string(path).size()), path) << id;
    }
    // Update addresses carry the basic credentials; the server list ends at the first gap.
    for (UINT id : {110u, 119u, 333u, 334u, 335u})
        EXPECT_EQ(String(id).rfind("http://stage:mint@", 0), 0u) << id;
    EXPECT_EQ(String(336), "<missing>");
    EXPECT_EQ(String(115).rfind("mailto:", 0), 0u);
    EXPECT_NE(String(115).find("subject=Zelvante%20question"), std::string::npos);
    for (UINT id : {123u, 124u, 149u, 150u})
        EXPECT_EQ(String(id).rfind("http://", 0), 0u) << id;
}

TEST_F(AppResourcesTest, MainMenuHasThePopupsTheProgramPreparesAndFinds)
{
    HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCE(157));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Items(menu), (Strings{"&File>", "&Options>", "&Account>", "&Help>"}));
    HMENU file = GetSubMenu(menu, 0);
    EXPECT_EQ(ItemText(file, 0), "&Video source");
    EXPECT_EQ(Items(GetSubMenu(file, 1)), (Strings{"&5 fps=32774", "&10 fps=32775", "&15 fps=32776", "&20 fps=32777",
                                                   "&25 fps=32778", "&30 fps=32779"}));
    for (UINT id : {2103u, 2104u, 32799u})
        EXPECT_NE(GetMenuState(file, id, MF_BYCOMMAND), static_cast<UINT>(-1)) << id;

    HMENU options = GetSubMenu(menu, 1);
    EXPECT_EQ(Items(GetSubMenu(options, 0)), (Strings{"&Default=34500"}));
    const std::pair<const char*, Strings> popups[] = {
        {"A&dvertisements", {"&Show advertisements=32851", "E&xchange ad and video windows=32858"}},
        {"F&ilters", {"&Deinterlace=32870"}},
        {"&Playback options", {"&Play video with sound=32882"}},
        {"Se&ttings", {"&Minimize to system tray=32830", "Startup &with Windows=32849", "Show &tooltips=32850",
                       "Check for &update>"}},
        {"&Font size", {"&Largest=32824", "L&arge=32825", "&Medium=32826", "&Small=32827", "S&mallest=32828"}},
        {"&Snapshot mode", {"&Off=32838", "&Single snapshot=32839", "&Repeated snapshots=32840"}},
    };
    for (const auto& [name, items] : popups)
        EXPECT_EQ(Items(SubMenuNamed(options, name)), items) << name;
    EXPECT_EQ(Items(SubMenuNamed(SubMenuNamed(options, "Se&ttings"), "Check for &update")),
              (Strings{"&Auto=32866", "&Now=32867"}));
    for (UINT id : {32846u, 32842u})
        EXPECT_NE(GetMenuState(options, id, MF_BYCOMMAND), static_cast<UINT>(-1)) << id;

    EXPECT_EQ(Items(GetSubMenu(menu, 2)), (Strings{"My &status=32821", "&Message center=32829", "My &earnings=32816",
                                                   "&Personal data=32812", "&Host info=32813", "S&alary=32831",
                                                   "Payment &option=32815"}));
    HMENU help = GetSubMenu(menu, 3);
    for (UINT id : {32847u, 32848u, 32867u, 32820u})
        EXPECT_NE(GetMenuState(help, id, MF_BYCOMMAND), static_cast<UINT>(-1)) << id;
    DestroyMenu(menu);
}

TEST_F(AppResourcesTest, ButtonAndTrayMenus)
{
    HMENU buttons = LoadMenuA(nullptr, MAKEINTRESOURCE(134));
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(Items(buttons), (Strings{"Source>", "FPS>", "Studio>", "PlayListAdd>", "PlayListDel>"}));
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(buttons, 1)), 6);
    EXPECT_EQ(Items(GetSubMenu(buttons, 2)),
              (Strings{"&Main=32832", "&Settings=32833", "&Payment=32834", "S&alary=32835", "Add &host=32836"}));
    EXPECT_EQ(Items(GetSubMenu(buttons, 3)), (Strings{"File...=32877", "Folder...=32878"}));
    EXPECT_EQ(Items(GetSubMenu(buttons, 4)), (Strings{"Selected=32879", "Clear=32880"}));
    DestroyMenu(buttons);

    HMENU tray = LoadMenuA(nullptr, MAKEINTRESOURCE(168));
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(Items(tray), (Strings{"SysTrayMenu>"}));
    EXPECT_EQ(Items(GetSubMenu(tray, 0)),
              (Strings{"&Hide/Show Zelvante window=32784", "&Start/Stop playback=32789", "-", "E&xit=32783"}));
    DestroyMenu(tray);
}

TEST_F(AppResourcesTest, DialogTemplatesCarryTheirCaptionsAndControls)
{
    const std::string skin = "{BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E}";
    struct Case {
        WORD id;
        const char* caption;
        Strings controls;
    };
    const Case cases[] = {
        {154, "Zelvante", {"1:Button:OK", "2:Button:Cancel", "1002:" + skin + ":"}},
        {135, "", {}},
        {130, "Control panel", {}},
        {176, "", {}},
        {140, "Zelvante message", {"1019:Static:", "1:Button:OK", "1022:Static:", "2:Button:Cancel"}},
        {156, "Zelvante Browser", {"1002:" + skin + ":", "1015:Static:"}},
        {138, "Zelvante", {"1002:" + skin + ":"}},
        {149, "", {}},
        {152, "Zelvante Login",
         {"-1:Static:Login name:", "1009:Edit:", "-1:Static:Password:", "1010:Edit:",
          "1011:Button:Remember my login name", "1012:Button:Remember my password", "1:Button:OK", "2:Button:Cancel",
          "-1:Static:Free registration", "-1:Static:", "1013:Button:&Standard", "1008:Button:&Adult",
          "1014:Button:&Studio"}},
        {148, "Enter IP address",
         {"1007:SysIPAddress32:", "1:Button:OK", "2:Button:Cancel", "-1:Static:Remote IP address:"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const auto dialog = zv::user::LoadDialogTemplate(nullptr, MAKEINTRESOURCE(c.id));
        ASSERT_TRUE(dialog.has_value());
        EXPECT_EQ(dialog->caption, c.caption);
        EXPECT_EQ(dialog->typeface, "MS Shell Dlg");
        EXPECT_EQ(Controls(*dialog), c.controls);
    }
    // The login's password edit hides its characters, its second check box is never shown and
    // OK starts disabled.
    const auto login = zv::user::LoadDialogTemplate(nullptr, MAKEINTRESOURCE(152));
    ASSERT_TRUE(login.has_value());
    EXPECT_TRUE(login->items[3].style & 0x20);           // ES_PASSWORD
    EXPECT_FALSE(login->items[5].style & 0x10000000);    // WS_VISIBLE
    EXPECT_TRUE(login->items[6].style & 0x08000000);     // WS_DISABLED
    EXPECT_EQ(login->items[6].style & 0xF, 1u);          // BS_DEFPUSHBUTTON
}

TEST_F(AppResourcesTest, PicturesAndSounds)
{
    EXPECT_TRUE(PictureGroupIsWhole(128, false));
    for (WORD id : {141, 142, 146, 104, 147, 148, 149, 154, 152, 151, 153, 150}) {
        EXPECT_TRUE(PictureGroupIsWhole(id, true)) << id;
        // The hot spot leads each cursor picture and lies on it.
        const auto group = zv::win32::FindResourceBytes(nullptr, MAKEINTRESOURCE(id), RT_GROUP_CURSOR);
        ASSERT_NE(group.data, nullptr);
        const auto picture = zv::win32::FindResourceBytes(
            nullptr, MAKEINTRESOURCE(static_cast<WORD>(group.data[18] | (group.data[19] << 8))), RT_CURSOR);
        ASSERT_NE(picture.data, nullptr);
        EXPECT_LT(picture.data[0] | (picture.data[1] << 8), 32) << id;
        EXPECT_LT(picture.data[2] | (picture.data[3] << 8), 32) << id;
    }
    // The picture shown while stopped: a 240 x 180 DIB of 24 bits.
    const auto bitmap = zv::win32::FindResourceBytes(nullptr, MAKEINTRESOURCE(175), RT_BITMAP);
    ASSERT_GE(bitmap.size, 40u);
    const auto dword = [&](std::size_t at) {
        return static_cast<DWORD>(bitmap.data[at] | (bitmap.data[at + 1] << 8) | (bitmap.data[at + 2] << 16) |
                                  (bitmap.data[at + 3] << 24));
    };
    EXPECT_EQ(dword(0), 40u);
    EXPECT_EQ(dword(4), 240u);
    EXPECT_EQ(dword(8), 180u);
    EXPECT_EQ(bitmap.data[14], 24);
    EXPECT_GE(bitmap.size, 40u + 240u * 3 * 180);
    EXPECT_TRUE(IsWave("Snapshot"));
    EXPECT_TRUE(IsWave("Tic"));
}

TEST_F(AppResourcesTest, ProgramVersion)
{
    // The update server is asked with this version ("in322").
    EXPECT_EQ(ProgramVersion(), "3.2.2.0");
}

TEST_F(AppResourcesTest, HtmlPages)
{
    const auto chat = zv::win32::FindResourceBytes(nullptr, "CHAT.HTML", RT_HTML);
    ASSERT_NE(chat.data, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(chat.data), chat.size),
              "<html><head></head><body></body></html>");
    const auto prompt = zv::win32::FindResourceBytes(nullptr, MAKEINTRESOURCE(125), RT_HTML);
    ASSERT_NE(prompt.data, nullptr);
    const std::string page(reinterpret_cast<const char*>(prompt.data), prompt.size);
    for (const char* part : {"id=\"CDlgPrompt\"", "id=\"ButtonOK\"", "id=\"ButtonCancel\""})
        EXPECT_NE(page.find(part), std::string::npos) << part;
}

} // namespace
