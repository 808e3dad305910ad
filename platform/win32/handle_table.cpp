#include "platform/win32/handle_table.h"

#include "platform/win32/last_error.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace zv::win32 {

namespace {

// Values step by four and start over below 2^32; skipping values still in use keeps them unique.
constexpr std::uint32_t kHandleStep = 4;

struct Table {
    std::mutex mutex;
    std::unordered_map<std::uint32_t, std::shared_ptr<KernelObject>> objects;
    std::uint32_t next = kHandleStep;
};

Table& TheTable()
{
    // Never destroyed: threads may still close handles while the process exits.
    static auto* table = new Table();
    return *table;
}

std::uint32_t KeyOf(HANDLE handle)
{
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value == 0 || value > UINT32_MAX || value % kHandleStep != 0)
        return 0;
    return static_cast<std::uint32_t>(value);
}

} // namespace

HANDLE InsertHandle(std::shared_ptr<KernelObject> object)
{
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    constexpr std::uint32_t kCapacity = UINT32_MAX / kHandleStep - 1;
    if (table.objects.size() >= kCapacity) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    while (table.objects.count(table.next) != 0 || table.next == 0)
        table.next += kHandleStep;
    const std::uint32_t key = table.next;
    table.next += kHandleStep;
    table.objects.emplace(key, std::move(object));
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(key));
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle)
{
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(KeyOf(handle));
    if (it == table.objects.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second;
}

std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle)
{
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(KeyOf(handle));
    if (it == table.objects.end())
        return nullptr;
    auto object = std::move(it->second);
    table.objects.erase(it);
    return object;
}

} // namespace zv::win32

BOOL CloseHandle(HANDLE handle)
{
    // The reference is dropped outside the table's lock: closing an object may take other locks.
    auto object = zv::win32::RemoveHandle(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object.reset();
    return TRUE;
}
