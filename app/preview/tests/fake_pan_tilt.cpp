// A stand-in for the pan/tilt camera library: the 18 entry points, each recording its call in a
// log the tests read through PanTiltTestLog. Built with LEAVE_OUT_FLIP the library lacks
// SETFLIPOFF, so that a library missing one entry point can be tried.
#include <string>

namespace {
std::string g_log;
int g_checkPortAnswer = 1;

int Record(const char* name, int result = 1)
{
    g_log += name;
    g_log += ';';
    return result;
}
} // namespace

#define ZV_PAN_TILT_CALL(name) \
    extern "C" __attribute__((visibility("default"))) int name() { return Record(#name); }

extern "C" __attribute__((visibility("default"))) const char* PanTiltTestLog() { return g_log.c_str(); }
extern "C" __attribute__((visibility("default"))) void PanTiltTestClearLog() { g_log.clear(); }
extern "C" __attribute__((visibility("default"))) void PanTiltTestSetCheckPort(int answer) { g_checkPortAnswer = answer; }

ZV_PAN_TILT_CALL(MOVELEFT)
ZV_PAN_TILT_CALL(MOVEUP)
ZV_PAN_TILT_CALL(MOVERIGHT)
ZV_PAN_TILT_CALL(MOVEDOWN)
ZV_PAN_TILT_CALL(MOVELEFTUP)
ZV_PAN_TILT_CALL(MOVERIGHTUP)
ZV_PAN_TILT_CALL(MOVELEFTDOWN)
ZV_PAN_TILT_CALL(MOVERIGHTDOWN)
ZV_PAN_TILT_CALL(MOVEHOME)
ZV_PAN_TILT_CALL(MOVECHECK)
ZV_PAN_TILT_CALL(DELPORT)
ZV_PAN_TILT_CALL(GETPANPOSITION)
ZV_PAN_TILT_CALL(GETTILTPOSITION)
ZV_PAN_TILT_CALL(SETMIRROROFF)
#ifndef LEAVE_OUT_FLIP
ZV_PAN_TILT_CALL(SETFLIPOFF)
#endif

extern "C" __attribute__((visibility("default"))) int CHECKPORT() { return Record("CHECKPORT", g_checkPortAnswer); }
extern "C" __attribute__((visibility("default"))) int SETPANDEFAULT(int value)
{
    return Record(("SETPANDEFAULT(" + std::to_string(value) + ")").c_str());
}
extern "C" __attribute__((visibility("default"))) int SETTILTDEFAULT(int value)
{
    return Record(("SETTILTDEFAULT(" + std::to_string(value) + ")").c_str());
}
