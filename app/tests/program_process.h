// Test support for running the main program as people do: a copy of the built program in a fresh
// machine folder (so its settings file, skins and newdev.dll lie beside it as on an installed
// machine), started on the built-in test camera, the top-level windows of the machine, and this
// process's window calls pointed at one machine among several.
#pragma once

#include "capture/tests/e2e/child_process.h"
#include "capture/tests/e2e/frame_file.h"
#include "platform/user/remote_windows.h"
#include "platform/win32/testing/temp_zv_root.h"
#include "platform/win32/zv_root.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace zv::app::testing {

using zv::capture::testing::ChildProcess;

inline constexpr const char* kTestCamera = "Test Camera:640x480@30,320x240@30";

// Polls until the condition holds; false after 60 s. For states of other processes that have no
// event to wait on (windows appearing, files written).
inline bool Eventually(const std::function<bool()>& condition, std::chrono::seconds limit = std::chrono::seconds(60))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The machine's top-level windows captioned "Zelvante".
inline std::vector<user::WindowEntry> MainWindows()
{
    std::vector<user::WindowEntry> found;
    for (const user::WindowEntry& entry : user::TopLevelWindows()) {
        if (entry.caption == "Zelvante")
            found.push_back(entry);
    }
    return found;
}

inline HWND HandleOf(const user::WindowEntry& entry)
{
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(entry.handle));
}

// Whether an RGB24 picture shows the test camera's colour bars: yellow, cyan and magenta, which
// no part of the skins has.
inline bool ShowsColourBars(const std::vector<BYTE>& bgr)
{
    bool yellow = false, cyan = false, magenta = false;
    for (std::size_t i = 0; i + 2 < bgr.size(); i += 3) {
        const int b = bgr[i], g = bgr[i + 1], r = bgr[i + 2];
        yellow = yellow || (r > 150 && g > 150 && b < 70);
        cyan = cyan || (g > 150 && b > 150 && r < 70);
        magenta = magenta || (r > 150 && b > 150 && g < 70);
    }
    return yellow && cyan && magenta;
}

// Black apart from the 5-byte write header, which the driver keeps at the start of the picture
// (the format's index, then the block's offset 0).
inline bool AllBlack(const std::vector<BYTE>& bytes)
{
    constexpr std::size_t kWriteHeaderBytes = 5;
    for (std::size_t i = kWriteHeaderBytes; i < bytes.size(); ++i) {
        if (bytes[i] != 0)
            return false;
    }
    return bytes.size() > kWriteHeaderBytes;
}

// A fresh machine with the program installed in ZV_ROOT/program.
class InstalledProgram {
public:
    InstalledProgram()
    {
        namespace fs = std::filesystem;
        zv::win32::EnsureMachineFolders();
        m_folder = m_root.Path() + "/program";
        fs::create_directories(m_folder + "/Skins");
        fs::copy_file(ZELVANTE_PATH, Program());
        fs::copy_file(std::string(ZV_SKIN_DIR) + "/Zelvante.skn", m_folder + "/Zelvante.skn");
        fs::copy_file(std::string(ZV_SKIN_DIR) + "/Skins/Light.skn", m_folder + "/Skins/Light.skn");
        fs::copy_file(NEWDEV_PATH, m_folder + "/newdev.dll");
#ifdef SHOTBOX_PATH
        fs::copy_file(SHOTBOX_PATH, m_folder + "/Shotbox");
#endif
        setenv("ZV_DEVHOST", ZVDEVHOST_PATH, 1);
        setenv("ZV_TEST_CAMERA", kTestCamera, 1);
    }
    ~InstalledProgram()
    {
        unsetenv("ZV_TEST_CAMERA");
        unsetenv("ZV_DEVHOST");
    }
    InstalledProgram(const InstalledProgram&) = delete;
    InstalledProgram& operator=(const InstalledProgram&) = delete;

    std::string Program() const { return m_folder + "/Zelvante"; }
    const std::string& Folder() const { return m_folder; }
    const std::string& Root() const { return m_root.Path(); }

    std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& arguments) const
    {
        return std::make_unique<ChildProcess>(Program(), arguments);
    }

private:
    zv::win32::testing::TempZvRoot m_root;
    std::string m_folder;
};

// Points this process's window calls at one machine for a while: each copy of the program started
// by a test may have its own.
class OnMachine {
public:
    explicit OnMachine(const InstalledProgram& machine)
    {
        if (const char* current = std::getenv("ZV_ROOT"))
            m_previous = current;
        setenv("ZV_ROOT", machine.Root().c_str(), 1);
    }
    ~OnMachine()
    {
        if (m_previous)
            setenv("ZV_ROOT", m_previous->c_str(), 1);
        else
            unsetenv("ZV_ROOT");
    }
    OnMachine(const OnMachine&) = delete;
    OnMachine& operator=(const OnMachine&) = delete;

private:
    std::optional<std::string> m_previous;
};

} // namespace zv::app::testing
