// The pan/tilt camera library MOVECHECK.DLL: 18 entry points looked up by name. Its moves take no
// arguments; SETPANDEFAULT and SETTILTDEFAULT take one integer; CHECKPORT answers non-zero when a
// camera answers. What the moves do is the library's business.
#pragma once

#include "platform/win32/types.h"

#include <string>

enum class PanTiltMove {
    Left, Up, Right, Down, LeftUp, RightUp, LeftDown, RightDown, Home
};

class PanTiltLibrary {
public:
    // The library's file name, looked for only in the given folder.
    static constexpr const char* kFileName = "MOVECHECK.DLL";

    // Loads the library from `folder` and readies the camera: every one of the 18 entry points must
    // be there before any is called, and CHECKPORT must answer. Then mirror and flip off, pan
    // default 5, tilt default 2. Null when any of that fails. The library is never unloaded (it may
    // keep threads of its own).
    static PanTiltLibrary* Load(const std::string& folder);

    // Lets the camera go (DELPORT).
    ~PanTiltLibrary();
    PanTiltLibrary(const PanTiltLibrary&) = delete;
    PanTiltLibrary& operator=(const PanTiltLibrary&) = delete;

    // Reads the camera's position (the answers are not needed), then moves it.
    void Move(PanTiltMove move) const;

private:
    using Call = int (*)();
    using Setter = int (*)(int);

    PanTiltLibrary() = default;

    Call m_moves[9] = {}; // in the order of PanTiltMove
    Call m_moveCheck = nullptr;
    Call m_checkPort = nullptr;
    Call m_delPort = nullptr;
    Call m_getPanPosition = nullptr;
    Call m_getTiltPosition = nullptr;
    Setter m_setPanDefault = nullptr;
    Setter m_setTiltDefault = nullptr;
    Call m_setMirrorOff = nullptr;
    Call m_setFlipOff = nullptr;
};
