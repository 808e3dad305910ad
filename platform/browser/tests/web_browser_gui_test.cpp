// The WebBrowser control on the gtk display, as the program hosts it: CWnd::CreateControl in a
// framework dialog, automation calls, events to the dialog's event sink map, and real pages from
// the loopback HTTP server and the program's res:// resources, shown over the dialog.
#include "platform/afx/afx_dialog.h"
#include "platform/afx/afxdisp.h"
#include "platform/afx/control_hosting.h"
#include "platform/browser/dhtml_dialog.h"
#include "platform/browser/page_text.h"
#include "platform/browser/web_browser_control.h"
#include "platform/browser/web_page.h"
#include "platform/inet/tests/scripted_http_server.h"
#include "platform/user/gtk/tests/gtk_desktop_fixture.h"
#include "platform/user/gtk/tests/x_screen.h"
#include "platform/user/testing/screenshots.h"
#include "platform/win32/com.h"
#include "platform/win32/com_object.h"
#include "platform/win32/paths.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using zv::browser::NewBstr;
using zv::browser::Utf8Of;
using zv::inet::testing::ScriptedHttpServer;
using zv::user::gtk::test::XScreen;
using zv::win32::ComRef;

constexpr UINT kHostDialog = 300;
constexpr UINT kBrowserId = 1015;

template <class Interface>
ComRef<Interface> Query(IUnknown* object, REFIID iid)
{
    void* answer = nullptr;
    if (!object || FAILED(object->QueryInterface(iid, &answer)))
        return {};
    return ComRef<Interface>::Adopt(static_cast<Interface*>(answer));
}

// Takes the BSTR and gives its text.
std::string Take(BSTR text)
{
    std::string out = Utf8Of(text);
    SysFreeString(text);
    return out;
}

// Serves the thread's messages until `done` (at most 20 s: pages load in the web process);
// `seen` looks at each message first.
bool PumpUntil(const std::function<bool()>& done, const std::function<void(const MSG&)>& seen = {})
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (seen)
                seen(msg);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// The dialog the browser lives in, with the two events the program's browser dialogs take.
class BrowserHost : public CDialog {
public:
    BrowserHost() : CDialog(kHostDialog) {}

    CWnd browser;
    std::vector<std::string> before;    // BeforeNavigate2's URLs
    std::vector<std::string> completed; // DocumentComplete's URLs
    bool completedByOwnControl = true;
    bool cancelNavigation = false;

    bool Open(const RECT& place)
    {
        return Create(kHostDialog) &&
               browser.CreateControl(CLSID_WebBrowser, "HTML Data View", WS_CHILD | WS_VISIBLE, place, this, kBrowserId);
    }
    ComRef<IWebBrowser2> Web() { return Query<IWebBrowser2>(browser.GetControlUnknown(), IID_IWebBrowser2); }

    // As the program navigates: through automation, the URL only.
    HRESULT Navigate(const std::string& url)
    {
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_BSTR;
        argument.bstrVal = NewBstr(url);
        DISPPARAMS params{&argument, nullptr, 1, 0};
        const HRESULT hr = Web()->Invoke(DISPID_NAVIGATE, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                                         nullptr);
        VariantClear(&argument);
        return hr;
    }
    bool NavigateAndWait(const std::string& url)
    {
        const std::size_t count = completed.size();
        return SUCCEEDED(Navigate(url)) && PumpUntil([&] { return completed.size() > count; });
    }

