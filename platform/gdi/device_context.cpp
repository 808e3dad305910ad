// Creating and deleting device contexts (also the screen context of GetDC) and setting their
// colours, background mode and palette.
#include <strings.h>

#include <mutex>

#include "platform/gdi/context_state.h"
#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/context_state.h"
#include "platform/gdi/handle_table.h"
#include "platform/gdi/paint_objects.h"
#include "platform/gdi/screen_surface.h"
#include "platform/gdi/stock_objects.h"
#include "platform/gdi/window_canvas.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

HDC AddContext(std::shared_ptr<DeviceContext> dc, const StockObjects& stock)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    dc->fontId = stock.fontId;
    dc->font = table.FindAs<Font>(stock.fontId);
    dc->brushId = stock.brushId;
    dc->brush = table.FindAs<Brush>(stock.brushId);
    dc->penId = stock.penId;
    dc->pen = table.FindAs<Pen>(stock.penId);
    if (dc->isMemory) {
        dc->bitmapId = stock.bitmapId;
        dc->bitmap = table.FindAs<Bitmap>(stock.bitmapId);
    }
    return MakeHandle<HDC>(table.Add(std::move(dc)));
}

// Sets one of the context's colours; the previous one, or CLR_INVALID when hdc is no context.
COLORREF ReplaceColour(HDC hdc, COLORREF DeviceContext::*field, COLORREF colour)
{
    COLORREF previous = CLR_INVALID;
    ChangeContext(hdc, [&](DeviceContext& dc) {
        previous = dc.*field;
        dc.*field = colour;
    });
    return previous;
}

} // namespace

HDC CreateDCA(const char* driver, const char* /*device*/, const char* /*port*/, const void* /*devmode*/)
{
    if (driver == nullptr || strcasecmp(driver, "DISPLAY") != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const StockObjects& stock = Stock();
    auto dc = std::make_shared<DeviceContext>();
    dc->screen = ScreenSurface();
    return AddContext(std::move(dc), stock);
}

namespace {

std::mutex g_hooksMutex;
WindowSystemHooks g_hooks;

WindowSystemHooks Hooks()
{
    std::lock_guard lock(g_hooksMutex);
    return g_hooks;
}

HDC WindowContext(HWND window, bool wholeWindow)
{
    const WindowSystemHooks hooks = Hooks();
    WindowCanvas canvas;
    if (!hooks.canvas) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE); // no window system in this program
        return nullptr;
    }
    if (!hooks.canvas(window, wholeWindow, canvas))
        return nullptr;
    return CreateWindowContext(window, canvas);
}

} // namespace

namespace zv::gdi {

void SetWindowSystemHooks(const WindowSystemHooks& hooks)
{
    std::lock_guard lock(g_hooksMutex);
    g_hooks = hooks;
}

HDC CreateWindowContext(HWND window, const WindowCanvas& canvas)
{
    if (!canvas.surface) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const StockObjects& stock = Stock();
    auto dc = std::make_shared<DeviceContext>();
    dc->screen = canvas.surface;
    dc->fromGetDC = true;
    dc->window = window;
    dc->origin = canvas.origin;
    dc->systemClip = std::make_shared<const Region>(canvas.visible);
    return AddContext(std::move(dc), stock);
}

} // namespace zv::gdi

HDC GetDC(HWND window)
{
    if (window != nullptr)
        return WindowContext(window, false);
    const StockObjects& stock = Stock();
    auto dc = std::make_shared<DeviceContext>();
    dc->screen = ScreenSurface();
    dc->fromGetDC = true;
    return AddContext(std::move(dc), stock);
}

HDC GetWindowDC(HWND window)
{
    return window ? WindowContext(window, true) : GetDC(nullptr);
}

int ReleaseDC(HWND window, HDC hdc)
{
    RECT drawn{};
    {
        HandleTable& table = HandleTable::Instance();
        std::lock_guard lock(table.Mutex());
        const std::uintptr_t id = HandleId(hdc);
        const std::shared_ptr<DeviceContext> dc = table.FindAs<DeviceContext>(id);
        if (!dc || !dc->fromGetDC || dc->window != window) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        if (window)
            drawn = VisiblePart(dc->screen.get(), dc->systemClip.get(), nullptr).Box();
        table.Remove(id);
    }
    // Told outside the lock: the window system may draw or compose in answer.
    if (window) {
        if (const WindowSystemHooks hooks = Hooks(); hooks.released)
            hooks.released(window, drawn);
    }
    return 1;
}

HDC CreateCompatibleDC(HDC hdc)
{
    const StockObjects& stock = Stock();
    if (hdc != nullptr) {
        HandleTable& table = HandleTable::Instance();
        std::lock_guard lock(table.Mutex());
        if (!table.FindAs<DeviceContext>(HandleId(hdc))) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
    }
    auto dc = std::make_shared<DeviceContext>();
    dc->isMemory = true;
    return AddContext(std::move(dc), stock);
}

BOOL DeleteDC(HDC hdc)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const std::uintptr_t id = HandleId(hdc);
    const std::shared_ptr<DeviceContext> dc = table.FindAs<DeviceContext>(id);
    if (!dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (dc->bitmap && dc->bitmap->selectedInto == id)
        dc->bitmap->selectedInto = 0;
    table.Remove(id);
    return TRUE;
}

COLORREF SetTextColor(HDC hdc, COLORREF colour) { return ReplaceColour(hdc, &DeviceContext::textColour, colour); }

COLORREF SetBkColor(HDC hdc, COLORREF colour) { return ReplaceColour(hdc, &DeviceContext::bkColour, colour); }

COLORREF SetDCBrushColor(HDC hdc, COLORREF colour) { return ReplaceColour(hdc, &DeviceContext::dcBrushColour, colour); }

COLORREF SetDCPenColor(HDC hdc, COLORREF colour) { return ReplaceColour(hdc, &DeviceContext::dcPenColour, colour); }

UINT SetTextAlign(HDC hdc, UINT align)
{
    if (align & ~(TA_UPDATECP | TA_CENTER | TA_BASELINE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return GDI_ERROR;
    }
    UINT previous = GDI_ERROR;
    ChangeContext(hdc, [&](DeviceContext& dc) {
        previous = dc.textAlign;
        dc.textAlign = align;
    });
    return previous;
}

int SetBkMode(HDC hdc, int mode)
{
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = 0;
    ChangeContext(hdc, [&](DeviceContext& dc) {
        previous = dc.bkMode;
        dc.bkMode = mode;
    });
    return previous;
}

int SetPolyFillMode(HDC hdc, int mode)
{
    if (mode != ALTERNATE && mode != WINDING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = 0;
    ChangeContext(hdc, [&](DeviceContext& dc) {
        previous = dc.polyFillMode;
        dc.polyFillMode = mode;
    });
    return previous;
}

int GetPolyFillMode(HDC hdc)
{
    ContextState state;
    return ReadContextState(hdc, state) ? state.polyFillMode : 0;
}

UINT RealizePalette(HDC hdc)
{
    if (!ChangeContext(hdc, [](DeviceContext&) {}))
        return GDI_ERROR;
    return 0; // every surface holds true colour: no palette entry needs mapping
}
