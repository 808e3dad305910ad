// Invalid regions, WM_PAINT, BeginPaint/EndPaint and the canvases GDI draws window contexts on.
#include "platform/gdi/gdi_brushes.h"
#include "platform/gdi/gdi_shapes.h"
#include "platform/gdi/handle_table.h"
#include "platform/gdi/window_canvas.h"
#include "platform/user/display.h"
#include "platform/user/paint.h"
#include "platform/user/thread_queue.h"
#include "platform/user/window_model.h"
#include "platform/win32/last_error.h"

#include <cstring>
#include <functional>

namespace zv::user {
namespace {

RECT SizeOnly(const RECT& r) { return RECT{0, 0, r.right - r.left, r.bottom - r.top}; }

RECT Moved(const RECT& r, POINT by) { return RECT{r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y}; }

// The window's rectangle on its top-level surface.
RECT WindowOnSurfaceLocked(WindowTable& table, const WindowRecord& record)
{
    return Moved(SizeOnly(record.rect), WindowOriginOnSurfaceLocked(table, record));
}

RECT ClientOnSurfaceLocked(WindowTable& table, const WindowRecord& record)
{
    return Moved(ClientAreaInWindow(record), WindowOriginOnSurfaceLocked(table, record));
}

// Shown within its top-level window (the top-level window's own visibility does not matter: its
// surface is its own).
bool ShownInTopLevelLocked(WindowTable& table, const WindowRecord& record)
{
    for (const WindowRecord* r = &record; r && r->IsChild(); r = table.Find(r->parent)) {
        if (!(r->style & WS_VISIBLE))
            return false;
    }
    return true;
}

// The visible siblings above the window in its parent's stack, as surface rectangles.
gdi::Region SiblingsAboveLocked(WindowTable& table, const WindowRecord& record)
{
    gdi::Region above;
    for (HWND sibling : table.StackOf(record)) {
        if (sibling == record.handle)
            break;
        const WindowRecord* other = table.Find(sibling);
        if (other && (other->style & WS_VISIBLE))
            above = gdi::Region::Union(above, gdi::Region(WindowOnSurfaceLocked(table, *other)));
    }
    return above;
}

bool CanvasLocked(WindowTable& table, WindowRecord& record, bool wholeWindow, gdi::WindowCanvas& canvas)
{
    WindowRecord* top = table.TopLevelOf(record.handle);
    if (!top->surface)
        ResizeSurfaceLocked(*top);
    canvas.surface = top->surface;
    const RECT area = wholeWindow ? WindowOnSurfaceLocked(table, record) : ClientOnSurfaceLocked(table, record);
    canvas.origin = POINT{area.left, area.top};
    if (!ShownInTopLevelLocked(table, record)) {
        canvas.visible = gdi::Region();
        return true;
    }
    gdi::Region visible(area);
    // Parents show their children only within their client areas; siblings stacked above cover a
    // window that clips them out.
    for (const WindowRecord* r = &record; r && r->IsChild(); r = table.Find(r->parent)) {
        if (r->style & WS_CLIPSIBLINGS)
            visible = gdi::Region::Subtract(visible, SiblingsAboveLocked(table, *r));
        if (const WindowRecord* parent = table.Find(r->parent))
            visible = gdi::Region::Intersect(visible, gdi::Region(ClientOnSurfaceLocked(table, *parent)));
    }
    if (record.style & WS_CLIPCHILDREN) {
        for (HWND child : record.children) {
            const WindowRecord* c = table.Find(child);
            if (c && (c->style & WS_VISIBLE))
                visible = gdi::Region::Subtract(visible, gdi::Region(WindowOnSurfaceLocked(table, *c)));
        }
    }
    canvas.visible = std::move(visible);
    return true;
}

bool CanvasOf(HWND hwnd, bool wholeWindow, gdi::WindowCanvas& canvas)
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    WindowRecord* record = table.Find(hwnd);
    if (!record) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return CanvasLocked(table, *record, wholeWindow, canvas);
}

// What a released context drew reaches the display, when its top-level window shows.
void PresentDrawing(HWND hwnd, const RECT& drawn)
{
    HWND topHandle = nullptr;
    std::shared_ptr<gdi::Surface> surface;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        const WindowRecord* top = table.TopLevelOf(hwnd);
        if (!top || !(top->style & WS_VISIBLE) || (top->style & WS_MINIMIZE) || !top->surface)
            return;
        topHandle = top->handle;
        surface = top->surface;
    }
    Display().Present(topHandle, *surface, drawn);
}

} // namespace