    ComRef<IHTMLDocument2> Document()
    {
        VARIANT result;
        VariantInit(&result);
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        if (FAILED(Web()->Invoke(DISPID_DOCUMENT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                                 nullptr)) ||
            result.vt != VT_DISPATCH)
            return {};
        ComRef<IHTMLDocument2> document = Query<IHTMLDocument2>(result.pdispVal, IID_IHTMLDocument2);
        VariantClear(&result);
        return document;
    }
    ComRef<IHTMLElement> Body()
    {
        const ComRef<IHTMLDocument2> document = Document();
        IHTMLElement* body = nullptr;
        if (!document || FAILED(document->get_body(&body)))
            return {};
        return ComRef<IHTMLElement>::Adopt(body);
    }
    std::string BodyHtml()
    {
        const ComRef<IHTMLElement> body = Body();
        BSTR html = nullptr;
        return body && SUCCEEDED(body->get_innerHTML(&html)) ? Take(html) : "<no body>";
    }
    std::string DocumentState()
    {
        const ComRef<IHTMLDocument2> document = Document();
        BSTR state = nullptr;
        return document && SUCCEEDED(document->get_readyState(&state)) ? Take(state) : "<no document>";
    }

protected:
    void OnBeforeNavigate2(IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*, SHORT* cancel)
    {
        before.push_back(url && url->vt == VT_BSTR ? Utf8Of(url->bstrVal) : "<no URL>");
        if (cancelNavigation)
            *cancel = VARIANT_TRUE;
    }
    void OnDocumentComplete(IDispatch* browserObject, VARIANT* url)
    {
        completedByOwnControl = completedByOwnControl && browserObject == static_cast<IDispatch*>(Web().get());
        completed.push_back(url && url->vt == VT_BSTR ? Utf8Of(url->bstrVal) : "<no URL>");
    }
    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(BrowserHost, CDialog)
    ON_EVENT(BrowserHost, kBrowserId, 250, OnBeforeNavigate2,
             VTS_DISPATCH VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PBOOL)
    ON_EVENT(BrowserHost, kBrowserId, 259, OnDocumentComplete, VTS_DISPATCH VTS_PVARIANT)
END_EVENTSINK_MAP()

std::string ProgramPath()
{
    char path[4096];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length < sizeof path ? length : 0);
}

class WebBrowserGuiTest : public zv::user::gtk::test::GtkDesktopTest {
protected:
    void SetUp() override
    {
        StartOnGtkDisplay();
        if (!Started())
            return;
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        zv::browser::RegisterWebBrowserClass();
        AfxEnableControlContainer();
        zv::browser::WebPage::SetLoadBound(std::chrono::seconds(30));
        m_host = std::make_unique<BrowserHost>();
        ASSERT_TRUE(m_host->Open(RECT{10, 10, 150, 100}));
    }
    void TearDown() override
    {
        if (m_host && m_host->GetSafeHwnd())
            m_host->DestroyWindow();
        m_host.reset();
        if (Started())
            CoUninitialize();
    }

    std::unique_ptr<BrowserHost> m_host;
};

TEST_F(WebBrowserGuiTest, AServedPageCompletesAndItsBodyIsRead)
{
    ScriptedHttpServer server;
    server.Route("page", "header=Content-Type: text/html\n\n"
                         "<html><head><title>t</title></head><body><p>served text</p></body></html>");
    const std::string url = server.Url("/page");
    ASSERT_TRUE(m_host->NavigateAndWait(url));

    EXPECT_EQ(m_host->before, std::vector<std::string>{url});
    EXPECT_EQ(m_host->completed, std::vector<std::string>{url});
    EXPECT_TRUE(m_host->completedByOwnControl);
    READYSTATE state = READYSTATE_UNINITIALIZED;
    ASSERT_EQ(m_host->Web()->get_ReadyState(&state), S_OK);
    EXPECT_EQ(state, READYSTATE_COMPLETE);
    EXPECT_EQ(m_host->DocumentState(), "complete");
    EXPECT_EQ(m_host->BodyHtml(), "<p>served text</p>");
}

