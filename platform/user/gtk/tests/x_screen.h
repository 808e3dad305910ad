// Test support for the gtk display: the X screen read through Xlib, independently of GTK, and
// input made by xdotool as a user would.
#pragma once

#include "platform/gdi/surface.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zv::user::gtk::test {

class XScreen {
public:
    XScreen() : m_display(XOpenDisplay(nullptr)) {}
    ~XScreen()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    XScreen(const XScreen&) = delete;
    XScreen& operator=(const XScreen&) = delete;

    bool IsOpen() const { return m_display != nullptr; }
    ::Display* Get() const { return m_display; }
    Window Root() const { return DefaultRootWindow(m_display); }

    // The top-level X window whose title is `title`, or 0.
    Window FindNamed(const std::string& title) const
    {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (!XQueryTree(m_display, Root(), &root, &parent, &children, &count))
            return 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (XFetchName(m_display, children[i], &name) && name) {
                if (title == name)
                    found = children[i];
                XFree(name);
            }
        }
        if (children)
            XFree(children);
        return found;
    }

    // Where the window's inside lies on the screen; empty when it is not viewable.
    RECT PlaceOf(Window window) const
    {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(m_display, window, &attributes) || attributes.map_state != IsViewable)
            return RECT{};
        int x = 0;
        int y = 0;
        Window child = 0;
        XTranslateCoordinates(m_display, window, Root(), 0, 0, &x, &y, &child);
        return RECT{x, y, x + attributes.width, y + attributes.height};
    }

    // The top-level windows from the bottom of the stack up.
    std::vector<Window> Stacking() const
    {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        std::vector<Window> order;
        if (XQueryTree(m_display, Root(), &root, &parent, &children, &count)) {
            order.assign(children, children + count);
            XFree(children);
        }
        return order;
    }

    // The viewable top-level windows titled `title`, from the bottom of the stack up (toolkits keep
    // unmapped windows under a program's title too).
    std::vector<Window> ShownNamed(const std::string& title) const
    {
        std::vector<Window> shown;
        for (const Window window : Stacking()) {
            char* name = nullptr;
            const bool named = XFetchName(m_display, window, &name) && name && title == name;
            if (name)
                XFree(name);
            if (named && PlaceOf(window).right != 0)
                shown.push_back(window);
        }
        return shown;
    }

    // Where the top-level window titled `title` lies (see PlaceOf); empty when there is none.
    RECT PlaceOfNamed(const std::string& title) const
    {
        const Window window = FindNamed(title);
        return window ? PlaceOf(window) : RECT{};
    }

    // What the screen shows in the rectangle, as a 32-bit surface.
    std::unique_ptr<gdi::Surface> Capture(const RECT& area) const
    {
        const int width = area.right - area.left;
        const int height = area.bottom - area.top;
        XImage* image = XGetImage(m_display, Root(), area.left, area.top, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
        if (!image)
            return nullptr;
        auto picture = gdi::Surface::Create(width, height, gdi::PixelFormat::Bgrx32, gdi::RowOrder::TopDown, 4);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                picture->SetPixel(x, y, RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
            }
        }
        XDestroyImage(image);
        return picture;
    }

private:
    ::Display* m_display;
};

// Runs xdotool with the arguments; whether it succeeded.
inline bool XdoTool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

// Checks `done` every few milliseconds, running `between` before each check, for at most `bound`
// (the desktop answers asynchronously).
inline bool Eventually(const std::function<bool()>& done, const std::function<void()>& between = {},
                       std::chrono::milliseconds bound = std::chrono::seconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        if (between)
            between();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace zv::user::gtk::test
