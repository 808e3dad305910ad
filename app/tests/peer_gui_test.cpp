// Two copies of the main program, each on a machine of its own, linked as peers over loopback on
// one X screen (Xvfb in CI) with the gtk display. A plays an orange video and listens; B plays the test
// camera's colour bars and connects, its user typing 127.0.0.1 into the address prompt and
// clicking the page's OK. Each preview then shows the other's frames; Space typed into B's window,
// away from the chat input, pauses and plays; a chat line typed into B's chat input shows in B's
// own chat view. Pictures: zelvante-peer-a.png, zelvante-peer-b.png in
// ZV_TEST_PICTURES.
#include "app/DlgZelvante.h"
#include "app/ExternalControlWindow.h"
#include "platform/dshow/testing/media_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/tests/program_screen_fixture.h" // Xlib last

namespace zv::app::testing {
namespace {

// The share of the area's pixels in the orange of A's video, which neither the camera's bars nor
// their noise have.
double OrangeShare(const XScreen& screen, const RECT& area)
{
    const std::vector<COLORREF> seen = Colours(screen, area);
    std::size_t orange = 0;
    for (COLORREF c : seen) {
        if (GetRValue(c) > 200 && GetGValue(c) > 80 && GetGValue(c) < 180 && GetBValue(c) < 80)
            ++orange;
    }
    return seen.empty() ? 0.0 : static_cast<double>(orange) / static_cast<double>(seen.size());
}

bool ShowsBars(const XScreen& screen, const RECT& area)
{
    const auto picture = screen.Capture(area);
    return picture && ShowsColourBars(Pixels(*picture));
}

// Pixels of the grey the program writes the user's own chat lines in (#888888, smoothed edges).
std::size_t GreyPixels(const XScreen& screen, const RECT& area)
{
    std::size_t grey = 0;
    for (COLORREF c : Colours(screen, area)) {
        const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
        if (r > 0x70 && r < 0xB0 && std::abs(r - g) < 12 && std::abs(r - b) < 12)
            ++grey;
    }
    return grey;
}

// Pixels of the dark text of an edit box (its caret alone is a few).
std::size_t DarkPixels(const XScreen& screen, const RECT& area)
{
    std::size_t dark = 0;
    for (COLORREF c : Colours(screen, area)) {
        if (GetRValue(c) < 0x60 && GetGValue(c) < 0x60 && GetBValue(c) < 0x60)
            ++dark;
    }
    return dark;
}

constexpr COLORREF kPageBackground = RGB(0xD4, 0xD4, 0xD4);

// The page's strip in a picture of the prompt: the rows mostly of its background (before the
// prompt is painted its place shows whatever lay beneath).
std::optional<RECT> PageStrip(const gdi::Surface& picture)
{
    std::optional<RECT> strip;
    for (int y = 0; y < picture.Height(); ++y) {
        int count = 0, left = picture.Width(), right = 0;
        for (int x = 0; x < picture.Width(); ++x) {
            if (picture.GetPixel(x, y) == kPageBackground) {
                ++count;
                left = std::min(left, x);
                right = x + 1;
            }
        }
        if (count * 10 < picture.Width() * 8)
            continue;
        if (!strip)
            strip = RECT{left, y, right, y + 1};
        strip->bottom = y + 1;
    }
    if (!strip || strip->bottom - strip->top < 40)
        return std::nullopt;
    return strip;
}

// Where a user clicks the page's first button: a little inside the leftmost column of the strip
// crossed by a run, taller than a line of text, of pixels other than the page's background.
std::optional<POINT> FirstPageButton(const gdi::Surface& picture, const RECT& page)
{
    for (int x = page.left; x < page.right; ++x) {
        int run = 0;
        for (int y = page.top; y < page.bottom; ++y) {
            run = picture.GetPixel(x, y) == kPageBackground ? 0 : run + 1;
            if (run >= 16)
                return POINT{x + 24, y - run / 2};
        }
    }
    return std::nullopt;
}

// The left end and the vertical middle of the address control: the white rows nearest above the
// page (their run of white longer than any text).
std::optional<POINT> AddressField(const gdi::Surface& picture, const RECT& page)
{
    const auto whiteRunStart = [&](int y) -> std::optional<int> {
        int run = 0;
        for (int x = page.left; x < page.right; ++x) {
            run = picture.GetPixel(x, y) == RGB(255, 255, 255) ? run + 1 : 0;
            if (run >= 40)
                return x - run + 1;
        }
        return std::nullopt;
    };
    int y = page.top - 1;
    while (y >= 0 && !whiteRunStart(y))
        --y;
    if (y < 0)
        return std::nullopt;
    const int bottom = y;
    const int left = *whiteRunStart(y);
    while (y >= 0 && whiteRunStart(y))
        --y;
    return POINT{left, (y + 1 + bottom) / 2};
}

class PeerGuiTest : public ProgramOnScreenTest {
protected:
    void SetUp() override
    {
        ProgramOnScreenTest::SetUp();
        if (!Ready())
            return;
        exitBound = std::chrono::seconds(30);

        // A: an orange video (ten frames a second, longer than the test).
        a = &NewCopy();
        const std::string movie = a->Machine().Root() + "/orange.avi";
        ASSERT_TRUE(zv::dshow::testing::WriteMediaFile(
            "videotestsrc pattern=solid-color foreground-color=0xFFFF8000 num-buffers=900 ! video/x-raw,width=320,height=240,framerate=10/1 ! "
            "jpegenc ! avimux ! filesink location=" + movie));
        ASSERT_TRUE(a->Start({}));
        ASSERT_TRUE(Eventually([&] { return MainXWindows(*screen).size() == 1; }))
            << "A's main window never showed";
        windowA = MainXWindows(*screen)[0];
        {
            OnMachine onA(a->Machine());
            HWND control = nullptr;
            ASSERT_TRUE(Eventually([&] { return (control = FindWindowA(kExternalControlClassName, nullptr)) != nullptr; }));
            ASSERT_TRUE(Eventually([&] { return SendMessageA(control, ExternalControlMessage, ExternalVersionTitle, 0) == 1; }));
            ASSERT_TRUE(SetWindowTextA(control, movie.c_str()));
            ASSERT_EQ(SendMessageA(control, ExternalControlMessage, ExternalOpenFromTitle, 0), 1);
            ASSERT_EQ(SendMessageA(control, ExternalControlMessage, ExternalPlay, 0), 1);
        }

        // B: the camera, its window over the lower right of A's, its chat and preview on the screen.
        b = &NewCopy();
        ASSERT_TRUE(b->Start({"/play"}));
        ASSERT_TRUE(Eventually([&] { return MainXWindows(*screen).size() == 2; }))
            << "B's main window never showed";
        for (Window window : MainXWindows(*screen)) {
            if (window != windowA)
                windowB = window;
        }
        // The previews are windows of their own that may come up over the other program's window:
        // A's lies above B's (A's window partly above the screen), B's chat is on the screen.
        const std::optional<RECT> video = SkinElementPlace("Frame Video");
        ASSERT_TRUE(video.has_value());
        constexpr POINT kPlaceB{280, 344};
        const POINT placeOfA{0, kPlaceB.y + video->top - video->bottom};
        ASSERT_TRUE(XdoTool("windowmove " + std::to_string(windowA) + " " + std::to_string(placeOfA.x) + " " +
                            std::to_string(placeOfA.y)));
        ASSERT_TRUE(XdoTool("windowmove " + std::to_string(windowB) + " " + std::to_string(kPlaceB.x) + " " +
                            std::to_string(kPlaceB.y)));
        ASSERT_TRUE(Eventually([&] {
            placeA = screen->PlaceOf(windowA);
            placeB = screen->PlaceOf(windowB);
            return placeA.left == placeOfA.x && placeA.top == placeOfA.y && placeB.left == kPlaceB.x &&
                   placeB.top == kPlaceB.y;
        })) << "the windows were not moved";
        previewB = Offset(*video, placeB);
        previewA = Offset(*video, placeA);
        previewA.top = std::max<LONG>(previewA.top, 0); // the part on the screen
        ASSERT_TRUE(Eventually([&] { return OrangeShare(*screen, previewA) > 0.2; }))
            << "A's preview never showed its orange video";
        ASSERT_TRUE(Eventually([&] { return ShowsBars(*screen, previewB); }))
            << "B's preview never showed the camera";
    }

