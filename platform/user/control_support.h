// What the controls drawn by this system share: a state object behind their first extra window
// bytes, their style, and registering their class.
#pragma once

#include "platform/user/input.h"
#include "platform/user/window.h"
#include "platform/win32/last_error.h"

namespace zv::user {

template <class State>
State* ControlState(HWND hwnd)
{
    return reinterpret_cast<State*>(GetWindowLongPtrA(hwnd, 0));
}

inline DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }

// A global class whose windows keep one state pointer; whether the class exists afterwards.
inline bool RegisterControlClass(const char* name, WNDPROC procedure, LPCSTR cursor, UINT style = 0)
{
    WNDCLASSA windowClass{};
    windowClass.style = style | CS_GLOBALCLASS;
    windowClass.lpfnWndProc = procedure;
    windowClass.cbWndExtra = sizeof(void*);
    windowClass.hCursor = LoadCursorA(nullptr, cursor);
    windowClass.lpszClassName = name;
    return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace zv::user
