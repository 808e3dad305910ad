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
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD WS_POPUPWINDOW = WS_POPUP | WS_BORDER | WS_SYSMENU;

// Extended window styles.
constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_ACCEPTFILES = 0x00000010;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
constexpr DWORD WS_EX_CONTROLPARENT = 0x00010000;
constexpr DWORD WS_EX_STATICEDGE = 0x00020000;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;

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
constexpr int GWLP_HWNDPARENT = -8;
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

// SetWindowPos: where the window goes in the z-order (or a window to place it below) and flags.
inline HWND const HWND_TOP = nullptr;
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(1);
inline HWND const HWND_TOPMOST = reinterpret_cast<HWND>(-1);
inline HWND const HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOCOPYBITS = 0x0100;
constexpr UINT SWP_NOOWNERZORDER = 0x0200;
constexpr UINT SWP_NOSENDCHANGING = 0x0400;
// Set in WM_WINDOWPOSCHANGED when the client area kept its size or place.
constexpr UINT SWP_NOCLIENTSIZE = 0x0800;
constexpr UINT SWP_NOCLIENTMOVE = 0x1000;

// WM_WINDOWPOSCHANGING / WM_WINDOWPOSCHANGED (lParam). A child's position counts from its
// parent's client area, a top-level window's from the screen.
struct WINDOWPOS {
    HWND hwnd;
    HWND hwndInsertAfter;
    int x;
    int y;
    int cx;
    int cy;
    UINT flags;
};

// WM_SETICON / WM_GETICON sizes.
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;

// GetWindow relations.
constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;

// Class background brushes may be a system colour index plus one (COLOR_WINDOW + 1).
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
// The default answers: WM_NCCREATE, WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH, WM_CLOSE (destroys
// the window), WM_WINDOWPOSCHANGED (sends WM_MOVE and WM_SIZE), WM_PAINT (validates),
// WM_NCPAINT (frame, caption and client edges), WM_ERASEBKGND (fills with the class brush),
// WM_SETCURSOR (the parent first, then the class cursor), WM_ACTIVATE (focus to the window),
// WM_NCHITTEST (the part of the window under the point), WM_NCACTIVATE (caption colours),
// WM_NCLBUTTONDOWN / WM_NCLBUTTONDBLCLK (caption drag, boxes, scroll bars), WM_SYSCOMMAND (close,
// minimise, maximise, restore, move), WM_SETICON / WM_GETICON (non_client.h); everything else
// gives 0.
LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
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
// The name of the window's class as it was registered, of any process's window; cut to fit the
// buffer. The length copied (without the NUL), 0 with the last error on failure.
int GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount);

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

// Shows, hides, minimises, maximises or restores the window. Sends WM_SHOWWINDOW when the
// visibility changes, then places the window as SetWindowPos does (WM_WINDOWPOSCHANGED, and from
// the default procedure WM_MOVE and WM_SIZE with SIZE_MINIMIZED, SIZE_MAXIMIZED or SIZE_RESTORED),
// activating it unless the command says not to. A minimised window keeps its rectangle (its
// client area is empty meanwhile), a maximised one covers the work area. Minimising hides the
// window's visible owned pop-ups (WM_SHOWWINDOW with SW_PARENTCLOSING) and restoring shows them
// again. Returns whether the window was visible.
BOOL ShowWindow(HWND hWnd, int nCmdShow);
// Whether the window and all its parents are visible.
BOOL IsWindowVisible(HWND hWnd);
BOOL IsIconic(HWND hWnd);
BOOL IsZoomed(HWND hWnd);

// Geometry. A child's rectangle counts from its parent's client area, a top-level window's from
// the screen. The client area is the window less its frame (WS_BORDER, WS_DLGFRAME,
// WS_THICKFRAME), caption (WS_CAPTION), client and static edges and scroll bars, all drawn by us
// inside the window's rectangle (AdjustWindowRectEx gives the rectangle for a client area).
BOOL GetWindowRect(HWND hWnd, RECT* lpRect);
// Always at (0, 0); empty while the window is minimised.
BOOL GetClientRect(HWND hWnd, RECT* lpRect);
BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
// Moves, sizes, shows or hides and restacks the window. Top-level windows: WS_EX_TOPMOST ones
// stay above the others, and owned windows stay above their owner (an owned window sent to
// HWND_BOTTOM lands just above its owner; raising a window raises its owned ones with it). Sends
// WM_WINDOWPOSCHANGING (the receiver may change the WINDOWPOS) and WM_WINDOWPOSCHANGED, and
// activates a top-level window unless SWP_NOACTIVATE.
BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags);
BOOL BringWindowToTop(HWND hWnd);
BOOL ClientToScreen(HWND hWnd, POINT* lpPoint);
BOOL ScreenToClient(HWND hWnd, POINT* lpPoint);
// From one window's client coordinates to another's (null: the screen). Returns the horizontal
// shift in the low word and the vertical one in the high word.
int MapWindowPoints(HWND hWndFrom, HWND hWndTo, POINT* lpPoints, UINT cPoints);

// The window tree. GetParent gives a child's parent and a pop-up's owner.
HWND GetParent(HWND hWnd);
HWND GetWindow(HWND hWnd, UINT uCmd);
constexpr UINT GA_PARENT = 1;
constexpr UINT GA_ROOT = 2;
constexpr UINT GA_ROOTOWNER = 3;
HWND GetAncestor(HWND hWnd, UINT gaFlags);
BOOL IsChild(HWND hWndParent, HWND hWnd);
// The screen as a window: a parent or owner of none, its rectangle the screen's.
HWND GetDesktopWindow();
// The child with that identifier, searched among direct children.
HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
int GetDlgCtrlID(HWND hWnd);

// A disabled window takes no mouse or keyboard input. Sends WM_ENABLE on a change; disabling the
// focus window or its parent moves the focus away. Returns whether the window was disabled.
BOOL EnableWindow(HWND hWnd, BOOL bEnable);
BOOL IsWindowEnabled(HWND hWnd);

// Activation. The active window is the top-level window that gets keyboard input; the
// foreground window is the active one while this program has the user's attention. When
// activation moves between threads, WM_ACTIVATEAPP goes to the top-level windows of both (FALSE
// to the old, TRUE to the new); WM_ACTIVATE (WA_INACTIVE, then WA_ACTIVE or WA_CLICKACTIVE) goes
// to the windows themselves, and the newly active window comes to the top.
BOOL SetForegroundWindow(HWND hWnd);
HWND GetForegroundWindow();
// Of the calling thread only (null when another thread's window is active).
HWND GetActiveWindow();
HWND SetActiveWindow(HWND hWnd);

namespace zv::user {

// The calling thread's identifier as GetWindowThreadProcessId reports it.
DWORD CurrentThreadId();

// While a modal loop runs for the top-level window it stays above its owner's other owned
// windows, whichever of them is brought to the top meanwhile. The modal loops say so.
void SetModalWindow(HWND hwnd, bool modal);

} // namespace zv::user
