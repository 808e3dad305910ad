// Window classes and windows: creation, destruction, window data, text, visibility and lookup.
#pragma once

#include "platform/user/messages.h"

// Window styles.
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

// Class styles.
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_NOCLOSE = 0x0200;
constexpr UINT CS_GLOBALCLASS = 0x4000;

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// Window data indices (GetWindowLong*, SetWindowLong*); non-negative indices address the extra
// bytes that the class reserved with cbWndExtra.
constexpr int GWL_WNDPROC = -4;
constexpr int GWL_ID = -12;
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_USERDATA = -21;
constexpr int GWLP_WNDPROC = -4;
constexpr int GWLP_ID = -12;
constexpr int GWLP_USERDATA = -21;

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;
constexpr int SW_SHOWDEFAULT = 10;

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

struct CREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};
using LPCREATESTRUCTA = CREATESTRUCTA*;

// Class names are compared without regard to case and are process-wide. Returns the class atom,
// 0 on failure (ERROR_CLASS_ALREADY_EXISTS, ERROR_INVALID_PARAMETER).
ATOM RegisterClassA(const WNDCLASSA* lpWndClass);
// Fails with ERROR_CLASS_HAS_WINDOWS while a window of the class exists.
BOOL UnregisterClassA(LPCSTR lpClassName, HINSTANCE hInstance);

// Sends WM_NCCREATE and WM_CREATE (lParam: the CREATESTRUCTA whose lpCreateParams is lpParam).
// A window procedure that answers FALSE to WM_NCCREATE or -1 to WM_CREATE fails the creation; the
// window is then destroyed and the result is null. The window belongs to the calling thread.
HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X,
                     int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                     LPVOID lpParam);
// On the window's own thread only. Sends WM_DESTROY to the window, destroys its children and owned
// windows of the same thread, then sends WM_NCDESTROY; the handle is invalid afterwards. Pending sent messages to it
// return 0 and its posted messages and timers are dropped.
BOOL DestroyWindow(HWND hWnd);
// WM_NCCREATE, WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH and WM_CLOSE (destroys the window);
// everything else gives 0.
LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// This process's windows and the top-level windows of other live processes (remote_windows.h
// tells how the calls below reach those).
BOOL IsWindow(HWND hWnd);

LONG GetWindowLongA(HWND hWnd, int nIndex);
LONG SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong);
LONG_PTR GetWindowLongPtrA(HWND hWnd, int nIndex);
LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong);

// Through WM_SETTEXT / WM_GETTEXT / WM_GETTEXTLENGTH, so a window procedure can answer them; for
// another process's window the text is read from its published caption, without a message.
BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString);
int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount);
int GetWindowTextLengthA(HWND hWnd);

// A top-level window of the machine (any process's) of the given class (without regard to case)
// and exact caption; a null argument matches any. The match highest in the z-order wins (the most
// recently created, shown or raised).
HWND FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName);
// Calls `lpEnumFunc` for every top-level window of the machine, the top of the z-order first, until
// it returns FALSE (then the result is FALSE too).
using WNDENUMPROC = BOOL(CALLBACK*)(HWND, LPARAM);
BOOL EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam);
// The identifier of the thread that owns the window (0 when there is no such window); the
// process identifier goes to *lpdwProcessId when that is not null.
DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId);

// Visibility and minimised state (WS_VISIBLE, WS_MINIMIZE). Returns whether the window was visible.
BOOL ShowWindow(HWND hWnd, int nCmdShow);
// Whether the window and all its parents are visible.
BOOL IsWindowVisible(HWND hWnd);
BOOL IsIconic(HWND hWnd);

// The window's rectangle in screen coordinates, as it was created (windows are not moved yet).
BOOL GetWindowRect(HWND hWnd, RECT* lpRect);

namespace zv::user {

// The calling thread's identifier as GetWindowThreadProcessId reports it.
DWORD CurrentThreadId();

} // namespace zv::user
