#include "platform/user/window_icons.h"

#include "platform/gdi/gdi_brushes.h"
#include "platform/user/non_client.h"
#include "platform/user/window_model.h"

#include <mutex>

namespace zv::user {

LRESULT SetWindowIcon(HWND hwnd, WPARAM size, HICON icon)
{
    if (size != ICON_SMALL && size != ICON_BIG)
        return 0;
    HICON previous = nullptr;
    bool repaint = false;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        WindowRecord* record = table.Find(hwnd);
        if (!record)
            return 0;
        HICON& kept = size == ICON_BIG ? record->bigIcon : record->smallIcon;
        previous = kept;
        kept = icon;
        repaint = size == ICON_SMALL && (record->style & WS_CAPTION) == WS_CAPTION;
    }
    // The small icon shows in the caption.
    if (repaint)
        PaintFrame(hwnd);
    return reinterpret_cast<LRESULT>(previous);
}

LRESULT GetWindowIcon(HWND hwnd, WPARAM size)
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    const WindowRecord* record = table.Find(hwnd);
    if (!record)
        return 0;
    switch (size) {
    case ICON_BIG: return reinterpret_cast<LRESULT>(record->bigIcon);
    case ICON_SMALL: return reinterpret_cast<LRESULT>(record->smallIcon);
    case ICON_SMALL2: return reinterpret_cast<LRESULT>(record->smallIcon ? record->smallIcon : record->bigIcon);
    default: return 0;
    }
}

LRESULT DefaultDragIcon(HWND hwnd)
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    const WindowRecord* record = table.Find(hwnd);
    if (!record)
        return 0;
    return reinterpret_cast<LRESULT>(record->windowClass->icon ? record->windowClass->icon : record->bigIcon);
}

LRESULT EraseIconBackground(HWND hwnd, HDC hdc)
{
    RECT client{};
    if (!hdc || !GetClientRect(hwnd, &client))
        return FALSE;
    return FillRect(hdc, &client, GetSysColorBrush(COLOR_BACKGROUND)) ? TRUE : FALSE;
}

} // namespace zv::user
