// The look shared by the controls and menus we draw: a flat, light palette with one accent
// colour, and the few drawing steps they all use.
#pragma once

#include "platform/gdi/gdi.h"

namespace zv::user::look {

constexpr COLORREF kAccent = RGB(0, 103, 192);
constexpr COLORREF kAccentPressed = RGB(0, 84, 153);
constexpr COLORREF kSurface = RGB(253, 253, 253);     // button faces, menus
constexpr COLORREF kSurfacePressed = RGB(204, 228, 247);
constexpr COLORREF kSurfaceDisabled = RGB(244, 244, 244);
constexpr COLORREF kBorder = RGB(173, 173, 173);
constexpr COLORREF kBorderDisabled = RGB(214, 214, 214);
constexpr COLORREF kBoxBorder = RGB(96, 96, 96); // check boxes, radio buttons
constexpr COLORREF kLine = RGB(218, 218, 218);   // separators, etched lines, group frames
constexpr COLORREF kLineLight = RGB(255, 255, 255);
constexpr COLORREF kText = RGB(26, 26, 26);
constexpr COLORREF kTextDisabled = RGB(160, 160, 160);
constexpr COLORREF kSelection = RGB(229, 241, 251);

void Fill(HDC hdc, const RECT& rect, COLORREF colour);
// A one-pixel outline inside the rectangle.
void Outline(HDC hdc, const RECT& rect, COLORREF colour);
void Line(HDC hdc, int x1, int y1, int x2, int y2, COLORREF colour, int width = 1);
// An ellipse filled with one colour and outlined with another.
void Disc(HDC hdc, const RECT& rect, COLORREF fill, COLORREF border);
// A triangle filled and outlined in one colour through the context's DC brush and pen, whose colour
// stays set to it; the selected brush and pen are put back.
void Triangle(HDC hdc, const POINT (&corners)[3], COLORREF colour);
// Text in the font (null: the dialog font), transparent over what is there.
void Text(HDC hdc, HFONT font, const char* text, RECT rect, UINT format, COLORREF colour);
// The control's font from WM_GETFONT's store, else the dialog font.
HFONT FontOr(HFONT font);

} // namespace zv::user::look
