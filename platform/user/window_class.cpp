#include "platform/user/window_table.h"
#include "platform/win32/last_error.h"

ATOM RegisterClassA(const WNDCLASSA* lpWndClass)
{
    if (!lpWndClass || !lpWndClass->lpfnWndProc || !lpWndClass->lpszClassName ||
        !*lpWndClass->lpszClassName || lpWndClass->cbWndExtra < 0 || lpWndClass->cbClsExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto windowClass = std::make_shared<zv::user::WindowClass>();
    windowClass->name = lpWndClass->lpszClassName;
    windowClass->wndProc = lpWndClass->lpfnWndProc;
    windowClass->cbWndExtra = lpWndClass->cbWndExtra;
    windowClass->style = lpWndClass->style;
    windowClass->background = lpWndClass->hbrBackground;
    windowClass->cursor = lpWndClass->hCursor;
    windowClass->icon = lpWndClass->hIcon;

    auto& table = zv::user::WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    if (table.FindClass(lpWndClass->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (!table.AddClass(windowClass)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    return windowClass->atom;
}

BOOL UnregisterClassA(LPCSTR lpClassName, HINSTANCE /*hInstance: classes are process-wide*/)
{
    if (!lpClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto& table = zv::user::WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    auto windowClass = table.FindClass(lpClassName);
    if (!windowClass) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (windowClass->windowCount > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    table.RemoveClass(windowClass->name);
    return TRUE;
}
