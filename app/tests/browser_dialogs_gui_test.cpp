// The browser dialogs and the chat view on an X display with real pages: the sign-up browser ends
// with 1 only on a body that begins with '1', the account browser's close button hides and blanks
// it and the next page shows the same window, and the chat view's lines, reload and font size.
#include "app/tests/browser_dialogs_fixture.h"

#include "app/DlgBrowser.h"
#include "app/DlgHtmlCtrl.h"
#include "platform/browser/page_text.h"
#include "platform/browser/web_page.h"
#include "platform/inet/tests/scripted_http_server.h"
#include "platform/user/display.h"
#include "platform/user/gtk/tests/gtk_desktop_fixture.h"
#include "platform/user/gtk/tests/x_screen.h"
#include "platform/user/testing/screenshots.h"

#include <cstdlib>

namespace zv::app::testing {
namespace {

using zv::inet::testing::ScriptedHttpServer;

std::string Page(const std::string& body)
{
    return "header=Content-Type: text/html\n\n<html><head><title>t</title></head><body>" + body + "</body></html>";
}

class BrowserDialogsGuiTest : public BrowserDialogsTest {
protected:
    void SetUp() override
    {
        zv::user::gtk::test::UseGtkDisplayOrSkip();
        if (IsSkipped())
            return;
        m_root = std::make_unique<zv::win32::testing::TempZvRoot>();
        ASSERT_STREQ(zv::user::Display().Name(), "gtk");
        StartHost();
        zv::browser::WebPage::SetLoadBound(std::chrono::seconds(30));
    }
};

// The sign-up browser, closed by the test after its first page unless that page ended it.
class WatchedSignUp : public CDlgHostRegister {
public:
    using CDlgHostRegister::CDlgHostRegister;
    int completions = 0;

    void OnDocumentComplete(IDispatch* browser, VARIANT* url) override
    {
        CDlgHostRegister::OnDocumentComplete(browser, url);
        ++completions;
        PostMessage(WM_CLOSE);
    }
};

TEST_F(BrowserDialogsGuiTest, SignUpEndsWithOneOnlyWhenTheBodyBeginsWithOne)
{
    ScriptedHttpServer server;
    const struct {
        const char* body;
        INT_PTR result;
    } cases[] = {
        {"1", 1},
        {"1 welcome, host 42", 1},
        {"0 try again", IDCANCEL},
        {" 1", IDCANCEL},
        {"<p>1</p>", IDCANCEL},
        {"", IDCANCEL},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string route = "signup" + std::to_string(n++);
        server.Route(route, Page(c.body));
        WatchedSignUp signUp(server.Url("/" + route).c_str());
        EXPECT_EQ(signUp.DoModal(), c.result) << c.body;
        EXPECT_EQ(signUp.completions, 1) << c.body;
        EXPECT_EQ(signUp.GetBody(), c.body);
        EXPECT_EQ(signUp.GetUrl(), server.Url("/" + route));
    }
}

TEST_F(BrowserDialogsGuiTest, AccountBrowserHidesAndBlanksOnCloseAndShowsTheNextPage)
{
    ScriptedHttpServer server;
    server.Route("first", Page("<p style=\"font-size:40px\">Account page</p>"));
    server.Route("second", Page("<p>second page</p>"));
    CDlgBrowser browser(server.Url("/first").c_str(), &host, 0);
    ASSERT_TRUE(browser.Create(CDlgBrowser::IDD, &host));
    browser.ShowWindow(SW_SHOW);
    ASSERT_TRUE(PumpUntil([&] { return browser.GetUrl() == server.Url("/first") && !browser.GetBody().empty(); }));
    EXPECT_EQ(browser.GetBody(), "<p style=\"font-size:40px\">Account page</p>");
    if (const char* folder = std::getenv("ZV_TEST_PICTURES"); folder && *folder) {
        zv::user::gtk::test::XScreen screen;
        PumpUntil([] { return false; }, std::chrono::seconds(2)); // the web process draws the page
        const Window shown = screen.FindNamed("Zelvante Browser");
        if (const auto picture = screen.Capture(screen.PlaceOf(shown)))
            zv::user::testing::WriteBmp(*picture, std::string(folder) + "/zelvante-browser-dialog.bmp");
    }

    const HWND window = browser.GetSafeHwnd();
    ASSERT_TRUE(browser.OnBrowserSkinEvent(SkinElement(browser, kBrowserCloseButton).get()));
    EXPECT_FALSE(browser.IsWindowVisible());
    ASSERT_TRUE(PumpUntil([&] { return browser.GetUrl() == "about:blank"; }));
    EXPECT_EQ(browser.GetBody(), "");
    EXPECT_EQ(host.Count(BrowserClosedMessage), 1);

    browser.Navigate(server.Url("/second").c_str());
    browser.ShowWindow(SW_SHOW);
    ASSERT_TRUE(PumpUntil([&] { return browser.GetBody() == "<p>second page</p>"; }));
    EXPECT_EQ(browser.GetSafeHwnd(), window);
    EXPECT_TRUE(browser.IsWindowVisible());
    browser.DestroyWindow();
}

std::string BodyOf(CDlgHtmlCtrl& view)
{
    const auto body = view.m_htmlWnd.GetBody();
    BSTR html = nullptr;
    if (!body || FAILED(body->get_innerHTML(&html)))
        return "<no body>";
    std::string text = zv::browser::Utf8Of(html);
    SysFreeString(html);
    return text;
}

std::string FontSizeOf(CDlgHtmlCtrl& view)
{
    const auto body = view.m_htmlWnd.GetBody();
    IHTMLStyle* style = nullptr;
    if (!body || FAILED(body->get_style(&style)) || !style)
        return "<no style>";
    const auto held = zv::win32::ComRef<IHTMLStyle>::Adopt(style);
    VARIANT size;
    VariantInit(&size);
    std::string text = "<no size>";
    if (SUCCEEDED(style->get_fontSize(&size)) && size.vt == VT_BSTR)
        text = zv::browser::Utf8Of(size.bstrVal);
    VariantClear(&size);
    return text;
}

TEST_F(BrowserDialogsGuiTest, ChatViewAppendsLinesReloadsEmptyAndSizesItsFont)
{
    CDlgHtmlCtrl view;
    ASSERT_TRUE(view.Create(CDlgHtmlCtrl::IDD, &host));
    ASSERT_TRUE(view.m_htmlWnd.CreateView(RECT{0, 0, 200, 100}, &view));
    // The first line finds no page and loads it.
    view.AppendHtml("<b>one:</b>first");
    EXPECT_EQ(BodyOf(view), "<b>one:</b>first\n");
    view.AppendHtml("<i>second</i><br>");
    EXPECT_EQ(BodyOf(view), "<b>one:</b>first\n<i>second</i><br>\n");
    EXPECT_EQ(FontSizeOf(view), "5pt");

    const struct {
        int asked;
        const char* shown;
    } sizes[] = {{3, "15pt"}, {0, "5pt"}, {-3, "5pt"}, {2, "10pt"}};
    for (const auto& s : sizes) {
        view.SetFontSize(s.asked);
        EXPECT_EQ(FontSizeOf(view), s.shown) << s.asked;
    }
    // A null line reloads the empty page, keeping the size.
    view.AppendHtml(nullptr);
    EXPECT_EQ(BodyOf(view), "");
    EXPECT_EQ(FontSizeOf(view), "10pt");
    view.DestroyWindow();
}

} // namespace
} // namespace zv::app::testing
