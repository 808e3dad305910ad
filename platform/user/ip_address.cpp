// The IP address control, made of four edit controls whose procedure it wraps.
#include "platform/user/ip_address.h"

#include "platform/gdi/gdi.h"
#include "platform/user/control_support.h"
#include "platform/user/edit_control.h"
#include "platform/user/input.h"
#include "platform/user/paint.h"
#include "platform/user/window.h"

#include <algorithm>
#include <array>
#include <string>

namespace zv::user {
namespace {

constexpr int kFields = 4;
constexpr int kDotWidth = 6;

struct IpState {
    std::array<HWND, kFields> fields{};
    std::array<int, kFields> low{0, 0, 0, 0};
    std::array<int, kFields> high{255, 255, 255, 255};
    std::array<int, kFields> reported{-1, -1, -1, -1}; // the values the parent last heard of
    WNDPROC editProc = nullptr;
    HFONT font = nullptr;
};

IpState* StateOf(HWND hwnd) { return ControlState<IpState>(hwnd); }

// -1 for a blank field.
int ValueOf(HWND field)
{
    char text[8] = {};
    GetWindowTextA(field, text, sizeof text);
    return text[0] ? std::atoi(text) : -1;
}

void Show(HWND field, int value)
{
    SetWindowTextA(field, value < 0 ? "" : std::to_string(value).c_str());
}

int FieldIndex(HWND field) { return static_cast<int>(GetWindowLongPtrA(field, GWLP_USERDATA)) - 1; }

// Focus to another field with the caret at its start (or end), or the whole field selected.
void Enter(HWND control, int index, int caret)
{
    IpState* s = StateOf(control);
    if (index < 0 || index >= kFields)
        return;
    const HWND field = s->fields[static_cast<size_t>(index)];
    SetFocus(field);
    if (caret == 0)
        SendMessageA(field, EM_SETSEL, 0, 0);
    else if (caret > 0)
        SendMessageA(field, EM_SETSEL, static_cast<WPARAM>(GetWindowTextLengthA(field)), -1);
    else
        SendMessageA(field, EM_SETSEL, 0, -1);
}

// The field is left: keep it within its range and tell the parent if it changed.
void Settle(HWND control, int index)
{
    IpState* s = StateOf(control);
    const size_t i = static_cast<size_t>(index);
    int value = ValueOf(s->fields[i]);
    if (value >= 0 && (value < s->low[i] || value > s->high[i])) {
        value = std::clamp(value, s->low[i], s->high[i]);
        Show(s->fields[i], value);
    }
    if (value == s->reported[i])
        return;
    NMIPADDRESS notice{};
    notice.iField = index;
    notice.iValue = value;
    NotifyParent(control, IPN_FIELDCHANGED, &notice.hdr);
    s = StateOf(control);
    if (!s)
        return;
    if (notice.iValue != value) { // the parent chose another value
        value = notice.iValue < 0 ? -1 : std::clamp(notice.iValue, s->low[i], s->high[i]);
        Show(s->fields[i], value);
    }
    s->reported[i] = value;
}

LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND control = GetParent(field);
    IpState* s = StateOf(control);
    const int index = FieldIndex(field);
    if (!s || !s->editProc)
        return DefWindowProcA(field, message, wParam, lParam);
    const WNDPROC editProc = s->editProc;
    DWORD from = 0, to = 0, length = 0;
    if (message == WM_CHAR || message == WM_KEYDOWN) {
        SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        length = static_cast<DWORD>(GetWindowTextLengthA(field));
    }
    switch (message) {
    case WM_CHAR:
        if (wParam == '.' || wParam == ' ') {
            if (length > 0)
                Enter(control, index + 1, -1);
            return 0;
        }
        if (wParam == VK_BACK && from == 0 && to == 0) {
            Enter(control, index - 1, 1);
            return 0;
        }
        if (wParam >= '0' && wParam <= '9') {
            const LRESULT result = CallWindowProcA(editProc, field, message, wParam, lParam);
            SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
            if (GetWindowTextLengthA(field) == 3 && from == 3)
                Enter(control, index + 1, -1);
            return result;
        }
        if (wParam < 0x20)
            return CallWindowProcA(editProc, field, message, wParam, lParam);
        return 0; // only digits belong in a field
    case WM_KEYDOWN:
        if (wParam == VK_RIGHT && from == length && to == length && index + 1 < kFields) {
            Enter(control, index + 1, 0);
            return 0;
        }
        if (wParam == VK_LEFT && from == 0 && to == 0 && index > 0) {
            Enter(control, index - 1, 1);
            return 0;
        }
        break;
    case WM_KILLFOCUS:
        Settle(control, index);
        break;
    default:
        break;
    }
    return CallWindowProcA(editProc, field, message, wParam, lParam);
}

void LayOut(HWND control)
{
    IpState* s = StateOf(control);
    RECT client;
    GetClientRect(control, &client);
    const int width = std::max(0, static_cast<int>(client.right) - (kFields - 1) * kDotWidth) / kFields;
    for (int i = 0; i < kFields; ++i)
        MoveWindow(s->fields[static_cast<size_t>(i)], i * (width + kDotWidth), 0, width, client.bottom, TRUE);
}

void Paint(HWND control)
{
    IpState* s = StateOf(control);
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(control, &paint);
    RECT client;
    GetClientRect(control, &client);
    FillRect(hdc, &client, GetSysColorBrush(IsWindowEnabled(control) ? COLOR_WINDOW : COLOR_BTNFACE));
    const HGDIOBJ oldFont = SelectObject(hdc, s->font ? s->font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, GetSysColor(IsWindowEnabled(control) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    SetTextAlign(hdc, TA_CENTER | TA_TOP);
    TEXTMETRICA metrics{};
    GetTextMetricsA(hdc, &metrics);
    const int y = std::max<int>(0, (client.bottom - metrics.tmHeight) / 2);
    for (int i = 0; i + 1 < kFields; ++i) {
        RECT field;
        GetWindowRect(s->fields[static_cast<size_t>(i)], &field);
        MapWindowPoints(nullptr, control, reinterpret_cast<POINT*>(&field), 2);
        TextOutA(hdc, field.right + kDotWidth / 2, y, ".", 1);
    }
    SetTextAlign(hdc, TA_LEFT | TA_TOP);
    SelectObject(hdc, oldFont);
    EndPaint(control, &paint);
}

LRESULT CALLBACK IpAddressProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    IpState* s = StateOf(hwnd);
    if (!s && message != WM_NCCREATE)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(new IpState));
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_CREATE:
        for (int i = 0; i < kFields; ++i) {
            const HWND field = CreateWindowExA(0, kEditClassName, "", WS_CHILD | WS_VISIBLE | ES_CENTER, 0, 0, 10, 10,
                                               hwnd, nullptr, nullptr, nullptr);
            if (!field)
                return -1;
            SendMessageA(field, EM_LIMITTEXT, 3, 0);
            SetWindowLongPtrA(field, GWLP_USERDATA, i + 1);
            s->editProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FieldProc)));
            s->fields[static_cast<size_t>(i)] = field;
        }
        LayOut(hwnd);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, 0, 0);
        delete s;
        return 0;
    case WM_SIZE:
        LayOut(hwnd);
        return 0;
    case WM_SETFOCUS:
        Enter(hwnd, 0, -1);
        return 0;
    case WM_SETFONT:
        s->font = reinterpret_cast<HFONT>(wParam);
        for (HWND field : s->fields)
            SendMessageA(field, WM_SETFONT, wParam, lParam);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s->font);
    case WM_ENABLE:
        for (HWND field : s->fields)
            EnableWindow(field, static_cast<BOOL>(wParam));
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_COMMAND:
        // A field's EN_CHANGE is the control's change.
        if (HIWORD(wParam) == EN_CHANGE)
            SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), EN_CHANGE),
                         reinterpret_cast<LPARAM>(hwnd));
        return 0;
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case IPM_SETADDRESS: {
        const DWORD address = static_cast<DWORD>(lParam);
        const int values[kFields] = {static_cast<int>(FIRST_IPADDRESS(address)),
                                     static_cast<int>(SECOND_IPADDRESS(address)),
                                     static_cast<int>(THIRD_IPADDRESS(address)),
                                     static_cast<int>(FOURTH_IPADDRESS(address))};
        for (size_t i = 0; i < kFields; ++i) {
            Show(s->fields[i], values[i]);
            s->reported[i] = values[i];
        }
        return TRUE;
    }
    case IPM_CLEARADDRESS:
        for (size_t i = 0; i < kFields; ++i) {
            Show(s->fields[i], -1);
            s->reported[i] = -1;
        }
        return 0;
    case IPM_GETADDRESS: {
        DWORD address = 0;
        LRESULT filled = 0;
        for (size_t i = 0; i < kFields; ++i) {
            const int value = ValueOf(s->fields[i]);
            filled += value >= 0;
            address = (address << 8) | static_cast<DWORD>(std::clamp(value, 0, 255));
        }
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = address;
        return filled;
    }
    case IPM_ISBLANK:
        return std::all_of(s->fields.begin(), s->fields.end(), [](HWND f) { return ValueOf(f) < 0; });
    case IPM_SETFOCUS:
        Enter(hwnd, std::min<int>(static_cast<int>(wParam), kFields - 1), -1);
        return 0;
    case IPM_SETRANGE: {
        if (wParam >= kFields)
            return FALSE;
        const int low = static_cast<int>(lParam & 0xFF);
        const int high = static_cast<int>((lParam >> 8) & 0xFF);
        if (low > high)
            return FALSE;
        s->low[wParam] = low;
        s->high[wParam] = high;
        return TRUE;
    }
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

} // namespace

bool RegisterIpAddressClass()
{
    return RegisterControlClass(kIpAddressClassName, IpAddressProc, IDC_IBEAM);
}

} // namespace zv::user
