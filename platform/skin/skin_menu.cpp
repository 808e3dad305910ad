#include "platform/skin/skin_menu.h"

#include "platform/skin/skin_window_class.h"
#include "platform/user/input.h"
#include "platform/user/menu_view.h"
#include "platform/user/paint.h"
#include "platform/user/system_metrics.h"
#include "platform/user/window.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace zv::skin {
namespace {

constexpr int kSeparatorHeight = 9;
constexpr int kPadding = 4;     // above the first and below the last item
constexpr int kCheckColumn = 26; // check marks
constexpr int kArrowColumn = 22; // sub-menu arrows

struct MenuLevel {
    std::vector<user::MenuItemView> items;
    std::vector<RECT> itemRects; // client coordinates
    HWND window = nullptr;
    int selected = -1;
    const MenuLook* look = nullptr;
};

bool Selectable(const user::MenuItemView& item) { return !item.separator; }
bool Choosable(const user::MenuItemView& item)
{
    return !item.separator && !item.grayed && !item.disabled && !item.submenu;
}

// The item text without its accelerator, and the accelerator after the tab.
std::pair<std::string, std::string> SplitText(const std::string& text)
{
    const std::size_t tab = text.find('\t');
    if (tab == std::string::npos)
        return {text, {}};
    return {text.substr(0, tab), text.substr(tab + 1)};
}

void FillColour(HDC dc, const RECT& rect, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void PaintLevel(HDC dc, const MenuLevel& level, const RECT& client)
{
    const MenuLook& look = *level.look;
    FillColour(dc, client, look.background);
    HBRUSH border = CreateSolidBrush(look.border);
    FrameRect(dc, &client, border);
    DeleteObject(border);
    HFONT font = CreateMenuFont(look);
    HGDIOBJ previousFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    for (std::size_t i = 0; i < level.items.size(); ++i) {
        const user::MenuItemView& item = level.items[i];
        const RECT r = level.itemRects[i];
        if (item.separator) {
            const int y = (r.top + r.bottom) / 2;
            FillColour(dc, RECT{r.left + 8, y, r.right - 8, y + 1}, look.separator);
            continue;
        }
        const bool selected = static_cast<int>(i) == level.selected;
        const bool inactive = item.grayed || item.disabled;
        if (selected)
            FillColour(dc, RECT{r.left + 2, r.top, r.right - 2, r.bottom}, inactive ? look.separator : look.highlight);
        const COLORREF ink = item.grayed ? look.grayed : selected ? look.highlightText : look.text;
        SetTextColor(dc, ink);
        if (item.checked) {
            // A check mark of two strokes, two pixels thick.
            HPEN pen = CreatePen(0, 2, ink);
            HGDIOBJ previousPen = SelectObject(dc, pen);
            const int cx = r.left + kCheckColumn / 2, cy = (r.top + r.bottom) / 2;
            MoveToEx(dc, cx - 5, cy, nullptr);
            LineTo(dc, cx - 2, cy + 3);
            LineTo(dc, cx + 5, cy - 4);
            SelectObject(dc, previousPen);
            DeleteObject(pen);
        }
        const auto [label, accelerator] = SplitText(item.text);
        RECT textRect{r.left + kCheckColumn, r.top, r.right - kArrowColumn, r.bottom};
        DrawTextExA(dc, label.c_str(), -1, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE, nullptr);
        if (!accelerator.empty())
            DrawTextExA(dc, accelerator.c_str(), -1, &textRect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX,
                        nullptr);
        if (item.submenu) {
            const int cx = r.right - kArrowColumn / 2, cy = (r.top + r.bottom) / 2;
            HPEN pen = CreatePen(0, 2, ink);
            HGDIOBJ previousPen = SelectObject(dc, pen);
            MoveToEx(dc, cx - 2, cy - 4, nullptr);
            LineTo(dc, cx + 2, cy);
            LineTo(dc, cx - 2, cy + 4);
            SelectObject(dc, previousPen);
            DeleteObject(pen);
        }
    }
    SelectObject(dc, previousFont);
    DeleteObject(font);
}

LRESULT CALLBACK MenuProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto* level = reinterpret_cast<const MenuLevel*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_ERASEBKGND)
        return 1;
    if (message == WM_MOUSEACTIVATE)
        return 3; // MA_NOACTIVATE: menus never take the activation
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (level) {
            RECT client;
            GetClientRect(window, &client);
            PaintLevel(dc, *level, client);
        }
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class MenuTracker {
public:
    MenuTracker(HWND owner, const MenuLook& look) : m_owner(owner), m_look(look) {}
    ~MenuTracker()
    {
        while (!m_levels.empty())
            CloseInnermost();
    }

    bool Open(HMENU menu, POINT at, int avoidLeft)
    {
        std::optional<user::MenuView> view = user::ReadMenu(menu);
        if (!view)
            return false;
        auto level = std::make_unique<MenuLevel>();
        level->items = std::move(view->items);
        level->look = &m_look;
        Layout(*level, at, avoidLeft);
        m_levels.push_back(std::move(level));
        return m_levels.back()->window != nullptr;
    }

    // Runs until a choice or a cancel; the chosen command or 0.
    UINT Run()
    {
        HWND capture = m_levels.front()->window;
        SetCapture(capture);
        MSG msg;
        while (!m_done) {
            if (!IsWindow(m_owner) || GetCapture() != capture)
                break;
            const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0) {
                PostQuitMessage(static_cast<int>(msg.wParam)); // leave the quit to the program's loop
                break;
            }
            if (got < 0)
                break;
            if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
                OnMouse(msg);
            else if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN)
                OnKey(static_cast<UINT>(msg.wParam));
            else if (msg.message == WM_KEYUP || msg.message == WM_CHAR || msg.message == WM_SYSKEYUP ||
                     msg.message == WM_SYSCHAR)
                continue; // the menu has the keyboard while it is open
            else
                DispatchMessageA(&msg);
        }
        if (GetCapture() == capture)
            ReleaseCapture();
        return m_command;
    }

