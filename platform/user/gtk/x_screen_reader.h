// Reads what the X screen shows, for the screen device context (GetDC(NULL), "DISPLAY"): the
// desktop source copies the whole desktop, other programs' windows included.
//
// It keeps an X connection of its own, so it needs neither the display thread nor GTK's lock and
// may be called from any thread. Pixels come through MIT-SHM when the server offers it, else as a
// plain image; every request waits for its answer a bounded time, so a stuck server fails the
// read rather than hanging the caller.
#pragma once

#include "platform/gdi/surface.h"

#include <memory>

namespace zv::user::gtk {

class XScreenReader {
public:
    // Connects to the display DISPLAY names; null (with the reason on stderr) when it cannot or
    // when the screen's pixels are not 32 bits wide.
    static std::unique_ptr<XScreenReader> Connect();
    ~XScreenReader();
    XScreenReader(const XScreenReader&) = delete;
    XScreenReader& operator=(const XScreenReader&) = delete;

    // Fills `area` of the surface (its pixel (0, 0) is the root window's `origin`) with what the
    // screen shows there; parts off the root window turn black. False when the server did not
    // answer in time or refused.
    bool Read(gdi::Surface& surface, const RECT& area, POINT origin);

private:
    struct Connection;
    explicit XScreenReader(std::unique_ptr<Connection> connection);
    std::unique_ptr<Connection> m_connection;
};

} // namespace zv::user::gtk
