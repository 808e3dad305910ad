// The main program on the desktop (an X server; Xvfb in CI) with the gtk display: its skinned
// main window comes up on the screen and, playing the built-in test camera, its preview shows the
// camera's colour bars. The picture is kept in ZV_TEST_PICTURES as zelvante-main-window.png.
// Clicked with real input (xdotool), its "Slides" tab shows the playlist window over the tab area
// and its menu buttons open the skinned pop-up menus.
#include "app/ProgramMessages.h"
#include "app/tests/program_process.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/tests/main_window_screen.h" // Xlib last: its macros would spoil our headers

namespace zv::app::testing {
namespace {

// The program started on the X screen, its main window shown and painted (the camera's bars in its
// preview), ended by its close request.
class RunningProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display (the gui tests run under xvfb-run)";
        setenv("ZV_DISPLAY", "gtk", 1);
        machine = std::make_unique<InstalledProgram>();
        screen = std::make_unique<XScreen>();
        ASSERT_TRUE(screen->IsOpen());
        XSetErrorHandler(IgnoreGoneWindows);
        program = machine->Start({"/play"});
        ASSERT_TRUE(program->Started());
        ASSERT_TRUE(Eventually([&] {
            main = MainWindowPlace(*screen);
            if (main.right - main.left < 400 || main.bottom - main.top < 300)
                return false;
            const auto picture = screen->Capture(main);
            return picture && ShowsColourBars(Pixels(*picture));
        })) << "the main window never showed the test camera on the X screen";
        // The pointer rests on the window's version line, away from everything the tests click.
        ASSERT_TRUE(XdoTool("mousemove " + std::to_string(main.left + 20) + " " + std::to_string(main.top + 620)));
    }

    void TearDown() override
    {
        if (!program)
            return;
        ASSERT_FALSE(MainWindows().empty());
        ASSERT_TRUE(PostMessageA(HandleOf(MainWindows()[0]), CloseRequestMessage, 0, 0));
        EXPECT_EQ(program->Wait(std::chrono::seconds(60)), 0);
    }

    // The skin element's place on the screen.
    RECT OnScreen(const std::string& element) const
    {
        const std::optional<RECT> place = SkinElementPlace(element);
        EXPECT_TRUE(place.has_value()) << element << " is not in the skin";
        return place ? Offset(*place, main) : RECT{};
    }

    std::unique_ptr<InstalledProgram> machine;
    std::unique_ptr<XScreen> screen;
    std::unique_ptr<ChildProcess> program;
    RECT main{};
};

TEST(MainWindowGuiTest, ShowsTheSkinnedWindowWithTheCameraInItsPreview)
{
    if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X display (the gui tests run under xvfb-run)";
    setenv("ZV_DISPLAY", "gtk", 1);
    InstalledProgram machine;
    XScreen screen;
    ASSERT_TRUE(screen.IsOpen());

    auto program = machine.Start({"/play"});
    ASSERT_TRUE(program->Started());
    RECT place{};
    ASSERT_TRUE(Eventually([&] {
        place = MainWindowPlace(screen);
        return place.right - place.left >= 400 && place.bottom - place.top >= 300;
    })) << "the main window never showed on the X screen";

    // Playing: the preview over the skin's video frame shows the camera's bars.
    std::unique_ptr<gdi::Surface> picture;
    EXPECT_TRUE(Eventually([&] {
        picture = screen.Capture(MainWindowPlace(screen));
        return picture && ShowsColourBars(Pixels(*picture));
    })) << "the preview never showed the test camera";
    ASSERT_NE(picture, nullptr);
    if (const char* folder = std::getenv("ZV_TEST_PICTURES"); folder && *folder) {
        EXPECT_TRUE(SavePng(*picture, std::string(folder) + "/zelvante-main-window.png"));
    }

    ASSERT_FALSE(MainWindows().empty());
    ASSERT_TRUE(PostMessageA(HandleOf(MainWindows()[0]), CloseRequestMessage, 0, 0));
    EXPECT_EQ(program->Wait(std::chrono::seconds(60)), 0);
}

using MainWindowGuiInputTest = RunningProgram;

