// The main program on the desktop (an X server; Xvfb in CI) with the gtk display: its skinned
// main window comes up on the screen and, playing the built-in test camera, its preview shows the
// camera's colour bars. The picture is kept in ZV_TEST_PICTURES as zelvante-main-window.png.
// Clicked with real input (xdotool), its "Slides" tab shows the playlist window over the tab area
// and its menu buttons open the skinned pop-up menus.
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
#include <thread>
#include <vector>

#include "app/tests/program_screen_fixture.h" // Xlib last: its macros would spoil our headers

namespace zv::app::testing {
namespace {

// A colour attribute ("#RRGGBB") of the skin's element (or form) of that name.
std::optional<COLORREF> SkinColour(const std::string& name, const char* formName = "Skin Main")
{
    pugi::xml_document document;
    if (!document.load_file(ZV_SKIN_XML))
        return std::nullopt;
    const pugi::xml_node form = document.child("skin").find_child_by_attribute("form", "name", formName);
    const pugi::xml_node element =
        name == formName ? form
                         : form.find_node([&](const pugi::xml_node& node) { return name == node.attribute("name").as_string(); });
    unsigned r = 0, g = 0, b = 0;
    if (!element || std::sscanf(element.attribute("color").as_string(), "#%2x%2x%2x", &r, &g, &b) != 3)
        return std::nullopt;
    return RGB(static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b));
}

using MainWindowGuiTest = ProgramOnScreenTest;

// The program started on the X screen, its main window shown and painted (the camera's bars in its
// preview).
class RunningProgram : public ProgramOnScreenTest {
protected:
    void SetUp() override
    {
        ProgramOnScreenTest::SetUp();
        if (!Ready())
            return;
        ASSERT_TRUE(NewCopy().Start({"/play"}));
        ASSERT_TRUE(WaitForMainWindow([&](const RECT& place) {
            const auto picture = screen->Capture(place);
            return picture && ShowsColourBars(Pixels(*picture));
        })) << "the main window never showed the test camera on the X screen";
        // The pointer rests on the window's version line, away from everything the tests click.
        ASSERT_TRUE(XdoTool(PointerTo(POINT{main.left + 20, main.top + 620})));
    }

