#include "platform/gdi/handle_table.h"

namespace zv::gdi {

HandleTable& HandleTable::Instance()
{
    static HandleTable table;
    return table;
}

std::uintptr_t HandleTable::Add(std::shared_ptr<GdiObject> object, bool stock)
{
    // Handles stay within 32 bits; skip the small values and ids still in use after a wrap.
    while (next_ < kFirstHandleId || entries_.count(next_) != 0)
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

} // namespace zv::gdi
