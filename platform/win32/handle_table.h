// The process's handle table: every kernel object the layer hands out (events, mutexes, threads,
// file mappings, files, devices, searches) is reached through a HANDLE from here.
//
// Handle values are small multiples of four that fit in 32 bits, so they can be stored in layouts
// shared with other processes. A handle holds a reference to its object; whoever is using the object
// (a wait, a read) holds another, so CloseHandle on one thread never pulls an object from under
// another thread.
#pragma once

#include "platform/win32/last_error.h"
#include "platform/win32/types.h"

#include <cstdint>
#include <memory>

// Not a valid handle: the failure result of CreateFileA and FindFirstFileA.
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

BOOL CloseHandle(HANDLE handle);

namespace zv::win32 {

// Base of everything a handle can refer to.
class KernelObject {
public:
    KernelObject() = default;
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;
    virtual ~KernelObject() = default;
};

// Enters an object into the table; null (with ERROR_NOT_ENOUGH_MEMORY) when the table is full.
HANDLE InsertHandle(std::shared_ptr<KernelObject> object);

// The object of a handle, or null (with ERROR_INVALID_HANDLE) when the handle is not open.
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);

// The object of a handle when it is a T; otherwise null with ERROR_INVALID_HANDLE.
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle)
{
    auto object = std::dynamic_pointer_cast<T>(LookupHandle(handle));
    if (!object)
        SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

// Takes a handle out of the table and gives its reference back; null when the handle is not open.
std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle);

} // namespace zv::win32
