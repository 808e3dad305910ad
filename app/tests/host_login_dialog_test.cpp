// The login dialog on the headless display, driven through its real controls (typed characters,
// button clicks) from inside its own modal loop, alone and as the login procedure shows it against
// the loopback server; its sign-up buttons and the modal sign-up browser they open.
#include "app/DlgBrowser.h"
#include "app/DlgHostLogin.h"
#include "app/HostSignup.h"
#include "app/ServerUrl.h"
#include "app/tests/host_test_support.h"
#include "app/tests/modal_script.h"
#include "platform/afx/control_hosting.h"
#include "platform/browser/web_browser_control.h"
#include "platform/skin/skin_control.h"
#include "platform/win32/com.h"
#include "platform/win32/modules.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zv::app::testing {
namespace {

constexpr const char* kLoginCaption = "Zelvante Login";
constexpr const char* kBrowserCaption = "Zelvante Browser";

HWND Shown(const char* caption)
{
    return FindWindowA(nullptr, caption);
}

HWND Control(int id)
{
    return GetDlgItem(Shown(kLoginCaption), id);
}

// Typed as the user types: one character at a time into the focused edit.
void Type(int id, const std::string& text)
{
    SetFocus(Control(id));
    for (const char c : text)
        SendMessageA(Control(id), WM_CHAR, static_cast<unsigned char>(c), 1);
}

void Click(int id)
{
    SendMessageA(Control(id), BM_CLICK, 0, 0);
}

std::string TextOf(int id)
{
    char text[64] = {};
    GetWindowTextA(Control(id), text, sizeof text);
    return text;
}

bool Checked(int id)
{
    return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// What the dialog shows right after it opened.
struct Opened {
    std::string name;
    int focus = 0;
    bool okEnabled = false;
    bool rememberNameChecked = false;
    bool rememberPasswordChecked = false;
    bool rememberPasswordEnabled = false;
    bool operator==(const Opened&) const = default;
};

Opened Look()
{
    Opened seen;
    seen.name = TextOf(CDlgHostLogin::kNameEdit);
    seen.focus = GetDlgCtrlID(GetFocus());
    seen.okEnabled = IsWindowEnabled(Control(IDOK));
    seen.rememberNameChecked = Checked(CDlgHostLogin::kRememberNameCheck);
    seen.rememberPasswordChecked = Checked(CDlgHostLogin::kRememberPasswordCheck);
    seen.rememberPasswordEnabled = IsWindowEnabled(Control(CDlgHostLogin::kRememberPasswordCheck));
    return seen;
}

std::ostream& operator<<(std::ostream& out, const Opened& o)
{
    return out << "{name '" << o.name << "', focus " << o.focus << ", ok " << o.okEnabled << ", 1011 "
               << o.rememberNameChecked << ", 1012 " << o.rememberPasswordChecked << "/"
               << o.rememberPasswordEnabled << "}";
}

std::string Blob(const char* name)
{
    char buffer[64];
    int size = sizeof buffer;
    if (!TheTestApp().m_Config.GetBlob(name, buffer, &size))
        return "<absent>";
    return std::string(buffer, static_cast<std::size_t>(size));
}

class LoginDialogTest : public HostClientTest {
protected:
    void SetUp() override
    {
        HostClientTest::SetUp();
        // What the program's start-up does for its skinned and browser dialogs.
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        AfxEnableControlContainer();
        zv::skin::RegisterSkinControlClass();
        zv::browser::RegisterWebBrowserClass();
        // The sign-up browser loads the skin beside the program, as the installed program has it.
        std::error_code ignored;
        std::filesystem::copy_file(std::string(ZV_SKIN_DIR) + "/Zelvante.skn", ProgramFolder() + "/Zelvante.skn",
                                   std::filesystem::copy_options::skip_existing, ignored);
    }
    void TearDown() override
    {
        CoUninitialize();
        HostClientTest::TearDown();
    }
};

TEST_F(LoginDialogTest, WhatTheDialogShowsWhenItOpens)
{
    struct Case {
        const char* what;
        std::string name;
        std::string password;
        Opened expected;
    };
    const Case cases[] = {
        {"stored name, no password", "anna", "", {"anna", CDlgHostLogin::kPasswordEdit, false, true, false, true}},
        {"no name", "", "", {"", CDlgHostLogin::kNameEdit, false, false, false, false}},
        {"name and password", "anna", "pw", {"anna", IDOK, true, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CDlgHostLogin dialog;
        dialog.m_strLoginName = c.name;
        dialog.m_strPassword = c.password;
        Opened seen;
        ModalScript script;
        script.Then([&] { seen = Look(); }).Then([] { Click(IDCANCEL); });
        script.Start();
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(seen, c.expected);
        EXPECT_EQ(script.cancelled, 0);
    }
}

TEST_F(LoginDialogTest, OkIsEnabledExactlyWhileBothEditsHoldText)
{
    CDlgHostLogin dialog;
    std::vector<bool> okEnabled;
    const auto noteOk = [&] { okEnabled.push_back(IsWindowEnabled(Control(IDOK))); };
    ModalScript script;
    script.Then([&] { Type(CDlgHostLogin::kNameEdit, "bob"); })
        .Then(noteOk)
        .Then([&] { Type(CDlgHostLogin::kPasswordEdit, "x"); })
        .Then(noteOk)
        .Then([&] { SendMessageA(Control(CDlgHostLogin::kNameEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("")); })
        .Then(noteOk)
        .Then([&] { Type(CDlgHostLogin::kNameEdit, "c"); })
        .Then(noteOk)
        .Then([&] { Type(CDlgHostLogin::kPasswordEdit, "\b"); })
        .Then(noteOk)
        .Then([] { Click(IDCANCEL); });
    script.Start();
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(okEnabled, (std::vector<bool>{false, true, false, true, false}));
}

TEST_F(LoginDialogTest, NeitherEditTakesMoreThanTwentyCharacters)
{
    CDlgHostLogin dialog;
    const std::string typed(25, 'a');
    ModalScript script;
    script.Then([&] { Type(CDlgHostLogin::kNameEdit, typed); })
        .Then([&] { Type(CDlgHostLogin::kPasswordEdit, "0123456789abcdefghijKLMNO"); })
        .Then([] { Click(IDOK); });
    script.Start();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_strLoginName, typed.substr(0, 20));
    EXPECT_EQ(dialog.m_strPassword, "0123456789abcdefghij");
}

// Through the login procedure against the server: the name stored after a successful login
// follows the check box, and the password is never stored from the dialog.
TEST_F(LoginDialogTest, TheRememberedNameFollowsTheCheckBox)
{
    m_server->Route(kLoginRoute, Answer(Reply("userLogin", {{"LoginOK", "true"}, {"type", "host"}, {"id", "42"}})));
    m_server->Route(kStatusRoute, Answer(Reply("userStatus", {})));
    struct Case {
        const char* what;
        bool uncheckRememberName;
        const char* storedName;
    };
    const Case cases[] = {
        {"kept", false, "anna"},
        {"unchecked", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        App().m_Config.Init();
        App().m_Config.SetBlob("HostLoginName", "anna", 4);
        App().Credentials.Set({});
        bool passwordBoxEnabled = true;
        ModalScript script;
        script.Then([&] {
                  if (c.uncheckRememberName)
                      Click(CDlgHostLogin::kRememberNameCheck);
                  passwordBoxEnabled = IsWindowEnabled(Control(CDlgHostLogin::kRememberPasswordCheck));
                  Type(CDlgHostLogin::kPasswordEdit, "s&cret pw");
              })
            .Then([] { Click(IDOK); });
        script.Start();
        DialogLoginPrompt prompt(nullptr);
        EXPECT_TRUE(HostLogin(prompt));
        EXPECT_EQ(passwordBoxEnabled, !c.uncheckRememberName);
        EXPECT_EQ(Blob("HostLoginName"), c.storedName);
        EXPECT_EQ(Blob("HostLoginPass"), "");
        EXPECT_EQ(App().Credentials.UserId(), "42");
        const auto request = m_server->Recorded(kLoginRoute);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->target, "/site/zelv/login.asp?screenname=anna&pass=s%26cret%20pw&action=login");
        EXPECT_EQ(script.cancelled, 0);
    }
}

// Each sign-up button ends the dialog with its id; the procedure opens that button's page in a
// modal sign-up browser without parent and then shows the dialog again, its password emptied.
TEST_F(LoginDialogTest, SignupButtonsOpenTheirPageAndTheDialogComesBack)
{
    struct Case {
        int button;
        UINT page;
        const char* path;
    };
    const Case cases[] = {
        {kSignupAdultButton, 162, "/site/zelv/behost.asp"},
        {kSignupStandardButton, 161, "/site/zelv/behost_non.asp"},
        {kSignupStudioButton, 163, "/site/zelv/beagent.asp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        EXPECT_EQ(HostSignupPageString(c.button), c.page);
        App().m_Config.Init();
        App().Credentials.Set({});
        std::string browsedUrl = "<no browser>";
        int closeMode = -1;
        CWnd* browserParent = reinterpret_cast<CWnd*>(1);
        std::string passwordShownAgain = "<not shown again>";
        ModalScript script;
        script.Then([&] { Type(CDlgHostLogin::kNameEdit, "newbie"); })
            .Then([&] { Type(CDlgHostLogin::kPasswordEdit, "typed"); })
            .Then([&] { Click(c.button); })
            .ThenWhenShown(kBrowserCaption, [&] {
                auto* browser = dynamic_cast<CDlgHostRegister*>(CWnd::FromHandlePermanent(Shown(kBrowserCaption)));
                if (!browser)
                    return;
                browsedUrl = browser->GetUrl();
                closeMode = browser->GetCloseMode();
                browserParent = browser->m_pParentWnd;
                browser->EndDialog(1);
            })
            .ThenWhenShown(kLoginCaption, [&] { passwordShownAgain = TextOf(CDlgHostLogin::kPasswordEdit); })
            .Then([] { Click(IDCANCEL); });
        script.Start();
        DialogLoginPrompt prompt(nullptr);
        EXPECT_FALSE(HostLogin(prompt));
        EXPECT_EQ(browsedUrl, m_server->Url(c.path));
        EXPECT_EQ(closeMode, 1);
        EXPECT_EQ(browserParent, nullptr);
        EXPECT_EQ(passwordShownAgain, "");
        EXPECT_EQ(script.cancelled, 0);
    }
    // Other ids open nothing.
    for (const int id : {IDOK, IDCANCEL, 1009, 0}) {
        EXPECT_EQ(HostSignupPageString(id), 0u) << id;
        EXPECT_FALSE(OpenHostSignupPage(id)) << id;
    }
}

} // namespace
} // namespace zv::app::testing
