#include "platform/user/gtk/desktop_input.h"

#include "platform/user/gtk/key_map.h"
#include "platform/user/input_events.h"
#include "platform/user/virtual_keys.h"
#include "platform/user/window.h"
#include "platform/user/window_model.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

namespace zv::user::gtk {
namespace {

// Input reaches the window system on the worker thread, in the order it came: delivering the
// mouse asks the windows under it (WM_NCHITTEST) and so waits for their threads, which the
// display thread must never do.

// The pointer on the screen as the window system sees it: our window's place plus the point
// in it, so that hit testing agrees with where the window system put the window.
void MovePointer(const DesktopWindow& window, double x, double y)
{
    const RECT place = window.desktop->PlaceOf(window.hwnd);
    const int screenX = place.left + static_cast<int>(std::floor(x));
    const int screenY = place.top + static_cast<int>(std::floor(y));
    window.worker->Post([screenX, screenY] { DeliverMouseMove(screenX, screenY); });
}

gboolean OnMotion(GtkWidget*, GdkEventMotion* event, DesktopWindow* window)
{
    MovePointer(*window, event->x, event->y);
    return TRUE;
}

gboolean OnButton(GtkWidget*, GdkEventButton* event, DesktopWindow* window)
{
    // Double clicks are the window system's own business (CS_DBLCLKS): GDK's second press is
    // reported both as a press and as a 2BUTTON event, of which only the press counts.
    if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE)
        return TRUE;
    // A click on our own picture takes the keys back from a view laid over the window.
    if (event->type == GDK_BUTTON_PRESS)
        gtk_window_set_focus(GTK_WINDOW(window->window), nullptr);
    MouseButton button = MouseButton::Left;
    switch (event->button) {
    case 1: button = MouseButton::Left; break;
    case 2: button = MouseButton::Middle; break;
    case 3: button = MouseButton::Right; break;
    default: return FALSE;
    }
    MovePointer(*window, event->x, event->y);
    const bool press = event->type == GDK_BUTTON_PRESS;
    window->worker->Post([button, press] { DeliverMouseButton(button, press); });
    return TRUE;
}

gboolean OnScroll(GtkWidget*, GdkEventScroll* event, DesktopWindow* window)
{
    // A device with smooth scrolling reports each notch twice; the emulated one is dropped.
    if (gdk_event_get_pointer_emulated(reinterpret_cast<GdkEvent*>(event)))
        return TRUE;
    int delta = 0;
    switch (event->direction) {
    case GDK_SCROLL_UP: delta = WHEEL_DELTA; break;
    case GDK_SCROLL_DOWN: delta = -WHEEL_DELTA; break;
    case GDK_SCROLL_SMOOTH: {
        // Upwards (negative in GDK) turns the wheel away from the user: positive here.
        window->wheelRest -= event->delta_y * WHEEL_DELTA;
        delta = static_cast<int>(window->wheelRest);
        window->wheelRest -= delta;
        break;
    }
    default: return FALSE;
    }
    if (delta != 0) {
        MovePointer(*window, event->x, event->y);
        window->worker->Post([delta] { DeliverMouseWheel(delta); });
    }
    return TRUE;
}

// The text a key press types, in UTF-8 (the A-functions' code page here); none for keys that
// type no printable character, and for Ctrl with a letter, whose control character the window
// system derives as Windows does.
std::optional<std::string> TypedText(const GdkEventKey* event)
{
    const bool control = (event->state & GDK_CONTROL_MASK) && !(event->state & GDK_MOD1_MASK);
    const gunichar character = gdk_keyval_to_unicode(event->keyval);
    if (event->type != GDK_KEY_PRESS || control || character < 0x20 || character == 0x7F)
        return std::nullopt;
    char bytes[6] = {};
    const int length = g_unichar_to_utf8(character, bytes);
    return std::string(bytes, static_cast<std::size_t>(length));
}

gboolean OnKey(GtkWidget* widget, GdkEventKey* event, DesktopWindow* window)
{
    // A view laid over the window (a web page) that has the focus takes its keys itself.
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(widget));
    if (focus && focus != window->area)
        return FALSE;
    // The key as it is without modifiers (Shift+1 is the key '1'), but with Num Lock, which
    // makes the keypad's keys digits.
    guint plain = event->keyval;
    const auto numLock = static_cast<GdkModifierType>(event->state & GDK_MOD2_MASK);
    gdk_keymap_translate_keyboard_state(gdk_keymap_get_for_display(gdk_display_get_default()),
                                        event->hardware_keycode, numLock, event->group,
                                        &plain, nullptr, nullptr, nullptr);
    UINT key = VirtualKeyOf(plain);
    if (key == 0)
        key = VirtualKeyOf(event->keyval);
    std::optional<std::string> typed = TypedText(event);
    // A key of the layout's own (an accented letter, say) still types its character.
    if (key == 0 && (typed || event->type == GDK_KEY_RELEASE) && gdk_keyval_to_unicode(event->keyval) >= 0x20)
        key = VK_PACKET;
    if (key == 0)
        return FALSE;
    const bool press = event->type == GDK_KEY_PRESS;
    window->worker->Post([key, press, typed = std::move(typed)]() mutable { DeliverKey(key, press, std::move(typed)); });
    return TRUE;
}

gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, DesktopWindow* window)
{
    const HWND hwnd = window->hwnd;
    window->worker->Post([hwnd] {
        // While a modal loop runs, the focus the desktop gives its owner or the owner's other
        // windows belongs to the window the loop waits for.
        if (const HWND target = WindowForDesktopFocus(hwnd))
            ActivateTopLevel(target, WA_ACTIVE);
    });
    return FALSE;
}

gboolean OnFocusOut(GtkWidget*, GdkEventFocus*, DesktopWindow* window)
{
    // The focus may move on to another window of ours: that shows once the desktop's pending
    // events are handled.
    struct Check {
        DesktopWindows* desktop;
        SerialWorker* worker;
    };
    g_idle_add_full(
        G_PRIORITY_DEFAULT_IDLE,
        +[](gpointer data) -> gboolean {
            const Check* check = static_cast<Check*>(data);
            if (!check->desktop->AnyActive())
                check->worker->Post([] { DeliverAppAttention(false); });
            return G_SOURCE_REMOVE;
        },
        new Check{window->desktop, window->worker}, +[](gpointer data) { delete static_cast<Check*>(data); });
    return FALSE;
}

gboolean OnConfigure(GtkWidget* widget, GdkEventConfigure* event, DesktopWindow* window)
{
    if (window->iconified)
        return FALSE;
    int x = 0;
    int y = 0;
    gdk_window_get_origin(gtk_widget_get_window(widget), &x, &y);
    const RECT now{x, y, x + event->width, y + event->height};
    // Our own requests come back first; whatever differs from them is the user's or the
    // desktop's doing.
    auto ours = std::find_if(window->requested.begin(), window->requested.end(),
                             [&](const RECT& asked) { return SameRect(asked, now); });
    if (ours != window->requested.end()) {
        window->requested.erase(window->requested.begin(), ours + 1);
        return FALSE;
    }
    if (SameRect(now, window->desktop->PlaceOf(window->hwnd)))
        return FALSE;
    // A move and resize asked at once may come back in two steps: that half-way place is ours.
    auto halfWay = std::find_if(window->halfWays.begin(), window->halfWays.end(),
                                [&](const RECT& between) { return SameRect(between, now); });
    if (halfWay != window->halfWays.end()) {
        window->halfWays.erase(window->halfWays.begin(), halfWay + 1);
        return FALSE;
    }
    const HWND hwnd = window->hwnd;
    window->worker->Post([hwnd, now] {
        SetWindowPos(hwnd, nullptr, now.left, now.top, now.right - now.left, now.bottom - now.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    });
    return FALSE;
}

gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, DesktopWindow* window)
{
    const bool iconified = (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
    if (iconified == window->iconified)
        return FALSE;
    window->iconified = iconified;
    const HWND hwnd = window->hwnd;
    // Through ShowWindow, so the program hears WM_SIZE as when it minimises the window itself;
    // nothing is done when the window system's state already agrees (it asked for it).
    window->worker->Post([hwnd, iconified] {
        if (IsWindow(hwnd) && (IsIconic(hwnd) != 0) != iconified)
            ShowWindow(hwnd, iconified ? SW_MINIMIZE : SW_RESTORE);
    });
    return FALSE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, DesktopWindow* window)
{
    // The program decides: GTK does not destroy the window.
    PostMessageA(window->hwnd, WM_CLOSE, 0, 0);
    return TRUE;
}

} // namespace

void ConnectInput(DesktopWindow& window, SerialWorker& worker)
{
    window.worker = &worker;
    gtk_widget_add_events(window.area, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                           GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK);
    gtk_widget_add_events(window.window, GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK | GDK_FOCUS_CHANGE_MASK |
                                             GDK_STRUCTURE_MASK);
    g_signal_connect(window.area, "motion-notify-event", G_CALLBACK(OnMotion), &window);
    g_signal_connect(window.area, "button-press-event", G_CALLBACK(OnButton), &window);
    g_signal_connect(window.area, "button-release-event", G_CALLBACK(OnButton), &window);
    g_signal_connect(window.area, "scroll-event", G_CALLBACK(OnScroll), &window);
    g_signal_connect(window.window, "key-press-event", G_CALLBACK(OnKey), &window);
    g_signal_connect(window.window, "key-release-event", G_CALLBACK(OnKey), &window);
    g_signal_connect(window.window, "focus-in-event", G_CALLBACK(OnFocusIn), &window);
    g_signal_connect(window.window, "focus-out-event", G_CALLBACK(OnFocusOut), &window);
    g_signal_connect(window.window, "configure-event", G_CALLBACK(OnConfigure), &window);
    g_signal_connect(window.window, "window-state-event", G_CALLBACK(OnWindowState), &window);
    g_signal_connect(window.window, "delete-event", G_CALLBACK(OnDelete), &window);
}

} // namespace zv::user::gtk