    // B's user answers the address prompt: 127.0.0.1 typed into its address control, then the
    // page's OK clicked.
    void AnswerPromptWithLoopback()
    {
        constexpr const char* kCaption = "Enter IP address";
        RECT prompt{};
        ASSERT_TRUE(Eventually(
            [&] {
                prompt = screen->PlaceOfNamed(kCaption);
                return prompt.right > prompt.left;
            },
            std::chrono::seconds(20)))
            << "the address prompt never showed";
        // The program raises its preview over the prompt when it becomes the active application;
        // a user brings the prompt back up (as a window manager does on a click on it).
        const std::string promptWindow = std::to_string(screen->FindNamed(kCaption));
        const std::string raise = "windowraise " + promptWindow;
        // The page is drawn when its strip, its button and the address control above are on the screen.
        std::optional<POINT> ok;
        std::optional<POINT> field;
        RECT page{};
        const bool drawn = Eventually(
            [&] {
                XdoTool(raise);
                const auto picture = screen->Capture(prompt);
                const std::optional<RECT> strip = picture ? PageStrip(*picture) : std::nullopt;
                if (!strip)
                    return false;
                page = *strip;
                ok = FirstPageButton(*picture, page);
                field = AddressField(*picture, page);
                return ok && field;
            },
            std::chrono::seconds(20));
        if (!drawn)
            KeepPicture(*screen, prompt, "zelvante-peer-prompt.png");
        ASSERT_TRUE(drawn) << "the prompt's page or its address control was not drawn";
        // A click on the label left of the field brings the keyboard to the dialog, leaving the
        // focus in the field, the first tab stop.
        ASSERT_TRUE(XdoTool(ClickAt(POINT{prompt.left + (page.left + field->x) / 2, prompt.top + field->y})));
        // The keyboard stays with the prompt even while the preview lies over it.
        ASSERT_TRUE(XdoTool("windowfocus --sync " + promptWindow));
        ASSERT_TRUE(XdoTool("type --delay 40 127.0.0.1"));
        KeepPicture(*screen, prompt, "zelvante-peer-prompt.png");
        ASSERT_TRUE(XdoTool(raise));
        ASSERT_TRUE(XdoTool(ClickAt(POINT{prompt.left + ok->x, prompt.top + ok->y})));
        ASSERT_TRUE(Eventually([&] { return screen->FindNamed(kCaption) == 0; }, std::chrono::seconds(10)))
            << "the page's OK did not end the prompt";
    }

