// The standard cursors, the cursor shown and the default WM_SETCURSOR answer.
#include "platform/user/display.h"
#include "platform/user/input.h"
#include "platform/user/resource_images.h"
#include "platform/user/system_metrics.h"
#include "platform/user/window_model.h"
#include "platform/win32/last_error.h"

#include <algorithm>
#include <array>
#include <mutex>

namespace zv::user {
namespace {

// One object per standard cursor; its address is the handle.
struct StandardCursor {
    unsigned id;
};

constexpr std::array<unsigned, 14> kStandardIds = {32512, 32513, 32514, 32515, 32516, 32642, 32643,
                                                   32644, 32645, 32646, 32648, 32649, 32650, 32651};

const std::array<StandardCursor, kStandardIds.size()>& StandardCursors()
{
    static const auto cursors = [] {
        std::array<StandardCursor, kStandardIds.size()> all{};
        for (std::size_t i = 0; i < kStandardIds.size(); ++i)
            all[i].id = kStandardIds[i];
        return all;
    }();
    return cursors;
}

HCURSOR HandleOf(const StandardCursor& cursor)
{
    return reinterpret_cast<HCURSOR>(const_cast<StandardCursor*>(&cursor));
}

std::mutex g_cursorMutex;
HCURSOR g_cursor = nullptr;

} // namespace

bool IsStandardCursor(HCURSOR cursor, unsigned* id)
{
    for (const StandardCursor& standard : StandardCursors()) {
        if (HandleOf(standard) == cursor) {
            if (id)
                *id = standard.id;
            return true;
        }
    }
    return false;
}

LRESULT DefaultSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    HWND parent = nullptr;
    HCURSOR classCursor = nullptr;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        const WindowRecord* record = table.Find(hwnd);
        if (!record)
            return FALSE;
        if (record->IsChild())
            parent = record->parent;
        classCursor = record->windowClass->cursor;
    }
    if (parent && SendMessageA(parent, WM_SETCURSOR, wParam, lParam))
        return TRUE;
    if (static_cast<short>(LOWORD(static_cast<std::uint64_t>(lParam))) == HTCLIENT) {
        if (classCursor)
            SetCursor(classCursor);
    } else {
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    }
    return FALSE;
}

} // namespace zv::user

HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName)
{
    const auto id = reinterpret_cast<std::uintptr_t>(lpCursorName);
    if (hInstance) {
        const int side = GetSystemMetrics(SM_CXCURSOR);
        return zv::user::LoadSharedIcon(hInstance, lpCursorName, true, side, side);
    }
    for (const auto& standard : zv::user::StandardCursors()) {
        if (standard.id == id)
            return zv::user::HandleOf(standard);
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

HCURSOR SetCursor(HCURSOR hCursor)
{
    HCURSOR previous = nullptr;
    {
        std::lock_guard lock(zv::user::g_cursorMutex);
        previous = zv::user::g_cursor;
        zv::user::g_cursor = hCursor;
    }
    if (previous != hCursor)
        zv::user::Display().ShowCursorShape(hCursor);
    return previous;
}

HCURSOR GetCursor()
{
    std::lock_guard lock(zv::user::g_cursorMutex);
    return zv::user::g_cursor;
}
