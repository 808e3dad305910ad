// The GDI calls of the system: device contexts over in-memory surfaces, bitmaps, blits and
// stretches, clipping, fonts and text.
//
// Failures return the documented failure value (null handle, 0 or CLR_INVALID) and set the
// thread's last-error code. A device context, like the bitmap selected into it, belongs to one
// thread at a time; handles themselves may be created and deleted from any thread.
#pragma once

#include "platform/gdi/gdi_types.h"

// Device contexts. "DISPLAY" is the only driver: a context over the virtual screen (screen.h).
// A memory context starts with a 1 x 1 monochrome bitmap and the default font selected.
HDC CreateDCA(const char* driver, const char* device, const char* port, const void* devmode);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
// GetDC(NULL) gives a context over the virtual screen, which ReleaseDC(NULL, hdc) frees again.
// GetDC(hwnd) paints the window's client area, GetWindowDC(hwnd) the whole window, both clipped
// to what of the window is visible; the window system supplies them (window_canvas.h) and fails
// them when there is none. ReleaseDC takes the window the context was got for.
HDC GetDC(HWND window);
HDC GetWindowDC(HWND window);
int ReleaseDC(HWND window, HDC hdc);

// Bitmaps; every new bitmap starts black. A bitmap compatible with a memory context has the
// format of the bitmap selected into it (monochrome for a fresh context); one compatible with the
// screen or with no context is 32 bits per pixel. CreateBitmap takes 1, 24 or 32 bits per pixel
// and one plane; its initial bits, when given, are top-down rows padded to 2 bytes.
// CreateDIBSection takes 24 bits per pixel, BI_RGB and DIB_RGB_COLORS; rows are padded to 4
// bytes and run bottom-up for a positive height, top-down for a negative one.
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, void* section, DWORD offset);

// Bitmaps, fonts, brushes and pens. SelectObject returns the object it replaced; a bitmap can be
// selected into one memory context at a time and never into the screen context. DeleteObject
// refuses a bitmap that is still selected; a selected font, brush or pen stays usable by its
// context until replaced.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
// Fills a BITMAP, LOGFONTA, LOGBRUSH or LOGPEN; with a null buffer returns the size of that record.
int GetObjectA(HGDIOBJ object, int size, void* buffer);
// OBJ_BITMAP (the bitmap selected into a memory context; the screen context has none), OBJ_FONT,
// OBJ_BRUSH or OBJ_PEN.
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
// Every surface holds true colour, so realising maps no entry: 0, or GDI_ERROR for no context.
UINT RealizePalette(HDC hdc);
// Logical palettes (version 0x300, 1 to 1024 entries). Selecting one changes no pixel; it returns
// the palette selected before (null for the default one), or null on failure.
HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground);
// Copies up to count entries from start; returns how many were copied (the palette's size when
// entries is null), 0 on failure.
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);

// Fonts: the face is matched by fontconfig, so "Arial" becomes Liberation Sans.
// lfHeight < 0: the em height in pixels; > 0: the cell height (ascent + descent); 0: em 16 pixels.
// lfWeight (FW_SEMIBOLD and up is bold), lfItalic, lfUnderline and lfStrikeOut are honoured, with
// bold and italic made from the regular face when no such face exists. lfWidth, escapement,
// orientation, character set, precision, quality and pitch are not used.
HFONT CreateFontIndirectA(const LOGFONTA* font);

COLORREF SetTextColor(HDC hdc, COLORREF colour);
COLORREF SetBkColor(HDC hdc, COLORREF colour);
int SetBkMode(HDC hdc, int mode);

// Draws UTF-8 text (length -1: up to the terminating zero) into the rectangle and returns the
// height of the text block. Flags: DT_LEFT, DT_CENTER, DT_RIGHT, DT_WORDBREAK, DT_NOCLIP,
// DT_CALCRECT, DT_NOPREFIX, DT_HIDEPREFIX, DT_SINGLELINE, DT_VCENTER, DT_BOTTOM, DT_END_ELLIPSIS;
// any other flag fails. Line breaks ("\r\n", "\n", "\r") start a new line, except with
// DT_SINGLELINE, which drops them and ignores DT_WORDBREAK. DT_WORDBREAK wraps at spaces within
// the rectangle's width (spaces at a wrap are dropped; a word wider than the width stays whole).
// Each line is aligned on its own. Without DT_NOPREFIX, "&&" draws '&' and "&x" draws an
// underlined x (DT_HIDEPREFIX: the x without its underline). DT_END_ELLIPSIS ends a line wider
// than the rectangle with "..." so that it fits. DT_VCENTER and DT_BOTTOM place a DT_SINGLELINE
// line in the middle or at the bottom of the rectangle (without DT_SINGLELINE they do nothing);
// the result is then the offset from the rectangle's top to the bottom of the text. DT_CALCRECT
// draws nothing: the rectangle keeps its left and top and gets the width of the widest line and
// the block's height.
// In OPAQUE mode each line's cell is filled with the background colour first. Text is blended
// with its coverage on colour bitmaps and thresholded (lit or not) on monochrome ones.
// params may be null; its margins narrow the rectangle and uiLengthDrawn gets the text length.
int DrawTextExA(HDC hdc, const char* text, int length, RECT* rect, UINT format, DRAWTEXTPARAMS* params);

