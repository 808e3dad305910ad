// Shotbox as a process: snapshots of the virtual camera while the main program's frame road writes
// to it, the close request from another process, and a second start.
#include "Shotbox/tests/shotbox_process_fixture.h"

#include "app/ProgramMessages.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"
#include "platform/ks/devhost/device_records.h"
#include "platform/user/button.h"

#include <cstring>
#include <fstream>
#include <set>

namespace {

using namespace shotbox::testing;

void ClickButton(HWND dialog, int id)
{
    ASSERT_TRUE(PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED), 0));
}

TEST_F(ShotboxProcessTest, SnapshotsOfTheVirtualCameraLandAsJpegFilesNamedByUserAndTime)
{
    const std::optional<std::string> device = zv::devhost::CreateVirtualCameraRecord(ZV_DRIVER_PATH);
    ASSERT_TRUE(device);
    ChildProcess writer(VCAM_WRITER_PATH, {});
    ASSERT_EQ("ready", writer.ReadLine());
    std::memcpy(m_view + kSharedUserIdOffset, "12/3ab", 7);

    Start();
    const HWND dialog = WaitForDialog();
    ASSERT_NE(nullptr, dialog);
    // The writer sees the dialog's 640 x 480 in use and writes that size.
    ASSERT_TRUE(WaitUntil([&] { return writer.Ask("flags").find(" 1") != std::string::npos; }));
    const std::string frames = writer.Ask("frames");
    ASSERT_TRUE(WaitUntil([&] { return writer.Ask("frames") != frames; }));

    // Snapshots until one shows the writer's moving picture (the first frames at the new size
    // may still be the device's empty ones).
    std::string name, path;
    long long before = 0;
    bool pictured = false;
    for (std::size_t taken = 1; taken <= 20 && !pictured; ++taken) {
        before = std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::system_clock::now().time_since_epoch()).count();
        ClickButton(dialog, 1015);
        ASSERT_TRUE(WaitUntil([&] { return Snapshots().size() == taken; }));
        name = Newest();
        path = TempFolder() + "/" + name;
        CPixImage image;
        ASSERT_TRUE(image.Load(path.c_str(), PIXIMAGE_JPG));
        ASSERT_EQ(640, image.GetWidth());
        ASSERT_EQ(480, image.GetHeight());
        std::set<BYTE> values;
        for (DWORD row = 0; row < 480; row += 37)
            for (DWORD x = 0; x < 640 * 3; x += 11)
                values.insert(image.GetRowPointer(row)[x]);
        pictured = values.size() > 8;
    }
    EXPECT_TRUE(pictured);
    // "123ab" (the id's letters and digits), then day, month, year, hour, minute, second, millisecond.
    ASSERT_TRUE(IsSnapshotName(name, "123ab")) << name;
    const auto field = [&](std::size_t at, std::size_t length) { return std::stoi(name.substr(5 + at, length)); };
    std::tm time{};
    time.tm_mday = field(0, 2);
    time.tm_mon = field(2, 2) - 1;
    time.tm_year = field(4, 4) - 1900;
    time.tm_hour = field(8, 2);
    time.tm_min = field(10, 2);
    time.tm_sec = field(12, 2);
    // The name's UTC time lies within a minute of the click.
    const long long named = static_cast<long long>(timegm(&time)) * 1000 + field(14, 4);
    EXPECT_LE(before - 1000, named);
    EXPECT_GE(before + 60000, named);
    std::ifstream hidden(m_program + "/.hidden");
    std::string listed;
    std::getline(hidden, listed);
    EXPECT_EQ(kSnapshotFolderName, listed);

    // The main program asks it to close: the unsaved snapshot makes it ask, and without a folder
    // chosen it stays, the file kept, and goes on taking snapshots.
    EXPECT_EQ(0, SendMessageA(dialog, CloseRequestMessage, 0, 0));
    EXPECT_TRUE(fs::exists(path));
    const std::size_t count = Snapshots().size();
    ClickButton(dialog, 1015);
    EXPECT_TRUE(WaitUntil([&] { return Snapshots().size() == count + 1; }));
    EXPECT_EQ(dialog, Block().SnapshotWindow());
    writer.Send("quit");
    EXPECT_EQ(0, writer.Wait());
}

TEST_F(ShotboxProcessTest, TheCloseRequestEndsItWhenNothingIsUnsaved)
{
    ChildProcess& shotbox = Start();
    const HWND dialog = WaitForDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(0, SendMessageA(dialog, CloseRequestMessage, 0, 0));
    EXPECT_EQ(0, shotbox.Wait());
    EXPECT_EQ(nullptr, Block().SnapshotWindow());
    EXPECT_FALSE(IsWindow(dialog));
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(ShotboxProcessTest, ASecondStartBringsTheFirstForwardAndLeavesItPublished)
{
    // Another program's window with that title does not count as a running snapshot manager.
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &PlainProc;
    windowClass.lpszClassName = "NotShotbox";
    RegisterClassA(&windowClass);
    const HWND foreign = CreateWindowExA(0, "NotShotbox", "Snapshot manager", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                         200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, foreign);

    ChildProcess& first = Start();
    const HWND dialog = WaitForDialog();
    ASSERT_NE(nullptr, dialog);
    ShowWindow(dialog, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(dialog) != FALSE; }));

    ChildProcess& second = Start();
    EXPECT_EQ(0, second.Wait());
    EXPECT_EQ(dialog, Block().SnapshotWindow());
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(dialog); }));
    EXPECT_EQ(-1, first.Wait(std::chrono::milliseconds(0)));
    DestroyWindow(foreign);
}

} // namespace