TEST_F(WebBrowserGuiTest, EveryPageCompletesEvenWhenItCannotLoad)
{
    ScriptedHttpServer server;
    server.Route("error", "status=500\nheader=Content-Type: text/html\nbody=the server failed");
    // A port nobody listens on: one that was free a moment ago.
    const int closedPort = [] {
        const int probe = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
        close(probe);
        return static_cast<int>(ntohs(address.sin_port));
    }();
    const std::string program = ProgramPath();
    struct Case {
        std::string url;
        const char* body; // what innerHTML holds
    } cases[] = {
        {"res://" + program + "/page.html", "<p id=\"from\">a page of the program</p>\n"},
        {"res://" + program + "/125", "number 125\n"},
        {"about:blank", ""},
        {"res://" + program + "/missing.html", ""},
        {"http://127.0.0.1:1/a-port-the-engine-refuses", ""},
        {"http://127.0.0.1:" + std::to_string(closedPort) + "/nobody-listens", ""},
        {server.Url("/error"), "the server failed"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(m_host->NavigateAndWait(c.url)) << c.url;
        EXPECT_EQ(m_host->completed.back(), c.url);
        EXPECT_EQ(m_host->DocumentState(), "complete") << c.url;
        EXPECT_EQ(m_host->BodyHtml(), c.body) << c.url;
    }
}

TEST_F(WebBrowserGuiTest, TheChatPageTakesLinesAndStyles)
{
    ASSERT_TRUE(m_host->NavigateAndWait("res://" + ProgramPath() + "/125"));
    const ComRef<IHTMLElement> body = m_host->Body();
    ASSERT_TRUE(body);
    BSTR before = NewBstr("beforeEnd");
    for (const char* line : {"<b>first</b>\n", "second &amp; last\n"}) {
        BSTR html = NewBstr(line);
        EXPECT_EQ(body->insertAdjacentHTML(before, html), S_OK);
        SysFreeString(html);
    }
    BSTR nowhere = NewBstr("inside");
    BSTR html = NewBstr("x");
    EXPECT_EQ(body->insertAdjacentHTML(nowhere, html), E_INVALIDARG);
    SysFreeString(nowhere);
    SysFreeString(html);
    SysFreeString(before);
    EXPECT_EQ(m_host->BodyHtml(), "number 125\n<b>first</b>\nsecond &amp; last\n");

    IHTMLStyle* rawStyle = nullptr;
    ASSERT_EQ(body->get_style(&rawStyle), S_OK);
    const ComRef<IHTMLStyle> style = ComRef<IHTMLStyle>::Adopt(rawStyle);
    struct Case {
        const char* fontSize;
        const char* margin;
        const char* readFontSize;
        const char* readMargin;
    } cases[] = {{"15pt", "3 3 3 3", "15pt", "3px"}, {"5pt", "1 2 3 4", "5pt", "1px 2px 3px 4px"}};
    for (const Case& c : cases) {
        VARIANT size;
        VariantInit(&size);
        size.vt = VT_BSTR;
        size.bstrVal = NewBstr(c.fontSize);
        EXPECT_EQ(style->put_fontSize(size), S_OK);
        VariantClear(&size);
        BSTR margin = NewBstr(c.margin);
        EXPECT_EQ(style->put_margin(margin), S_OK);
        SysFreeString(margin);
        VARIANT read;
        VariantInit(&read);
        ASSERT_EQ(style->get_fontSize(&read), S_OK);
        ASSERT_EQ(read.vt, VT_BSTR);
        EXPECT_EQ(Utf8Of(read.bstrVal), c.readFontSize);
        VariantClear(&read);
        BSTR readMargin = nullptr;
        ASSERT_EQ(style->get_margin(&readMargin), S_OK);
        EXPECT_EQ(Take(readMargin), c.readMargin);
    }
}

TEST_F(WebBrowserGuiTest, AHungServerDoesNotHangTheCaller)
{
    zv::browser::WebPage::SetLoadBound(std::chrono::milliseconds(1500));
    ScriptedHttpServer server;
    server.Route("hang", "delay_headers=60\nbody=too late");
    const std::string url = server.Url("/hang");
    ASSERT_EQ(m_host->Navigate(url), S_OK);
    READYSTATE state = READYSTATE_COMPLETE;
    ASSERT_EQ(m_host->Web()->get_ReadyState(&state), S_OK);
    EXPECT_EQ(state, READYSTATE_LOADING);
    EXPECT_EQ(m_host->DocumentState(), "loading");
    ASSERT_TRUE(PumpUntil([&] { return !m_host->completed.empty(); }));
    EXPECT_EQ(m_host->completed.back(), url);
    EXPECT_EQ(m_host->DocumentState(), "complete");
    EXPECT_EQ(m_host->BodyHtml(), "");
}

TEST_F(WebBrowserGuiTest, AScriptThatTakesTooLongFailsAfterItsBound)
{
    const std::shared_ptr<zv::browser::WebPage> page =
        zv::browser::WebPage::Open(m_host->GetSafeHwnd(), WM_APP + 0x300);
    ASSERT_TRUE(page);
    page->Navigate("about:blank");
    ASSERT_TRUE(PumpUntil([&] { return !page->Loading(); }));
    struct Case {
        const char* script;
        int boundMs;
        bool ok;
        bool timedOut;
        const char* value;
    } cases[] = {
        {"6 * 7", 5000, true, false, "42"},
        {"var end = Date.now() + 2000; while (Date.now() < end) {} 'late'", 200, false, true, ""},
        {"'after the busy page: ' + document.readyState", 10000, true, false, "after the busy page: complete"},
        {"no.such.thing", 5000, false, false, ""},
    };
    for (const Case& c : cases) {
        const zv::browser::ScriptAnswer answer = page->Run(c.script, std::chrono::milliseconds(c.boundMs));
        EXPECT_EQ(answer.ok, c.ok) << c.script << ": " << answer.error;
        EXPECT_EQ(answer.timedOut, c.timedOut) << c.script;
        EXPECT_EQ(answer.value, c.value) << c.script;
    }
    page->Close();
}

TEST_F(WebBrowserGuiTest, ACancelledNavigationLeavesThePageAlone)
{
    m_host->cancelNavigation = true;
    EXPECT_EQ(m_host->Navigate("about:blank"), S_OK);
    EXPECT_EQ(m_host->before.size(), 1u);
    EXPECT_FALSE(m_host->Document());
    READYSTATE state = READYSTATE_COMPLETE;
    ASSERT_EQ(m_host->Web()->get_ReadyState(&state), S_OK);
    EXPECT_EQ(state, READYSTATE_UNINITIALIZED);
}

TEST_F(WebBrowserGuiTest, AHostClosedWhileLoadingLeavesTheNextOneWorking)
{
    ScriptedHttpServer server;
    server.Route("hang", "delay_headers=60\nbody=too late");
    ASSERT_EQ(m_host->Navigate(server.Url("/hang")), S_OK);
    m_host->DestroyWindow();
    m_host = std::make_unique<BrowserHost>();
    ASSERT_TRUE(m_host->Open(RECT{10, 10, 150, 100}));
    ASSERT_TRUE(m_host->NavigateAndWait("about:blank"));
    EXPECT_EQ(m_host->DocumentState(), "complete");
}

// A red page for the control, and where the control lies on the X screen: the tests that look at
// the page on the screen share them.
struct RedPageOnScreen {
    explicit RedPageOnScreen(BrowserHost& shown) : host(shown)
    {
        server.Route("red", "header=Content-Type: text/html\n\n"
                            "<html><body style=\"margin:0;background:#ff0000;overflow:hidden\">"
                            "<h1 style=\"color:#fff;margin:4px\">Zelvante</h1>"
                            "</body></html>");
    }
    bool IsRed(POINT at)
    {
        const std::unique_ptr<zv::gdi::Surface> pixel = screen.Capture(RECT{at.x, at.y, at.x + 1, at.y + 1});
        return pixel && (pixel->GetPixel(0, 0) & 0xFFFFFF) == RGB(255, 0, 0);
    }
    // The control's centre on the X screen.
    POINT Centre()
    {
        const RECT control = Control();
        return POINT{(control.left + control.right) / 2, control.bottom - 10};
    }
    // Where the control lies on the X screen.
    RECT Control()
    {
        const RECT shown = screen.PlaceOf(screen.FindNamed("Browser host"));
        RECT dialog{}, control{};
        ::GetWindowRect(host.GetSafeHwnd(), &dialog);
        ::GetWindowRect(host.browser.GetSafeHwnd(), &control);
        const LONG dx = shown.left - dialog.left;
        const LONG dy = shown.top - dialog.top;
        return RECT{control.left + dx, control.top + dy, control.right + dx, control.bottom + dy};
    }

    BrowserHost& host;
    ScriptedHttpServer server;
    XScreen screen;
};

// The page shows over the dialog at the control's place.
TEST_F(WebBrowserGuiTest, ThePageShowsWhereItsWindowIs)
{
    RedPageOnScreen page(*m_host);
    ASSERT_TRUE(m_host->NavigateAndWait(page.server.Url("/red")));
    XScreen& screen = page.screen;
    ASSERT_TRUE(screen.IsOpen());
    const auto isRed = [&](POINT at) { return page.IsRed(at); };
    const auto centre = [&] { return page.Centre(); };
    const auto pump = [] { PumpUntil([] { return true; }); };
    const POINT first = centre();
    ASSERT_TRUE(zv::user::gtk::test::Eventually([&] { return isRed(first); }, pump));

    RECT dialog{};
    ::GetWindowRect(m_host->GetSafeHwnd(), &dialog);
    if (const char* folder = std::getenv("ZV_TEST_PICTURES"); folder && *folder) {
        const RECT shown = screen.PlaceOf(screen.FindNamed("Browser host"));
        if (const auto picture = screen.Capture(shown))
            zv::user::testing::WriteBmp(*picture, std::string(folder) + "/browser_page_in_dialog.bmp");
    }

    // The right button over the page is the program's, as over its windows.
    std::vector<MSG> rightPresses;
    ASSERT_TRUE(zv::user::gtk::test::XdoTool("mousemove " + std::to_string(first.x) + " " + std::to_string(first.y) +
                                             " click 3"));
    ASSERT_TRUE(PumpUntil([&] { return !rightPresses.empty(); },
                          [&](const MSG& msg) {
                              if (msg.message == WM_RBUTTONDOWN)
                                  rightPresses.push_back(msg);
                          }));
    EXPECT_EQ(rightPresses.front().hwnd, m_host->browser.GetSafeHwnd());
    RECT control{};
    m_host->browser.GetClientRect(&control);
    const LPARAM where = rightPresses.front().lParam;
    EXPECT_GE(GET_X_LPARAM(where), 0);
    EXPECT_LT(GET_X_LPARAM(where), control.right);
    EXPECT_GE(GET_Y_LPARAM(where), 0);
    EXPECT_LT(GET_Y_LPARAM(where), control.bottom);

}

// The page follows its control as the control moves, grows, hides and shows again: each time it is
// drawn at the new place (its corners and its middle are red) and nowhere else.
TEST_F(WebBrowserGuiTest, ThePageFollowsItsWindowWhenItMoves)
{
    RedPageOnScreen page(*m_host);
    ASSERT_TRUE(m_host->NavigateAndWait(page.server.Url("/red")));
    ASSERT_TRUE(page.screen.IsOpen());
    const auto pump = [] { PumpUntil([] { return true; }); };
    // Points of the page away from its heading, which is not red.
    const auto probes = [](const RECT& r) {
        return std::vector<POINT>{{r.left + 5, r.bottom - 5}, {(r.left + r.right) / 2, r.bottom - 10},
                                  {r.right - 5, r.bottom - 5}};
    };
    const auto inside = [](POINT at, const RECT& r) {
        return at.x >= r.left && at.x < r.right && at.y >= r.top && at.y < r.bottom;
    };
    RECT client{};
    m_host->GetClientRect(&client);
    struct Step {
        const char* what;
        RECT place; // in the dialog
        bool visible;
    } steps[] = {
        {"shown", {10, 10, 150, 100}, true},
        {"moved", {200, 150, 340, 240}, true},
        {"moved back", {10, 10, 150, 100}, true},
        {"moved and made bigger", {30, 20, 330, 235}, true},
        {"hidden", {30, 20, 330, 235}, false},
        {"moved while hidden", {60, 40, 260, 180}, false},
        {"shown again", {60, 40, 260, 180}, true},
        {"made smaller", {60, 40, 160, 110}, true},
    };
    std::vector<POINT> before;
    for (const Step& step : steps) {
        ASSERT_LE(step.place.right, client.right) << step.what;
        ASSERT_LE(step.place.bottom, client.bottom) << step.what;
        m_host->browser.MoveWindow(step.place.left, step.place.top, step.place.right - step.place.left,
                                   step.place.bottom - step.place.top);
        if (step.visible != (m_host->browser.IsWindowVisible() != FALSE))
            m_host->browser.ShowWindow(step.visible ? SW_SHOW : SW_HIDE);
        const RECT now = page.Control();
        const std::vector<POINT> here = probes(now);
        std::vector<POINT> left; // where the page was and is no more
        for (POINT at : before) {
            if (!step.visible || !inside(at, now))
                left.push_back(at);
        }
        if (!step.visible)
            left.insert(left.end(), here.begin(), here.end());
        const auto drawnAsItShould = [&] {
            for (POINT at : step.visible ? here : std::vector<POINT>{}) {
                if (!page.IsRed(at))
                    return false;
            }
            for (POINT at : left) {
                if (page.IsRed(at))
                    return false;
            }
            return true;
        };
        // The web process draws a page again at its new size; on a busy machine that takes a while.
        EXPECT_TRUE(zv::user::gtk::test::Eventually(drawnAsItShould, pump, std::chrono::seconds(30)))
            << step.what << ": red at the middle " << page.IsRed(here[1]) << ", the page should "
            << (step.visible ? "show" : "not show");
        before = step.visible ? here : std::vector<POINT>{};
    }
}

// Keys go to the page while one of its fields has the focus, and back to the program's windows
// once the user clicks on them.
TEST_F(WebBrowserGuiTest, TypingGoesWhereTheUserClicked)
{
    ScriptedHttpServer server;
    server.Route("form", "header=Content-Type: text/html\n\n"
                         "<html><body style=\"margin:0\"><input id=\"field\" style=\"width:100%;height:40px\" "
                         "oninput=\"document.getElementById('echo').textContent = this.value\"><p id=\"echo\"></p>"
                         "</body></html>");
    ASSERT_TRUE(m_host->NavigateAndWait(server.Url("/form")));
    XScreen screen;
    ASSERT_TRUE(screen.IsOpen());
    RECT dialog{}, control{};
    ::GetWindowRect(m_host->GetSafeHwnd(), &dialog);
    ::GetWindowRect(m_host->browser.GetSafeHwnd(), &control);
    const RECT shown = screen.PlaceOf(screen.FindNamed("Browser host"));
    const auto at = [&](int x, int y) {
        return std::to_string(shown.left + x - dialog.left) + " " + std::to_string(shown.top + y - dialog.top);
    };
    std::vector<UINT> dialogKeys;
    const auto watchKeys = [&](const MSG& msg) {
        if (msg.message == WM_CHAR && msg.hwnd == m_host->GetSafeHwnd())
            dialogKeys.push_back(static_cast<UINT>(msg.wParam));
    };
    // Into the field.
    ASSERT_TRUE(zv::user::gtk::test::XdoTool("mousemove " + at(control.left + 20, control.top + 20) + " click 1"));
    PumpUntil([] { return true; });
    ASSERT_TRUE(zv::user::gtk::test::XdoTool("type --delay 20 abc"));
    ASSERT_TRUE(PumpUntil([&] { return m_host->BodyHtml().find("<p id=\"echo\">abc</p>") != std::string::npos; },
                          watchKeys));
    EXPECT_TRUE(dialogKeys.empty());
    // Onto the dialog, outside the page: the keys are the program's again.
    ASSERT_TRUE(zv::user::gtk::test::XdoTool("mousemove " + at(dialog.right - 20, dialog.bottom - 20) + " click 1"));
    ASSERT_TRUE(zv::user::gtk::test::XdoTool("type --delay 20 xyz"));
    EXPECT_TRUE(PumpUntil([&] { return dialogKeys.size() >= 3; }, watchKeys));
    EXPECT_EQ(m_host->BodyHtml().find("xyz"), std::string::npos);
}

class PageDialog : public CDHtmlDialog {
public:
    PageDialog() : CDHtmlDialog(301, 126) {}
    std::vector<std::string> handled;

protected:
    HRESULT OnButtonOK(IHTMLElement* element)
    {
        handled.push_back(element ? "ok" : "ok without element");
        return S_OK;
    }
    HRESULT OnButtonCancel(IHTMLElement* element)
    {
        handled.push_back(element ? "cancel" : "cancel without element");
        return S_OK;
    }
    DECLARE_DHTML_EVENT_MAP()
};

BEGIN_DHTML_EVENT_MAP(PageDialog)
    DHTML_EVENT_ONCLICK("ButtonOK", OnButtonOK)
    DHTML_EVENT_ONCLICK("ButtonCancel", OnButtonCancel)
END_DHTML_EVENT_MAP()

TEST_F(WebBrowserGuiTest, AnHtmlDialogsClicksReachItsEventMap)
{
    PageDialog dialog;
    ASSERT_TRUE(dialog.Create(301));
    RECT templateOnly{0, 0, 190, 48};
    dialog.MapDialogRect(&templateOnly);
    RECT client{};
    dialog.GetClientRect(&client);
    EXPECT_EQ(client.bottom, templateOnly.bottom + CDHtmlDialog::kPageHeight);
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(dialog.GetSafeHwnd(), 1007)));
    ASSERT_TRUE(PumpUntil([&] { return !dialog.m_strCurrentUrl.empty(); }));
    EXPECT_NE(dialog.m_strCurrentUrl.find("/126"), std::string::npos);

    struct Case {
        const char* clicked;
        std::vector<std::string> handled; // all handled so far
    } cases[] = {
        {"ButtonOK", {"ok"}},
        {"Text", {"ok"}}, // bound to nothing: checked with the next click, which comes after it
        {"ButtonCancel", {"ok", "cancel"}},
    };
    for (const Case& c : cases) {
        IHTMLElement* element = nullptr;
        ASSERT_EQ(dialog.GetElement(c.clicked, &element), S_OK) << c.clicked;
        ASSERT_NE(element, nullptr) << c.clicked;
        EXPECT_EQ(element->click(), S_OK);
        element->Release();
        ASSERT_TRUE(PumpUntil([&] { return dialog.handled.size() >= c.handled.size(); })) << c.clicked;
        EXPECT_EQ(dialog.handled, c.handled) << c.clicked;
    }
    IHTMLElement* none = reinterpret_cast<IHTMLElement*>(1);
    EXPECT_EQ(dialog.GetElement("NoSuchElement", &none), S_OK);
    EXPECT_EQ(none, nullptr);
    dialog.DestroyWindow();
}

} // namespace