TEST_F(MainWindowGuiInputTest, TheSlidesTabShowsThePlaylistWindowOverTheTabArea)
{
    const RECT slides = OnScreen("Button Tab3M");
    const RECT adjust = OnScreen("Button Tab1M");
    const RECT playlist = OnScreen("Static playlist");
    const RECT tabArea = OnScreen("Tab Panel 3");
    // At the start the "Adjust" tab is the selected one, "Slides" is not: their ends look apart.
    const std::vector<COLORREF> selected = Colours(*screen, TabStrip(adjust));
    const std::vector<COLORREF> unselected = Colours(*screen, TabStrip(slides));
    ASSERT_FALSE(selected.empty());
    ASSERT_NE(selected, unselected) << "the selected and the unselected tab look the same";
    const std::map<Window, RECT> before = ViewableWindows(*screen);
    for (const RECT& place : NewWindows(*screen, before))
        ADD_FAILURE() << "a window before the click at " << place.left << "," << place.top;

    ASSERT_TRUE(XdoTool(ClickAt(slides)));

    // A new window without caption, at the place of the playlist frame within the tab area.
    std::vector<RECT> shown;
    EXPECT_TRUE(Eventually([&] { return !(shown = NewWindows(*screen, before)).empty(); },
                           std::chrono::seconds(10)))
        << "no window appeared after the click on the Slides tab";
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(SamePlace(shown[0], playlist))
        << "the playlist window lies at " << shown[0].left << "," << shown[0].top << "-" << shown[0].right << ","
        << shown[0].bottom << ", its frame at " << playlist.left << "," << playlist.top << "-" << playlist.right
        << "," << playlist.bottom;
    EXPECT_GE(shown[0].left, tabArea.left);
    EXPECT_GE(shown[0].top, tabArea.top);
    EXPECT_LE(shown[0].right, tabArea.right);
    EXPECT_LE(shown[0].bottom, tabArea.bottom);

    // "Slides" takes the selected look and "Adjust" the unselected one.
    EXPECT_TRUE(Eventually([&] { return Colours(*screen, TabStrip(slides)) == selected; }, std::chrono::seconds(10)))
        << "the Slides tab never took the selected look";
    EXPECT_EQ(Colours(*screen, TabStrip(adjust)), unselected);
    KeepPicture(*screen, main, "zelvante-slides-tab.png");
}

TEST_F(MainWindowGuiInputTest, TheMenuButtonsOpenTheirPopUpMenus)
{
    const RECT options = OnScreen("Menu Options");
    const std::map<Window, RECT> before = ViewableWindows(*screen);

    ASSERT_TRUE(XdoTool(ClickAt(options)));

    // The pop-up, a new top-level window, hangs from the element's bottom-left corner.
    std::vector<RECT> shown;
    ASSERT_TRUE(Eventually([&] { return !(shown = NewWindows(*screen, before)).empty(); },
                           std::chrono::seconds(10)))
        << "no menu appeared after the click on Options";
    ASSERT_EQ(shown.size(), 1u);
    const RECT menu = shown[0];
    EXPECT_EQ(menu.left, options.left);
    EXPECT_EQ(menu.top, options.bottom);
    EXPECT_GT(menu.bottom - menu.top, 26 * 3) << "the Options menu has more than three items";
    KeepPicture(*screen, Union(main, menu), "zelvante-options-menu.png");

    ASSERT_TRUE(XdoTool("key Escape"));
    EXPECT_TRUE(Eventually([&] { return NewWindows(*screen, before).empty(); }, std::chrono::seconds(10)))
        << "Escape left the menu on the screen";

    // Help's last item opens the program's message box about itself.
    ASSERT_TRUE(XdoTool(ClickAt(OnScreen("Menu Help"))));
    ASSERT_TRUE(Eventually([&] { return !(shown = NewWindows(*screen, before)).empty(); },
                           std::chrono::seconds(10)))
        << "no menu appeared after the click on Help";
    ASSERT_EQ(shown.size(), 1u);
    const RECT help = shown[0];
    const RECT about{help.left + 2, help.bottom - 24, help.right - 2, help.bottom - 2};
    ASSERT_TRUE(XdoTool(ClickAt(about)));
    // The message box, captioned as the program's message boxes are, in place of the menu.
    RECT box{};
    EXPECT_TRUE(Eventually(
        [&] {
            const Window named = screen->FindNamed("Zelvante message");
            box = named ? screen->PlaceOf(named) : RECT{};
            return box.right > box.left && NewWindows(*screen, before).size() == 1;
        },
        std::chrono::seconds(10)))
        << "no message box appeared after the click on About";
    ASSERT_GT(box.right, box.left);
    KeepPicture(*screen, Union(main, box), "zelvante-about-box.png");
    // Its OK button, at its place in the skin's message form, which fills the box below its
    // caption within an even border.
    const std::optional<RECT> ok = SkinElementPlace("Button Msg OK", "Skin Msg");
    ASSERT_TRUE(ok.has_value());
    const int border = (box.right - box.left - 400) / 2;
    const RECT client{box.left + border, box.bottom - border - 180, box.right - border, box.bottom - border};
    ASSERT_TRUE(XdoTool(ClickAt(Offset(*ok, client))));
    EXPECT_TRUE(Eventually([&] { return NewWindows(*screen, before).empty(); }, std::chrono::seconds(10)))
        << "OK left the message box on the screen";
}

} // namespace
} // namespace zv::app::testing
