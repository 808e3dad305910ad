#include "platform/user/button.h"

#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_shapes.h"
#include "platform/user/control_look.h"
#include "platform/user/dialog.h"
#include "platform/user/input.h"
#include "platform/user/paint.h"

#include <algorithm>
#include <string>

namespace zv::user {
namespace {

// The window's extra data: the state bits (check state, BST_PUSHED, BST_FOCUS) and the font.
constexpr int kStateSlot = 0;
constexpr int kFontSlot = sizeof(LONG_PTR);
constexpr int kExtraBytes = 2 * sizeof(LONG_PTR);
constexpr int kBoxSize = 13;
constexpr int kBoxGap = 5;

DWORD TypeOf(HWND button) { return static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE)) & BS_TYPEMASK; }

UINT StateOf(HWND button) { return static_cast<UINT>(GetWindowLongPtrA(button, kStateSlot)); }

void SetState(HWND button, UINT state)
{
    if (state == StateOf(button))
        return;
    SetWindowLongPtrA(button, kStateSlot, static_cast<LONG_PTR>(state));
    InvalidateRect(button, nullptr, FALSE);
}

void ChangeState(HWND button, UINT bits, bool on)
{
    const UINT state = StateOf(button);
    SetState(button, on ? state | bits : state & ~bits);
}

void SetCheck(HWND button, UINT check)
{
    SetState(button, (StateOf(button) & ~(BST_CHECKED | BST_INDETERMINATE)) |
                         (check & (BST_CHECKED | BST_INDETERMINATE)));
}

bool IsCheckBox(DWORD type)
{
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}

bool IsRadio(DWORD type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }

void Notify(HWND button, WORD code)
{
    SendMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(GetDlgCtrlID(button)), code),
                 reinterpret_cast<LPARAM>(button));
}

// An automatic radio button clears the others of its group before it checks itself.
void ChooseRadio(HWND button)
{
    HWND parent = GetParent(button);
    HWND first = button;
    while (!(GetWindowLongA(first, GWL_STYLE) & WS_GROUP)) {
        HWND previous = GetWindow(first, GW_HWNDPREV);
        if (!previous)
            break;
        first = previous;
    }
    for (HWND sibling = first; sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        if (sibling != first && (GetWindowLongA(sibling, GWL_STYLE) & WS_GROUP))
            break;
        if (sibling != button && TypeOf(sibling) == BS_AUTORADIOBUTTON && GetParent(sibling) == parent)
            SetCheck(sibling, BST_UNCHECKED);
    }
    SetCheck(button, BST_CHECKED);
}

void Click(HWND button)
{
    const DWORD type = TypeOf(button);
    const UINT check = StateOf(button) & (BST_CHECKED | BST_INDETERMINATE);
    if (type == BS_AUTOCHECKBOX)
        SetCheck(button, check ? BST_UNCHECKED : BST_CHECKED);
    else if (type == BS_AUTO3STATE)
        SetCheck(button, check == BST_UNCHECKED ? BST_CHECKED
                         : check == BST_CHECKED ? BST_INDETERMINATE
                                                : BST_UNCHECKED);
    else if (type == BS_AUTORADIOBUTTON)
        ChooseRadio(button);
    Notify(button, BN_CLICKED);
}

bool PointerInside(HWND button, LPARAM lParam)
{
    RECT client;
    GetClientRect(button, &client);
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return at.x >= client.left && at.x < client.right && at.y >= client.top && at.y < client.bottom;
}

