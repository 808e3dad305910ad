#include "platform/user/control_look.h"

#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_shapes.h"

namespace zv::user::look {

void Fill(HDC hdc, const RECT& rect, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(hdc, &rect, brush);
    DeleteObject(brush);
}

void Outline(HDC hdc, const RECT& rect, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FrameRect(hdc, &rect, brush);
    DeleteObject(brush);
}

void Line(HDC hdc, int x1, int y1, int x2, int y2, COLORREF colour, int width)
{
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    HGDIOBJ old = SelectObject(hdc, pen);
    MoveToEx(hdc, x1, y1, nullptr);
    LineTo(hdc, x2, y2);
    SelectObject(hdc, old);
    DeleteObject(pen);
}

void Disc(HDC hdc, const RECT& rect, COLORREF fill, COLORREF border)
{
    HBRUSH brush = CreateSolidBrush(fill);
    HPEN pen = CreatePen(PS_SOLID, 1, border);
    HGDIOBJ oldBrush = SelectObject(hdc, brush);
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    Ellipse(hdc, rect.left, rect.top, rect.right, rect.bottom);
    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

void Triangle(HDC hdc, const POINT (&corners)[3], COLORREF colour)
{
    SetDCBrushColor(hdc, colour);
    SetDCPenColor(hdc, colour);
    const HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(DC_BRUSH));
    const HGDIOBJ oldPen = SelectObject(hdc, GetStockObject(DC_PEN));
    Polygon(hdc, corners, 3);
    SelectObject(hdc, oldBrush);
    SelectObject(hdc, oldPen);
}

void Text(HDC hdc, HFONT font, const char* text, RECT rect, UINT format, COLORREF colour)
{
    HGDIOBJ oldFont = SelectObject(hdc, FontOr(font));
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(hdc, colour);
    DrawTextExA(hdc, text, -1, &rect, format, nullptr);
    SetTextColor(hdc, oldColour);
    SetBkMode(hdc, oldMode);
    SelectObject(hdc, oldFont);
}

HFONT FontOr(HFONT font) { return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

} // namespace zv::user::look