// Blits. Supported raster codes: SRCCOPY, SRCAND, SRCINVERT, SRCPAINT, SRCERASE, NOTSRCCOPY,
// NOTSRCERASE and MERGEPAINT; mirroring (negative sizes) is not.
// Only the destination's clip region and surface limit what is painted; source pixels outside the
// source surface leave the destination alone. Between kinds of surface, a monochrome source paints
// black in the destination's text colour and white in its background colour, and a colour source
// gives a monochrome destination white where it has the source context's background colour and
// black elsewhere. A blit within one surface reads the source as it was before.
BOOL BitBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int xSource, int ySource, DWORD rop);
// Paints the rectangle from the context's brush (PATCOPY, PATINVERT), or inverts it (DSTINVERT),
// or makes it black or white (BLACKNESS, WHITENESS); other codes fail with ERROR_NOT_SUPPORTED.
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);
// Stretches by dropping or repeating whole pixels: destination column i takes source column
// xSource + i * cxSource / cx, rows alike.
BOOL StretchBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int xSource, int ySource, int cxSource,
                int cySource, DWORD rop);
// Every context stretches as COLORONCOLOR does; that is the only mode accepted, and the one
// returned as the previous mode. Other modes fail with 0.
int SetStretchBltMode(HDC hdc, int mode);

// DIB transfers. The DIBs are BI_RGB at 1, 4, 8 or 24 bits per pixel with DIB_RGB_COLORS: a
// palette of biClrUsed entries (all the depth can index when 0) after the header, rows padded to
// 4 bytes, bottom-up for a positive height. DIB coordinates start at the bottom-left corner of a
// bottom-up DIB and at the top-left corner of a top-down one. A monochrome destination takes
// whichever of black and white is nearer to each colour.

// Stretches the source rectangle of the DIB as StretchBlt does. Returns the number of source scan
// lines inside the DIB, 0 on failure.
int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSource, int ySource,
                  int sourceWidth, int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
// Copies the width x height rectangle at (xSource, ySource) of the DIB one to one. bits holds only
// the scan lines startScan .. startScan + lines - 1, counted in the DIB's memory order (from the
// bottom for a bottom-up DIB); pixels on other lines are not painted. Returns the number of scan
// lines the band holds.
int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSource, int ySource,
                      UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
// Copies scan lines of a bitmap into a DIB described by info. Scan line numbers count in the DIB's
// own order; a bottom-up DIB's line 0 is the bitmap's bottom line. Below 24 bits the palette after
// the header is filled with the standard palette of the depth (1 bit: black and white; 4 bits:
// the 16 VGA colours; 8 bits: those, a 6 x 6 x 6 colour cube and 24 greys) and each pixel takes
// its nearest entry. The part of the DIB outside the bitmap is left as it is. Returns the number
// of lines copied.
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);

// Clipping. Regions are made of rectangles in device pixels. Without a clip region a context may
// paint its whole surface; ExtSelectClipRgn combines the region with that (RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF) or
// replaces it (RGN_COPY; a null region removes the clip region) and returns the kind of the
// visible result: NULLREGION, SIMPLEREGION or COMPLEXREGION, ERROR on failure. The context keeps
// its own copy, so the region may be deleted afterwards.
HRGN CreateRectRgnIndirect(const RECT* rect);
HRGN CreateRectRgn(int left, int top, int right, int bottom);
// The pixels whose centres lie inside the polygon by the fill mode (ALTERNATE or WINDING).
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
// destination = a combined with b (RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF: a without b; RGN_COPY: a
// alone, b unused); returns the result's kind, ERROR on failure.
int CombineRgn(HRGN destination, HRGN a, HRGN b, int mode);
int ExtSelectClipRgn(HDC hdc, HRGN region, int mode);
// The smallest rectangle around the visible part of the surface and that part's kind.
int GetClipBox(HDC hdc, RECT* rect);
// Whether some pixel of the rectangle is visible.
BOOL RectVisible(HDC hdc, const RECT* rect);

#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_text.h"
#include "platform/gdi/gdi_shapes.h"
#include "platform/gdi/gdi_icons.h"
