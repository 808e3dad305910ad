#include "platform/gdi/handle_table.h"

#include "platform/gdi/font.h"

namespace zv::gdi {

HandleTable& HandleTable::Instance()
{
    static HandleTable table;
    return table;
}

std::uintptr_t HandleTable::Add(std::shared_ptr<GdiObject> object, bool stock)
{
    // Handles stay within 32 bits; skip 0 and ids still in use after a wrap.
    while (next_ == 0 || entries_.count(next_) != 0)
        ++next_;
    const std::uintptr_t id = next_++;
    entries_.emplace(id, Entry{std::move(object), stock});
    return id;
}

std::shared_ptr<GdiObject> HandleTable::Find(std::uintptr_t id) const
{
    const auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : it->second.object;
}

bool HandleTable::IsStock(std::uintptr_t id) const
{
    const auto it = entries_.find(id);
    return it != entries_.end() && it->second.stock;
}

void HandleTable::Remove(std::uintptr_t id) { entries_.erase(id); }

const StockObjects& Stock()
{
    static const StockObjects stock = [] {
        std::shared_ptr<Surface> pixels = Surface::Create(1, 1, PixelFormat::Mono1, RowOrder::TopDown, 2);
        auto bitmap = std::make_shared<Bitmap>(std::move(pixels), false);
        LOGFONTA defaultFont{};
        std::shared_ptr<Font> font = Font::Create(defaultFont);
        HandleTable& table = HandleTable::Instance();
        std::lock_guard lock(table.Mutex());
        StockObjects objects{};
        objects.bitmapId = table.Add(std::move(bitmap), true);
        objects.fontId = font ? table.Add(std::move(font), true) : 0;
        return objects;
    }();
    return stock;
}

} // namespace zv::gdi
