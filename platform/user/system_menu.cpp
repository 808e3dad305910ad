// Each window's system menu, kept beside the window table until the window goes.
#include "platform/user/menu.h"
#include "platform/user/window.h"

#include <map>
#include <mutex>

namespace {

std::mutex g_mutex;
std::map<HWND, HMENU> g_systemMenus;

// The standard commands; those the window's style does not allow are grayed.
HMENU NewSystemMenu(HWND hwnd)
{
    const auto style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    const bool minimised = style & WS_MINIMIZE;
    const bool maximised = style & WS_MAXIMIZE;
    const bool sizable = style & WS_THICKFRAME;
    const auto state = [](bool allowed) { return allowed ? MF_ENABLED : MF_GRAYED; };
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING | state(minimised || maximised), SC_RESTORE, "&Restore");
    AppendMenuA(menu, MF_STRING | state(!maximised), SC_MOVE, "&Move");
    AppendMenuA(menu, MF_STRING | state(sizable && !minimised && !maximised), SC_SIZE, "&Size");
    AppendMenuA(menu, MF_STRING | state((style & WS_MINIMIZEBOX) && !minimised), SC_MINIMIZE, "Mi&nimize");
    AppendMenuA(menu, MF_STRING | state((style & WS_MAXIMIZEBOX) && !maximised), SC_MAXIMIZE, "Ma&ximize");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
    SetMenuDefaultItem(menu, SC_CLOSE, FALSE);
    return menu;
}

} // namespace

HMENU GetSystemMenu(HWND hWnd, BOOL bRevert)
{
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    std::lock_guard lock(g_mutex);
    const auto found = g_systemMenus.find(hWnd);
    if (bRevert) {
        if (found != g_systemMenus.end()) {
            DestroyMenu(found->second);
            g_systemMenus.erase(found);
        }
        return nullptr;
    }
    if (found != g_systemMenus.end() && IsMenu(found->second))
        return found->second;
    HMENU menu = NewSystemMenu(hWnd);
    g_systemMenus[hWnd] = menu;
    return menu;
}

namespace zv::user {

void ReleaseSystemMenu(HWND hwnd)
{
    std::lock_guard lock(g_mutex);
    const auto found = g_systemMenus.find(hwnd);
    if (found == g_systemMenus.end())
        return;
    DestroyMenu(found->second);
    g_systemMenus.erase(found);
}

} // namespace zv::user
