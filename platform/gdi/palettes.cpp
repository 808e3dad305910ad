// Logical palettes: made, selected into contexts and read back.
#include <algorithm>
#include <mutex>

#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

constexpr WORD kPaletteVersion = 0x300;
constexpr WORD kMaxPaletteEntries = 1024;

} // namespace

HPALETTE CreatePalette(const LOGPALETTE* palette)
{
    if (!palette || palette->palVersion != kPaletteVersion || palette->palNumEntries == 0 ||
        palette->palNumEntries > kMaxPaletteEntries) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const PALETTEENTRY* first = palette->palPalEntry;
    auto object = std::make_shared<Palette>(std::vector<PALETTEENTRY>(first, first + palette->palNumEntries));
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    return MakeHandle<HPALETTE>(table.Add(std::move(object)));
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const auto dc = table.FindAs<DeviceContext>(HandleId(hdc));
    if (!dc || !table.FindAs<Palette>(HandleId(palette))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const std::uintptr_t previous = dc->paletteId;
    dc->paletteId = HandleId(palette);
    return MakeHandle<HPALETTE>(previous);
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const auto found = table.FindAs<Palette>(HandleId(palette));
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const std::vector<PALETTEENTRY>& all = found->Entries();
    if (!entries)
        return static_cast<UINT>(all.size());
    if (start >= all.size())
        return 0;
    const UINT copied = std::min<UINT>(count, static_cast<UINT>(all.size()) - start);
    std::copy_n(all.begin() + start, copied, entries);
    return copied;
}
