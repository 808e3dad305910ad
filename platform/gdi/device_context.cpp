// Creating and deleting device contexts and setting their text colours and background mode.
#include <strings.h>

#include <mutex>

#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
#include "platform/gdi/screen_surface.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

HDC AddContext(std::shared_ptr<DeviceContext> dc, const StockObjects& stock)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    dc->fontId = stock.fontId;
    dc->font = table.FindAs<Font>(stock.fontId);
    if (dc->isMemory) {
        dc->bitmapId = stock.bitmapId;
        dc->bitmap = table.FindAs<Bitmap>(stock.bitmapId);
    }
    return MakeHandle<HDC>(table.Add(std::move(dc)));
}

// Runs change on the context's state under the table's lock; failure when hdc is no context.
template <class Change> bool ChangeContext(HDC hdc, Change change)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const std::shared_ptr<DeviceContext> dc = table.FindAs<DeviceContext>(HandleId(hdc));
    if (!dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    change(*dc);
    return true;
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

COLORREF SetTextColor(HDC hdc, COLORREF colour)
{
    COLORREF previous = CLR_INVALID;
    ChangeContext(hdc, [&](DeviceContext& dc) {
        previous = dc.textColour;
        dc.textColour = colour;
    });
    return previous;
}

COLORREF SetBkColor(HDC hdc, COLORREF colour)
{
    COLORREF previous = CLR_INVALID;
    ChangeContext(hdc, [&](DeviceContext& dc) {
        previous = dc.bkColour;
        dc.bkColour = colour;
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
