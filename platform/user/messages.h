// Window messages, the per-thread message queue and sending between threads.
//
// Every thread that has windows (or asks for messages) has one queue. Messages sent from other
// threads are served first, whenever the owning thread waits inside the platform layer; then posted
// messages in the order they were posted; then WM_QUIT; then due timers.
#pragma once

#include "platform/user/user_types.h"

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_QUERYDRAGICON = 0x0037;
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_NCCREATE = 0x0081;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

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

// A message value unique to the name (compared without regard to case), in 0xC000-0xFFFF.
// 0 on failure.
UINT RegisterWindowMessageA(LPCSTR lpString);
