// The snapshot dialog in this process: frames become JPEG snapshots, the timers on the virtual
// clock, the interval's limits, and what the selection enables.
#include "Shotbox/tests/dialog_fixture.h"

#include "platform/win32/file_mapping.h"
#include "platform/win32/handle_table.h"

#include <cstring>

namespace {

using namespace shotbox::testing;
using zv::user::VirtualClock;

TEST_F(SnapshotDialogTest, AFrameAfterTakeSnapshotBecomesASelectedJpegInTheHiddenFolder)
{
    CDlgSnapshots& dialog = Open();
    EXPECT_FALSE(Enabled(IDC_SAVE_TO_DISK));
    // The browser has an id of its own: 1015 stays the Take snapshot button's.
    EXPECT_EQ(dialog.Browser().GetSafeHwnd(), GetDlgItem(Dialog(), IDC_BROWSER));
    EXPECT_NE(dialog.Browser().GetSafeHwnd(), GetDlgItem(Dialog(), IDC_TAKE_SNAPSHOT));
    Snap();

    const std::vector<std::string> files = FilesIn(TempFolder());
    ASSERT_EQ(1u, files.size());
    EXPECT_TRUE(IsSnapshotName(files[0], "")) << files[0];
    CPixImage image;
    ASSERT_TRUE(image.Load(JoinPath(TempFolder(), files[0]).c_str(), PIXIMAGE_JPG));
    EXPECT_EQ(640, image.GetWidth());
    EXPECT_EQ(480, image.GetHeight());
    EXPECT_EQ(72, image.GetDpiX());

    ASSERT_EQ(1, dialog.Browser().GetItemCount());
    EXPECT_TRUE(dialog.Browser().GetItem(0)->IsSelected());
    EXPECT_EQ(0, dialog.Browser().GetFocusItem());
    EXPECT_TRUE(Enabled(IDC_SAVE_TO_DISK));
    EXPECT_TRUE(Enabled(IDC_SEND_TO_SERVER));
    // File managers hide the folder through the list beside it.
    std::ifstream hidden(m_program + "/.hidden");
    std::string line;
    std::getline(hidden, line);
    EXPECT_EQ(kSnapshotFolderName, line);
}

TEST_F(SnapshotDialogTest, EveryRequestGetsAWholeFrameOfItsOwn)
{
    CDlgSnapshots& dialog = Open();
    Click(IDC_TAKE_SNAPSHOT);
    Click(IDC_TAKE_SNAPSHOT);
    // A frame shorter than its size says is not taken; the requests wait for whole ones.
    std::vector<BYTE> shortFrame(FrameBytes({640, 480}) - 1);
    FrameSize size{640, 480};
    SampleCallback(0.0, shortFrame.data(), static_cast<std::int32_t>(shortFrame.size()), &size);
    FrameSize negative{-640, 480};
    SampleCallback(0.0, shortFrame.data(), static_cast<std::int32_t>(shortFrame.size()), &negative);
    Pump();
    EXPECT_EQ(2, shotbox::g_Snapshot.RequestCount());
    EXPECT_TRUE(FilesIn(TempFolder()).empty());

    // Both frames arrive before the dialog looks: both are written, under names of their own.
    std::vector<BYTE> frame = PatternFrame(size);
    SampleCallback(0.0, frame.data(), static_cast<std::int32_t>(frame.size()), &size);
    SampleCallback(0.0, frame.data(), static_cast<std::int32_t>(frame.size()), &size);
    Pump();
    EXPECT_EQ(2u, FilesIn(TempFolder()).size());
    EXPECT_EQ(2, dialog.Browser().GetItemCount());
    EXPECT_FALSE(Deliver()) << "a frame nobody asked for";
    EXPECT_EQ(2u, FilesIn(TempFolder()).size());
}

TEST_F(SnapshotDialogTest, AFolderThatCannotBeMadeIsReportedAndNothingListed)
{
    std::ofstream(TempFolder()) << "a file where the folder belongs";
    CDlgSnapshots& dialog = Open();
    Snap();
    EXPECT_EQ(0, dialog.Browser().GetItemCount());
    const auto texts = BoxTexts();
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(0u, texts[0].find("Error saving file \"" + TempFolder() + "/"));
}

enum class Act { Delay, NonStop };
struct TimerCase {
    const char* name;
    std::vector<std::pair<int, Act>> clicks; // at second n (before that second's tick)
    int seconds;
    std::vector<int> requestsAfter;           // requests counted after each second
};

TEST_F(SnapshotDialogTest, TimersCountDownOnTheirOwnCounters)
{
    const std::vector<TimerCase> cases = {
        {"delay: the snapshot at the fifth second, then no more", {{0, Act::Delay}}, 8, {0, 0, 0, 0, 1, 1, 1, 1}},
        {"non-stop every 3 seconds", {{0, Act::NonStop}}, 7, {0, 0, 1, 1, 1, 2, 2}},
        {"non-stop stopped", {{0, Act::NonStop}, {4, Act::NonStop}}, 8, {0, 0, 1, 1, 1, 1, 1, 1}},
        {"a delay during non-stop leaves its interval alone", {{0, Act::NonStop}, {1, Act::Delay}}, 7,
         {0, 0, 1, 1, 1, 3, 3}},
    };
    for (const TimerCase& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualClock::Install();
        CDlgSnapshots& dialog = Open();
        for (int second = 0; second < c.seconds; ++second) {
            for (const auto& [at, act] : c.clicks)
                if (at == second)
                    Click(act == Act::Delay ? IDC_DELAYED_SNAPSHOT : IDC_NONSTOP);
            VirtualClock::Advance(1000);
            Pump();
            EXPECT_EQ(c.requestsAfter[static_cast<std::size_t>(second)], shotbox::g_Snapshot.RequestCount())
                << "after second " << second + 1;
        }
        char caption[32] = {};
        GetDlgItemTextA(Dialog(), IDC_NONSTOP, caption, sizeof caption);
        EXPECT_STREQ(dialog.IsNonStop() ? "Stop" : "Non-stop", caption);
        m_dialog->DestroyWindow();
        shotbox::g_Snapshot.Clear();
        VirtualClock::Uninstall();
    }
}

TEST_F(SnapshotDialogTest, TheStoredIntervalIsKeptWithinItsLimits)
{
    const std::vector<std::pair<int, int>> cases = {{10, 10}, {1000, 360}, {0, 3}, {-5, 3}, {360, 360}, {3, 3}};
    for (const auto& [stored, shown] : cases) {
        App().WriteProfileInt("Options", "Nonstop Delay", stored);
        Open();
        EXPECT_EQ(static_cast<UINT>(shown), GetDlgItemInt(Dialog(), IDC_INTERVAL, nullptr, TRUE)) << stored;
        m_dialog->DestroyWindow();
        EXPECT_EQ(static_cast<UINT>(shown), App().GetProfileInt("Options", "Nonstop Delay", 0)) << stored;
    }
}

TEST_F(SnapshotDialogTest, TheSelectionDecidesSaveAndHighResolution)
{
    struct Case {
        const char* name;
        const char* folder; // under the work folder; "TEMP" for the snapshot folder
        int width, height;
        bool saveEnabled, highEnabled;
    };
    const std::vector<Case> cases = {
        {"unsaved snapshot", "TEMP", 640, 480, true, true},
        {"saved picture", "saved", 640, 480, false, true},
        {"only a folder named like it", "x~Temp~SnapShots", 640, 480, false, true},
        {"a folder inside the snapshot folder", "TEMP/inner", 640, 480, false, true},
        {"small picture", "saved", 320, 240, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDlgSnapshots& dialog = Open();
        CheckRadioButton(Dialog(), IDC_STANDARD_RESOLUTION, IDC_HIGH_RESOLUTION, IDC_HIGH_RESOLUTION);
        const std::string folder = std::string(c.folder).rfind("TEMP", 0) == 0
                                       ? TempFolder() + std::string(c.folder).substr(4)
                                       : m_base + "/" + c.folder;
        fs::create_directories(folder);
        const std::string path = folder + "/picture.jpg";
        WriteJpeg(path, c.width, c.height);
        const int index = dialog.Browser().AddItem(path.c_str());
        dialog.Browser().SelectItem(index, TRUE);
        EXPECT_EQ(c.saveEnabled, Enabled(IDC_SAVE_TO_DISK));
        EXPECT_EQ(c.highEnabled, Enabled(IDC_HIGH_RESOLUTION));
        EXPECT_EQ(c.highEnabled, Checked(IDC_HIGH_RESOLUTION));
        EXPECT_EQ(!c.highEnabled, Checked(IDC_STANDARD_RESOLUTION));
        dialog.Browser().SelectItem(index, FALSE);
        EXPECT_FALSE(Enabled(IDC_SAVE_TO_DISK));
        EXPECT_TRUE(Enabled(IDC_HIGH_RESOLUTION));
        m_dialog->DestroyWindow();
        fs::remove_all(folder);
    }
}

} // namespace

namespace {

using namespace shotbox::testing;

// The main program's block as it stands before the dialog opens; the application lets go of it
// at the end.
class SharedBlockDialogTest : public SnapshotDialogTest {
protected:
    void TearDown() override
    {
        SnapshotDialogTest::TearDown();
        if (App().m_pSharedData)
            UnmapViewOfFile(App().m_pSharedData);
        if (App().m_hSharedData)
            CloseHandle(App().m_hSharedData);
        App().m_pSharedData = nullptr;
        App().m_hSharedData = nullptr;
        if (m_view)
            UnmapViewOfFile(m_view);
        if (m_mapping)
            CloseHandle(m_mapping);
    }
    SharedDataView CreateBlock()
    {
        m_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSharedDataBytes, kSharedDataName);
        m_view = static_cast<BYTE*>(MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, kSharedDataBytes));
        EXPECT_NE(nullptr, m_view);
        return SharedDataView(m_view);
    }
    HANDLE m_mapping = nullptr;
    BYTE* m_view = nullptr;
};