void InstallCanvasHooks()
{
    static const bool installed = [] {
        gdi::WindowSystemHooks hooks;
        hooks.canvas = &CanvasOf;
        hooks.released = &PresentDrawing;
        gdi::SetWindowSystemHooks(hooks);
        return true;
    }();
    (void)installed;
}

namespace {

// The window's invalid region changes under `change`; FALSE for no such window.
template <typename Change>
BOOL ChangeInvalid(HWND hwnd, Change change)
{
    return WithWindow<BOOL>(hwnd, FALSE, [&](WindowTable& table, WindowRecord& record) {
        change(table, record);
        return TRUE;
    });
}

gdi::Region WholeClient(const WindowRecord& record) { return gdi::Region(SizeOnly(ClientAreaInWindow(record))); }

void ValidateLocked(WindowTable& table, WindowRecord& record, const gdi::Region* area, bool children)
{
    record.invalid = area ? gdi::Region::Subtract(record.invalid, *area) : gdi::Region();
    if (record.invalid.IsEmpty())
        record.eraseNeeded = false;
    if (!children)
        return;
    for (HWND child : record.children) {
        WindowRecord* c = table.Find(child);
        const RECT client = ClientAreaInWindow(*c);
        if (area) {
            const gdi::Region inChild = area->Offset(-(c->rect.left + client.left), -(c->rect.top + client.top));
            ValidateLocked(table, *c, &inChild, true);
        } else {
            ValidateLocked(table, *c, nullptr, true);
        }
    }
}

// The area a RedrawWindow call names, in client coordinates.
bool RedrawArea(HWND hwnd, const RECT* rect, HRGN rgn, gdi::Region& area)
{
    if (rgn) {
        gdi::HandleTable& handles = gdi::HandleTable::Instance();
        std::lock_guard lock(handles.Mutex());
        const auto region = handles.FindAs<gdi::RegionObject>(gdi::HandleId(rgn));
        if (!region) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        area = region->Area();
        return true;
    }
    if (rect) {
        area = gdi::Region(*rect);
        return true;
    }
    return ChangeInvalid(hwnd, [&](WindowTable&, WindowRecord& record) { area = WholeClient(record); });
}

} // namespace

void InvalidateLocked(WindowTable& table, WindowRecord& record, const gdi::Region& area, bool erase, bool children)
{
    InstallCanvasHooks();
    if (!IsShownLocked(table, record))
        return;
    const gdi::Region added = gdi::Region::Intersect(area, WholeClient(record));
    if (!added.IsEmpty()) {
        record.invalid = gdi::Region::Union(record.invalid, added);
        record.eraseNeeded = record.eraseNeeded || erase;
        record.frameNeeded = record.frameNeeded || erase;
        record.queue->Wake();
    }
    if (!children && (record.style & WS_CLIPCHILDREN))
        return;
    for (HWND child : record.children) {
        WindowRecord* c = table.Find(child);
        const RECT client = ClientAreaInWindow(*c);
        InvalidateLocked(table, *c, area.Offset(-(c->rect.left + client.left), -(c->rect.top + client.top)), erase,
                         children);
    }
}

LRESULT EraseBackground(HWND hwnd, HDC hdc)
{
    HBRUSH brush = nullptr;
    RECT client{};
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        const WindowRecord* record = table.Find(hwnd);
        if (!record)
            return FALSE;
        brush = record->windowClass->background;
        client = SizeOnly(ClientAreaInWindow(*record));
    }
    // Without a class brush the background stays for the window to erase.
    if (!brush || !hdc)
        return FALSE;
    return FillRect(hdc, &client, brush) ? TRUE : FALSE;
}

HWND FindWindowToPaint(const ThreadQueue* queue, HWND filterWindow)
{
    WindowTable& table = WindowTable::Instance();
    std::lock_guard lock(table.Mutex());
    std::function<HWND(HWND)> search = [&](HWND hwnd) -> HWND {
        const WindowRecord* record = table.Find(hwnd);
        if (!record || !(record->style & WS_VISIBLE))
            return nullptr;
        if (record->queue.get() == queue && !record->invalid.IsEmpty() && (!filterWindow || filterWindow == hwnd))
            return hwnd;
        for (HWND child : record->children) {
            if (HWND found = search(child))
                return found;
        }
        return nullptr;
    };
    for (HWND top : table.TopLevels()) {
        if (HWND found = search(top))
            return found;
    }
    return nullptr;
}

} // namespace zv::user

