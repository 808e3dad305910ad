#include "platform/user/popup_menu.h"

#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_shapes.h"
#include "platform/gdi/gdi_text.h"
#include "platform/user/control_look.h"
#include "platform/user/input.h"
#include "platform/user/menu.h"
#include "platform/user/menu_view.h"
#include "platform/user/paint.h"
#include "platform/user/system_classes.h"
#include "platform/user/system_metrics.h"
#include "platform/win32/last_error.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

namespace zv::user {
namespace {

constexpr const char* kMenuClass = "#32768";
constexpr int kItemHeight = 24;
constexpr int kSeparatorHeight = 9;
constexpr int kEdge = 4;         // border and padding around the items
constexpr int kGutter = 28;      // the check mark's column
constexpr int kArrowColumn = 24; // the sub-menu arrow's column
constexpr int kAcceleratorGap = 24;
constexpr UINT MF_HILITE = 0x0080;

struct Level {
    HMENU menu = nullptr;
    std::vector<MenuItemView> items;
    std::vector<RECT> itemRects; // client coordinates
    RECT screenRect{};
    HWND window = nullptr;
    int selected = -1;
};

// The label and the accelerator text after a tab.
std::pair<std::string, std::string> SplitText(const std::string& text)
{
    const auto tab = text.find('\t');
    if (tab == std::string::npos)
        return {text, {}};
    return {text.substr(0, tab), text.substr(tab + 1)};
}

bool Choosable(const MenuItemView& item) { return !item.separator && !item.grayed && !item.disabled; }

char MnemonicOf(const std::string& text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] != '&')
            return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
        ++i;
    }
    return 0;
}

class MenuTracker {
public:
    MenuTracker(HWND owner, UINT flags) : m_owner(owner), m_flags(flags)
    {
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof(metrics);
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        m_font = CreateFontIndirectA(&metrics.lfMenuFont);
        LOGFONTA bold = metrics.lfMenuFont;
        bold.lfWeight = FW_BOLD; // the default item
        m_boldFont = CreateFontIndirectA(&bold);
    }
    ~MenuTracker()
    {
        CloseFrom(0);
        DeleteObject(m_font);
        DeleteObject(m_boldFont);
    }
    MenuTracker(const MenuTracker&) = delete;
    MenuTracker& operator=(const MenuTracker&) = delete;

    bool Open(HMENU menu, POINT at, UINT align, const RECT* exclude);
    UINT Run();
    void Paint(HWND window, const Level& level);

private:
    bool Notifies() const { return !(m_flags & TPM_NONOTIFY); }
    SIZE Measure(Level& level);
    RECT Place(SIZE size, POINT at, UINT align, const RECT* exclude, bool submenu) const;
    void CloseFrom(std::size_t index);
    void Select(std::size_t levelIndex, int item);
    void OpenSubmenu(std::size_t levelIndex);
    void Choose(const MenuItemView& item);
    void OnMouse(const MSG& msg);
    void OnKey(WPARAM key);
    void OnChar(WPARAM ch);
    void Step(int direction);
    bool Hit(POINT screen, std::size_t& levelIndex, int& item) const;

    HWND m_owner;
    UINT m_flags;
    HFONT m_font = nullptr;
    HFONT m_boldFont = nullptr;
    std::vector<std::unique_ptr<Level>> m_levels;
    POINT m_start{};
    bool m_moved = false;
    bool m_pressed = false;
    bool m_done = false;
    UINT m_chosen = 0;
};

SIZE MenuTracker::Measure(Level& level)
{
    HDC hdc = CreateCompatibleDC(nullptr);
    int labelWidth = 0;
    int acceleratorWidth = 0;
    for (const MenuItemView& item : level.items) {
        if (item.separator)
            continue;
        const auto [label, accelerator] = SplitText(item.text);
        SelectObject(hdc, item.isDefault ? m_boldFont : m_font);
        RECT box{0, 0, 0, 0};
        DrawTextExA(hdc, label.c_str(), -1, &box, DT_CALCRECT | DT_SINGLELINE, nullptr);
        labelWidth = std::max<int>(labelWidth, box.right);
        if (!accelerator.empty()) {
            box = RECT{0, 0, 0, 0};
            DrawTextExA(hdc, accelerator.c_str(), -1, &box, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX, nullptr);
            acceleratorWidth = std::max<int>(acceleratorWidth, box.right);
        }
    }
    DeleteDC(hdc);
    const int width =
        kEdge + kGutter + labelWidth + (acceleratorWidth ? kAcceleratorGap + acceleratorWidth : 0) + kArrowColumn + kEdge;
    int y = kEdge;
    level.itemRects.clear();
    for (const MenuItemView& item : level.items) {
        const int height = item.separator ? kSeparatorHeight : kItemHeight;
        level.itemRects.push_back(RECT{kEdge, y, width - kEdge, y + height});
        y += height;
    }
    return SIZE{width, y + kEdge};
}

