// The main program on the desktop (an X server; Xvfb in CI) with the gtk display: its skinned
// main window comes up on the screen and, playing the built-in test camera, its preview shows the
// camera's colour bars. The picture is kept in ZV_TEST_PICTURES as zelvante-main-window.png.
#include "app/ProgramMessages.h"
#include "app/tests/program_process.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/user/gtk/tests/x_screen.h" // Xlib last: its macros would spoil our headers

namespace zv::app::testing {
namespace {

using zv::user::gtk::test::XScreen;

// The surface's pixels as bottom-up BGR rows without padding, as the frame road has them.
std::vector<BYTE> Pixels(const gdi::Surface& picture)
{
    std::vector<BYTE> bgr;
    bgr.reserve(static_cast<std::size_t>(picture.Width() * picture.Height() * 3));
    for (int y = picture.Height() - 1; y >= 0; --y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const COLORREF c = picture.GetPixel(x, y);
            bgr.insert(bgr.end(), {GetBValue(c), GetGValue(c), GetRValue(c)});
        }
    }
    return bgr;
}

// Where the main window lies on the screen: the largest viewable top-level window captioned
// "Zelvante" (the toolkit keeps a small unmapped one of that name as well).
RECT MainWindowPlace(const XScreen& screen)
{
    RECT largest{};
    for (Window window : screen.Stacking()) {
        char* name = nullptr;
        if (!XFetchName(screen.Get(), window, &name) || !name)
            continue;
        const bool named = std::string(name) == "Zelvante";
        XFree(name);
        const RECT place = named ? screen.PlaceOf(window) : RECT{};
        if ((place.right - place.left) * (place.bottom - place.top) >
            (largest.right - largest.left) * (largest.bottom - largest.top))
            largest = place;
    }
    return largest;
}

bool SavePng(const gdi::Surface& picture, const std::string& path)
{
    CPixImage image(static_cast<DWORD>(picture.Width()), static_cast<DWORD>(picture.Height()), 24, PIXIMAGE_PNG);
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const COLORREF c = picture.GetPixel(x, y);
            // The image's rows count from the bottom.
            image.SetColorAt(x, picture.Height() - 1 - y, MakePixColor(GetRValue(c), GetGValue(c), GetBValue(c)), false);
        }
    }
    return image.Save(path.c_str(), PIXIMAGE_PNG);
}

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

} // namespace
} // namespace zv::app::testing