using zv::user::WindowRecord;
using zv::user::WindowTable;

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    if (!lpPaint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    zv::user::InstallCanvasHooks();
    std::memset(lpPaint, 0, sizeof *lpPaint);
    zv::gdi::WindowCanvas canvas;
    bool erase = false;
    bool frame = false;
    {
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        WindowRecord* record = table.Find(hWnd);
        if (!record) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        zv::user::CanvasLocked(table, *record, false, canvas);
        const zv::gdi::Region update = zv::gdi::Region::Intersect(record->invalid, zv::user::WholeClient(*record));
        canvas.visible = zv::gdi::Region::Intersect(canvas.visible, update.Offset(canvas.origin.x, canvas.origin.y));
        lpPaint->rcPaint = update.Box();
        erase = record->eraseNeeded;
        frame = record->frameNeeded;
        record->invalid = zv::gdi::Region();
        record->eraseNeeded = false;
        record->frameNeeded = false;
    }
    // The frame first, as the system paints it before the client area.
    if (frame)
        SendMessageA(hWnd, WM_NCPAINT, 1, 0);
    const HDC hdc = zv::gdi::CreateWindowContext(hWnd, canvas);
    if (!hdc)
        return nullptr;
    lpPaint->hdc = hdc;
    if (erase)
        lpPaint->fErase = SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) ? FALSE : TRUE;
    return hdc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint)
{
    if (!lpPaint)
        return FALSE;
    ReleaseDC(hWnd, lpPaint->hdc);
    return TRUE;
}

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase)
{
    if (!hWnd) {
        // Every window, as when the whole screen needs painting.
        WindowTable& table = WindowTable::Instance();
        std::lock_guard lock(table.Mutex());
        for (HWND top : table.TopLevels()) {
            WindowRecord* record = table.Find(top);
            zv::user::InvalidateLocked(table, *record, zv::user::WholeClient(*record), bErase != FALSE, true);
        }
        return TRUE;
    }
    return zv::user::ChangeInvalid(hWnd, [&](WindowTable& table, WindowRecord& record) {
        const zv::gdi::Region area = lpRect ? zv::gdi::Region(*lpRect) : zv::user::WholeClient(record);
        zv::user::InvalidateLocked(table, record, area, bErase != FALSE, false);
    });
}

BOOL ValidateRect(HWND hWnd, const RECT* lpRect)
{
    return zv::user::ChangeInvalid(hWnd, [&](WindowTable& table, WindowRecord& record) {
        if (lpRect) {
            const zv::gdi::Region area(*lpRect);
            zv::user::ValidateLocked(table, record, &area, false);
        } else {
            zv::user::ValidateLocked(table, record, nullptr, false);
        }
    });
}

BOOL GetUpdateRect(HWND hWnd, RECT* lpRect, BOOL bErase)
{
    bool erase = false;
    bool any = false;
    zv::user::ChangeInvalid(hWnd, [&](WindowTable&, WindowRecord& record) {
        any = !record.invalid.IsEmpty();
        erase = record.eraseNeeded;
        if (lpRect)
            *lpRect = record.invalid.Box();
    });
    if (any && erase && bErase) {
        // The background is erased now, as BeginPaint would.
        if (const HDC hdc = GetDC(hWnd)) {
            if (SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0))
                zv::user::ChangeInvalid(hWnd, [](WindowTable&, WindowRecord& record) { record.eraseNeeded = false; });
            ReleaseDC(hWnd, hdc);
        }
    }
    return any ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hWnd)
{
    bool due = false;
    if (!zv::user::ChangeInvalid(hWnd, [&](WindowTable& table, WindowRecord& record) {
            due = !record.invalid.IsEmpty() && zv::user::IsShownLocked(table, record);
        }))
        return FALSE;
    if (due)
        SendMessageA(hWnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL RedrawWindow(HWND hWnd, const RECT* lprcUpdate, HRGN hrgnUpdate, UINT flags)
{
    zv::gdi::Region area;
    if (!zv::user::RedrawArea(hWnd, lprcUpdate, hrgnUpdate, area))
        return FALSE;
    const bool allChildren = (flags & RDW_ALLCHILDREN) && !(flags & RDW_NOCHILDREN);
    if (!zv::user::ChangeInvalid(hWnd, [&](WindowTable& table, WindowRecord& record) {
            if (flags & RDW_INVALIDATE)
                zv::user::InvalidateLocked(table, record, area, (flags & RDW_ERASE) && !(flags & RDW_NOERASE),
                                           allChildren);
            else if (flags & RDW_VALIDATE)
                zv::user::ValidateLocked(table, record, &area, allChildren);
        }))
        return FALSE;
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
        std::vector<HWND> windows{hWnd};
        if (allChildren) {
            // Parents first, as the queue would paint them.
            for (std::size_t i = 0; i < windows.size(); ++i) {
                for (HWND child = GetWindow(windows[i], GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                    windows.push_back(child);
            }
        }
        for (HWND window : windows)
            UpdateWindow(window);
    }
    return TRUE;
}
