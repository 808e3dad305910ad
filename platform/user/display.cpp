#include "platform/user/display.h"
#include "platform/user/headless_display.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zv::user {

DisplayBackend& Display()
{
    static DisplayBackend& display = [] () -> DisplayBackend& {
        const char* chosen = std::getenv("ZV_DISPLAY");
        // Only the headless display exists so far; any other choice is reported once.
        if (chosen && *chosen && std::strcmp(chosen, "headless") != 0)
            std::fprintf(stderr, "ZV_DISPLAY=%s is not available; using the headless display\n", chosen);
        return headless::Backend();
    }();
    return display;
}

} // namespace zv::user
