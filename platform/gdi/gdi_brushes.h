// Brushes, pens, stock objects and system colours, and the rectangle calls that paint with a
// brush. Included from gdi.h.
#pragma once

#include "platform/gdi/gdi_types.h"

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};
static_assert(sizeof(LOGBRUSH) == 8 + sizeof(ULONG_PTR));

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth; // only x counts
    COLORREF lopnColor;
};
static_assert(sizeof(LOGPEN) == 16);

// Brush styles.
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = BS_NULL;
constexpr UINT BS_HATCHED = 2;
constexpr UINT BS_PATTERN = 3;
constexpr UINT BS_DIBPATTERNPT = 6;

// Hatch styles: lines 8 pixels apart.
constexpr int HS_HORIZONTAL = 0;
constexpr int HS_VERTICAL = 1;
constexpr int HS_FDIAGONAL = 2; // down from left to right
constexpr int HS_BDIAGONAL = 3; // up from left to right
constexpr int HS_CROSS = 4;
constexpr int HS_DIAGCROSS = 5;

// Pen styles.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;

// GetStockObject indices.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;
constexpr int DC_BRUSH = 18;
constexpr int DC_PEN = 19;

// System colour indices of GetSysColor and GetSysColorBrush.
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_DESKTOP = COLOR_BACKGROUND;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_3DFACE = COLOR_BTNFACE;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_HOTLIGHT = 26;
constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
constexpr int COLOR_MENUHILIGHT = 29;
constexpr int COLOR_MENUBAR = 30;

// Solid brushes never change colour; a hollow brush paints nothing.
HBRUSH CreateSolidBrush(COLORREF colour);
// Hatch lines in the colour; between them the context's background colour in OPAQUE mode, the
// old pixels in TRANSPARENT mode.
HBRUSH CreateHatchBrush(int style, COLORREF colour);
// A brush repeating a bitmap's pixels (at most 256 x 256 are used). A monochrome bitmap paints
// its black pixels in the context's text colour and its white ones in its background colour.
HBRUSH CreatePatternBrush(HBITMAP bitmap);
// The same from a packed DIB (header, palette, pixels) of a depth the DIB transfers read.
HBRUSH CreateDIBPatternBrushPt(const void* packedDib, UINT usage);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
// A pen of PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL or PS_INSIDEFRAME style.
// Width 0 means 1 pixel, widths beyond 65536 fail; the dash styles are drawn only by 1-pixel pens
// (wider ones are solid).
HPEN CreatePen(int style, int width, COLORREF colour);

// Stock objects are shared and survive DeleteObject. A context starts with WHITE_BRUSH, BLACK_PEN
// and SYSTEM_FONT. DEFAULT_GUI_FONT is the dialog face "MS Shell Dlg" at 8 points (Liberation
// Sans); the fixed fonts are "Courier New" (Liberation Mono) at 10 points. DC_BRUSH and DC_PEN
// paint in the colour their context sets with SetDCBrushColor and SetDCPenColor.
HGDIOBJ GetStockObject(int index);
COLORREF SetDCBrushColor(HDC hdc, COLORREF colour);
COLORREF SetDCPenColor(HDC hdc, COLORREF colour);

// The system colours: one fixed, light palette. An unknown index gives 0 (GetSysColor) or a null
// brush (GetSysColorBrush). The brushes are stock objects.
COLORREF GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

// Wherever a brush is taken (FillRect, FrameRect, class background brushes), the value
// COLOR_* + 1 cast to HBRUSH stands for that system colour's brush. No handle is ever that small.
inline HBRUSH SysColourBrushValue(int index)
{
    return reinterpret_cast<HBRUSH>(static_cast<UINT_PTR>(index) + 1);
}

// Rectangles exclude their right and bottom edges. The brush paints inside the context's clip
// region; a hollow brush paints nothing and succeeds.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
// A frame one pixel wide along the inside of the rectangle.
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
// Inverts every colour channel (white and black swap on a monochrome bitmap).
BOOL InvertRect(HDC hdc, const RECT* rect);
