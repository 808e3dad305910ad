// The GDI calls of the system: device contexts over in-memory surfaces, bitmaps, fonts and text.
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

// Bitmaps; every new bitmap starts black. A bitmap compatible with a memory context has the
// format of the bitmap selected into it (monochrome for a fresh context); one compatible with the
// screen or with no context is 32 bits per pixel. CreateBitmap takes 1, 24 or 32 bits per pixel
// and one plane; its initial bits, when given, are top-down rows padded to 2 bytes.
// CreateDIBSection takes 24 bits per pixel, BI_RGB and DIB_RGB_COLORS; rows are padded to 4
// bytes and run bottom-up for a positive height, top-down for a negative one.
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, void* section, DWORD offset);

// Bitmaps and fonts. SelectObject returns the object it replaced; a bitmap can be selected into
// one memory context at a time and never into the screen context. DeleteObject refuses a bitmap
// that is still selected; a selected font stays usable by its context until replaced.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
// Fills a BITMAP or a LOGFONTA; with a null buffer returns the size of that record.
int GetObjectA(HGDIOBJ object, int size, void* buffer);

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
// DT_CALCRECT, DT_NOPREFIX; any other flag fails. Line breaks ("\r\n", "\n", "\r") always start
// a new line. DT_WORDBREAK wraps at spaces within the rectangle's width (spaces at a wrap are
// dropped; a word wider than the width stays whole). Each line is aligned on its own. Without
// DT_NOPREFIX, "&&" draws '&' and "&x" draws an underlined x. DT_CALCRECT draws nothing: the
// rectangle keeps its left and top and gets the width of the widest line and the block's height.
// In OPAQUE mode each line's cell is filled with the background colour first. Text is blended
// with its coverage on colour bitmaps and thresholded (lit or not) on monochrome ones.
// params may be null; its margins narrow the rectangle and uiLengthDrawn gets the text length.
int DrawTextExA(HDC hdc, const char* text, int length, RECT* rect, UINT format, DRAWTEXTPARAMS* params);

// Copies scan lines of a bitmap into a 24-bit BI_RGB DIB described by info (rows padded to 4
// bytes, bottom-up for a positive height). Scan line numbers count in the DIB's own order. The
// part of the DIB outside the bitmap is left as it is. Returns the number of lines copied.
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
