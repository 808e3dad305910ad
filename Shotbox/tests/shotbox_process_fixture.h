// Test support for Shotbox as a process: a fresh machine with the main program's shared data
// block, the program copied into a folder of its own (its snapshots go beside it), started as a
// child, and its dialog found through the block.
#pragma once

#include "Shotbox/SharedDataBlock.h"
#include "Shotbox/SnapshotFiles.h"
#include "Shotbox/tests/snapshot_names.h"
#include "capture/tests/e2e/child_process.h"
#include "platform/user/window.h"
#include "platform/win32/file_mapping.h"
#include "platform/win32/handle_table.h"
#include "platform/win32/testing/temp_zv_root.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

namespace shotbox::testing {

namespace fs = std::filesystem;
using zv::capture::testing::ChildProcess;

// Checks `done` every few milliseconds for at most `limit`.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class ShotboxProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = std::make_unique<zv::win32::testing::TempZvRoot>();
        setenv("ZV_DEVHOST", ZV_DEVHOST_PATH, 1);
        setenv("ZV_DEVHOST_IDLE_MS", "1000", 1);
        m_program = m_root->Path() + "/program";
        fs::create_directories(m_program);
        fs::copy_file(SHOTBOX_PATH, m_program + "/Shotbox");
        setenv("ZV_SOUND_SINK", ("file:" + m_root->Path() + "/sound.raw").c_str(), 1);
        m_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSharedDataBytes, kSharedDataName);
        ASSERT_NE(nullptr, m_mapping);
        m_view = static_cast<BYTE*>(MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, kSharedDataBytes));
        ASSERT_NE(nullptr, m_view);
    }
    void TearDown() override
    {
        m_children.clear();
        if (m_view)
            UnmapViewOfFile(m_view);
        if (m_mapping)
            CloseHandle(m_mapping);
        m_root.reset();
    }

    ChildProcess& Start()
    {
        m_children.push_back(std::make_unique<ChildProcess>(m_program + "/Shotbox", std::vector<std::string>{}));
        EXPECT_TRUE(m_children.back()->Started());
        return *m_children.back();
    }
    // The dialog the running program published, once it is a live window.
    HWND WaitForDialog()
    {
        HWND dialog = nullptr;
        WaitUntil([&] {
            dialog = Block().SnapshotWindow();
            return dialog && IsWindow(dialog);
        });
        return dialog;
    }
    SharedDataView Block() const { return SharedDataView(m_view); }
    std::string TempFolder() const { return SnapshotFolderOf(m_program); }
    // The snapshot files written whole.
    std::vector<std::string> Snapshots() const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(TempFolder(), error))
            if (entry.path().extension() == ".jpg") // not the encoder's file in the making
                names.push_back(entry.path().filename().string());
        return names;
    }

    // The name of the latest snapshot.
    std::string Newest() const
    {
        std::string newest;
        fs::file_time_type latest{};
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(TempFolder(), error))
            if (entry.path().extension() == ".jpg" && (newest.empty() || entry.last_write_time() > latest)) {
                latest = entry.last_write_time();
                newest = entry.path().filename().string();
            }
        return newest;
    }

    std::unique_ptr<zv::win32::testing::TempZvRoot> m_root;
    std::string m_program;
    HANDLE m_mapping = nullptr;
    BYTE* m_view = nullptr;
    std::vector<std::unique_ptr<ChildProcess>> m_children;
};

} // namespace shotbox::testing
