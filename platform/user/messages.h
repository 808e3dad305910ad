// Window messages, the per-thread message queue and sending between threads.
//
// Every thread that has windows (or asks for messages) has one queue. Messages sent from other
// threads are served first, whenever the owning thread waits inside the platform layer; then posted
// messages in the order they were posted; then WM_QUIT; then due timers.
#pragma once

#include "platform/user/user_types.h"

#include <cstdint>

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SYSCOLORCHANGE = 0x0015;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_CANCELMODE = 0x001F;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_MOUSEACTIVATE = 0x0021;
constexpr UINT WM_ICONERASEBKGND = 0x0027;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_QUERYDRAGICON = 0x0037;
constexpr UINT WM_WINDOWPOSCHANGING = 0x0046;
constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_GETICON = 0x007F;
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_NCCREATE = 0x0081;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_NCPAINT = 0x0085;
constexpr UINT WM_NCACTIVATE = 0x0086;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_NCMOUSEMOVE = 0x00A0;
constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
constexpr UINT WM_NCLBUTTONUP = 0x00A2;
constexpr UINT WM_NCLBUTTONDBLCLK = 0x00A3;
constexpr UINT WM_NCRBUTTONDOWN = 0x00A4;
constexpr UINT WM_NCRBUTTONUP = 0x00A5;
constexpr UINT WM_NCRBUTTONDBLCLK = 0x00A6;
constexpr UINT WM_NCMBUTTONDOWN = 0x00A7;
constexpr UINT WM_NCMBUTTONUP = 0x00A8;
constexpr UINT WM_NCMBUTTONDBLCLK = 0x00A9;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_MOUSEFIRST = WM_MOUSEMOVE;
constexpr UINT WM_MOUSELAST = WM_MOUSEWHEEL;
constexpr UINT WM_KEYFIRST = WM_KEYDOWN;
constexpr UINT WM_KEYLAST = 0x0109;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_MOVING = 0x0216; // lParam: the RECT the window is about to take, which may be changed
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// Packing two 16-bit values into one message parameter, and taking them apart.
constexpr DWORD MAKELONG(unsigned low, unsigned high)
{
    return static_cast<DWORD>((low & 0xFFFF) | ((high & 0xFFFF) << 16));
}
constexpr LPARAM MAKELPARAM(unsigned low, unsigned high) { return static_cast<LPARAM>(MAKELONG(low, high)); }
constexpr WPARAM MAKEWPARAM(unsigned low, unsigned high) { return static_cast<WPARAM>(MAKELONG(low, high)); }
// Mouse positions in lParam are signed 16-bit values.
constexpr int GET_X_LPARAM(LPARAM lParam) { return static_cast<short>(LOWORD(static_cast<std::uint64_t>(lParam))); }
constexpr int GET_Y_LPARAM(LPARAM lParam) { return static_cast<short>(HIWORD(static_cast<std::uint64_t>(lParam))); }
// The wheel turn in WM_MOUSEWHEEL: a multiple of WHEEL_DELTA, positive away from the user.
constexpr short GET_WHEEL_DELTA_WPARAM(WPARAM wParam) { return static_cast<short>(HIWORD(wParam)); }
constexpr WORD GET_KEYSTATE_WPARAM(WPARAM wParam) { return LOWORD(wParam); }
constexpr int WHEEL_DELTA = 120;

// WM_SIZE kinds.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// WM_ACTIVATE states.
constexpr WORD WA_INACTIVE = 0;
constexpr WORD WA_ACTIVE = 1;
constexpr WORD WA_CLICKACTIVE = 2;

// WM_SHOWWINDOW reasons (lParam) when an owner hides or shows its pop-ups.
constexpr LPARAM SW_PARENTCLOSING = 1;
constexpr LPARAM SW_PARENTOPENING = 3;

// Mouse message key states (wParam).
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

// Hit-test codes (WM_NCHITTEST, WM_SETCURSOR).
constexpr int HTERROR = -2;
constexpr int HTTRANSPARENT = -1;
constexpr int HTNOWHERE = 0;
constexpr int HTCLIENT = 1;
constexpr int HTCAPTION = 2;
constexpr int HTSYSMENU = 3;
constexpr int HTHSCROLL = 6;
constexpr int HTVSCROLL = 7;
constexpr int HTMINBUTTON = 8;
constexpr int HTMAXBUTTON = 9;
constexpr int HTLEFT = 10;
constexpr int HTRIGHT = 11;
constexpr int HTTOP = 12;
constexpr int HTTOPLEFT = 13;
constexpr int HTTOPRIGHT = 14;
constexpr int HTBOTTOM = 15;
constexpr int HTBOTTOMLEFT = 16;
constexpr int HTBOTTOMRIGHT = 17;
constexpr int HTBORDER = 18;
constexpr int HTCLOSE = 20;

// PeekMessageA options.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

// Waits for a message of the calling thread (serving sent messages meanwhile). Returns 0 for
// WM_QUIT, -1 for an invalid window filter, otherwise a positive value.
BOOL GetMessageA(LPMSG msg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
// Like GetMessageA without waiting; FALSE when no message is available.
BOOL PeekMessageA(LPMSG msg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
// Posts WM_CHAR (or WM_SYSCHAR) for a key-down that gives a character. Non-zero for key messages.
BOOL TranslateMessage(const MSG* msg);
// Calls the window procedure of the message's window (or the timer's callback).
LRESULT DispatchMessageA(const MSG* msg);
// WM_QUIT with the exit code, retrieved once no posted message is left.
void PostQuitMessage(int nExitCode);

// Queues a message for the window's thread and returns at once. A message to a window that does
// not exist (any more) is dropped: FALSE with ERROR_INVALID_WINDOW_HANDLE. A null window posts a
// thread message to the calling thread.
BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Calls the window procedure on the window's thread and returns its result. From another thread it
// waits until that thread has handled the message, serving messages sent to the waiting thread
// meanwhile. 0 when the window does not exist or is destroyed before it handled the message.
LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// SendMessageA with a bound on the wait for another thread's (or process's) answer. Non-zero
// with the answer in *lpdwResult (when not null) once the window handled the message; 0 with
// ERROR_TIMEOUT when the bound passed first, or with ERROR_INVALID_WINDOW_HANDLE when there is
// no such window (or another process's went before it answered). SMTO_BLOCK: messages sent to the calling thread
// wait meanwhile. SMTO_ABORTIFHUNG is taken: a hung receiver is one that does not answer within
// the bound. A message the window's own thread sends to it is a plain call, without a bound.
constexpr UINT SMTO_NORMAL = 0x0000;
constexpr UINT SMTO_BLOCK = 0x0001;
constexpr UINT SMTO_ABORTIFHUNG = 0x0002;
LRESULT SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags, UINT uTimeout,
                            DWORD_PTR* lpdwResult);

// Like SendMessageA on the window's own thread; to another thread's window it queues the message
// as a sent one and returns at once without the answer.
BOOL SendNotifyMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

// A message value unique to the name (compared without regard to case), in 0xC000-0xFFFF.
// 0 on failure.
UINT RegisterWindowMessageA(LPCSTR lpString);
