// Kernel objects that ReadFile and WriteFile work on: files and devices.
#pragma once

#include "platform/win32/handle_table.h"
#include "platform/win32/last_error.h"

namespace zv::win32 {

// The outcome of one read or write: the bytes moved and, on failure, the Windows error code.
struct IoResult {
    DWORD bytes = 0;
    DWORD error = ERROR_SUCCESS;

    bool Ok() const { return error == ERROR_SUCCESS; }
};

class IoObject : public KernelObject {
public:
    // Synchronous; may be called from several threads at once with the same object.
    virtual IoResult Read(void* buffer, DWORD bytes) = 0;
    virtual IoResult Write(const void* buffer, DWORD bytes) = 0;
};

} // namespace zv::win32