// Navigations asked for one after another on a fresh view, some before the one ahead completed:
// the last one asked for reaches its server and is the page that shows, the view loading until
// then; the pages before it complete in their order or not at all, replaced.
TEST_F(WebBrowserGuiTest, EveryNavigationAfterABlankPageReachesItsPage)
{
    ScriptedHttpServer server;
    for (const char* name : {"first", "second", "third", "fourth", "fifth", "sixth"})
        server.Route(name, std::string("header=Content-Type: text/html\n\n<html><body>page ") + name +
                               "</body></html>");
    server.Route("hang", "delay_headers=60\nbody=too late");
    const std::string res = "res://" + ProgramPath() + "/125";
    const std::string blank = "about:blank";
    struct Step {
        std::string url;
        bool waitForIt; // completed before the next is asked for
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
        const char* body; // what the last page's innerHTML holds
        bool hangs = false; // the last page never answers: the load bound, made short, ends it
    } cases[] = {
        {"blank then http at once", {{blank, false}, {server.Url("/first"), false}}, "page first"},
        {"blank completed, then http", {{blank, true}, {server.Url("/second"), false}}, "page second"},
        {"blank then res at once", {{blank, false}, {res, false}}, "number 125\n"},
        {"http, blank, http at once",
         {{server.Url("/third"), false}, {blank, false}, {server.Url("/fourth"), false}},
         "page fourth"},
        {"http completed, then blank and http at once",
         {{server.Url("/fifth"), true}, {blank, false}, {server.Url("/sixth"), false}},
         "page sixth"},
        {"blank then a port the engine refuses at once",
         {{blank, false}, {"http://127.0.0.1:1/refused", false}},
         ""},
        // The load bound still ends the page after the blank one (whether its request was sent by
        // then or not).
        {"blank then a hung server at once", {{blank, false}, {server.Url("/hang"), false}}, "", true},
    };
    for (const Case& c : cases) {
        zv::browser::WebPage::SetLoadBound(c.hangs ? std::chrono::milliseconds(1500) : std::chrono::seconds(30));
        m_host->DestroyWindow();
        m_host = std::make_unique<BrowserHost>();
        ASSERT_TRUE(m_host->Open(RECT{10, 10, 150, 100})) << c.what;
        std::vector<std::string> asked;
        for (const Step& step : c.steps) {
            asked.push_back(step.url);
            if (step.waitForIt)
                ASSERT_TRUE(m_host->NavigateAndWait(step.url)) << c.what << ": " << step.url;
            else
                ASSERT_EQ(m_host->Navigate(step.url), S_OK) << c.what << ": " << step.url;
        }
        const std::string& last = asked.back();
        bool completeTooSoon = false;
        ASSERT_TRUE(PumpUntil([&] {
            if (!m_host->completed.empty() && m_host->completed.back() == last)
                return true;
            READYSTATE state = READYSTATE_UNINITIALIZED;
            completeTooSoon = completeTooSoon || (m_host->Web()->get_ReadyState(&state) == S_OK &&
                                                  state == READYSTATE_COMPLETE);
            return false;
        })) << c.what << ": completed " << testing::PrintToString(m_host->completed);
        EXPECT_FALSE(completeTooSoon) << c.what;
        EXPECT_EQ(m_host->before, asked) << c.what;
        // Each completed page was asked for, in the order asked.
        auto next = asked.begin();
        for (const std::string& url : m_host->completed) {
            next = std::find(next, asked.end(), url);
            ASSERT_NE(next, asked.end()) << c.what << ": " << url << " completed out of order";
            ++next;
        }
        EXPECT_EQ(m_host->BodyHtml(), c.body) << c.what;
        if (last.rfind(server.Url("/"), 0) == 0 && !c.hangs) {
            EXPECT_TRUE(server.Recorded(last.substr(last.rfind('/') + 1)).has_value()) << c.what;
        }
    }
}
