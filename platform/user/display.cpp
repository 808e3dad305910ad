#include "platform/user/display.h"
#include "platform/user/gtk/gtk_display.h"
#include "platform/user/headless_display.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zv::user {
namespace {

bool HasDesktop()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

DisplayBackend& ChooseDisplay()
{
    const char* named = std::getenv("ZV_DISPLAY");
    const std::string chosen = named && *named ? named : (HasDesktop() ? "gtk" : "headless");
    if (chosen == "gtk") {
        if (DisplayBackend* display = gtk::OpenDisplay())
            return *display;
        std::fprintf(stderr, "The desktop cannot be reached; windows go to the headless display\n");
    } else if (chosen != "headless") {
        std::fprintf(stderr, "ZV_DISPLAY=%s is not a display (headless or gtk); using the headless display\n",
                     chosen.c_str());
    }
    return headless::Backend();
}

} // namespace

DisplayBackend& Display()
{
    static DisplayBackend& display = ChooseDisplay();
    return display;
}

} // namespace zv::user