TEST_F(SharedBlockDialogTest, TheBlockChoosesTheGroupAndNamesTheDialogWhileItLives)
{
    SharedDataView block = CreateBlock();
    const std::int32_t adult = 1;
    std::memcpy(m_view + kSharedHostGroupOffset, &adult, sizeof adult);
    std::memcpy(m_view + kSharedUserIdOffset, "u-7", 4);
    Open();
    EXPECT_TRUE(Checked(IDC_ADULT_GROUP));
    EXPECT_FALSE(Checked(IDC_GENERAL_GROUP));
    EXPECT_EQ(Dialog(), block.SnapshotWindow());
    Snap();
    const std::vector<std::string> files = FilesIn(TempFolder());
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ(0u, files[0].find("u7")) << files[0];

    // An ending instance takes out only its own dialog, or a window that is gone.
    const HWND other = CreateWindowExA(0, "Static", "other", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    block.SetSnapshotWindow(other);
    App().WithdrawSnapshotWindow(nullptr);
    EXPECT_EQ(other, block.SnapshotWindow());
    DestroyWindow(other);
    App().WithdrawSnapshotWindow(nullptr);
    EXPECT_EQ(nullptr, block.SnapshotWindow());
    block.SetSnapshotWindow(Dialog());
    m_dialog->DestroyWindow();
    EXPECT_EQ(nullptr, block.SnapshotWindow());
}

} // namespace
