// Handle types, records and constants of the GDI layer, with the published values and layouts.
#pragma once

#include <cstddef>

#include "platform/win32/types.h"

// Opaque handles. Each kind is its own pointer type so a font cannot be passed where a device
// context is expected; HGDIOBJ takes any drawing object, as SelectObject and DeleteObject do.
struct HDC__;
struct HBITMAP__;
struct HFONT__;
struct HRGN__;
struct HPALETTE__;

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

// A palette's header followed by palPalNumEntries entries.
struct LOGPALETTE {
    WORD palVersion; // 0x300
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};
struct HPEN__;
using HDC = HDC__*;
using HBITMAP = HBITMAP__*;
using HFONT = HFONT__*;
using HRGN = HRGN__*;
using HPALETTE = HPALETTE__*;
using HPEN = HPEN__*;
using HGDIOBJ = void*;

// Brushes, icons and cursors, declared as the window layer declares them: its window classes
// carry them and it draws with them.
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;

// The window handle, declared as the window layer declares it: GetDC and ReleaseDC take one.
struct HWND__;
using HWND = HWND__*;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};
static_assert(offsetof(BITMAP, bmPlanes) == 16);
static_assert(offsetof(BITMAP, bmBitsPixel) == 18);
static_assert(offsetof(BITMAP, bmBits) == 24);

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
static_assert(sizeof(BITMAPINFO) == 44);

constexpr int LF_FACESIZE = 32;

struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE];
};
// Stored as 60 raw bytes in the registry.
static_assert(sizeof(LOGFONTA) == 60);
static_assert(offsetof(LOGFONTA, lfWeight) == 16);
static_assert(offsetof(LOGFONTA, lfItalic) == 20);
static_assert(offsetof(LOGFONTA, lfCharSet) == 23);
static_assert(offsetof(LOGFONTA, lfFaceName) == 28);

struct DRAWTEXTPARAMS {
    UINT cbSize;
    int iTabLength;
    int iLeftMargin;
    int iRightMargin;
    UINT uiLengthDrawn;
};
static_assert(sizeof(DRAWTEXTPARAMS) == 20);

// DrawTextExA format flags this layer handles. DT_TOP and DT_LEFT are the zero defaults.
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_END_ELLIPSIS = 0x8000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;

// Polygon fill modes: even-odd crossings, or any non-zero winding number.
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

constexpr UINT DIB_RGB_COLORS = 0;

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
constexpr UINT GDI_ERROR = 0xFFFFFFFF;

// Raster operations of the blits: the result from source S and destination D.
constexpr DWORD SRCCOPY = 0x00CC0020;   // S
constexpr DWORD SRCAND = 0x008800C6;    // S & D
constexpr DWORD SRCINVERT = 0x00660046; // S ^ D
constexpr DWORD SRCPAINT = 0x00EE0086;  // S | D
constexpr DWORD SRCERASE = 0x00440328;  // S & ~D
constexpr DWORD NOTSRCCOPY = 0x00330008; // ~S
constexpr DWORD NOTSRCERASE = 0x001100A6; // ~(S | D)
constexpr DWORD MERGEPAINT = 0x00BB0226; // ~S | D
// Raster operations without a source (PatBlt): from the brush's pattern P and D.
constexpr DWORD PATCOPY = 0x00F00021;   // P
constexpr DWORD PATINVERT = 0x005A0049; // P ^ D
constexpr DWORD DSTINVERT = 0x00550009; // ~D
constexpr DWORD BLACKNESS = 0x00000042; // 0
constexpr DWORD WHITENESS = 0x00FF0062; // 1

// Stretch modes.
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

// Region kinds, as GetClipBox and ExtSelectClipRgn report them.
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

// How ExtSelectClipRgn combines a region with the clip region.
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

// Object kinds of GetCurrentObject.
constexpr UINT OBJ_PEN = 1;
constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;

// Font weights.
constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_THIN = 100;
constexpr LONG FW_EXTRALIGHT = 200;
constexpr LONG FW_LIGHT = 300;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_MEDIUM = 500;
constexpr LONG FW_SEMIBOLD = 600;
constexpr LONG FW_BOLD = 700;
constexpr LONG FW_EXTRABOLD = 800;
constexpr LONG FW_HEAVY = 900;

// Character sets.
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
