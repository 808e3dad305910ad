// Window and client rectangles and the conversions between client and screen coordinates.
#include "platform/user/non_client.h"
#include "platform/user/system_metrics.h"
#include "platform/user/window_model.h"
#include "platform/win32/last_error.h"

#include <algorithm>

namespace zv::user {

RECT NonClientThickness(const WindowRecord& record)
{
    RECT thickness = FrameThickness(record.style, record.exStyle);
    if (record.style & WS_VSCROLL)
        thickness.right += GetSystemMetrics(SM_CXVSCROLL);
    if (record.style & WS_HSCROLL)
        thickness.bottom += GetSystemMetrics(SM_CYHSCROLL);
    return thickness;
}

RECT ClientAreaInWindow(const WindowRecord& record)
{
    if (record.style & WS_MINIMIZE)
        return RECT{0, 0, 0, 0};
    const RECT t = NonClientThickness(record);
    const int width = record.rect.right - record.rect.left;
    const int height = record.rect.bottom - record.rect.top;
    RECT client{t.left, t.top, width - t.right, height - t.bottom};
    client.right = std::max(client.right, client.left);
    client.bottom = std::max(client.bottom, client.top);
    return client;
}

POINT WindowOriginOnScreenLocked(WindowTable& table, const WindowRecord& record)
{
    POINT origin{record.rect.left, record.rect.top};
    if (record.IsChild()) {
        if (const WindowRecord* parent = table.Find(record.parent)) {
            const POINT client = ClientOriginOnScreenLocked(table, *parent);
            origin.x += client.x;
            origin.y += client.y;
        }
    }
    return origin;
}

POINT ClientOriginOnScreenLocked(WindowTable& table, const WindowRecord& record)
{
    POINT origin = WindowOriginOnScreenLocked(table, record);
    const RECT client = ClientAreaInWindow(record);
    return POINT{origin.x + client.left, origin.y + client.top};
}

POINT WindowOriginOnSurfaceLocked(WindowTable& table, const WindowRecord& record)
{
    const WindowRecord* top = table.TopLevelOf(record.handle);
    const POINT window = WindowOriginOnScreenLocked(table, record);
    return POINT{window.x - top->rect.left, window.y - top->rect.top};
}

bool IsShownLocked(WindowTable& table, const WindowRecord& record)
{
    for (const WindowRecord* r = &record; r;) {
        if (!(r->style & WS_VISIBLE))
            return false;
        if (!r->IsChild())
            return true;
        r = table.Find(r->parent);
    }
    return true;
}

bool IsEnabledLocked(WindowTable& table, const WindowRecord& record)
{
    for (const WindowRecord* r = &record; r;) {
        if (r->style & WS_DISABLED)
            return false;
        if (!r->IsChild())
            return true;
        r = table.Find(r->parent);
    }
    return true;
}

namespace {

RECT ScreenRect()
{
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// The client area's top-left corner on the screen; (0, 0) for the desktop and for null.
bool ClientOrigin(HWND hwnd, POINT& origin)
{
    origin = POINT{0, 0};
    if (!hwnd || hwnd == kDesktopWindow)
        return true;
    return WithWindow<BOOL>(hwnd, FALSE, [&](WindowTable& table, WindowRecord& record) {
        origin = ClientOriginOnScreenLocked(table, record);
        return TRUE;
    });
}

} // namespace
} // namespace zv::user

using zv::user::WindowRecord;
using zv::user::WindowTable;

BOOL GetWindowRect(HWND hWnd, RECT* lpRect)
{
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (hWnd == zv::user::kDesktopWindow) {
        *lpRect = zv::user::ScreenRect();
        return TRUE;
    }
    return zv::user::WithWindow<BOOL>(hWnd, FALSE, [&](WindowTable& table, WindowRecord& record) {
        const POINT origin = zv::user::WindowOriginOnScreenLocked(table, record);
        *lpRect = RECT{origin.x, origin.y, origin.x + record.rect.right - record.rect.left,
                       origin.y + record.rect.bottom - record.rect.top};
        return TRUE;
    });
}

BOOL GetClientRect(HWND hWnd, RECT* lpRect)
{
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (hWnd == zv::user::kDesktopWindow) {
        *lpRect = zv::user::ScreenRect();
        return TRUE;
    }
    return zv::user::WithWindow<BOOL>(hWnd, FALSE, [&](WindowTable&, WindowRecord& record) {
        const RECT client = zv::user::ClientAreaInWindow(record);
        *lpRect = RECT{0, 0, client.right - client.left, client.bottom - client.top};
        return TRUE;
    });
}

int MapWindowPoints(HWND hWndFrom, HWND hWndTo, POINT* lpPoints, UINT cPoints)
{
    POINT from{};
    POINT to{};
    if (!zv::user::ClientOrigin(hWndFrom, from) || !zv::user::ClientOrigin(hWndTo, to))
        return 0;
    const int dx = from.x - to.x;
    const int dy = from.y - to.y;
    for (UINT i = 0; lpPoints && i < cPoints; ++i) {
        lpPoints[i].x += dx;
        lpPoints[i].y += dy;
    }
    SetLastError(ERROR_SUCCESS); // a zero shift is no failure
    return static_cast<int>(MAKELONG(static_cast<unsigned>(dx), static_cast<unsigned>(dy)));
}

BOOL ClientToScreen(HWND hWnd, POINT* lpPoint)
{
    POINT origin{};
    if (!lpPoint || !hWnd || !zv::user::ClientOrigin(hWnd, origin))
        return FALSE;
    lpPoint->x += origin.x;
    lpPoint->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hWnd, POINT* lpPoint)
{
    POINT origin{};
    if (!lpPoint || !hWnd || !zv::user::ClientOrigin(hWnd, origin))
        return FALSE;
    lpPoint->x -= origin.x;
    lpPoint->y -= origin.y;
    return TRUE;
}
