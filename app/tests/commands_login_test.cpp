// The main dialog's login command (32791): with no stored credentials it shows the login dialog,
// modal over the main dialog; Cancel ends the login with nobody logged in.
#include "app/tests/sources_dialog_fixture.h"
#include "app/DlgHostLogin.h"
#include "app/DlgZelvante.h"
#include "app/tests/modal_script.h"

#include <string>

namespace zv::app::testing {
namespace {

using LoginCommandTest = SourcesDialogTest;

TEST_F(LoginCommandTest, WithoutStoredCredentialsTheLoginDialogOpensOverTheMainDialog)
{
    g_testApp.m_Config.Init();
    g_testApp.Credentials.Set({});
    g_testApp.UserType = 0;
    HWND owner = nullptr;
    bool mainDialogEnabled = true;
    std::string shownName = "<not shown>";
    ModalScript script;
    script.Then([&] {
              const HWND login = FindWindowA(nullptr, "Zelvante Login");
              if (!login)
                  return;
              owner = GetWindow(login, GW_OWNER);
              mainDialogEnabled = IsWindowEnabled(dialog->GetSafeHwnd()) != FALSE;
              char name[32] = {};
              GetDlgItemTextA(login, CDlgHostLogin::kNameEdit, name, sizeof name);
              shownName = name;
          })
        .Then([] { SendDlgItemMessageA(FindWindowA(nullptr, "Zelvante Login"), IDCANCEL, BM_CLICK, 0, 0); });
    script.Start();
    dialog->SendMessage(WM_COMMAND, CDlgZelvante::kHostLoginCommand, 0);
    EXPECT_EQ(owner, dialog->GetSafeHwnd());
    EXPECT_FALSE(mainDialogEnabled);
    EXPECT_EQ(shownName, "");
    EXPECT_EQ(script.cancelled, 0);
    EXPECT_TRUE(IsWindowEnabled(dialog->GetSafeHwnd()));
    EXPECT_EQ(g_testApp.UserType.load(), 0);
    EXPECT_EQ(g_testApp.Credentials.UserId(), "");
}

} // namespace
} // namespace zv::app::testing
