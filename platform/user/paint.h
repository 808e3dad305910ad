// Painting windows. Every top-level window has one backing surface; its children paint into it
// at their place. A window's invalid region gathers what needs painting; WM_PAINT comes for it
// when the owning thread's queue has nothing else (so two invalidations give one WM_PAINT), and
// BeginPaint takes the region, asks for WM_ERASEBKGND when an invalidation wanted erasing and
// gives a context clipped to the region and the window's visible part. What was painted reaches
// the display when the context is released (EndPaint, ReleaseDC).
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/user/window.h"

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase; // the background still needs erasing (WM_ERASEBKGND answered 0)
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
using LPPAINTSTRUCT = PAINTSTRUCT*;

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);

// Rectangles in client coordinates; a null rectangle means the whole client area. A null window
// invalidates every window.
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
BOOL ValidateRect(HWND hWnd, const RECT* lpRect);
// The box around the invalid region (client coordinates); whether there is one.
BOOL GetUpdateRect(HWND hWnd, RECT* lpRect, BOOL bErase);
// Sends WM_PAINT at once when the window has something to paint.
BOOL UpdateWindow(HWND hWnd);

constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;

// Invalidates or validates the rectangle or region (client coordinates; both null: the whole
// client area), with the window's children under RDW_ALLCHILDREN, and with RDW_UPDATENOW or
// RDW_ERASENOW paints at once (children too under RDW_ALLCHILDREN). RDW_INTERNALPAINT and the
// frame flags are accepted and have no effect of their own.
BOOL RedrawWindow(HWND hWnd, const RECT* lprcUpdate, HRGN hrgnUpdate, UINT flags);