    ProgramCopy* a = nullptr;
    ProgramCopy* b = nullptr;
    Window windowA = 0;
    Window windowB = 0;
    RECT placeA{};
    RECT placeB{};
    RECT previewA{};
    RECT previewB{};
};

TEST_F(PeerGuiTest, LinkedProgramsShowEachOthersFramesAndSpacePausesTheOwnCamera)
{
    // Before the link each preview shows only its own source.
    EXPECT_FALSE(ShowsBars(*screen, previewA));
    EXPECT_LT(OrangeShare(*screen, previewB), 0.01);

    a->Command(CDlgZelvante::kPeerListenCommand);
    b->Command(CDlgZelvante::kPeerConnectCommand);
    AnswerPromptWithLoopback();

    EXPECT_TRUE(Eventually([&] { return ShowsBars(*screen, previewA); }, std::chrono::seconds(15)))
        << "A's preview never showed B's camera";
    KeepPicture(*screen, RECT{placeA.left, 0, placeA.right, placeA.bottom}, "zelvante-peer-a.png");
    EXPECT_TRUE(Eventually([&] { return OrangeShare(*screen, previewB) > 0.1; }, std::chrono::seconds(15)))
        << "B's preview never showed A's orange video";
    KeepPicture(*screen, placeB, "zelvante-peer-b.png");

    // Space typed into B's window, the chat input without the focus, pauses B's camera: from then
    // on only A's orange frames reach B's preview. Space again plays, and the bars come back.
    const RECT version = ElementOnScreen("Static Program Version", placeB);
    // The keyboard goes back to B's window, as a window manager gives it on the click.
    ASSERT_TRUE(XdoTool("windowfocus --sync " + std::to_string(windowB)));
    ASSERT_TRUE(XdoTool(ClickAt(version) + " key space"));
    int orangeInARow = 0;
    EXPECT_TRUE(Eventually(
        [&] {
            orangeInARow = OrangeShare(*screen, previewB) > 0.1 ? orangeInARow + 1 : 0;
            return orangeInARow >= 10;
        },
        std::chrono::seconds(10)))
        << "Space did not pause B's camera";
    ASSERT_TRUE(XdoTool("key space"));
    EXPECT_TRUE(Eventually([&] { return ShowsBars(*screen, previewB); }, std::chrono::seconds(10)))
        << "Space did not play B's camera again";
}

TEST_F(PeerGuiTest, TheOwnChatLineShowsInTheChatViewAndLeavesTheInput)
{
    // A line typed into B's chat input shows in B's general chat view, in grey.
    const RECT input = ElementOnScreen("Static Chat Send Mid", placeB);
    const RECT chat = ElementOnScreen("Static Chat General Mid", placeB);
    const std::size_t before = GreyPixels(*screen, chat);
    ASSERT_TRUE(XdoTool("windowfocus --sync " + std::to_string(windowB)));
    ASSERT_TRUE(XdoTool(ClickAt(input)));
    ASSERT_TRUE(XdoTool("type --delay 40 'Hello there'"));
    EXPECT_TRUE(Eventually([&] { return DarkPixels(*screen, input) > 60; }, std::chrono::seconds(10)))
        << "the typed line never showed in B's chat input";
    ASSERT_TRUE(XdoTool("key Return"));
    EXPECT_TRUE(Eventually([&] { return GreyPixels(*screen, chat) > before + 30; }, std::chrono::seconds(10)))
        << "the own chat line never showed in B's chat view";
    EXPECT_TRUE(Eventually([&] { return DarkPixels(*screen, input) < 30; }, std::chrono::seconds(10)))
        << "the sent line stayed in B's chat input";
    KeepPicture(*screen, placeB, "zelvante-peer-b.png");
}

} // namespace
} // namespace zv::app::testing
