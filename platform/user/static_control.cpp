#include "platform/user/static_control.h"

#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_icons.h"
#include "platform/user/control_look.h"
#include "platform/user/dialog.h"
#include "platform/user/input.h"
#include "platform/user/paint.h"

#include <string>

namespace zv::user {
namespace {

// The window's extra data: the font and the icon of SS_ICON.
constexpr int kFontSlot = 0;
constexpr int kIconSlot = sizeof(LONG_PTR);
constexpr int kExtraBytes = 2 * sizeof(LONG_PTR);

DWORD StyleOf(HWND control) { return static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)); }

void Notify(HWND control, WORD code)
{
    SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(GetDlgCtrlID(control)), code),
                 reinterpret_cast<LPARAM>(control));
}

// The parent chooses the background and may set the text colour on the context.
void PaintBackground(HWND control, HDC hdc, const RECT& client)
{
    SetTextColor(hdc, look::kText);
    HWND parent = GetParent(control);
    auto brush = reinterpret_cast<HBRUSH>(
        parent ? SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(control))
               : 0);
    FillRect(hdc, &client, brush ? brush : SysColourBrushValue(COLOR_BTNFACE));
}

void PaintText(HWND control, HDC hdc, const RECT& client, DWORD style)
{
    PaintBackground(control, hdc, client);
    // The colour the parent chose (read back through SetTextColor, which answers the previous one).
    const COLORREF chosen = SetTextColor(hdc, look::kText);
    const COLORREF colour = IsWindowEnabled(control) ? chosen : look::kTextDisabled;
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
    const DWORD type = style & SS_TYPEMASK;
    UINT format = type == SS_CENTER ? DT_CENTER : type == SS_RIGHT ? DT_RIGHT : DT_LEFT;
    if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP)
        format |= DT_SINGLELINE;
    else
        format |= DT_WORDBREAK;
    if (style & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    else
        format |= DT_HIDEPREFIX;
    if (style & SS_ENDELLIPSIS)
        format |= DT_END_ELLIPSIS;
    if ((style & SS_CENTERIMAGE) && (format & DT_SINGLELINE))
        format |= DT_VCENTER;
    look::Text(hdc, reinterpret_cast<HFONT>(GetWindowLongPtrA(control, kFontSlot)), text.c_str(), client, format,
               colour);
}

void PaintEtched(HDC hdc, const RECT& client, DWORD type)
{
    if (type == SS_ETCHEDHORZ) {
        look::Line(hdc, client.left, client.top, client.right, client.top, look::kLine);
        look::Line(hdc, client.left, client.top + 1, client.right, client.top + 1, look::kLineLight);
    } else if (type == SS_ETCHEDVERT) {
        look::Line(hdc, client.left, client.top, client.left, client.bottom, look::kLine);
        look::Line(hdc, client.left + 1, client.top, client.left + 1, client.bottom, look::kLineLight);
    } else {
        look::Outline(hdc, client, look::kLine);
    }
}

void Paint(HWND control)
{
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(control, &paint);
    RECT client;
    GetClientRect(control, &client);
    const DWORD style = StyleOf(control);
    const DWORD type = style & SS_TYPEMASK;
    switch (type) {
    case SS_ICON:
        PaintBackground(control, hdc, client);
        if (auto icon = reinterpret_cast<HICON>(GetWindowLongPtrA(control, kIconSlot)))
            DrawIconEx(hdc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
        break;
    case SS_BLACKRECT:
    case SS_GRAYRECT:
    case SS_WHITERECT:
        look::Fill(hdc, client, type == SS_BLACKRECT ? RGB(0, 0, 0)
                                : type == SS_GRAYRECT ? GetSysColor(COLOR_3DSHADOW)
                                                      : RGB(255, 255, 255));
        break;
    case SS_BLACKFRAME:
    case SS_GRAYFRAME:
    case SS_WHITEFRAME:
        // Placeholders other code draws into: only their outline is ours.
        look::Outline(hdc, client, type == SS_BLACKFRAME ? RGB(0, 0, 0)
                                   : type == SS_GRAYFRAME ? GetSysColor(COLOR_3DSHADOW)
                                                          : RGB(255, 255, 255));
        break;
    case SS_ETCHEDHORZ:
    case SS_ETCHEDVERT:
    case SS_ETCHEDFRAME:
        PaintEtched(hdc, client, type);
        break;
    default:
        PaintText(control, hdc, client, style);
        break;
    }
    EndPaint(control, &paint);
}

LRESULT CALLBACK StaticProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_SETFONT:
        SetWindowLongPtrA(control, kFontSlot, static_cast<LONG_PTR>(wParam));
        if (LOWORD(lParam))
            InvalidateRect(control, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return GetWindowLongPtrA(control, kFontSlot);
    case WM_PAINT:
        Paint(control);
        return 0;
    case WM_ERASEBKGND:
        return 1; // painting covers everything
    case WM_SETTEXT:
    case WM_ENABLE: {
        const LRESULT result = DefWindowProcA(control, message, wParam, lParam);
        InvalidateRect(control, nullptr, TRUE);
        return result;
    }
    case WM_NCHITTEST:
        // Without SS_NOTIFY a static is a label: the mouse passes to whatever lies beneath.
        if (!(StyleOf(control) & SS_NOTIFY))
            return HTTRANSPARENT;
        return DefWindowProcA(control, message, wParam, lParam);
    case WM_LBUTTONDOWN:
        if (StyleOf(control) & SS_NOTIFY)
            Notify(control, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (StyleOf(control) & SS_NOTIFY)
            Notify(control, STN_DBLCLK);
        return 0;
    case STM_SETICON: {
        const LONG_PTR old = SetWindowLongPtrA(control, kIconSlot, static_cast<LONG_PTR>(wParam));
        InvalidateRect(control, nullptr, TRUE);
        return old;
    }
    case STM_GETICON:
        return GetWindowLongPtrA(control, kIconSlot);
    default:
        return DefWindowProcA(control, message, wParam, lParam);
    }
}

} // namespace

bool RegisterStaticClass()
{
    WNDCLASSA staticClass{};
    staticClass.style = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    staticClass.lpfnWndProc = StaticProcedure;
    staticClass.cbWndExtra = kExtraBytes;
    staticClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    staticClass.lpszClassName = "Static";
    return RegisterClassA(&staticClass) != 0;
}

} // namespace zv::user
