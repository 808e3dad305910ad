// Shotbox on a real X server (the gui tests run under Xvfb): the live picture of the virtual
// camera in its video area and thumbnails of the snapshots taken, kept as a picture in
// ZV_TEST_PICTURES for people to look at; the main program's close request waiting on its prompt.
#include "Shotbox/tests/shotbox_process_fixture.h"

#include "app/ProgramMessages.h"
#include "platform/ks/devhost/device_records.h"
#include "platform/user/button.h"
#include "platform/user/gtk/tests/gtk_desktop_fixture.h"
#include "platform/user/gtk/tests/x_screen.h"
#include "platform/user/testing/screenshots.h"

#include <future>
#include <set>

#undef FillSolid

namespace {

using namespace shotbox::testing;
using zv::user::gtk::test::XdoTool;
using zv::user::gtk::test::XScreen;

// Distinct colours in a part of the picture, given as fractions of its size.
std::size_t ColoursIn(const zv::gdi::Surface& picture, double left, double top, double right, double bottom)
{
    std::set<COLORREF> colours;
    const int x0 = static_cast<int>(picture.Width() * left), x1 = static_cast<int>(picture.Width() * right);
    const int y0 = static_cast<int>(picture.Height() * top), y1 = static_cast<int>(picture.Height() * bottom);
    for (int y = y0; y < y1; y += 3)
        for (int x = x0; x < x1; x += 3)
            colours.insert(picture.GetPixel(x, y));
    return colours.size();
}

class ShotboxScreenTest : public ShotboxProcessTest {
protected:
    void SetUp() override
    {
        zv::user::gtk::test::UseGtkDisplayOrSkip();
        if (!IsSkipped())
            ShotboxProcessTest::SetUp();
    }
};

TEST_F(ShotboxScreenTest, ShowsTheLivePictureAndTheThumbnailsOfItsSnapshots)
{
    const std::optional<std::string> device = zv::devhost::CreateVirtualCameraRecord(ZV_DRIVER_PATH);
    ASSERT_TRUE(device);
    // Only Shotbox shows windows on the desktop; the writer stays on the virtual screen.
    setenv("ZV_DISPLAY", "headless", 1);
    ChildProcess writer(VCAM_WRITER_PATH, {});
    ASSERT_EQ("ready", writer.ReadLine());
    setenv("ZV_DISPLAY", "gtk", 1);
    Start();
    const HWND dialog = WaitForDialog();
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(WaitUntil([&] { return writer.Ask("flags").find(" 1") != std::string::npos; }));

    XScreen screen;
    ASSERT_TRUE(screen.IsOpen());
    Window window = 0;
    ASSERT_TRUE(WaitUntil([&] { return (window = screen.FindNamed("Snapshot manager")) != 0; }));
    // The live picture moves in the video area at the top right.
    std::unique_ptr<zv::gdi::Surface> picture;
    const auto grab = [&] {
        const RECT place = screen.PlaceOf(window);
        picture = place.right > place.left ? screen.Capture(place) : nullptr;
        return picture != nullptr;
    };
    EXPECT_TRUE(WaitUntil([&] { return grab() && ColoursIn(*picture, 0.72, 0.1, 0.98, 0.45) > 20; }));

    for (std::size_t taken = 1; taken <= 4; ++taken) {
        ASSERT_TRUE(PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1015, BN_CLICKED), 0));
        ASSERT_TRUE(WaitUntil([&] { return Snapshots().size() == taken; }));
    }
    // Thumbnails fill the list on the left.
    EXPECT_TRUE(WaitUntil([&] { return grab() && ColoursIn(*picture, 0.02, 0.05, 0.68, 0.4) > 20; }));
    ASSERT_TRUE(grab());
    if (const char* folder = std::getenv("ZV_TEST_PICTURES"); folder && *folder) {
        EXPECT_TRUE(zv::user::testing::WriteBmp(*picture, std::string(folder) + "/shotbox_live_and_thumbnails.bmp"));
    }

    // The main program asks it to close: its send waits while Shotbox asks about the unsaved
    // snapshots; Escape cancels the question and Shotbox stays with them.
    auto closing = std::async(std::launch::async, [dialog] { return SendMessageA(dialog, CloseRequestMessage, 0, 0); });
    // A viewable window of the program's title (its own unmapped leader window has it too).
    RECT place{};
    ASSERT_TRUE(WaitUntil([&] {
        const std::vector<Window> shown = screen.ShownNamed("Shotbox");
        return !shown.empty() && (place = screen.PlaceOf(shown[0])).right != 0;
    }));
    EXPECT_NE(std::future_status::ready, closing.wait_for(std::chrono::seconds(0)));
    // Without a window manager the keyboard follows the pointer.
    ASSERT_TRUE(XdoTool("mousemove " + std::to_string((place.left + place.right) / 2) + " " +
                        std::to_string((place.top + place.bottom) / 2)));
    EXPECT_TRUE(WaitUntil([&] {
        XdoTool("key Escape");
        return closing.wait_for(std::chrono::milliseconds(200)) == std::future_status::ready;
    }));
    EXPECT_EQ(0, closing.get());
    EXPECT_EQ(4u, Snapshots().size());
    EXPECT_TRUE(IsWindow(dialog));
    writer.Send("quit");
    EXPECT_EQ(0, writer.Wait());
}

} // namespace