RECT MenuTracker::Place(SIZE size, POINT at, UINT align, const RECT* exclude, bool submenu) const
{
    RECT screen{};
    GetWindowRect(GetDesktopWindow(), &screen);
    int x = at.x;
    int y = at.y;
    if (align & TPM_RIGHTALIGN)
        x -= size.cx;
    else if (align & TPM_CENTERALIGN)
        x -= size.cx / 2;
    if (align & TPM_BOTTOMALIGN)
        y -= size.cy;
    else if (align & TPM_VCENTERALIGN)
        y -= size.cy / 2;
    if (x + size.cx > screen.right)
        x = submenu && exclude ? exclude->left - size.cx : screen.right - size.cx;
    if (y + size.cy > screen.bottom)
        y = !submenu && at.y - size.cy >= screen.top ? at.y - size.cy : screen.bottom - size.cy;
    x = std::max<int>(x, screen.left);
    y = std::max<int>(y, screen.top);
    return RECT{x, y, x + size.cx, y + size.cy};
}

bool MenuTracker::Open(HMENU menu, POINT at, UINT align, const RECT* exclude)
{
    if (Notifies())
        SendMessageA(m_owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
                     MAKELPARAM(m_levels.empty() ? 0 : static_cast<unsigned>(m_levels.back()->selected), FALSE));
    auto view = ReadMenu(menu);
    if (!view)
        return false;
    auto level = std::make_unique<Level>();
    level->menu = menu;
    level->items = std::move(view->items);
    const SIZE size = Measure(*level);
    level->screenRect = Place(size, at, align, exclude, !m_levels.empty());
    const RECT& r = level->screenRect;
    level->window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMenuClass, "", WS_POPUP,
                                    r.left, r.top, r.right - r.left, r.bottom - r.top, m_owner, nullptr, nullptr, this);
    if (!level->window)
        return false;
    SetWindowLongPtrA(level->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(level.get()));
    // The menu holds the mouse before it can be seen, so no click on it can reach another window.
    if (m_levels.empty())
        SetCapture(level->window);
    m_levels.push_back(std::move(level));
    ShowWindow(m_levels.back()->window, SW_SHOWNOACTIVATE);
    UpdateWindow(m_levels.back()->window);
    return true;
}

void MenuTracker::CloseFrom(std::size_t index)
{
    while (m_levels.size() > index) {
        DestroyWindow(m_levels.back()->window);
        m_levels.pop_back();
    }
}

void MenuTracker::Select(std::size_t levelIndex, int item)
{
    Level& level = *m_levels[levelIndex];
    if (level.selected == item)
        return;
    level.selected = item;
    InvalidateRect(level.window, nullptr, FALSE);
    if (item < 0 || !Notifies())
        return;
    const MenuItemView& view = level.items[static_cast<std::size_t>(item)];
    UINT flags = MF_HILITE | (view.grayed ? MF_GRAYED : 0) | (view.disabled ? MF_DISABLED : 0) |
                 (view.checked ? MF_CHECKED : 0) | (view.submenu ? MF_POPUP : 0) | (view.separator ? MF_SEPARATOR : 0);
    SendMessageA(m_owner, WM_MENUSELECT, MAKEWPARAM(view.submenu ? static_cast<unsigned>(item) : view.id, flags),
                 reinterpret_cast<LPARAM>(level.menu));
}

void MenuTracker::OpenSubmenu(std::size_t levelIndex)
{
    Level& level = *m_levels[levelIndex];
    if (level.selected < 0)
        return;
    const MenuItemView& item = level.items[static_cast<std::size_t>(level.selected)];
    if (!item.submenu || item.grayed || item.disabled)
        return;
    if (m_levels.size() > levelIndex + 1 && m_levels[levelIndex + 1]->menu == item.submenu)
        return;
    CloseFrom(levelIndex + 1);
    RECT itemRect = level.itemRects[static_cast<std::size_t>(level.selected)];
    itemRect = RECT{level.screenRect.left, level.screenRect.top + itemRect.top, level.screenRect.right,
                    level.screenRect.top + itemRect.bottom};
    Open(item.submenu, POINT{itemRect.right - 2, itemRect.top - kEdge}, TPM_LEFTALIGN | TPM_TOPALIGN, &itemRect);
}

void MenuTracker::Choose(const MenuItemView& item)
{
    if (!Choosable(item) || item.submenu)
        return;
    m_chosen = item.id;
    m_done = true;
}

