#include "platform/gdi/stock_objects.h"

#include <cstdio>
#include <mutex>

#include "platform/gdi/font.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
#include "platform/gdi/paint_objects.h"
#include "platform/win32/last_error.h"

namespace zv::gdi {
namespace {

constexpr int kStockCount = DC_PEN + 1;

struct StockTable {
    StockObjects defaults{};
    std::uintptr_t ids[kStockCount]{};
};

std::uintptr_t AddStock(HandleTable& table, std::shared_ptr<GdiObject> object)
{
    return table.Add(std::move(object), true);
}

const StockTable& Table()
{
    static const StockTable stock = [] {
        std::shared_ptr<Surface> pixels = Surface::Create(1, 1, PixelFormat::Mono1, RowOrder::TopDown, 2);
        auto bitmap = std::make_shared<Bitmap>(std::move(pixels), false);
        LOGFONTA defaultFont{};
        std::shared_ptr<Font> font = Font::Create(defaultFont);
        HandleTable& table = HandleTable::Instance();
        std::lock_guard lock(table.Mutex());
        StockTable made;
        const auto solid = [&](COLORREF colour) {
            return AddStock(table, std::make_shared<Brush>(Brush::Kind::Solid, colour));
        };
        made.ids[WHITE_BRUSH] = solid(RGB(255, 255, 255));
        made.ids[LTGRAY_BRUSH] = solid(RGB(192, 192, 192));
        made.ids[GRAY_BRUSH] = solid(RGB(128, 128, 128));
        made.ids[DKGRAY_BRUSH] = solid(RGB(64, 64, 64));
        made.ids[BLACK_BRUSH] = solid(RGB(0, 0, 0));
        made.ids[NULL_BRUSH] = AddStock(table, std::make_shared<Brush>(Brush::Kind::Hollow, 0));
        made.ids[DC_BRUSH] = AddStock(table, std::make_shared<Brush>(Brush::Kind::ContextColour, 0));
        made.ids[WHITE_PEN] = AddStock(table, std::make_shared<Pen>(PS_SOLID, 1, RGB(255, 255, 255), false));
        made.ids[BLACK_PEN] = AddStock(table, std::make_shared<Pen>(PS_SOLID, 1, RGB(0, 0, 0), false));
        made.ids[NULL_PEN] = AddStock(table, std::make_shared<Pen>(PS_NULL, 1, 0, false));
        made.ids[DC_PEN] = AddStock(table, std::make_shared<Pen>(PS_SOLID, 1, 0, true));
        const std::uintptr_t fontId = font ? AddStock(table, std::move(font)) : 0;
        made.ids[SYSTEM_FONT] = fontId;
        made.ids[DEVICE_DEFAULT_FONT] = fontId;
        made.defaults = StockObjects{AddStock(table, std::move(bitmap)), fontId, made.ids[WHITE_BRUSH],
                                     made.ids[BLACK_PEN]};
        return made;
    }();
    return stock;
}

// The named fonts are made on first use: most programs never ask for them.
std::uintptr_t AddStockFont(const char* face, int tenthsOfPoint)
{
    LOGFONTA logFont{};
    logFont.lfHeight = FontHeightFromPoints(tenthsOfPoint);
    logFont.lfWeight = FW_NORMAL;
    logFont.lfCharSet = DEFAULT_CHARSET;
    std::snprintf(logFont.lfFaceName, sizeof logFont.lfFaceName, "%s", face);
    std::shared_ptr<Font> font = Font::Create(logFont);
    if (!font)
        return 0;
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    return AddStock(table, std::move(font));
}

} // namespace

const StockObjects& Stock() { return Table().defaults; }

std::uintptr_t StockObjectId(int index)
{
    switch (index) {
    case DEFAULT_GUI_FONT:
    case ANSI_VAR_FONT: {
        static const std::uintptr_t gui = AddStockFont("MS Shell Dlg", 80);
        return gui;
    }
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: {
        static const std::uintptr_t fixed = AddStockFont("Courier New", 100);
        return fixed;
    }
    default:
        break;
    }
    if (index < 0 || index >= kStockCount)
        return 0;
    return Table().ids[index];
}

} // namespace zv::gdi

HGDIOBJ GetStockObject(int index)
{
    const std::uintptr_t id = zv::gdi::StockObjectId(index);
    if (id == 0)
        SetLastError(ERROR_INVALID_PARAMETER);
    return zv::gdi::MakeHandle<HGDIOBJ>(id);
}
