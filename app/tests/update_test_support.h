// Test support for the update client: a fresh machine, the application object whose profile maps
// the update servers onto the loopback HTTP server, and an installer script that records how it
// was started.
#pragma once

#include "app/FileVersion.h"
#include "app/VersionInfo.h"
#include "app/ZelvanteApp.h"
#include "platform/afx/afx_app.h"
#include "platform/inet/tests/scripted_http_server.h"
#include "platform/win32/paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace zv::app::testing {

inline const char* const kUpdateHosts[] = {"update1.zelvante.example", "update2.zelvante.example",
                                           "update3.zelvante.example"};

// The running program's version, packed.
inline DWORD ProgramVersion()
{
    VS_FIXEDFILEINFO info{};
    if (!ReadProgramFixedVersion(info))
        return 0;
    const VersionParts parts = ProductVersion(info);
    return PackVersion(parts.major, parts.minor, parts.third, parts.fourth);
}

inline std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
    return text;
}

inline std::string TempFolder()
{
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    return folder;
}

// A shell script that writes its name and arguments, one a line, to `record`.
inline std::string RecordingInstaller(const std::string& record)
{
    return "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > '" + record + ".part'\nmv '" + record + ".part' '" + record +
           "'\n";
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

// Waits (at most 20 s) until the file exists.
inline bool WaitForFile(const std::string& path)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Serves the calling thread (the update thread sends its reports to it) until the condition holds,
// at most 20 s.
inline bool PumpUntil(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        AfxPumpPendingMessages();
        std::this_thread::yield();
    }
    return true;
}

} // namespace zv::app::testing
