// The main program's HTML views on an X screen (Xvfb in CI) with real pages from the loopback HTTP
// server, which stands in for the update server, the ad site and the host server: once the update
// server's reply allows ads, the ad page shows over "Static Ad", and the small ad page over
// "Frame Video" once the ad and the video are exchanged; an Account menu command shows its page,
// with the user's id, in the browser window. Pictures: zelvante-ad-view.png,
// zelvante-account-page.png in ZV_TEST_PICTURES.
#include "app/MenuCommands.h"
#include "app/tests/update_test_support.h"
#include "platform/win32/registry_key.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/tests/program_screen_fixture.h" // Xlib last

namespace zv::app::testing {
namespace {

using zv::inet::testing::ScriptedHttpServer;

constexpr const char* kServersKey = "Software\\Kestrova\\Zelvante\\Servers";

// A page of one colour, so the screen tells which page shows where.
std::string ColourPage(const char* colour)
{
    return std::string("header=Content-Type: text/html\n\n<html><body style=\"margin:0;background:") + colour +
           "\"></body></html>";
}

// Whether most of the area shows the colour (within a small tolerance).
bool MostlyColour(const XScreen& screen, const RECT& area, COLORREF colour)
{
    const std::vector<COLORREF> seen = Colours(screen, area);
    if (seen.empty())
        return false;
    const auto near = [](int a, int b) { return std::abs(a - b) < 24; };
    std::size_t matching = 0;
    for (COLORREF c : seen) {
        if (near(GetRValue(c), GetRValue(colour)) && near(GetGValue(c), GetGValue(colour)) &&
            near(GetBValue(c), GetBValue(colour)))
            ++matching;
    }
    return matching * 10 >= seen.size() * 9;
}

// The middle of an area, away from its edges.
RECT Inner(const RECT& area)
{
    const int dx = (area.right - area.left) / 4, dy = (area.bottom - area.top) / 4;
    return RECT{area.left + dx, area.top + dy, area.right - dx, area.bottom - dy};
}

class HtmlViewsGuiTest : public ProgramOnScreenTest {
protected:
    void SetUp() override
    {
        ProgramOnScreenTest::SetUp();
        if (!Ready())
            return;
        ProgramCopy& program = NewCopy();
        server = std::make_unique<ScriptedHttpServer>();
        // Every server the program asks is the loopback one.
        const std::string loopback = "127.0.0.1:" + std::to_string(server->Port());
        zv::win32::Key servers = zv::win32::Key::Create(HKEY_CURRENT_USER, kServersKey);
        std::vector<std::string> hosts{"www.zelvante.example", "host.zelvante.example"};
        hosts.insert(hosts.end(), std::begin(kUpdateHosts), std::end(kUpdateHosts));
        for (const std::string& host : hosts)
            ASSERT_TRUE(servers.SetValue(host.c_str(), REG_SZ, loopback.c_str(), loopback.size() + 1));
        // The program's own version: ads allowed, no update offered.
        server->Route("setup_in322.php", "body=ads " + Hex(ProgramVersion()) + " 0 0\n");
        server->Route("adver.php", ColourPage("#FF0000"));
        server->Route("adver_small.php", ColourPage("#00FF00"));
        server->Route("site_zelv_host_main.asp", ColourPage("#0000FF"));

        ASSERT_TRUE(program.Start({}));
        ASSERT_TRUE(WaitForMainWindow()) << "the main window never showed on the X screen";
        m_program = &program;
    }

    void Command(UINT id) const { m_program->Command(id); }

    std::unique_ptr<ScriptedHttpServer> server;

private:
    ProgramCopy* m_program = nullptr;
};

TEST_F(HtmlViewsGuiTest, TheAdPageShowsAtTheAdsPlaceAndTheSmallOneOverTheVideoWhenExchanged)
{
    const RECT ad = OnScreen("Static Ad");
    const RECT video = OnScreen("Frame Video");
    EXPECT_TRUE(Eventually([&] { return MostlyColour(*screen, Inner(ad), RGB(255, 0, 0)); }))
        << "the ad page never showed over \"Static Ad\"";
    ASSERT_TRUE(server->Recorded("adver.php").has_value());
    EXPECT_FALSE(server->Recorded("adver_small.php").has_value());

    Command(kExchangeAdVideoCommand);
    EXPECT_TRUE(Eventually([&] { return MostlyColour(*screen, Inner(video), RGB(0, 255, 0)); }))
        << "the small ad page never showed over \"Frame Video\"";
    EXPECT_TRUE(server->Recorded("adver_small.php").has_value());
    EXPECT_FALSE(MostlyColour(*screen, Inner(ad), RGB(255, 0, 0))) << "the ad stayed at its old place";
    KeepPicture(*screen, main, "zelvante-ad-view.png");

    // Ads turned off: the ad is gone from the screen.
    Command(kShowAdsCommand);
    EXPECT_TRUE(Eventually([&] { return !MostlyColour(*screen, Inner(video), RGB(0, 255, 0)); }))
        << "the ad stayed on the screen with ads turned off";
}

TEST_F(HtmlViewsGuiTest, AnAccountCommandShowsItsPageWithTheUserIdInTheBrowserWindow)
{
    Command(kStatusCommand);
    RECT browser{};
    EXPECT_TRUE(Eventually([&] {
        browser = screen->PlaceOfNamed("Zelvante Browser");
        return browser.right - browser.left > 100 && MostlyColour(*screen, Inner(browser), RGB(0, 0, 255));
    })) << "the account page never showed in the browser window";
    const auto request = server->Recorded("site_zelv_host_main.asp");
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->target.rfind("/site/zelv/host_main.asp?ID_USER=", 0), 0u) << request->target;
    KeepPicture(*screen, browser, "zelvante-account-page.png");
}

} // namespace
} // namespace zv::app::testing
