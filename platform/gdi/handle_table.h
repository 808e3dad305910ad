// The process-wide table that turns GDI handles into objects.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/gdi/gdi_objects.h"

namespace zv::gdi {

// Smaller values are never handles: COLOR_* + 1 stands for a system colour brush.
constexpr std::uint32_t kFirstHandleId = 0x100;

class HandleTable {
public:
    static HandleTable& Instance();

    // Guards the table, every DeviceContext's fields and every Bitmap's selection.
    std::mutex& Mutex() { return mutex_; }

    // The calls below expect the mutex to be held.
    // A new handle id, never below kFirstHandleId; ids are not reused while their object lives.
    std::uintptr_t Add(std::shared_ptr<GdiObject> object, bool stock = false);
    std::shared_ptr<GdiObject> Find(std::uintptr_t id) const;
    template <class T> std::shared_ptr<T> FindAs(std::uintptr_t id) const
    {
        return std::dynamic_pointer_cast<T>(Find(id));
    }
    // Stock objects are shared by every context and survive DeleteObject.
    bool IsStock(std::uintptr_t id) const;
    void Remove(std::uintptr_t id);

private:
    struct Entry {
        std::shared_ptr<GdiObject> object;
        bool stock;
    };

    std::mutex mutex_;
    std::unordered_map<std::uintptr_t, Entry> entries_;
    std::uint32_t next_ = kFirstHandleId;
};

} // namespace zv::gdi
