// Device capabilities, text metrics and single-line text output. Included from gdi.h.
#pragma once

#include <cstddef>

#include "platform/gdi/gdi_types.h"

// GetDeviceCaps indices.
constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

// Every context reports the virtual screen: HORZRES and VERTRES its size in pixels, HORZSIZE and
// VERTSIZE in millimetres at 96 pixels per inch (LOGPIXELSX, LOGPIXELSY), BITSPIXEL 32, PLANES 1,
// NUMCOLORS -1 (more than a palette holds). Any other index gives 0.
int GetDeviceCaps(HDC hdc, int index);

struct TEXTMETRICA {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
static_assert(sizeof(TEXTMETRICA) == 56);
static_assert(offsetof(TEXTMETRICA, tmFirstChar) == 44);

// tmPitchAndFamily bits. TMPF_FIXED_PITCH set means a proportional font.
constexpr BYTE TMPF_FIXED_PITCH = 0x01;
constexpr BYTE TMPF_VECTOR = 0x02;
constexpr BYTE TMPF_TRUETYPE = 0x04;

// Text alignment of TextOutA and ExtTextOutA: where (x, y) lies on the text.
constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;

// ExtTextOutA options.
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;

// The selected font's cell: tmHeight = tmAscent + tmDescent; tmInternalLeading is the part above
// the em; tmAveCharWidth is the face's own average width. Dialog units are better taken from
// GetTextExtentPoint32A over the 52 letters, as dialogs do.
BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* metrics);
// The width of the UTF-8 text (count bytes, no '&' prefixes, no line breaks) and the cell height:
// the rectangle DrawTextExA's DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX gives for the same text.
BOOL GetTextExtentPoint32A(HDC hdc, const char* text, int count, SIZE* size);

// TA_LEFT/TA_RIGHT/TA_CENTER with TA_TOP/TA_BOTTOM/TA_BASELINE, and TA_UPDATECP: the text starts at
// the current position, which moves on by its width. Returns the previous value, GDI_ERROR on
// failure.
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
// One line of UTF-8 text (count bytes) in the selected font and text colour; in OPAQUE mode its
// cell is first filled with the background colour. ETO_OPAQUE fills rect with the background
// colour first, ETO_CLIPPED keeps the text inside rect. Per-character advances (dx) are not
// supported.
BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                 const INT* dx);
BOOL TextOutA(HDC hdc, int x, int y, const char* text, int count);

namespace zv::gdi {

// Pixels per logical inch of every context.
constexpr int kLogicalPixelsPerInch = 96;

// The lfHeight (negative: an em height) of a font of this size in tenths of a point, as a
// point-size font is made: 80 (8 points) gives -11.
LONG FontHeightFromPoints(int tenthsOfPoint);

} // namespace zv::gdi