bool MenuTracker::Hit(POINT screen, std::size_t& levelIndex, int& item) const
{
    for (std::size_t i = m_levels.size(); i-- > 0;) {
        const Level& level = *m_levels[i];
        const RECT& r = level.screenRect;
        if (screen.x < r.left || screen.x >= r.right || screen.y < r.top || screen.y >= r.bottom)
            continue;
        levelIndex = i;
        item = -1;
        const int y = screen.y - r.top;
        for (std::size_t k = 0; k < level.itemRects.size(); ++k) {
            if (y >= level.itemRects[k].top && y < level.itemRects[k].bottom && !level.items[k].separator)
                item = static_cast<int>(k);
        }
        return true;
    }
    return false;
}

void MenuTracker::OnMouse(const MSG& msg)
{
    POINT screen{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    ClientToScreen(msg.hwnd, &screen);
    std::size_t levelIndex = 0;
    int item = -1;
    const bool inside = Hit(screen, levelIndex, item);
    switch (msg.message) {
    case WM_MOUSEMOVE:
        if (screen.x != m_start.x || screen.y != m_start.y)
            m_moved = true;
        if (inside && item >= 0) {
            if (m_levels.size() > levelIndex + 1 && m_levels[levelIndex]->selected != item)
                CloseFrom(levelIndex + 1);
            Select(levelIndex, item);
            OpenSubmenu(levelIndex);
        }
        return;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (!inside) {
            m_done = true; // a press outside dismisses the menu
            return;
        }
        m_pressed = true;
        if (item >= 0) {
            Select(levelIndex, item);
            OpenSubmenu(levelIndex);
        }
        return;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
        const bool buttonAllowed = msg.message == WM_LBUTTONUP || (m_flags & TPM_RIGHTBUTTON);
        // The release of the press that opened the menu chooses nothing unless the pointer moved.
        if (buttonAllowed && inside && item >= 0 && (m_pressed || m_moved))
            Choose(m_levels[levelIndex]->items[static_cast<std::size_t>(item)]);
        return;
    }
    default:
        return;
    }
}

void MenuTracker::Step(int direction)
{
    Level& level = *m_levels.back();
    const int count = static_cast<int>(level.items.size());
    int at = level.selected;
    for (int i = 0; i < count; ++i) {
        at = at < 0 ? (direction > 0 ? 0 : count - 1) : (at + direction + count) % count;
        if (!level.items[static_cast<std::size_t>(at)].separator) {
            Select(m_levels.size() - 1, at);
            return;
        }
    }
}

void MenuTracker::OnKey(WPARAM key)
{
    const std::size_t last = m_levels.size() - 1;
    Level& level = *m_levels[last];
    switch (key) {
    case VK_DOWN:
        Step(1);
        return;
    case VK_UP:
        Step(-1);
        return;
    case VK_RIGHT:
        OpenSubmenu(last);
        if (m_levels.size() > last + 1)
            Step(1);
        return;
    case VK_LEFT:
        if (last > 0)
            CloseFrom(last);
        return;
    case VK_ESCAPE:
        if (last > 0)
            CloseFrom(last);
        else
            m_done = true;
        return;
    case VK_MENU:
        m_done = true;
        return;
    case VK_RETURN:
        if (level.selected < 0)
            return;
        if (level.items[static_cast<std::size_t>(level.selected)].submenu) {
            OpenSubmenu(last);
            if (m_levels.size() > last + 1)
                Step(1);
        } else {
            Choose(level.items[static_cast<std::size_t>(level.selected)]);
        }
        return;
    default:
        return;
    }
}

void MenuTracker::OnChar(WPARAM ch)
{
    const char wanted = static_cast<char>(std::tolower(static_cast<int>(ch & 0xFF)));
    const std::size_t last = m_levels.size() - 1;
    Level& level = *m_levels[last];
    for (std::size_t i = 0; i < level.items.size(); ++i) {
        if (level.items[i].separator || MnemonicOf(level.items[i].text) != wanted)
            continue;
        Select(last, static_cast<int>(i));
        OnKey(VK_RETURN);
        return;
    }
}

UINT MenuTracker::Run()
{
    GetCursorPos(&m_start);
    HWND root = m_levels.front()->window;
    while (!m_done) {
        // The owner went away or something took the mouse: dismissed. The window procedure
        // wakes the loop when the capture goes, so this is seen even with an empty queue.
        if (!IsWindow(m_owner) || GetCapture() != root)
            break;
        MSG msg{};
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0)
            break;
        if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
            OnMouse(msg);
        } else if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
            OnKey(msg.wParam);
            TranslateMessage(&msg);
        } else if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
            OnChar(msg.wParam);
        } else if (msg.message != WM_KEYUP && msg.message != WM_SYSKEYUP) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (GetCapture() == root)
        ReleaseCapture();
    return m_chosen;
}

