// Test support for the snapshot dialog in this process: the application object, a fresh machine,
// the dialog made modeless over a temporary program folder, frames handed to its frame callback,
// and message boxes and the folder chooser answered by scripts.
#pragma once

#include "Shotbox/DlgSnapshots.h"
#include "Shotbox/SampleCallback.h"
#include "Shotbox/ShotboxApp.h"
#include "Shotbox/SnapshotFiles.h"
#include "Shotbox/tests/snapshot_names.h"
#include "app/ProgramMessages.h"
#include "imagelib/PixImage.h"
#include "imagelib/PixImageType.h"
#include "platform/user/message_box.h"
#include "platform/user/testing/common_dialog_script.h"
#include "platform/user/tests/window_system_support.h"
#include "platform/user/timers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace shotbox::testing {

namespace fs = std::filesystem;

CShotboxApp& App();

// A frame of that size whose bytes follow a pattern (rows padded as the grabber pads them).
inline std::vector<BYTE> PatternFrame(const FrameSize& size)
{
    std::vector<BYTE> frame(FrameBytes(size), 0);
    const std::size_t stride = FrameStride(size.width);
    for (std::size_t row = 0; row < static_cast<std::size_t>(size.height); ++row)
        for (std::size_t x = 0; x < static_cast<std::size_t>(size.width) * 3; ++x)
            frame[row * stride + x] = static_cast<BYTE>(row * 3 + x * 5);
    return frame;
}

// A JPEG of that size written by our encoder.
inline void WriteJpeg(const std::string& path, int width, int height)
{
    SnapshotFrame frame{PatternFrame({width, height}), {width, height}};
    ASSERT_TRUE(WriteSnapshotJpeg(frame, path)) << path;
}

inline std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class SnapshotDialogTest : public zv::user::test::WindowSystemTest {
protected:
    void SetUp() override
    {
        WindowSystemTest::SetUp();
        zv::user::MessageBoxResponder::Reset();
        m_base = std::string(std::getenv("ZV_ROOT")) + "/work";
        m_program = m_base + "/program";
        m_target = m_base + "/saved";
        fs::create_directories(m_program);
        fs::create_directories(m_target);
        setenv("ZV_SOUND_SINK", ("file:" + m_base + "/sound.raw").c_str(), 1);
        shotbox::g_Snapshot.Clear();
        App().SetRegistryKey("Kestrova");
    }
    void TearDown() override
    {
        if (m_dialog && m_dialog->GetSafeHwnd())
            m_dialog->DestroyWindow();
        m_dialog.reset();
        shotbox::g_Snapshot.Clear();
        zv::user::VirtualClock::Uninstall();
        zv::user::MessageBoxResponder::Reset();
        WindowSystemTest::TearDown();
    }

    // The dialog, shown, writing its snapshots under the temporary program folder.
    CDlgSnapshots& Open()
    {
        m_dialog = std::make_unique<CDlgSnapshots>();
        m_dialog->SetSnapshotFolder(SnapshotFolderOf(m_program));
        EXPECT_TRUE(m_dialog->Create(102));
        m_dialog->ShowWindow(SW_SHOW);
        Pump();
        return *m_dialog;
    }
    // A case of a table: an empty target folder, no boxes seen, a new dialog.
    CDlgSnapshots& OpenAfresh()
    {
        fs::remove_all(m_target);
        fs::create_directories(m_target);
        zv::user::MessageBoxResponder::Reset();
        return Open();
    }
    HWND Dialog() const { return m_dialog->GetSafeHwnd(); }
    std::string TempFolder() const { return SnapshotFolderOf(m_program); }

    void Pump() { AfxPumpPendingMessages(); }
    void Click(int id)
    {
        SendMessageA(Dialog(), WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(Dialog(), id)));
        Pump();
    }
    // The camera delivers one frame.
    bool Deliver(const FrameSize& size = {640, 480})
    {
        std::vector<BYTE> frame = PatternFrame(size);
        FrameSize delivered = size;
        const auto before = shotbox::g_Snapshot.RequestCount();
        SampleCallback(0.0, frame.data(), static_cast<std::int32_t>(frame.size()), &delivered);
        Pump();
        return shotbox::g_Snapshot.RequestCount() < before;
    }
    // Take snapshot, and the next frame.
    void Snap()
    {
        Click(IDC_TAKE_SNAPSHOT);
        ASSERT_TRUE(Deliver());
    }
    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(Dialog(), id)) != FALSE; }
    bool Checked(int id) const { return IsDlgButtonChecked(Dialog(), id) == BST_CHECKED; }
    std::vector<std::string> BoxTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& record : zv::user::MessageBoxResponder::History())
            texts.push_back(record.text);
        return texts;
    }

    std::string m_base, m_program, m_target;
    std::unique_ptr<CDlgSnapshots> m_dialog;
};

} // namespace shotbox::testing
