// The browser, studio and chat-view dialogs where no page is needed (the headless display has no
// browser): the chat input's keys, the chat view's font size and page address, the studio's pages
// and buttons, and the browser dialog's close button and events, each dialog acting on itself.
#include "app/tests/browser_dialogs_fixture.h"

#include "app/DlgBrowser.h"
#include "app/DlgHtmlCtrl.h"
#include "app/DlgStudio.h"
#include "app/DlgTextCtrl.h"
#include "platform/browser/res_url.h"
#include "platform/user/virtual_keys.h"

#include <climits>

namespace zv::app::testing {
namespace {

class BrowserDialogsHeadlessTest : public BrowserDialogsTest {
protected:
    void SetUp() override { StartHost(); }
};

// Keys go to the edit as the user's would: posted, then through the framework's pre-translation.
void PressKey(HWND window, UINT key)
{
    PostMessageA(window, WM_KEYDOWN, key, 0);
    PostMessageA(window, WM_KEYUP, key, 0);
    Pump();
}

TEST_F(BrowserDialogsHeadlessTest, ChatInputSendsItsLineOnEnterAndClearsOnEscape)
{
    CDlgTextCtrl input;
    ASSERT_TRUE(input.Create(CDlgTextCtrl::IDD, &host));
    ASSERT_TRUE(input.m_edit.GetSafeHwnd());
    host.ShowWindow(SW_SHOW);
    input.ShowWindow(SW_SHOW); // as its owner shows it
    struct Case {
        const char* typed;
        UINT key;
        bool sent;
    } cases[] = {
        {"hello there", VK_RETURN, true},
        {"", VK_RETURN, true}, // an empty line is sent too, with length 0
        {"<b>as typed</b> & more", VK_RETURN, true},
        {"never mind", VK_ESCAPE, false},
        {"", VK_ESCAPE, false},
    };
    for (const Case& c : cases) {
        host.received.clear();
        input.m_edit.SetWindowText(c.typed);
        input.m_edit.SetFocus();
        PressKey(input.m_edit.GetSafeHwnd(), c.key);
        EXPECT_EQ(input.m_edit.GetWindowText(), "") << c.typed;
        EXPECT_TRUE(input.GetSafeHwnd() && input.IsWindowVisible()) << "the input stays after " << c.typed;
        ASSERT_EQ(host.Count(OwnChatMessage), c.sent ? 1 : 0) << c.typed;
        if (c.sent) {
            EXPECT_EQ(host.received[0].wParam, std::string(c.typed).size());
            EXPECT_EQ(host.received[0].text, c.typed);
        }
    }
    input.DestroyWindow();
}

TEST_F(BrowserDialogsHeadlessTest, ChatViewFontSizeIsAtLeastOne)
{
    CDlgHtmlCtrl view;
    EXPECT_EQ(view.GetFontSize(), 1);
    ASSERT_TRUE(view.Create(CDlgHtmlCtrl::IDD, &host));
    ASSERT_TRUE(view.m_htmlWnd.CreateView(RECT{0, 0, 100, 60}, &view));
    const struct {
        int asked;
        int kept;
    } cases[] = {{3, 3}, {0, 1}, {-3, 1}, {5, 5}, {INT_MIN, 1}, {INT_MAX, INT_MAX}};
    for (const auto& c : cases) {
        view.SetFontSize(c.asked);
        EXPECT_EQ(view.GetFontSize(), c.kept) << c.asked;
    }
    // Without a browser on the display there is no page: appending and reloading end at once.
    view.AppendHtml("<b>line</b>");
    view.AppendHtml(nullptr);
    EXPECT_FALSE(view.m_htmlWnd.GetDocument());
    view.DestroyWindow();
}

TEST_F(BrowserDialogsHeadlessTest, ChatPageIsTheProgramsEmptyChatResource)
{
    const std::string url = CDlgHtmlCtrl::ChatPageUrl();
    const auto parsed = zv::browser::ParseResUrl(url);
    ASSERT_TRUE(parsed) << url;
    EXPECT_EQ(parsed->name, "chat.html");
    const zv::browser::ResPage page = zv::browser::ReadResPage(*parsed);
    EXPECT_EQ(page.error, "");
    EXPECT_NE(page.html.find("<body></body>"), std::string::npos) << page.html;
}

TEST_F(BrowserDialogsHeadlessTest, StudioPagesCarryTheUserIdAndItsButtonsChooseThem)
{
    TheApp().Credentials.Set({"studio", "secret", "4 2&x"});
    CDlgStudio studio;
    ASSERT_TRUE(studio.Create());
    EXPECT_TRUE(studio.IsInitialised());
    EXPECT_TRUE(studio.IsWindowVisible());
    const std::string server = "http://host.zelvante.example/site/zelv/";
    const std::string id = "ID_USER=4%202%26x";
    EXPECT_EQ(studio.GetUrl(), server + "agent_main.asp?" + id);

    const struct {
        const char* element;
        std::string url;
    } buttons[] = {
        {"Button Studio Payment", server + "agent_payment.asp?Ptype=0&" + id},
        {"Button Studio Settings", server + "agent_info.asp?" + id},
        {"Button Studio Salary", server + "host_salary_studio.asp?" + id},
        {"Button Studio Add Host", server + "behost.asp?" + id},
        {"Button Studio Main", server + "agent_main.asp?" + id},
    };
    for (const auto& b : buttons) {
        const auto element = SkinElement(studio, b.element);
        ASSERT_TRUE(element) << b.element;
        EXPECT_TRUE(studio.OnSkinButton(element.get())) << b.element;
        EXPECT_EQ(studio.GetUrl(), b.url) << b.element;
    }
    const auto frame = SkinElement(studio, "Browser Frame");
    EXPECT_FALSE(studio.OnSkinButton(frame.get()));

    const struct {
        UINT command;
        std::string url;
    } commands[] = {
        {kStudioSalaryCommand, server + "host_salary_studio.asp?" + id},
        {kStudioPaymentCommand, server + "agent_payment.asp?Ptype=0&" + id},
        {kStudioAddHostCommand, server + "behost.asp?" + id},
        {kStudioSettingsCommand, server + "agent_info.asp?" + id},
        {kStudioMainCommand, server + "agent_main.asp?" + id},
    };
    for (const auto& c : commands) {
        studio.SendMessage(WM_COMMAND, c.command, 0);
        EXPECT_EQ(studio.GetUrl(), c.url) << c.command;
    }
    // A string the table does not hold leaves the page as it is.
    studio.NavigateServerPage(9999);
    EXPECT_EQ(studio.GetUrl(), server + "agent_main.asp?" + id);

    // The host status is nothing to the studio; its close button is a close request to itself.
    studio.SendMessage(HostStatusMessage, 0, 0);
    EXPECT_TRUE(studio.GetSafeHwnd());
    EXPECT_TRUE(studio.OnSkinButton(SkinElement(studio, "Button Studio Close").get()));
    EXPECT_TRUE(studio.GetSafeHwnd()) << "the request is posted";
    Pump();
    EXPECT_EQ(studio.GetSafeHwnd(), nullptr);
}

TEST_F(BrowserDialogsHeadlessTest, BrowserCloseButtonActsOnItsOwnDialog)
{
    // Two account browsers at once: each one's button closes that one only.
    CDlgBrowser first("", &host, 0);
    CDlgBrowser second("", &host, 0);
    ASSERT_TRUE(first.Create(CDlgBrowser::IDD, &host));
    ASSERT_TRUE(second.Create(CDlgBrowser::IDD, &host));
    first.ShowWindow(SW_SHOW);
    second.ShowWindow(SW_SHOW);
    EXPECT_TRUE(zv::user::MessageBoxResponder::History().empty()) << "the skin beside the program loads";
    ASSERT_TRUE(first.m_htmlWnd.GetSafeHwnd());

    const auto frame = SkinElement(second, "Browser Frame");
    ASSERT_TRUE(frame);
    EXPECT_FALSE(second.OnBrowserSkinEvent(frame.get()));
    EXPECT_TRUE(second.IsWindowVisible());

    // The first one's button, while the second is the one made last.
    EXPECT_TRUE(first.OnBrowserSkinEvent(SkinElement(first, "Browser Button Close").get()));
    EXPECT_FALSE(first.IsWindowVisible());
    EXPECT_TRUE(second.IsWindowVisible());
    Pump();
    EXPECT_EQ(host.Count(BrowserClosedMessage), 1);
    EXPECT_TRUE(first.GetSafeHwnd()) << "a modeless browser is only hidden";

    // The browser lies over the skin's frame.
    RECT place{};
    ::GetWindowRect(first.m_htmlWnd.GetSafeHwnd(), &place);
    ::MapWindowPoints(nullptr, first.GetSafeHwnd(), reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.right - place.left, 804);
    EXPECT_EQ(place.bottom - place.top, 548);
}

TEST_F(BrowserDialogsHeadlessTest, BrowserKeepsOnlyItsOwnControlsPages)
{
    CDlgBrowser browser("http://127.0.0.1:9/start", &host, 0);
    ASSERT_TRUE(browser.Create(CDlgBrowser::IDD, &host));
    EXPECT_EQ(browser.GetUrl(), "http://127.0.0.1:9/start");
    // A frame's browser object (any other object) completing is not the dialog's page.
    CDlgBrowser other("", &host, 0);
    ASSERT_TRUE(other.Create(CDlgBrowser::IDD, &host));
    IDispatch* otherControl = nullptr;
    ASSERT_TRUE(SUCCEEDED(other.m_htmlWnd.GetControlUnknown()->QueryInterface(IID_IDispatch,
                                                                              reinterpret_cast<void**>(&otherControl))));
    const auto held = zv::win32::ComRef<IDispatch>::Adopt(otherControl);
    VARIANT url;
    VariantInit(&url);
    url.vt = VT_BSTR;
    url.bstrVal = SysAllocString(u"http://127.0.0.1:9/frame");
    browser.OnDocumentComplete(otherControl, &url);
    EXPECT_EQ(browser.GetUrl(), "http://127.0.0.1:9/start");
    browser.OnDocumentComplete(nullptr, &url);
    EXPECT_EQ(browser.GetUrl(), "http://127.0.0.1:9/start");
    VariantClear(&url);

    // The right button is the dialog's: taken, with no menu outside the main dialog.
    MSG press{browser.GetSafeHwnd(), WM_RBUTTONDOWN, 0, 0, 0, {}};
    EXPECT_TRUE(browser.PreTranslateMessage(&press));
    MSG other_key{browser.GetSafeHwnd(), WM_MOUSEMOVE, 0, 0, 0, {}};
    EXPECT_FALSE(browser.PreTranslateMessage(&other_key));
}

} // namespace
} // namespace zv::app::testing