private:
    void Layout(MenuLevel& level, POINT at, int avoidLeft)
    {
        HDC dc = GetDC(nullptr);
        HFONT font = CreateMenuFont(m_look);
        HGDIOBJ previous = SelectObject(dc, font);
        int width = 120, height = kPadding;
        level.itemRects.clear();
        for (const user::MenuItemView& item : level.items) {
            const int itemHeight = item.separator ? kSeparatorHeight : m_look.itemHeight;
            level.itemRects.push_back(RECT{0, height, 0, height + itemHeight});
            height += itemHeight;
            const auto [label, accelerator] = SplitText(item.text);
            SIZE labelSize{}, acceleratorSize{};
            GetTextExtentPoint32A(dc, label.c_str(), static_cast<int>(label.size()), &labelSize);
            GetTextExtentPoint32A(dc, accelerator.c_str(), static_cast<int>(accelerator.size()), &acceleratorSize);
            const int gap = accelerator.empty() ? 0 : 24 + acceleratorSize.cx;
            width = std::max<int>(width, kCheckColumn + labelSize.cx + gap + kArrowColumn);
        }
        height += kPadding;
        SelectObject(dc, previous);
        DeleteObject(font);
        ReleaseDC(nullptr, dc);
        for (RECT& r : level.itemRects)
            r.right = width;
        // Kept on the screen: a menu that would leave it on the right opens to the left of
        // avoidLeft (its parent menu) or is pushed back; one too low is pushed up.
        const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
        if (at.x + width > screenWidth)
            at.x = avoidLeft >= 0 ? avoidLeft - width : screenWidth - width;
        at.x = std::max<LONG>(0, at.x);
        if (at.y + height > screenHeight)
            at.y = std::max(0, screenHeight - height);
        RegisterSkinWindowClass(kSkinMenuClass, MenuProc, CS_DBLCLKS);
        level.window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kSkinMenuClass, "",
                                       WS_POPUP, at.x, at.y, width, height, m_owner, nullptr, nullptr, nullptr);
        if (!level.window)
            return;
        SetWindowLongPtrA(level.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&level));
        ShowWindow(level.window, SW_SHOWNOACTIVATE);
        UpdateWindow(level.window);
    }

    void CloseInnermost()
    {
        if (m_levels.back()->window)
            DestroyWindow(m_levels.back()->window);
        m_levels.pop_back();
    }

    void Select(std::size_t depth, int item)
    {
        MenuLevel& level = *m_levels[depth];
        while (m_levels.size() > depth + 1 && level.selected != item)
            CloseInnermost();
        if (level.selected == item)
            return;
        level.selected = item;
        InvalidateRect(level.window, nullptr, FALSE);
        UpdateWindow(level.window);
    }

    // Opens the selected item's sub-menu of the innermost level beside it.
    void OpenSubmenu(bool selectFirst)
    {
        MenuLevel& level = *m_levels.back();
        if (level.selected < 0 || !level.items[static_cast<std::size_t>(level.selected)].submenu)
            return;
        RECT windowRect;
        GetWindowRect(level.window, &windowRect);
        const RECT item = level.itemRects[static_cast<std::size_t>(level.selected)];
        if (!Open(level.items[static_cast<std::size_t>(level.selected)].submenu,
                  POINT{windowRect.right - 2, windowRect.top + item.top - kPadding}, windowRect.left + 2))
            return;
        if (selectFirst)
            Move(1);
    }

    // Moves the innermost level's selection to the next selectable item in the direction.
    void Move(int step)
    {
        MenuLevel& level = *m_levels.back();
        const int count = static_cast<int>(level.items.size());
        int index = level.selected;
        for (int tries = 0; tries < count; ++tries) {
            index = index < 0 ? (step > 0 ? 0 : count - 1) : (index + step + count) % count;
            if (Selectable(level.items[static_cast<std::size_t>(index)])) {
                Select(m_levels.size() - 1, index);
                return;
            }
        }
    }

    void Choose(const MenuLevel& level, int index)
    {
        const user::MenuItemView& item = level.items[static_cast<std::size_t>(index)];
        if (item.submenu) {
            OpenSubmenu(true);
            return;
        }
        if (!Choosable(item))
            return;
        m_command = item.id;
        m_done = true;
    }

    // The level and item under a screen point; depth -1 when over no menu.
    std::pair<int, int> At(POINT screen) const
    {
        for (int depth = static_cast<int>(m_levels.size()) - 1; depth >= 0; --depth) {
            const MenuLevel& level = *m_levels[static_cast<std::size_t>(depth)];
            RECT r;
            GetWindowRect(level.window, &r);
            if (screen.x < r.left || screen.x >= r.right || screen.y < r.top || screen.y >= r.bottom)
                continue;
            const POINT local{screen.x - r.left, screen.y - r.top};
            for (std::size_t i = 0; i < level.itemRects.size(); ++i) {
                const RECT& item = level.itemRects[i];
                if (local.y >= item.top && local.y < item.bottom)
                    return {depth, static_cast<int>(i)};
            }
            return {depth, -1};
        }
        return {-1, -1};
    }

    void OnMouse(const MSG& msg)
    {
        POINT screen{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        if (msg.message != WM_MOUSEWHEEL)
            ClientToScreen(msg.hwnd, &screen);
        const auto [depth, item] = At(screen);
        switch (msg.message) {
        case WM_MOUSEMOVE:
            if (depth >= 0 && item >= 0 && Selectable(m_levels[static_cast<std::size_t>(depth)]->items[static_cast<std::size_t>(item)])) {
                Select(static_cast<std::size_t>(depth), item);
                if (static_cast<std::size_t>(depth) + 1 == m_levels.size())
                    OpenSubmenu(false);
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (depth < 0)
                m_done = true; // a press outside every menu cancels
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (depth >= 0 && item >= 0) {
                const MenuLevel& level = *m_levels[static_cast<std::size_t>(depth)];
                if (!level.items[static_cast<std::size_t>(item)].submenu)
                    Choose(level, item);
            }
            break;
        default:
            break;
        }
    }

    void OnKey(UINT key)
    {
        MenuLevel& level = *m_levels.back();
        switch (key) {
        case VK_ESCAPE:
            if (m_levels.size() > 1)
                CloseInnermost();
            else
                m_done = true;
            break;
        case VK_UP:
            Move(-1);
            break;
        case VK_DOWN:
            Move(1);
            break;
        case VK_RIGHT:
            OpenSubmenu(true);
            break;
        case VK_LEFT:
            if (m_levels.size() > 1)
                CloseInnermost();
            break;
        case VK_RETURN:
            if (level.selected >= 0)
                Choose(level, level.selected);
            break;
        default:
            break;
        }
    }

    HWND m_owner;
    const MenuLook& m_look;
    std::vector<std::unique_ptr<MenuLevel>> m_levels;
    UINT m_command = 0;
    bool m_done = false;
};

} // namespace

HFONT CreateMenuFont(const MenuLook& look)
{
    LOGFONTA font{};
    font.lfHeight = -look.font.height;
    font.lfWeight = look.font.weight;
    std::copy_n(look.font.faceName, sizeof look.font.faceName - 1, font.lfFaceName);
    return CreateFontIndirectA(&font);
}

bool TrackSkinMenu(HMENU menu, POINT screen, HWND owner, const MenuLook& look, UINT* command)
{
    *command = 0;
    MenuTracker tracker(owner, look);
    if (!tracker.Open(menu, screen, -1))
        return false;
    *command = tracker.Run();
    return true;
}

} // namespace zv::skin
