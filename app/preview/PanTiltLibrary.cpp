#include "app/preview/PanTiltLibrary.h"

#include "platform/win32/modules.h"

#include <memory>

namespace {

template <typename Function>
bool LookUp(HMODULE module, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(GetProcAddress(module, name));
    return function != nullptr;
}

} // namespace

PanTiltLibrary* PanTiltLibrary::Load(const std::string& folder)
{
    // Only the program's own folder: a bare name would also be searched in folders the program
    // does not control.
    if (folder.empty()) return nullptr;
    const HMODULE module = LoadLibraryA((folder + "/" + kFileName).c_str());
    if (!module) return nullptr;

    std::unique_ptr<PanTiltLibrary> library(new PanTiltLibrary);
    PanTiltLibrary& l = *library;
    static constexpr const char* kMoveNames[9] = {"MOVELEFT",     "MOVEUP",      "MOVERIGHT",
                                                  "MOVEDOWN",     "MOVELEFTUP",  "MOVERIGHTUP",
                                                  "MOVELEFTDOWN", "MOVERIGHTDOWN", "MOVEHOME"};
    bool all = true;
    for (std::size_t i = 0; i < 9; ++i) all = LookUp(module, kMoveNames[i], l.m_moves[i]) && all;
    all = LookUp(module, "MOVECHECK", l.m_moveCheck) && all;
    all = LookUp(module, "CHECKPORT", l.m_checkPort) && all;
    all = LookUp(module, "DELPORT", l.m_delPort) && all;
    all = LookUp(module, "GETPANPOSITION", l.m_getPanPosition) && all;
    all = LookUp(module, "GETTILTPOSITION", l.m_getTiltPosition) && all;
    all = LookUp(module, "SETPANDEFAULT", l.m_setPanDefault) && all;
    all = LookUp(module, "SETTILTDEFAULT", l.m_setTiltDefault) && all;
    all = LookUp(module, "SETMIRROROFF", l.m_setMirrorOff) && all;
    all = LookUp(module, "SETFLIPOFF", l.m_setFlipOff) && all;
    // A library without every entry point is not called at all.
    if (!all || l.m_checkPort() == 0) {
        l.m_delPort = nullptr; // the port was never opened: nothing to let go
        return nullptr;
    }
    l.m_setMirrorOff();
    l.m_setFlipOff();
    l.m_setPanDefault(5);
    l.m_setTiltDefault(2);
    return library.release();
}

PanTiltLibrary::~PanTiltLibrary()
{
    if (m_delPort) m_delPort();
}

void PanTiltLibrary::Move(PanTiltMove move) const
{
    m_getPanPosition();
    m_getTiltPosition();
    m_moves[static_cast<std::size_t>(move)]();
}
