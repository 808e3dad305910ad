// Choosing the main dialog's source: device, image file, video file and desktop in turn and back
// (player state, caption, what the preview shows, the image watch only with the image source), the
// watched image shown again when it changes, and device commands that follow the enumeration with
// the program's own virtual camera left out.
#include "app/tests/sources_dialog_fixture.h"

#include "app/MsgBox.h"
#include "imagelib/PixImageType.h"
#include "platform/dshow/testing/glib_quark_leak.h"
#include "platform/dshow/testing/media_file.h"
#include "platform/user/testing/common_dialog_script.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace zv::app::testing {
namespace {

using zv::user::testing::CommonDialogScript;

class SourceSwitchingTest : public SourcesDialogTest {
protected:
    std::string Picture(const std::string& name, LONG width, LONG height)
    {
        CPixImage image(static_cast<DWORD>(width), static_cast<DWORD>(height), 24, PIXIMAGE_BMP);
        image.Clear(0x40);
        const std::string path = Path(name);
        EXPECT_TRUE(image.Save(path.c_str(), PIXIMAGE_BMP));
        return path;
    }
    std::string Movie(const std::string& name)
    {
        const std::string path = Path(name);
        EXPECT_TRUE(zv::dshow::testing::WriteMediaFile(
            "videotestsrc num-buffers=100 ! video/x-raw,width=320,height=240,framerate=10/1 ! jpegenc ! avimux ! "
            "filesink location=" + path));
        return path;
    }
    // Handles messages until the preview shows a picture of that size (bounded).
    bool WaitForShownSize(LONG width, LONG height)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            Pump();
            const SIZE shown = ShownSize();
            if (shown.cx == width && shown.cy == height)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

TEST_F(SourceSwitchingTest, DeviceImageVideoDesktopAndBack)
{
    dialog->OnDeviceCommand(kFirstDeviceCommand);
    EXPECT_EQ(g_nSourceKind, SourceDevice);
    EXPECT_EQ(g_nPlayerState, PlayerDeviceRunning);
    EXPECT_EQ(TextOf("Static Source"), "Test Camera");
    EXPECT_TRUE(g_pPreview.load()->IsWindowVisible());
    EXPECT_FALSE(ImageWatchRuns());

    const std::string picture = Picture("big.bmp", 1600, 1200);
    CommonDialogScript script;
    script.Then(CommonDialogScript::Choose({picture}));
    dialog->SendMessage(WM_COMMAND, kOpenImageCommand, 0);
    EXPECT_EQ(g_nSourceKind, SourceImage);
    EXPECT_EQ(g_nPlayerState, PlayerStillShown);
    EXPECT_EQ(TextOf("Static Source"), "big.bmp");
    EXPECT_EQ(g_testApp.m_strImageFile, picture);
    EXPECT_EQ(ShownSize().cx, 640);
    EXPECT_EQ(ShownSize().cy, 480);
    EXPECT_FALSE(Visible("Scroll Video Position"));
    EXPECT_TRUE(ImageWatchRuns());

    const std::string movie = Movie("clip.avi");
    dialog->PlayVideoFile(movie.c_str());
    EXPECT_EQ(g_nSourceKind, SourceVideoFile);
    EXPECT_EQ(g_nPlayerState, PlayerVideoRunning);
    EXPECT_EQ(TextOf("Static Source"), "clip");
    EXPECT_EQ(g_testApp.m_strVideoFile, movie);
    EXPECT_TRUE(Visible("Scroll Video Position"));
    EXPECT_FALSE(ImageWatchRuns());
    dialog->Pause();
    EXPECT_EQ(g_nPlayerState, PlayerVideoPaused);
    dialog->Pause();
    EXPECT_EQ(g_nPlayerState, PlayerVideoRunning);

    dialog->SendMessage(WM_COMMAND, kDesktopCommand, 0);
    EXPECT_EQ(g_nSourceKind, SourceDesktop);
    EXPECT_EQ(g_nPlayerState, PlayerStillShown);
    EXPECT_EQ(TextOf("Static Source"), "Test Camera");
    EXPECT_FALSE(Visible("Scroll Video Position"));
    EXPECT_FALSE(ImageWatchRuns());
    EXPECT_TRUE(WaitForShownSize(1366, 768)); // the headless screen, frame by frame
    EXPECT_TRUE(g_pPreview.load()->IsWindowVisible());

    dialog->OnDeviceCommand(kFirstDeviceCommand);
    EXPECT_FALSE(dialog->m_screenGrabber.Running());
    EXPECT_EQ(g_nSourceKind, SourceDevice);
    EXPECT_EQ(g_nPlayerState, PlayerDeviceRunning);
    EXPECT_EQ(TextOf("Static Source"), "Test Camera");
}

TEST_F(SourceSwitchingTest, ImageWatchShowsAChangedFileAgainOnlyWhileTheImageIsTheSource)
{
    const std::string path = Picture("watched.bmp", 320, 240);
    g_testApp.m_strImageFile = path;
    dialog->SelectSourceKind(SourceImage);
    ASSERT_EQ(ShownSize().cx, 320);
    EXPECT_TRUE(ImageWatchRuns());
    const auto shownTime = std::filesystem::last_write_time(path);

    Picture("watched.bmp", 200, 100);
    std::filesystem::last_write_time(path, shownTime); // same time: not looked at again
    dialog->CheckImageFile();
    EXPECT_EQ(ShownSize().cx, 320);

    std::filesystem::last_write_time(path, shownTime + std::chrono::seconds(5));
    dialog->CheckImageFile();
    EXPECT_EQ(ShownSize().cx, 200);
    EXPECT_EQ(ShownSize().cy, 100);
    EXPECT_TRUE(ImageWatchRuns());

    dialog->SelectSourceKind(SourceVideoFile);
    EXPECT_FALSE(ImageWatchRuns());
    Picture("watched.bmp", 300, 100);
    std::filesystem::last_write_time(path, shownTime + std::chrono::seconds(10));
    dialog->CheckImageFile(); // a tick already queued when the source changed
    EXPECT_EQ(ShownSize().cx, 200);
    EXPECT_FALSE(ImageWatchRuns());
}

TEST_F(SourceSwitchingTest, AnImageThatCannotBeLoadedIsReported)
{
    const std::string path = Path("broken.jpg");
    std::ofstream(path) << "not a picture";
    // The program's message box is modal: another thread answers it once it is up.
    EXPECT_TRUE(AnswerMessageBox([&] { dialog->ShowImageFile(path.c_str()); }));
    EXPECT_NE(g_nPlayerState, PlayerStillShown);
    EXPECT_NE(g_testApp.m_strImageFile, path);
    dialog->ShowImageFile(Path("missing.jpg").c_str()); // no attributes: nothing at all
}

TEST_F(SourceSwitchingTest, SavedDeviceIsFoundByNameWhenItsPathChanged)
{
    DeviceInfo saved{"Test Camera", "", "/devices/moved"};
    EXPECT_TRUE(dialog->SelectCaptureDevice(saved));
    EXPECT_EQ(saved.m_strFriendlyName, "Test Camera");
    EXPECT_NE(saved.m_strDevicePath, "/devices/moved");
    EXPECT_EQ(dialog->m_captureGraph.m_Device.m_strDevicePath, saved.m_strDevicePath);
    EXPECT_EQ(dialog->m_nListMode, 0);
    EXPECT_EQ(g_testApp.m_strCaptureDevice, "Test Camera");
}

class VirtualCameraFirstTest : public SourceSwitchingTest {
protected:
    const char* Cameras() const override { return "Zelvante Capture:320x240@30;Test Camera:320x240@30"; }
};

TEST_F(VirtualCameraFirstTest, DeviceIdsKeepTheirEnumerationIndex)
{
    const UINT command = ChooseFromMenu(1, [&] { dialog->ShowSourceMenu(Element("Button Video Source").get()); });
    EXPECT_EQ(command, kFirstDeviceCommand + 1); // the camera listed second, shown first
    dialog->SendMessage(WM_COMMAND, command, 0);
    EXPECT_EQ(g_testApp.m_strCaptureDevice, "Test Camera");
    EXPECT_EQ(g_nPlayerState, PlayerDeviceRunning);

    // A device gone since the menu was shown: nothing changes.
    dialog->OnDeviceCommand(kFirstDeviceCommand + 7);
    EXPECT_EQ(g_testApp.m_strCaptureDevice, "Test Camera");
    EXPECT_EQ(g_nPlayerState, PlayerDeviceRunning);
    // The program's own camera is never the source, whatever asks for it.
    DeviceInfo own{"Zelvante Capture", "", ""};
    EXPECT_TRUE(dialog->SelectCaptureDevice(own));
    EXPECT_EQ(own.m_strFriendlyName, "Test Camera");
}

class OnlyVirtualCameraTest : public SourceSwitchingTest {
protected:
    const char* Cameras() const override { return "Zelvante Capture:320x240@30"; }
};

TEST_F(OnlyVirtualCameraTest, NothingPlaysAndTheSourceMenuStartsWithTheImageFile)
{
    dialog->Play();
    EXPECT_EQ(g_nPlayerState, PlayerStopped);
    EXPECT_FALSE(g_pPreview.load()->IsWindowVisible());
    EXPECT_EQ(ChooseFromMenu(1, [&] { dialog->ShowSourceMenu(Element("Button Video Source").get()); }),
              kOpenImageCommand);
}

} // namespace
} // namespace zv::app::testing
