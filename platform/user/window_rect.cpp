#include "platform/user/window.h"
#include "platform/user/window_table.h"
#include "platform/win32/last_error.h"

using zv::user::WindowRecord;
using zv::user::WindowTable;

BOOL GetWindowRect(HWND hWnd, RECT* lpRect)
{
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    WindowRecord* record = table.Find(hWnd);
    if (!record) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    RECT rect = record->rect;
    // A child's position counts from its parent's, up to the top-level window.
    for (WindowRecord* child = record; child->style & WS_CHILD;) {
        WindowRecord* parent = table.Find(child->parent);
        if (!parent) break;
        rect.left += parent->rect.left;
        rect.right += parent->rect.left;
        rect.top += parent->rect.top;
        rect.bottom += parent->rect.top;
        child = parent;
    }
    *lpRect = rect;
    return TRUE;
}
