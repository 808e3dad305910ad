#include "platform/user/input_idle.h"

#include "platform/user/window_registry.h"
#include "platform/win32/last_error.h"
#include "platform/win32/processes.h"
#include "platform/win32/waits.h"

#include <chrono>
#include <thread>

namespace {

bool ShowsAWindow(const zv::user::WindowRegistry& registry, DWORD processId)
{
    for (const zv::user::WindowEntry& entry : registry.LiveEntries())
        if (entry.processId == processId && entry.visible)
            return true;
    return false;
}

} // namespace

DWORD WaitForInputIdle(HANDLE process, DWORD milliseconds)
{
    const DWORD processId = GetProcessId(process);
    if (processId == 0)
        return WAIT_FAILED;
    const auto registry = zv::user::WindowRegistry::ForCurrentRoot();
    if (!registry)
        return WAIT_FAILED;
    // The registry has no change notice; a short poll is cheap next to a program's start-up.
    constexpr auto kPoll = std::chrono::milliseconds(10);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        if (ShowsAWindow(*registry, processId))
            return 0;
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        if (milliseconds != INFINITE && std::chrono::steady_clock::now() >= deadline)
            return WAIT_TIMEOUT;
        std::this_thread::sleep_for(kPoll);
    }
}
