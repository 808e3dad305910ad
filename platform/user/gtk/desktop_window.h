// One top-level window of ours on the desktop, as the display thread keeps it.
#pragma once

#include "platform/user/display.h"

#include <deque>

typedef struct _GtkWidget GtkWidget;

namespace zv::user::gtk {

class SerialWorker;

inline bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// What the input of one window needs to know about all of them (display thread).
class DesktopWindows {
public:
    // Where the window system last placed the window (its rectangle on the screen).
    virtual RECT PlaceOf(HWND hwnd) const = 0;
    // Whether one of our windows has the desktop's focus.
    virtual bool AnyActive() const = 0;

protected:
    ~DesktopWindows() = default;
};

struct DesktopWindow {
    HWND hwnd = nullptr;
    DesktopWindows* desktop = nullptr;
    SerialWorker* worker = nullptr; // runs the window system's calls the desktop's events cause
    GtkWidget* window = nullptr; // the GtkWindow
    GtkWidget* overlay = nullptr; // holds the area and the views laid over it (embedded_views.h)
    GtkWidget* area = nullptr;   // its drawing area, as large as our window
    TopLevelPlacement applied;   // as last applied
    bool placed = false;
    // Places asked of the desktop: their configure events are our own, not the user's.
    std::deque<RECT> requested;
    // For requests that both move and resize: the places between, which may come back first.
    std::deque<RECT> halfWays;
    bool iconified = false; // as the desktop last said
    bool fullScreen = false; // asked of the desktop: the window covers the whole screen
    double wheelRest = 0;   // smooth scrolling short of a whole notch
};

} // namespace zv::user::gtk
