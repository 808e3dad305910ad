// Test support: a fresh emulated machine for one test.
//
// Points ZV_ROOT at a new temporary folder for the life of the object; afterwards restores the
// previous value and removes the folder and the shared-memory objects made under that root.
// XDG_CONFIG_HOME points into the folder too, so that no test writes the user's autostart entries.
// Create it before the code under test runs and before any thread of the test starts.
#pragma once

#include "platform/win32/zv_root.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unistd.h>

namespace zv::win32::testing {

class TempZvRoot {
public:
    TempZvRoot()
    {
        if (const char* previous = std::getenv("ZV_ROOT"))
            m_previous = previous;
        if (const char* previous = std::getenv("XDG_CONFIG_HOME"))
            m_previousConfig = previous;
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zv-root-XXXXXX";
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary ZV_ROOT");
        m_path = pattern;
        setenv("ZV_ROOT", m_path.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_path + "/xdg-config").c_str(), 1);
        // Tests draw on the virtual screen even when run on a desktop or under Xvfb; a test of
        // the real display sets ZV_DISPLAY itself.
        setenv("ZV_DISPLAY", "headless", 0);
        m_shmPrefix = ZvShmPrefix().substr(1); // /dev/shm shows the names without their '/'
    }

    ~TempZvRoot()
    {
        RemoveSharedMemory();
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
        if (m_previous)
            setenv("ZV_ROOT", m_previous->c_str(), 1);
        else
            unsetenv("ZV_ROOT");
        if (m_previousConfig)
            setenv("XDG_CONFIG_HOME", m_previousConfig->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

    TempZvRoot(const TempZvRoot&) = delete;
    TempZvRoot& operator=(const TempZvRoot&) = delete;

    const std::string& Path() const { return m_path; }

private:
    void RemoveSharedMemory() const
    {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
            const std::string name = entry.path().filename().string();
            if (name.compare(0, m_shmPrefix.size(), m_shmPrefix) == 0)
                std::filesystem::remove(entry.path(), error);
        }
    }

    std::string m_path;
    std::string m_shmPrefix;
    std::optional<std::string> m_previous;
    std::optional<std::string> m_previousConfig;
};

} // namespace zv::win32::testing
