// The scroll bars of a window (WS_VSCROLL, WS_HSCROLL): drawn in its non-client area beside the
// client area, they tell the window what the user did through WM_VSCROLL and WM_HSCROLL (lParam 0)
// and leave the scrolling itself to it.
#pragma once

#include "platform/gdi/gdi_types.h"
#include "platform/user/window.h"

constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;

// Scroll codes (the low word of WM_VSCROLL's and WM_HSCROLL's wParam; the high word carries the
// position for SB_THUMBTRACK and SB_THUMBPOSITION).
constexpr WORD SB_LINEUP = 0;
constexpr WORD SB_LINELEFT = 0;
constexpr WORD SB_LINEDOWN = 1;
constexpr WORD SB_LINERIGHT = 1;
constexpr WORD SB_PAGEUP = 2;
constexpr WORD SB_PAGELEFT = 2;
constexpr WORD SB_PAGEDOWN = 3;
constexpr WORD SB_PAGERIGHT = 3;
constexpr WORD SB_THUMBPOSITION = 4;
constexpr WORD SB_THUMBTRACK = 5;
constexpr WORD SB_TOP = 6;
constexpr WORD SB_LEFT = 6;
constexpr WORD SB_BOTTOM = 7;
constexpr WORD SB_RIGHT = 7;
constexpr WORD SB_ENDSCROLL = 8;

constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

// EnableScrollBar: which arrows to disable.
constexpr UINT ESB_ENABLE_BOTH = 0;
constexpr UINT ESB_DISABLE_LTUP = 1;
constexpr UINT ESB_DISABLE_RTDN = 2;
constexpr UINT ESB_DISABLE_BOTH = 3;

struct SCROLLINFO {
    UINT cbSize;
    UINT fMask;
    int nMin;
    int nMax;
    UINT nPage;
    int nPos;
    int nTrackPos; // where the thumb is while the user drags it
};
using LPSCROLLINFO = SCROLLINFO*;
using LPCSCROLLINFO = const SCROLLINFO*;

// A bar starts with the range 0-100, no page and position 0. The page is kept within the range
// and the position within [nMin, nMax - nPage + 1]. A bar whose range the page covers whole hides
// (the client area grows), or stays disabled with SIF_DISABLENOSCROLL; one with something to
// scroll shows again. Only SB_HORZ and SB_VERT exist (no scroll bar controls): other bars fail
// with ERROR_INVALID_PARAMETER. Returns the position.
int SetScrollInfo(HWND hwnd, int nBar, LPCSCROLLINFO lpsi, BOOL redraw);
BOOL GetScrollInfo(HWND hwnd, int nBar, LPSCROLLINFO lpsi);
// Returns the previous position (0 on failure).
int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw);
int GetScrollPos(HWND hWnd, int nBar);
BOOL SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw);
BOOL GetScrollRange(HWND hWnd, int nBar, int* lpMinPos, int* lpMaxPos);
// Adds or removes the bar (SB_BOTH: both) from the window; the client area changes with it.
BOOL ShowScrollBar(HWND hWnd, int wBar, BOOL bShow);
// A disabled arrow (or bar) stays visible but takes no clicks.
BOOL EnableScrollBar(HWND hWnd, UINT wSBflags, UINT wArrows);

namespace zv::user {

// The bar's part under a point of the window's non-client area: HTVSCROLL, HTHSCROLL or HTNOWHERE
// (client coordinates).
int ScrollBarHit(HWND hwnd, POINT clientPoint);
// Draws the window's bars on a context of the whole window.
void PaintScrollBars(HWND hwnd, HDC windowDc);
// WM_NCLBUTTONDOWN on a bar: follows the mouse until the button comes up, sending the scroll
// codes, and returns then.
void TrackScrollBar(HWND hwnd, int hitCode, POINT screenPoint);
// The window is gone.
void ForgetScrollBars(HWND hwnd);

} // namespace zv::user
