// Lines, shapes, 3-D edges, focus rectangles and single pixels. Included from gdi.h.
#pragma once

#include "platform/gdi/gdi_types.h"

// Edge kinds of DrawEdge: an outer and an inner ring, each raised or sunken.
constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT BDR_OUTER = BDR_RAISEDOUTER | BDR_SUNKENOUTER;
constexpr UINT BDR_INNER = BDR_RAISEDINNER | BDR_SUNKENINNER;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

// DrawEdge flags.
constexpr UINT BF_LEFT = 0x0001;
constexpr UINT BF_TOP = 0x0002;
constexpr UINT BF_RIGHT = 0x0004;
constexpr UINT BF_BOTTOM = 0x0008;
constexpr UINT BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr UINT BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr UINT BF_DIAGONAL = 0x0010;
constexpr UINT BF_MIDDLE = 0x0800;
constexpr UINT BF_SOFT = 0x1000;
constexpr UINT BF_ADJUST = 0x2000;
constexpr UINT BF_FLAT = 0x4000;
constexpr UINT BF_MONO = 0x8000;

// Lines use the selected pen and leave out their end point. LineTo draws from the current
// position and moves it; Polyline neither uses nor moves it. A pen wider than one pixel is a
// square stamped along the line; dash gaps take the background colour in OPAQUE mode.
BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
BOOL LineTo(HDC hdc, int x, int y);
BOOL Polyline(HDC hdc, const POINT* points, int count);

// Shapes fill with the selected brush and outline with the selected pen, inside the box
// (right and bottom edges excluded). With the null pen the filled area loses its right column and
// bottom row, as on Windows. Polygons fill by the context's fill mode (ALTERNATE, the even-odd
// rule, unless SetPolyFillMode chose WINDING) and close themselves; PolyPolygon fills its polygons
// as one area, so one inside another makes a hole. Ellipse outlines are always solid. Rectangle and
// Ellipse take coordinates within +-2^27, as on Windows.
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
BOOL Polygon(HDC hdc, const POINT* points, int count);
BOOL PolyPolygon(HDC hdc, const POINT* points, const INT* counts, int polygons);
int SetPolyFillMode(HDC hdc, int mode);
int GetPolyFillMode(HDC hdc);

// Rings along the inside of the rectangle in the 3-D system colours: the outer ring raised
// (COLOR_3DLIGHT above and left, COLOR_3DDKSHADOW below and right) or sunken (COLOR_BTNSHADOW,
// COLOR_BTNHIGHLIGHT), the inner one raised (COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW) or sunken
// (COLOR_3DDKSHADOW, COLOR_3DLIGHT). Only the sides the BF_ flags name are drawn. BF_SOFT swaps
// the light colours of the two rings; BF_FLAT draws the outer ring in COLOR_BTNSHADOW and the inner
// in COLOR_BTNFACE, BF_MONO in COLOR_WINDOWFRAME and COLOR_WINDOW. BF_MIDDLE fills the inside
// (COLOR_BTNFACE, or COLOR_WINDOW when flat or mono); BF_ADJUST shrinks *rect to it. BF_DIAGONAL
// is not supported.
BOOL DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags);
// Inverts every other pixel along the inside of the rectangle; drawing it again removes it.
BOOL DrawFocusRect(HDC hdc, const RECT* rect);

// SetPixel returns the colour the pixel took (black or white on a monochrome bitmap); both return
// CLR_INVALID for a pixel outside the clip region or the surface.
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour);
COLORREF GetPixel(HDC hdc, int x, int y);
