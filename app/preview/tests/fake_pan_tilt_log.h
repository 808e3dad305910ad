// Reading and steering the stand-in pan/tilt library of a folder through its test entry points.
#pragma once

#include "platform/win32/modules.h"

#include <string>

namespace preview_test {

inline HMODULE FakePanTilt(const std::string& folder)
{
    return LoadLibraryA((folder + "/MOVECHECK.DLL").c_str());
}

inline std::string PanTiltLog(const std::string& folder)
{
    const auto log = reinterpret_cast<const char* (*)()>(GetProcAddress(FakePanTilt(folder), "PanTiltTestLog"));
    return log ? log() : "(no library)";
}

inline void ClearPanTiltLog(const std::string& folder, int checkPortAnswer = 1)
{
    const HMODULE library = FakePanTilt(folder);
    reinterpret_cast<void (*)()>(GetProcAddress(library, "PanTiltTestClearLog"))();
    reinterpret_cast<void (*)(int)>(GetProcAddress(library, "PanTiltTestSetCheckPort"))(checkPortAnswer);
}

} // namespace preview_test