std::string TextOf(HWND button)
{
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(button)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(button, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The parent's colours for the control (WM_CTLCOLORBTN / WM_CTLCOLORSTATIC), else the face.
void PaintParentBackground(HWND control, HDC hdc, const RECT& rect, UINT colourMessage)
{
    HWND parent = GetParent(control);
    auto brush = reinterpret_cast<HBRUSH>(
        parent ? SendMessageA(parent, colourMessage, reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(control))
               : 0);
    FillRect(hdc, &rect, brush ? brush : SysColourBrushValue(COLOR_BTNFACE));
}

void PaintPush(HWND button, HDC hdc, const RECT& client, bool enabled, UINT state, HFONT font, const std::string& text)
{
    const bool isDefault = TypeOf(button) == BS_DEFPUSHBUTTON;
    const bool pushed = (state & BST_PUSHED) != 0;
    RECT body = client;
    look::Fill(hdc, body, !enabled ? look::kSurfaceDisabled : pushed ? look::kSurfacePressed : look::kSurface);
    if (!enabled) {
        look::Outline(hdc, body, look::kBorderDisabled);
    } else if (isDefault || pushed) {
        look::Outline(hdc, body, pushed ? look::kAccentPressed : look::kAccent);
        RECT inner{body.left + 1, body.top + 1, body.right - 1, body.bottom - 1};
        look::Outline(hdc, inner, pushed ? look::kAccentPressed : look::kAccent);
    } else {
        look::Outline(hdc, body, look::kBorder);
    }
    RECT textRect = client;
    if (pushed) {
        ++textRect.top;
        ++textRect.bottom;
    }
    look::Text(hdc, font, text.c_str(), textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_HIDEPREFIX,
               enabled ? look::kText : look::kTextDisabled);
    if (state & BST_FOCUS) {
        RECT focus{client.left + 3, client.top + 3, client.right - 3, client.bottom - 3};
        DrawFocusRect(hdc, &focus);
    }
}

void PaintCheckMark(HDC hdc, const RECT& box)
{
    const POINT mark[3] = {{box.left + 3, box.top + 6}, {box.left + 5, box.top + 9}, {box.left + 10, box.top + 3}};
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(hdc, pen);
    Polyline(hdc, mark, 3);
    SelectObject(hdc, old);
    DeleteObject(pen);
}

void PaintChoice(HWND button, HDC hdc, const RECT& client, bool enabled, UINT state, HFONT font, const std::string& text)
{
    PaintParentBackground(button, hdc, client, WM_CTLCOLORSTATIC);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE));
    const bool boxRight = (style & BS_LEFTTEXT) != 0;
    const int top = client.top + ((client.bottom - client.top) - kBoxSize) / 2;
    const int left = boxRight ? client.right - kBoxSize : client.left;
    const RECT box{left, top, left + kBoxSize, top + kBoxSize};
    const UINT check = state & (BST_CHECKED | BST_INDETERMINATE);
    const COLORREF border = !enabled ? look::kBorderDisabled : check ? look::kAccent : look::kBoxBorder;
    if (IsRadio(TypeOf(button))) {
        look::Disc(hdc, box, enabled ? look::kSurface : look::kSurfaceDisabled, border);
        if (check) {
            const RECT dot{box.left + 3, box.top + 3, box.right - 3, box.bottom - 3};
            look::Disc(hdc, dot, enabled ? look::kAccent : look::kTextDisabled, enabled ? look::kAccent : look::kTextDisabled);
        }
    } else {
        const bool filled = check == BST_CHECKED;
        look::Fill(hdc, box, filled ? (enabled ? look::kAccent : look::kTextDisabled)
                                    : (enabled ? look::kSurface : look::kSurfaceDisabled));
        look::Outline(hdc, box, filled && enabled ? look::kAccent : border);
        if (filled)
            PaintCheckMark(hdc, box);
        else if (check == BST_INDETERMINATE)
            look::Fill(hdc, RECT{box.left + 3, box.top + 3, box.right - 3, box.bottom - 3}, look::kAccent);
    }
    RECT textRect = client;
    if (boxRight)
        textRect.right -= kBoxSize + kBoxGap;
    else
        textRect.left += kBoxSize + kBoxGap;
    const UINT format = (style & BS_MULTILINE) ? DT_WORDBREAK | DT_HIDEPREFIX
                                               : DT_VCENTER | DT_SINGLELINE | DT_HIDEPREFIX;
    look::Text(hdc, font, text.c_str(), textRect, format | (boxRight ? DT_RIGHT : DT_LEFT),
               enabled ? look::kText : look::kTextDisabled);
    if ((state & BST_FOCUS) && !text.empty()) {
        RECT measured = textRect;
        HGDIOBJ old = SelectObject(hdc, look::FontOr(font));
        DrawTextExA(hdc, text.c_str(), -1, &measured, DT_CALCRECT | DT_SINGLELINE | DT_HIDEPREFIX, nullptr);
        SelectObject(hdc, old);
        const int height = measured.bottom - measured.top;
        const int y = textRect.top + ((textRect.bottom - textRect.top) - height) / 2;
        RECT focus{measured.left - 1, y - 1, std::min(measured.right, textRect.right) + 1, y + height + 1};
        DrawFocusRect(hdc, &focus);
    }
}

void PaintGroup(HWND button, HDC hdc, const RECT& client, bool enabled, HFONT font, const std::string& text)
{
    PaintParentBackground(button, hdc, client, WM_CTLCOLORSTATIC);
    RECT measured{0, 0, 0, 0};
    HGDIOBJ old = SelectObject(hdc, look::FontOr(font));
    DrawTextExA(hdc, text.empty() ? " " : text.c_str(), -1, &measured, DT_CALCRECT | DT_SINGLELINE | DT_HIDEPREFIX,
                nullptr);
    SelectObject(hdc, old);
    const int textHeight = measured.bottom - measured.top;
    const RECT frame{client.left, client.top + textHeight / 2, client.right, client.bottom};
    look::Outline(hdc, frame, look::kLine);
    if (text.empty())
        return;
    const RECT label{client.left + 6, client.top, client.left + 6 + (measured.right - measured.left) + 6,
                     client.top + textHeight};
    PaintParentBackground(button, hdc, label, WM_CTLCOLORSTATIC);
    look::Text(hdc, font, text.c_str(), RECT{label.left + 3, label.top, label.right, label.bottom},
               DT_LEFT | DT_SINGLELINE | DT_HIDEPREFIX, enabled ? look::kText : look::kTextDisabled);
}