    // Help's last item opens the program's message box about itself: its place on the screen,
    // once it is the one window more than `before`.
    RECT OpenAboutBox(const std::map<Window, RECT>& before)
    {
        std::vector<RECT> shown;
        EXPECT_TRUE(XdoTool(ClickAt(OnScreen("Menu Help"))));
        EXPECT_TRUE(Eventually([&] { return !(shown = NewWindows(*screen, before)).empty(); },
                               std::chrono::seconds(10)))
            << "no menu appeared after the click on Help";
        if (shown.size() != 1)
            return RECT{};
        const RECT help = shown[0];
        const RECT about{help.left + 2, help.bottom - 24, help.right - 2, help.bottom - 2};
        EXPECT_TRUE(XdoTool(ClickAt(about)));
        // The message box, captioned as the program's message boxes are, in place of the menu.
        RECT box{};
        EXPECT_TRUE(Eventually(
            [&] {
                box = screen->PlaceOfNamed("Zelvante message");
                return box.right > box.left && NewWindows(*screen, before).size() == 1;
            },
            std::chrono::seconds(10)))
            << "no message box appeared after the click on About";
        return box;
    }
};

TEST_F(MainWindowGuiTest, ShowsTheSkinnedWindowWithTheCameraInItsPreview)
{
    ASSERT_TRUE(NewCopy().Start({"/play"}));
    ASSERT_TRUE(WaitForMainWindow()) << "the main window never showed on the X screen";

    // Playing: the preview over the skin's video frame shows the camera's bars.
    std::unique_ptr<gdi::Surface> picture;
    EXPECT_TRUE(Eventually([&] {
        picture = screen->Capture(main);
        return picture && ShowsColourBars(Pixels(*picture));
    })) << "the preview never showed the test camera";
    ASSERT_NE(picture, nullptr);
    if (const char* folder = std::getenv("ZV_TEST_PICTURES"); folder && *folder) {
        EXPECT_TRUE(SavePng(*picture, std::string(folder) + "/zelvante-main-window.png"));
    }
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

    // The empty list within its thin border looks like the skin's dark frame it lies on, not
    // like a white desktop window.
    const std::optional<COLORREF> frame = SkinColour("Static playlist");
    ASSERT_TRUE(frame.has_value());
    const RECT inside{shown[0].left + 4, shown[0].top + 4, shown[0].right - 4, shown[0].bottom - 4};
    EXPECT_TRUE(Eventually(
        [&] {
            const std::vector<COLORREF> colours = Colours(*screen, inside);
            return !colours.empty() &&
                   std::all_of(colours.begin(), colours.end(), [&](COLORREF c) { return c == *frame; });
        },
        std::chrono::seconds(10)))
        << "the playlist is not drawn in the colour of the skin's frame";

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

    const RECT box = OpenAboutBox(before);
    ASSERT_GT(box.right, box.left);
    // Its OK button, at its place in the skin's message form, which fills the box below its
    // caption within an even border (a long text moves the button down by as much as the box
    // grows).
    const std::optional<RECT> ok = SkinElementPlace("Button Msg OK", "Skin Msg");
    ASSERT_TRUE(ok.has_value());
    const int border = (box.right - box.left - 400) / 2;
    const RECT client{box.left + border, box.bottom - border - 180, box.right - border, box.bottom - border};
    ASSERT_TRUE(XdoTool(ClickAt(Offset(*ok, client))));
    EXPECT_TRUE(Eventually([&] { return NewWindows(*screen, before).empty(); }, std::chrono::seconds(10)))
        << "OK left the message box on the screen";
}

// Where the message box's skinned client area lies on the screen: the form fills the box below
// its caption within an even border and starts with the accent line across its top.
RECT MessageBoxClient(const XScreen& screen, const RECT& box, int formWidth, COLORREF accent)
{
    const int border = (box.right - box.left - formWidth) / 2;
    const auto picture = screen.Capture(box);
    if (!picture)
        return RECT{};
    for (int y = 0; y < picture->Height(); ++y) {
        if (picture->GetPixel(picture->Width() / 2, y) == accent)
            return RECT{box.left + border, box.top + y, box.right - border, box.bottom - border};
    }
    return RECT{};
}

TEST_F(MainWindowGuiInputTest, TheAboutBoxLiesOverThePreviewAndShowsItsWholeText)
{
    const std::optional<RECT> text = SkinElementPlace("Static Msg Message", "Skin Msg");
    const std::optional<RECT> ok = SkinElementPlace("Button Msg OK", "Skin Msg");
    const std::optional<COLORREF> card = SkinColour("Skin Msg", "Skin Msg");
    const std::optional<COLORREF> accent = SkinColour("Msg Line", "Skin Msg");
    ASSERT_TRUE(text && ok && card && accent);
    constexpr int kFormWidth = 400, kFormHeight = 180;
    const std::map<Window, RECT> before = ViewableWindows(*screen);

    const RECT box = OpenAboutBox(before);
    ASSERT_GT(box.right, box.left);
    // Once the box has painted its form.
    RECT client{};
    ASSERT_TRUE(Eventually([&] {
        client = MessageBoxClient(*screen, box, kFormWidth, *accent);
        return client.bottom > client.top;
    })) << "the box shows no accent line of its form";
    // The camera plays all along: the preview is live behind the box.
    const RECT video = OnScreen("Frame Video");
    ASSERT_TRUE(std::max(video.left, client.left) < std::min(video.right, client.right) &&
                std::max(video.top, client.top) < std::min(video.bottom, client.bottom))
        << "the box does not lie over the preview: nothing to see";
    // For a few of the camera's frames: the box's margins keep the form's colour and none of the
    // camera's bars show through the box.
    for (int look = 0; look < 5; ++look) {
        const auto picture = screen->Capture(client);
        ASSERT_NE(picture, nullptr);
        EXPECT_FALSE(ShowsColourBars(Pixels(*picture))) << "the preview shows over the message box";
        for (int y = 8; y < picture->Height() - 8; y += 16) {
            EXPECT_EQ(picture->GetPixel(8, y), *card) << "left margin at " << y;
            EXPECT_EQ(picture->GetPixel(picture->Width() - 8, y), *card) << "right margin at " << y;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    KeepPicture(*screen, Union(main, box), "zelvante-about-box.png");

    // Eight lines: the form grew, and its text goes on below where the skin's message element
    // ends, down to the buttons, which moved down by as much.
    const int grown = (client.bottom - client.top) - kFormHeight;
    EXPECT_GT(grown, 0) << "the box did not grow with its text";
    const auto picture = screen->Capture(client);
    ASSERT_NE(picture, nullptr);
    int written = 0;
    for (int y = text->bottom; y < std::min(picture->Height(), ok->top + grown); ++y) {
        for (int x = text->left; x < text->right; ++x) {
            const COLORREF c = picture->GetPixel(x, y);
            written += GetRValue(c) > 0xA0 && GetGValue(c) > 0xA0 && GetBValue(c) > 0xA0;
        }
    }
    EXPECT_GT(written, 20) << "no text below the skin's message element";
    // The OK button at its moved place: the accent colour of its face.
    EXPECT_NE(picture->GetPixel((ok->left + ok->right) / 2, ok->top + grown + 3), *card) << "no OK button there";
    KeepPicture(*screen, box, "zelvante-about-box-alone.png");

    ASSERT_TRUE(XdoTool(ClickAt(RECT{client.left + ok->left, client.top + ok->top + grown,
                                     client.left + ok->right, client.top + ok->bottom + grown})));
    EXPECT_TRUE(Eventually([&] { return NewWindows(*screen, before).empty(); }, std::chrono::seconds(10)))
        << "OK at its moved place left the message box on the screen";
}

// The box answers the keyboard as the user expects of a message box: Return presses its OK,
// Escape closes it as well, each time it is opened.
TEST_F(MainWindowGuiInputTest, TheAboutBoxClosesWithReturnAndWithEscape)
{
    const std::map<Window, RECT> before = ViewableWindows(*screen);
    for (const char* key : {"Return", "Escape"}) {
        const RECT box = OpenAboutBox(before);
        ASSERT_GT(box.right, box.left) << key;
        ASSERT_TRUE(XdoTool(std::string("key ") + key));
        EXPECT_TRUE(Eventually([&] { return NewWindows(*screen, before).empty(); }, std::chrono::seconds(10)))
            << key << " left the message box on the screen";
    }
}

} // namespace
} // namespace zv::app::testing
