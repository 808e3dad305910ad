// The main dialog's HTML views without a browser on the display: where the ad view, the chat views
// and the chat input lie, whether the ad view is shown by the update server's reply (a loopback
// server) and the user's setting, the chat font size, the account browser, and the windows gone
// after the shutdown.
#include "main_dialog_fixture.h"

#include "app/DlgBrowser.h"
#include "app/MenuCommands.h"
#include "app/UpdateClient.h"
#include "app/VersionInfo.h"
#include "app/tests/update_test_support.h"

namespace zv::app::testing {
namespace {

using zv::inet::testing::ScriptedHttpServer;

const std::string kQueryRoute = "setup_in322.php";

// The window's rectangle in its parent's client area.
RECT PlaceInParent(const CWnd& window)
{
    RECT place{};
    ::GetWindowRect(window.GetSafeHwnd(), &place);
    ::MapWindowPoints(nullptr, ::GetParent(window.GetSafeHwnd()), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

class HtmlViewsTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        // No reply seen yet in this process: no ads until a server says otherwise.
        g_updateReplyToken.Set("");
        App().WriteProfileInt("Params", "AutoUpdate", 0);
    }

    RECT Element(const char* name)
    {
        RECT rect{};
        EXPECT_TRUE(Dialog()->GetSkinElementRect(name, &rect)) << name;
        return rect;
    }
};

TEST_F(HtmlViewsTest, TheAdViewTakesThePlaceTheExchangeFlagNames)
{
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    ASSERT_TRUE(IsWindow(dialog->m_wndAdView.GetSafeHwnd()));
    EXPECT_EQ(::GetDlgCtrlID(dialog->m_wndAdView.GetSafeHwnd()), 2201);
    EXPECT_EQ(::GetParent(dialog->m_wndAdView.GetSafeHwnd()), dialog->m_hWnd);
    ASSERT_FALSE(SameRect(Element("Static Ad"), Element("Frame Video")));
    const struct {
        BYTE exchanged;
        const char* element;
    } rows[] = {{0, "Static Ad"}, {1, "Frame Video"}, {0, "Static Ad"}};
    for (const auto& row : rows) {
        if (dialog->m_bAdVideoExchanged != row.exchanged)
            dialog->SendMessage(WM_COMMAND, kExchangeAdVideoCommand, 0);
        ASSERT_EQ(dialog->m_bAdVideoExchanged, row.exchanged);
        const RECT place = PlaceInParent(dialog->m_wndAdView);
        EXPECT_TRUE(SameRect(place, Element(row.element)))
            << row.element << ": the ad view lies at " << Describe(place);
    }
}

TEST_F(HtmlViewsTest, ChatViewsLieAtTheirElementsAndGoWithTheShutdown)
{
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    const struct {
        CWnd* view;
        const char* element;
        CWnd* browser; // null: the chat input, which has none
    } rows[] = {
        {&dialog->m_dlgChatGeneral, "Static Chat General Mid", &dialog->m_dlgChatGeneral.m_htmlWnd},
        {&dialog->m_dlgChatPrivate, "Static Chat Private Mid1", &dialog->m_dlgChatPrivate.m_htmlWnd},
        {&dialog->m_dlgChatInput, "Static Chat Send Mid", nullptr},
    };
    std::vector<HWND> windows{dialog->m_wndAdView.GetSafeHwnd()};
    for (const auto& row : rows) {
        ASSERT_TRUE(IsWindow(row.view->GetSafeHwnd())) << row.element;
        EXPECT_TRUE(row.view->IsWindowVisible()) << row.element;
        const RECT place = PlaceInParent(*row.view);
        EXPECT_TRUE(SameRect(place, Element(row.element))) << row.element << " lies at " << Describe(place);
        windows.push_back(row.view->GetSafeHwnd());
        if (row.browser == nullptr)
            continue;
        // The browser fills its view.
        RECT client{};
        row.view->GetClientRect(&client);
        ASSERT_TRUE(IsWindow(row.browser->GetSafeHwnd())) << row.element;
        EXPECT_TRUE(SameRect(PlaceInParent(*row.browser), client)) << row.element;
    }

    dialog->SendMessage(CloseRequestMessage, 0, 0);
    for (HWND window : windows)
        EXPECT_FALSE(IsWindow(window));
}

TEST_F(HtmlViewsTest, FontSizeCommandsReachBothChatViews)
{
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    const struct {
        UINT command;
        int size;
    } rows[] = {{kLargestFontCommand, 5}, {kSmallestFontCommand, 1}, {32826, 3}, {32825, 4}, {32827, 2}};
    for (const auto& row : rows) {
        dialog->SendMessage(WM_COMMAND, row.command, 0);
        EXPECT_EQ(dialog->m_dlgChatGeneral.GetFontSize(), row.size) << row.command;
        EXPECT_EQ(dialog->m_dlgChatPrivate.GetFontSize(), row.size) << row.command;
        EXPECT_EQ(CDlgZelvante::StoredFontSize(), row.size) << row.command;
    }
}

TEST_F(HtmlViewsTest, AccountPagesShowInOneBrowserWindowWithTheUserId)
{
    App().Credentials.Set({"", "", "4711"});
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    const std::string host = "http://host.zelvante.example/site/zelv/";
    const struct {
        UINT command;
        std::int32_t userType;
        std::string url; // empty: no page opened
    } rows[] = {
        {kStatusCommand, 0, host + "host_main.asp?ID_USER=4711"},
        {kMessageCenterCommand, 0, host + "host_message.asp?ID_USER=4711"},
        {kEarningsCommand, 0, host + "host_earning.asp?ID_USER=4711"},
        {kPersonalDataCommand, 0, host + "host_info.asp?ID_USER=4711"},
        {kHostInfoCommand, 0, host + "host_handle.asp?ID_USER=4711"},
        {kPaymentCommand, 0, host + "host_payment.asp?Ptype=0&ID_USER=4711"},
        {kServiceCommand, 0, host + "host_service.asp?ID_USER=4711"},
        {kHostFaqCommand, 0, host + "faq_host.asp?ID_USER=4711"},
        {kSalaryCommand, 1, host + "host_salary.asp?ID_USER=4711"},
        {kSalaryCommand, 2, host + "host_salary_studio.asp?ID_USER=4711"},
        {kSalaryCommand, 0, ""},
    };
    for (const auto& row : rows) {
        // Without a browser on the display no page completes: a new window shows the page it was
        // made for.
        if (CWnd* old = std::exchange(dialog->m_pAccountBrowser, nullptr)) {
            old->DestroyWindow();
            delete old;
        }
        App().UserType = row.userType;
        dialog->SendMessage(WM_COMMAND, row.command, 0);
        CDlgBrowser* browser = dialog->m_pAccountBrowser;
        if (row.url.empty()) {
            EXPECT_EQ(browser, nullptr) << row.command;
            continue;
        }
        ASSERT_NE(browser, nullptr) << row.url;
        EXPECT_EQ(browser->GetUrl(), row.url);
        EXPECT_EQ(browser->GetCloseMode(), 0);
        EXPECT_TRUE(browser->IsWindowVisible()) << row.url;
    }

    // A hidden account browser is shown again, the same window, by the next page.
    App().UserType = 0;
    dialog->SendMessage(WM_COMMAND, kStatusCommand, 0);
    CDlgBrowser* browser = dialog->m_pAccountBrowser;
    ASSERT_NE(browser, nullptr);
    const HWND window = browser->GetSafeHwnd();
    browser->ShowWindow(SW_HIDE);
    dialog->SendMessage(WM_COMMAND, kPaymentCommand, 0);
    EXPECT_EQ(dialog->m_pAccountBrowser, browser);
    EXPECT_EQ(browser->GetSafeHwnd(), window);
    EXPECT_TRUE(browser->IsWindowVisible());

    dialog->SendMessage(CloseRequestMessage, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

// What the update server's reply and the user's setting make of the ads.
struct AdCase {
    const char* label;
    const char* replyWord; // null: no server answers
    int storedShowAd;      // -1: none stored
    bool shown;
};

class AdReplyTest : public HtmlViewsTest, public ::testing::WithParamInterface<AdCase> {
protected:
    void SetUp() override
    {
        HtmlViewsTest::SetUp();
        m_server = std::make_unique<ScriptedHttpServer>();
        for (const char* host : kUpdateHosts)
            App().WriteProfileString("Servers", host, ("127.0.0.1:" + std::to_string(m_server->Port())).c_str());
        App().WriteProfileInt("Params", "AutoUpdate", 1);
    }
    void TearDown() override
    {
        HtmlViewsTest::TearDown();
        StopUpdateThread();
        m_server.reset();
    }

    std::unique_ptr<ScriptedHttpServer> m_server;
};

TEST_P(AdReplyTest, TheAdViewShowsOnlyWhatTheReplyAndTheSettingAllow)
{
    const AdCase& c = GetParam();
    if (c.replyWord)
        m_server->Route(kQueryRoute, "body=" + std::string(c.replyWord) + " " + Hex(ProgramVersion()) + " 0 0\n");
    else
        m_server->Route(kQueryRoute, "status=404\nbody=gone");
    if (c.storedShowAd >= 0)
        App().WriteProfileInt("Params", "ShowAd", c.storedShowAd);
    ASSERT_TRUE(Start());
    CDlgZelvante* dialog = Dialog();
    ASSERT_TRUE(PumpUntil([&] { return m_server->Recorded(kQueryRoute).has_value() && !IsUpdateThreadRunning(); }));
    Pump();
    EXPECT_EQ(dialog->m_wndAdView.IsWindowVisible() != FALSE, c.shown);
    EXPECT_EQ(dialog->m_bShowAds, c.shown ? 1 : 0);

    // The user's toggle turns shown ads off and back on; where the reply allows none it shows none.
    dialog->SendMessage(WM_COMMAND, kShowAdsCommand, 0);
    if (c.shown) {
        EXPECT_FALSE(dialog->m_wndAdView.IsWindowVisible());
    }
    dialog->SendMessage(WM_COMMAND, kShowAdsCommand, 0);
    EXPECT_EQ(dialog->m_wndAdView.IsWindowVisible() != FALSE, c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, AdReplyTest,
    ::testing::Values(AdCase{"WordAndNoSetting", "ads", -1, true}, AdCase{"WordAndOn", "ads", 1, true},
                      AdCase{"WordButOff", "ads", 0, false}, AdCase{"EmptyWord", "", 1, false},
                      AdCase{"NoReply", nullptr, 1, false}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace
} // namespace zv::app::testing