void Paint(HWND button)
{
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(button, &paint);
    RECT client;
    GetClientRect(button, &client);
    const bool enabled = IsWindowEnabled(button) != FALSE;
    const UINT state = StateOf(button);
    const auto font = reinterpret_cast<HFONT>(GetWindowLongPtrA(button, kFontSlot));
    const std::string text = TextOf(button);
    const DWORD type = TypeOf(button);
    if (type == BS_GROUPBOX)
        PaintGroup(button, hdc, client, enabled, font, text);
    else if (IsCheckBox(type) || IsRadio(type))
        PaintChoice(button, hdc, client, enabled, state, font, text);
    else
        PaintPush(button, hdc, client, enabled, state, font, text);
    EndPaint(button, &paint);
}

LRESULT DialogCode(HWND button)
{
    const DWORD type = TypeOf(button);
    if (type == BS_GROUPBOX)
        return DLGC_STATIC;
    if (IsRadio(type))
        return DLGC_BUTTON | DLGC_RADIOBUTTON;
    if (type == BS_DEFPUSHBUTTON)
        return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    if (type == BS_PUSHBUTTON)
        return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    return DLGC_BUTTON;
}

LRESULT CALLBACK ButtonProcedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE:
        return DialogCode(button);
    case WM_SETFONT:
        SetWindowLongPtrA(button, kFontSlot, static_cast<LONG_PTR>(wParam));
        if (LOWORD(lParam))
            InvalidateRect(button, nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return GetWindowLongPtrA(button, kFontSlot);
    case WM_PAINT:
        Paint(button);
        return 0;
    case WM_ERASEBKGND:
        return 1; // painting covers everything
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (TypeOf(button) == BS_GROUPBOX)
            return 0;
        SetFocus(button);
        SetCapture(button);
        ChangeState(button, BST_PUSHED, true);
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == button)
            ChangeState(button, BST_PUSHED, PointerInside(button, lParam));
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == button) {
            const bool inside = PointerInside(button, lParam);
            ReleaseCapture();
            if (inside)
                Click(button);
        }
        return 0;
    case WM_CAPTURECHANGED:
        ChangeState(button, BST_PUSHED, false);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && TypeOf(button) != BS_GROUPBOX)
            ChangeState(button, BST_PUSHED, true);
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && (StateOf(button) & BST_PUSHED)) {
            ChangeState(button, BST_PUSHED, false);
            Click(button);
        }
        return 0;
    case WM_SETFOCUS:
        ChangeState(button, BST_FOCUS, true);
        if (GetWindowLongA(button, GWL_STYLE) & BS_NOTIFY)
            Notify(button, BN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        SetState(button, StateOf(button) & ~(BST_FOCUS | BST_PUSHED));
        if (GetWindowLongA(button, GWL_STYLE) & BS_NOTIFY)
            Notify(button, BN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        InvalidateRect(button, nullptr, FALSE);
        return 0;
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcA(button, message, wParam, lParam);
        InvalidateRect(button, nullptr, FALSE);
        return result;
    }
    case BM_GETCHECK:
        return StateOf(button) & (BST_CHECKED | BST_INDETERMINATE);
    case BM_SETCHECK:
        if (IsCheckBox(TypeOf(button)) || IsRadio(TypeOf(button)))
            SetCheck(button, static_cast<UINT>(wParam));
        return 0;
    case BM_GETSTATE:
        return StateOf(button);
    case BM_SETSTATE:
        ChangeState(button, BST_PUSHED, wParam != 0);
        return 0;
    case BM_SETSTYLE: {
        const auto style = static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE));
        SetWindowLongA(button, GWL_STYLE, static_cast<LONG>((style & ~BS_TYPEMASK) | (wParam & BS_TYPEMASK)));
        if (lParam)
            InvalidateRect(button, nullptr, FALSE);
        return 0;
    }
    case BM_CLICK:
        if (IsWindowEnabled(button))
            Click(button);
        return 0;
    default:
        return DefWindowProcA(button, message, wParam, lParam);
    }
}

} // namespace

bool RegisterButtonClass()
{
    WNDCLASSA buttonClass{};
    buttonClass.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
    buttonClass.lpfnWndProc = ButtonProcedure;
    buttonClass.cbWndExtra = kExtraBytes;
    buttonClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    buttonClass.lpszClassName = "Button";
    return RegisterClassA(&buttonClass) != 0;
}

} // namespace zv::user
