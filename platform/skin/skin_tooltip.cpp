#include "platform/skin/skin_tooltip.h"

#include "platform/skin/skin_menu.h"
#include "platform/skin/skin_window_class.h"
#include "platform/user/paint.h"
#include "platform/user/system_metrics.h"
#include "platform/user/window.h"

#include <algorithm>
#include <vector>

namespace zv::skin {
namespace {

constexpr int kPadding = 6;

LRESULT CALLBACK TooltipProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto* look = reinterpret_cast<const MenuLook*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        if (look) {
            HBRUSH border = CreateSolidBrush(look->border);
            HBRUSH fill = CreateSolidBrush(look->background);
            FillRect(dc, &client, fill);
            FrameRect(dc, &client, border);
            DeleteObject(border);
            DeleteObject(fill);
            char text[1024];
            const int length = GetWindowTextA(window, text, sizeof text);
            HFONT font = CreateMenuFont(*look);
            HGDIOBJ previous = SelectObject(dc, font);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, look->text);
            RECT inner{client.left + kPadding, client.top + kPadding / 2, client.right - kPadding,
                       client.bottom - kPadding / 2};
            DrawTextExA(dc, text, length, &inner, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX, nullptr);
            SelectObject(dc, previous);
            DeleteObject(font);
        }
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

HWND ShowSkinTooltip(HWND tooltip, HWND owner, const MenuLook& look, const std::string& text, POINT screen)
{
    RegisterSkinWindowClass(kSkinTooltipClass, TooltipProc);
    if (!tooltip || !IsWindow(tooltip)) {
        tooltip = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kSkinTooltipClass, "",
                                  WS_POPUP | WS_BORDER, 0, 0, 1, 1, owner, nullptr, nullptr, nullptr);
        if (!tooltip)
            return nullptr;
        SetWindowLongPtrA(tooltip, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&look));
    }
    SetWindowTextA(tooltip, text.c_str());
    // Measured with the look's font, wrapped at a third of the screen.
    HDC screenDC = GetDC(nullptr);
    HFONT font = CreateMenuFont(look);
    HGDIOBJ previous = SelectObject(screenDC, font);
    RECT box{0, 0, std::max(120, GetSystemMetrics(SM_CXSCREEN) / 3), 0};
    DrawTextExA(screenDC, text.c_str(), -1, &box, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT, nullptr);
    SelectObject(screenDC, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screenDC);
    const int width = box.right - box.left + 2 * kPadding + 2;
    const int height = box.bottom - box.top + kPadding + 2;
    // Below the pointer, kept on the screen.
    const int x = std::clamp<int>(screen.x, 0, std::max(0, GetSystemMetrics(SM_CXSCREEN) - width));
    int y = screen.y + 20;
    if (y + height > GetSystemMetrics(SM_CYSCREEN))
        y = std::max(0, static_cast<int>(screen.y) - height - 4);
    SetWindowPos(tooltip, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(tooltip, nullptr, TRUE);
    return tooltip;
}

} // namespace zv::skin