void PaintCheck(HDC hdc, const RECT& item, COLORREF colour)
{
    const int cx = item.left + kGutter / 2;
    const int cy = (item.top + item.bottom) / 2;
    const POINT mark[3] = {{cx - 5, cy}, {cx - 2, cy + 3}, {cx + 4, cy - 4}};
    HPEN pen = CreatePen(PS_SOLID, 2, colour);
    HGDIOBJ old = SelectObject(hdc, pen);
    Polyline(hdc, mark, 3);
    SelectObject(hdc, old);
    DeleteObject(pen);
}

void PaintArrow(HDC hdc, const RECT& item, COLORREF colour)
{
    const int cx = item.right - kArrowColumn / 2;
    const int cy = (item.top + item.bottom) / 2;
    const POINT arrow[3] = {{cx - 2, cy - 4}, {cx + 2, cy}, {cx - 2, cy + 4}};
    HBRUSH brush = CreateSolidBrush(colour);
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ oldBrush = SelectObject(hdc, brush);
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    Polygon(hdc, arrow, 3);
    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

// The colour an item's text, check mark and arrow are drawn in.
COLORREF ItemColour(const MenuItemView& item, bool selected)
{
    if (item.grayed)
        return GetSysColor(COLOR_GRAYTEXT);
    return GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
}

void MenuTracker::Paint(HWND window, const Level& level)
{
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    look::Fill(hdc, client, GetSysColor(COLOR_MENU));
    look::Outline(hdc, client, GetSysColor(COLOR_BTNSHADOW));
    for (std::size_t i = 0; i < level.items.size(); ++i) {
        const MenuItemView& item = level.items[i];
        const RECT& r = level.itemRects[i];
        if (item.separator) {
            const int y = (r.top + r.bottom) / 2;
            look::Line(hdc, r.left + kGutter, y, r.right - 4, y, GetSysColor(COLOR_BTNSHADOW));
            continue;
        }
        const bool selected = static_cast<int>(i) == level.selected;
        if (selected)
            look::Fill(hdc, r, GetSysColor(COLOR_MENUHILIGHT));
        const COLORREF colour = ItemColour(item, selected);
        if (item.checked)
            PaintCheck(hdc, r, colour);
        const auto [label, accelerator] = SplitText(item.text);
        RECT text{r.left + kGutter, r.top, r.right - kArrowColumn, r.bottom};
        look::Text(hdc, item.isDefault ? m_boldFont : m_font, label.c_str(), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE,
                   colour);
        if (!accelerator.empty())
            look::Text(hdc, m_font, accelerator.c_str(), text, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX,
                       colour);
        if (item.submenu)
            PaintArrow(hdc, r, colour);
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK PopupMenuProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    case WM_PAINT: {
        auto* tracker = reinterpret_cast<MenuTracker*>(GetWindowLongPtrA(window, 0));
        auto* level = reinterpret_cast<const Level*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (tracker && level) {
            tracker->Paint(window, *level);
            return 0;
        }
        break;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_CAPTURECHANGED:
        // To the thread, not the window, which may be on its way out: the loop sees the loss
        // on its next turn.
        PostMessageA(nullptr, WM_NULL, 0, 0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

bool RegisterPopupMenuClass()
{
    WNDCLASSA menuClass{};
    menuClass.style = CS_GLOBALCLASS;
    menuClass.lpfnWndProc = PopupMenuProcedure;
    menuClass.cbWndExtra = sizeof(void*);
    menuClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    menuClass.lpszClassName = kMenuClass;
    return RegisterClassA(&menuClass) != 0;
}

} // namespace zv::user

BOOL TrackPopupMenuEx(HMENU hMenu, UINT uFlags, int x, int y, HWND hWnd, LPTPMPARAMS lptpm)
{
    if (!IsMenu(hMenu)) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    zv::user::EnsureSystemClasses();
    const bool notify = !(uFlags & TPM_NONOTIFY);
    if (notify)
        SendMessageA(hWnd, WM_ENTERMENULOOP, TRUE, 0);
    UINT chosen = 0;
    {
        zv::user::MenuTracker tracker(hWnd, uFlags);
        const RECT* exclude = lptpm && lptpm->cbSize >= sizeof(TPMPARAMS) ? &lptpm->rcExclude : nullptr;
        if (!tracker.Open(hMenu, POINT{x, y}, uFlags, exclude)) {
            if (notify)
                SendMessageA(hWnd, WM_EXITMENULOOP, TRUE, 0);
            return FALSE;
        }
        chosen = tracker.Run();
    }
    if (notify) {
        SendMessageA(hWnd, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
        SendMessageA(hWnd, WM_EXITMENULOOP, TRUE, 0);
    }
    if (uFlags & TPM_RETURNCMD)
        return static_cast<BOOL>(chosen);
    if (chosen)
        PostMessageA(hWnd, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return TRUE;
}

BOOL TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int /*nReserved*/, HWND hWnd, const RECT* /*prcRect*/)
{
    return TrackPopupMenuEx(hMenu, uFlags, x, y, hWnd, nullptr);
}
