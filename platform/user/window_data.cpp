// Window data (GetWindowLong*), window text and the visible and minimised state.
#include "platform/user/remote_windows.h"
#include "platform/user/window_model.h"
#include "platform/win32/last_error.h"

#include <cstring>

namespace zv::user {
namespace {

// The extra bytes at `index` as a value of `size` bytes, or null when they lie outside.
BYTE* ExtraBytes(WindowRecord& record, int index, std::size_t size)
{
    if (index < 0 || static_cast<std::size_t>(index) + size > record.extraBytes.size())
        return nullptr;
    return record.extraBytes.data() + index;
}

template <typename Value>
Value ReadExtra(WindowRecord& record, int index)
{
    BYTE* bytes = ExtraBytes(record, index, sizeof(Value));
    if (!bytes) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    Value value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

template <typename Value>
Value WriteExtra(WindowRecord& record, int index, Value value)
{
    BYTE* bytes = ExtraBytes(record, index, sizeof(Value));
    if (!bytes) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    Value old;
    std::memcpy(&old, bytes, sizeof old);
    std::memcpy(bytes, &value, sizeof value);
    return old;
}

// The pointer-sized field behind a negative index, or null for an unknown index.
LONG_PTR* Field(WindowRecord& record, int index)
{
    switch (index) {
    case GWLP_USERDATA: return &record.userData;
    case GWLP_ID: return &record.id;
    default: return nullptr;
    }
}

LONG_PTR GetLongPtr(WindowRecord& record, int index)
{
    switch (index) {
    case GWL_STYLE: return static_cast<LONG>(record.style);
    case GWL_EXSTYLE: return static_cast<LONG>(record.exStyle);
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(record.wndProc);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(record.parent);
    default: break;
    }
    if (index >= 0)
        return ReadExtra<LONG_PTR>(record, index);
    if (LONG_PTR* field = Field(record, index))
        return *field;
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR SetLongPtr(WindowRecord& record, int index, LONG_PTR value)
{
    LONG_PTR old = 0;
    switch (index) {
    case GWL_STYLE:
        old = static_cast<LONG>(record.style);
        record.style = static_cast<DWORD>(value);
        return old;
    case GWL_EXSTYLE:
        old = static_cast<LONG>(record.exStyle);
        record.exStyle = static_cast<DWORD>(value);
        return old;
    case GWLP_WNDPROC:
        if (!value) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        old = reinterpret_cast<LONG_PTR>(record.wndProc);
        record.wndProc = reinterpret_cast<WNDPROC>(value);
        return old;
    default: break;
    }
    if (index >= 0)
        return WriteExtra<LONG_PTR>(record, index, value);
    if (LONG_PTR* field = Field(record, index)) {
        old = *field;
        *field = value;
        return old;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

} // namespace
} // namespace zv::user

using zv::user::WindowRecord;
using zv::user::WindowTable;
using zv::user::WithWindow;

LONG_PTR GetWindowLongPtrA(HWND hWnd, int nIndex)
{
    return WithWindow<LONG_PTR>(hWnd, 0, [&](WindowTable&, WindowRecord& r) { return zv::user::GetLongPtr(r, nIndex); });
}

LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    const LONG_PTR old = WithWindow<LONG_PTR>(
        hWnd, 0, [&](WindowTable&, WindowRecord& r) { return zv::user::SetLongPtr(r, nIndex, dwNewLong); });
    if (nIndex == GWL_STYLE)
        zv::user::SyncPublishedWindows();
    return old;
}

// The 32-bit forms: a window procedure does not fit and is refused; user data and the id keep
// only their low 32 bits, as on any 64-bit system.
LONG GetWindowLongA(HWND hWnd, int nIndex)
{
    return WithWindow<LONG>(hWnd, 0, [&](WindowTable&, WindowRecord& r) -> LONG {
        if (nIndex == GWL_WNDPROC) {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        if (nIndex >= 0)
            return zv::user::ReadExtra<LONG>(r, nIndex);
        return static_cast<LONG>(zv::user::GetLongPtr(r, nIndex));
    });
}

LONG SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong)
{
    if (nIndex == GWL_STYLE)
        return static_cast<LONG>(SetWindowLongPtrA(hWnd, nIndex, dwNewLong));
    return WithWindow<LONG>(hWnd, 0, [&](WindowTable&, WindowRecord& r) -> LONG {
        if (nIndex == GWL_WNDPROC) {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        if (nIndex >= 0)
            return zv::user::WriteExtra<LONG>(r, nIndex, dwNewLong);
        return static_cast<LONG>(zv::user::SetLongPtr(r, nIndex, dwNewLong));
    });
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString)
{
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount)
{
    if (!lpString || nMaxCount <= 0)
        return 0;
    lpString[0] = '\0';
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (const auto caption = zv::user::RemoteCaption(hWnd))
        return zv::user::CopyText(*caption, lpString, static_cast<std::size_t>(nMaxCount));
    return static_cast<int>(
        SendMessageA(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

int GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount)
{
    if (!lpClassName || nMaxCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    lpClassName[0] = '\0';
    std::string name;
    if (const auto remote = zv::user::RemoteWindow(hWnd)) {
        name = remote->className;
    } else {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        const WindowRecord* record = table.Find(hWnd);
        if (!record) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        name = record->windowClass->name;
    }
    return zv::user::CopyText(name, lpClassName, static_cast<std::size_t>(nMaxCount));
}

int GetWindowTextLengthA(HWND hWnd)
{
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (const auto caption = zv::user::RemoteCaption(hWnd))
        return static_cast<int>(caption->size());
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL IsWindowVisible(HWND hWnd)
{
    if (!zv::user::IsLocalWindow(hWnd)) {
        const auto remote = zv::user::RemoteWindow(hWnd);
        return remote && remote->visible ? TRUE : FALSE;
    }
    // A child shows only while all its parents do; an owned window does not depend on its owner.
    return zv::user::WithWindow<BOOL>(hWnd, FALSE, [](WindowTable& table, WindowRecord& record) {
        return zv::user::IsShownLocked(table, record) ? TRUE : FALSE;
    });
}

BOOL IsIconic(HWND hWnd)
{
    if (!zv::user::IsLocalWindow(hWnd)) {
        const auto remote = zv::user::RemoteWindow(hWnd);
        return remote && remote->iconic ? TRUE : FALSE;
    }
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    WindowRecord* record = table.Find(hWnd);
    return record && (record->style & WS_MINIMIZE) ? TRUE : FALSE;
}
