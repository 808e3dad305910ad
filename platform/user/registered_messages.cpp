#include "platform/user/messages.h"
#include "platform/user/window_table.h"
#include "platform/win32/last_error.h"

#include <map>
#include <mutex>
#include <string>

UINT RegisterWindowMessageA(LPCSTR lpString)
{
    if (!lpString || !*lpString) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Process-wide for now; values that other processes must agree on would come from a table
    // under the machine's run folder.
    static std::mutex mutex;
    static auto* values = new std::map<std::string, UINT>();
    static UINT next = 0xC000;
    std::lock_guard lock(mutex);
    const std::string key = zv::user::FoldCase(lpString);
    auto it = values->find(key);
    if (it != values->end())
        return it->second;
    if (next > 0xFFFF) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    values->emplace(key, next);
    return next++;
}
