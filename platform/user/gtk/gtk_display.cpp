#include "platform/user/gtk/gtk_display.h"

#include "platform/gdi/font_match.h"
#include "platform/gdi/screen.h"
#include "platform/gdi/screen_surface.h"
#include "platform/user/gtk/cursor_picture.h"
#include "platform/user/gtk/desktop_dialogs.h"
#include "platform/user/gtk/desktop_input.h"
#include "platform/user/gtk/desktop_window.h"
#include "platform/user/gtk/embedded_views.h"
#include "platform/user/gtk/serial_worker.h"
#include "platform/user/gtk/x_screen_reader.h"
#include "platform/user/input.h"
#include "platform/user/window.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace zv::user::gtk {
namespace {

// Pixels a window thread presented, waiting for the display thread to show them.
struct PresentedPixels {
    cairo_surface_t* pixels = nullptr; // what the window shows; its own copy
    cairo_region_t* damage = nullptr;  // not drawn on the screen yet
    ~PresentedPixels()
    {
        if (pixels)
            cairo_surface_destroy(pixels);
        if (damage)
            cairo_region_destroy(damage);
    }
};

// Copies `area` of the surface (inside it) into the image, both of the same size.
void CopyArea(const gdi::Surface& from, cairo_surface_t* to, const RECT& area)
{
    cairo_surface_flush(to);
    unsigned char* data = cairo_image_surface_get_data(to);
    const int stride = cairo_image_surface_get_stride(to);
    const bool sameLayout = from.Format() == gdi::PixelFormat::Bgrx32;
    for (int y = area.top; y < area.bottom; ++y) {
        unsigned char* row = data + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        if (sameLayout) {
            // Our 32-bit surfaces hold blue, green, red, unused: cairo's RGB24 on this machine.
            std::memcpy(row + static_cast<std::size_t>(area.left) * 4,
                        from.Row(y) + static_cast<std::size_t>(area.left) * 4,
                        static_cast<std::size_t>(area.right - area.left) * 4);
            continue;
        }
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF c = from.GetPixel(x, y);
            const std::uint32_t pixel = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
            std::memcpy(row + static_cast<std::size_t>(x) * 4, &pixel, 4);
        }
    }
    cairo_surface_mark_dirty_rectangle(to, area.left, area.top, area.right - area.left, area.bottom - area.top);
}

// The desktop's shape for a standard cursor.
const char* CursorName(unsigned id)
{
    switch (id) {
    case 32513: return "text";
    case 32514: return "wait";
    case 32515: return "crosshair";
    case 32642: return "nwse-resize";
    case 32643: return "nesw-resize";
    case 32644: return "ew-resize";
    case 32645: return "ns-resize";
    case 32646: return "move";
    case 32648: return "not-allowed";
    case 32649: return "pointer";
    case 32650: return "progress";
    case 32651: return "help";
    default: return "default";
    }
}

class GtkDisplay final : public DisplayBackend, private DesktopWindows {
public:
    // Starts the display thread; false when GTK cannot open the display.
    bool Start()
    {
        std::promise<bool> opened;
        std::future<bool> result = opened.get_future();
        m_ended = m_endedPromise.get_future();
        m_thread = std::thread([this, &opened] {
            gdk_set_allowed_backends("x11");
            gdi::ShareFontconfig();
            if (!gtk_init_check(nullptr, nullptr)) {
                opened.set_value(false);
                return;
            }
            ReadMonitor();
            ReadScreenThroughX();
            g_signal_connect_swapped(gdk_screen_get_default(), "size-changed", G_CALLBACK(+[](GtkDisplay* self) {
                                         self->ReadMonitor();
                                     }),
                                     this);
            opened.set_value(true);
            gtk_main();
            m_endedPromise.set_value();
        });
        if (!result.get()) {
            m_thread.join();
            return false;
        }
        return true;
    }

    // At the program's exit: the display thread leaves GTK's loop before the libraries it draws
    // with are finalised, so that it never touches what they have freed. A thread held in a
    // nested loop (a desktop dialog) is left to end with the process.
    void StopAtExit()
    {
        if (std::this_thread::get_id() == m_thread.get_id() || !m_thread.joinable())
            return;
        g_idle_add_full(G_PRIORITY_HIGH, +[](gpointer) -> gboolean {
            gtk_main_quit();
            return G_SOURCE_REMOVE;
        }, nullptr, nullptr);
        if (m_ended.wait_for(std::chrono::seconds(2)) == std::future_status::ready)
            m_thread.join();
        else
            m_thread.detach();
    }

    const char* Name() const override { return "gtk"; }

    SIZE ScreenSize() override
    {
        std::lock_guard lock(m_mutex);
        return SIZE{m_screen.right - m_screen.left, m_screen.bottom - m_screen.top};
    }

    RECT WorkArea() override
    {
        std::lock_guard lock(m_mutex);
        return m_workArea;
    }

    void Arrange(const std::vector<TopLevelPlacement>& topFirst) override
    {
        std::lock_guard lock(m_mutex);
        m_placements = topFirst;
        ScheduleLocked(m_arrangeDue, &GtkDisplay::ApplyArrangement);
    }

    void Present(HWND hwnd, const gdi::Surface& surface, const RECT& area) override
    {
        std::lock_guard lock(m_mutex);
        // A late present of a window already forgotten would bring it back.
        if (std::none_of(m_placements.begin(), m_placements.end(),
                         [hwnd](const TopLevelPlacement& p) { return p.hwnd == hwnd; }))
            return;
        std::unique_ptr<PresentedPixels>& presented = m_presented[hwnd];
        if (!presented)
            presented = std::make_unique<PresentedPixels>();
        const int width = surface.Width();
        const int height = surface.Height();
        RECT copied = gdi::IntersectRects(area, surface.Bounds());
        if (!presented->pixels || cairo_image_surface_get_width(presented->pixels) != width ||
            cairo_image_surface_get_height(presented->pixels) != height) {
            if (presented->pixels)
                cairo_surface_destroy(presented->pixels);
            presented->pixels = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
            copied = surface.Bounds();
        }
        if (copied.right <= copied.left || copied.bottom <= copied.top)
            return;
        CopyArea(surface, presented->pixels, copied);
        const cairo_rectangle_int_t damaged{copied.left, copied.top, copied.right - copied.left,
                                            copied.bottom - copied.top};
        if (!presented->damage)
            presented->damage = cairo_region_create();
        cairo_region_union_rectangle(presented->damage, &damaged);
        ScheduleLocked(m_drawDue, &GtkDisplay::QueueDraws);
    }

    void Forget(HWND hwnd) override
    {
        std::lock_guard lock(m_mutex);
        m_presented.erase(hwnd);
        std::erase_if(m_placements, [hwnd](const TopLevelPlacement& p) { return p.hwnd == hwnd; });
        ScheduleLocked(m_arrangeDue, &GtkDisplay::ApplyArrangement);
    }

    void ShowCursorShape(HCURSOR cursor) override
    {
        std::lock_guard lock(m_mutex);
        m_cursor = cursor;
        ScheduleLocked(m_cursorDue, &GtkDisplay::ApplyCursor);
    }

    // Called on a thread of the caller's own (see common_dialog_modal.h): it waits here while
    // the display thread keeps running and the caller's thread serves its messages.
    bool AskCommonDialog(CommonDialogRequest& request) override
    {
        const HWND owner = RootOf(request.owner);
        auto answer = std::make_shared<DialogAnswer>();
        OnDisplayThread([this, owner, &request, answer] { OpenCommonDialog(ParentFor(owner), request, answer); });
        return answer->Await(&request) != 0;
    }

    bool ShowsMessageBoxes() const override { return true; }

    int AskMessageBox(const MessageBoxRequest& box) override
    {
        const HWND owner = RootOf(box.owner);
        auto answer = std::make_shared<DialogAnswer>();
        OnDisplayThread([this, owner, &box, answer] { OpenMessageBox(ParentFor(owner), box, answer); });
        return answer->Await(nullptr);
    }

private:
    using Job = void (GtkDisplay::*)();

    // Runs the job once on the display thread, however often it is asked for before it runs.
    void ScheduleLocked(bool& due, Job job)
    {
        if (due)
            return;
        due = true;
        struct Call {
            GtkDisplay* self;
            Job job;
        };
        g_idle_add_full(
            G_PRIORITY_DEFAULT,
            +[](gpointer data) -> gboolean {
                const Call* call = static_cast<Call*>(data);
                (call->self->*call->job)();
                return G_SOURCE_REMOVE;
            },
            new Call{this, job}, +[](gpointer data) { delete static_cast<Call*>(data); });
    }

    void ReadMonitor()
    {
        GdkDisplay* display = gdk_display_get_default();
        GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
        if (!monitor)
            monitor = gdk_display_get_monitor(display, 0);
        GdkRectangle geometry{0, 0, 0, 0};
        GdkRectangle work{0, 0, 0, 0};
        if (monitor) {
            gdk_monitor_get_geometry(monitor, &geometry);
            gdk_monitor_get_workarea(monitor, &work);
        }
        {
            std::lock_guard lock(m_mutex);
            m_screen = RECT{geometry.x, geometry.y, geometry.x + geometry.width, geometry.y + geometry.height};
            m_workArea = RECT{work.x, work.y, work.x + work.width, work.y + work.height};
        }
        // The screen context covers the monitor, as SM_CXSCREEN and SM_CYSCREEN say.
        const gdi::ScreenSize size = gdi::GetScreenSize();
        if (geometry.width > 0 && geometry.height > 0 && (size.width != geometry.width || size.height != geometry.height))
            gdi::SetScreenSize(geometry.width, geometry.height);
    }

    // The screen context shows what the X screen shows; without a reader it fails rather than
    // hand out a picture of nothing.
    void ReadScreenThroughX()
    {
        std::shared_ptr<XScreenReader> reader = XScreenReader::Connect();
        gdi::SetScreenReader([this, reader](gdi::Surface& screen, const RECT& area) {
            if (!reader)
                return false;
            POINT origin{};
            {
                std::lock_guard lock(m_mutex);
                origin = POINT{m_screen.left, m_screen.top};
            }
            return reader->Read(screen, area, origin);
        });
    }

    // Display thread: the windows as the window system last arranged them.
    void ApplyArrangement()
    {
        std::vector<TopLevelPlacement> placements;
        {
            std::lock_guard lock(m_mutex);
            m_arrangeDue = false;
            placements = m_placements;
        }
        std::erase_if(m_windows, [&](const auto& entry) {
            const bool kept = std::any_of(placements.begin(), placements.end(),
                                          [&](const TopLevelPlacement& p) { return p.hwnd == entry.first; });
            if (!kept) {
                TakeOutViews(*entry.second);
                gtk_widget_destroy(entry.second->window);
            }
            return !kept;
        });
        std::vector<HWND> order;
        // Bottom first, so that owners exist before the windows they own.
        for (auto it = placements.rbegin(); it != placements.rend(); ++it) {
            std::unique_ptr<DesktopWindow>& window = m_windows[it->hwnd];
            if (!window)
                window = MakeWindow(it->hwnd);
            Place(*window, *it);
            if (gtk_widget_get_visible(window->window))
                order.push_back(it->hwnd);
        }
        for (const auto& [view, embedded] : m_embedded)
            LayOver(view, embedded);
        if (order != m_stacking) {
            for (HWND hwnd : order)
                gdk_window_raise(gtk_widget_get_window(m_windows[hwnd]->window));
            m_stacking = std::move(order);
        }
    }

    std::unique_ptr<DesktopWindow> MakeWindow(HWND hwnd)
    {
        auto window = std::make_unique<DesktopWindow>();
        window->hwnd = hwnd;
        window->desktop = this;
        window->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        // The program places its windows itself: the place asked for is the client area's.
        gtk_window_set_gravity(GTK_WINDOW(window->window), GDK_GRAVITY_STATIC);
        window->overlay = gtk_overlay_new();
        gtk_container_add(GTK_CONTAINER(window->window), window->overlay);
        g_signal_connect(window->overlay, "get-child-position", G_CALLBACK(&GtkDisplay::PositionOfView), this);
        gtk_widget_show(window->overlay);
        window->area = gtk_drawing_area_new();
        gtk_container_add(GTK_CONTAINER(window->overlay), window->area);
        g_signal_connect(window->area, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, DesktopWindow* shown) {
                             static_cast<GtkDisplay*>(shown->desktop)->Draw(*shown, cr);
                             return TRUE;
                         }),
                         window.get());
        g_signal_connect(window->window, "realize", G_CALLBACK(+[](GtkWidget*, DesktopWindow* shown) {
                             static_cast<GtkDisplay*>(shown->desktop)->ApplyCursorTo(*shown);
                         }),
                         window.get());
        ConnectInput(*window, m_worker);
        gtk_widget_show(window->area);
        return window;
    }

    // Display thread: one window where and as the window system wants it.
    void Place(DesktopWindow& window, const TopLevelPlacement& placement)
    {
        GtkWindow* gtkWindow = GTK_WINDOW(window.window);
        const TopLevelPlacement& was = window.applied;
        const bool first = !window.placed;
        if (first || was.caption != placement.caption)
            gtk_window_set_title(gtkWindow, placement.caption.c_str());
        if (first || was.captioned != placement.captioned)
            gtk_window_set_decorated(gtkWindow, placement.captioned);
        if (first || was.topmost != placement.topmost)
            gtk_window_set_keep_above(gtkWindow, placement.topmost);
        if (first || was.owner != placement.owner) {
            auto owner = m_windows.find(placement.owner);
            const bool owned = placement.owner && owner != m_windows.end() && owner->second;
            gtk_window_set_transient_for(gtkWindow, owned ? GTK_WINDOW(owner->second->window) : nullptr);
            gtk_window_set_skip_taskbar_hint(gtkWindow, owned);
            gtk_window_set_skip_pager_hint(gtkWindow, owned);
        }
        const int width = std::max(1, static_cast<int>(placement.rect.right - placement.rect.left));
        const int height = std::max(1, static_cast<int>(placement.rect.bottom - placement.rect.top));
        if (first || was.sizable != placement.sizable || !SameRect(was.rect, placement.rect)) {
            // The desktop keeps the size the program gave, unless the window has a sizing frame.
            GdkGeometry hints{};
            hints.min_width = placement.sizable ? 1 : width;
            hints.min_height = placement.sizable ? 1 : height;
            hints.max_width = placement.sizable ? G_MAXSHORT : width;
            hints.max_height = placement.sizable ? G_MAXSHORT : height;
            gtk_window_set_geometry_hints(gtkWindow, nullptr, &hints,
                                          static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
            gtk_window_set_resizable(gtkWindow, placement.sizable);
        }
        if (first || !SameRect(was.rect, placement.rect)) {
            window.requested.push_back(placement.rect);
            if (window.requested.size() > 8)
                window.requested.pop_front();
            const RECT& from = was.rect;
            const LONG fromWidth = from.right - from.left;
            const LONG fromHeight = from.bottom - from.top;
            const LONG toWidth = placement.rect.right - placement.rect.left;
            const LONG toHeight = placement.rect.bottom - placement.rect.top;
            const bool moves = from.left != placement.rect.left || from.top != placement.rect.top;
            if (!first && moves && (fromWidth != toWidth || fromHeight != toHeight)) {
                window.halfWays.push_back(RECT{placement.rect.left, placement.rect.top, placement.rect.left + fromWidth,
                                               placement.rect.top + fromHeight});
                window.halfWays.push_back(RECT{from.left, from.top, from.left + toWidth, from.top + toHeight});
                while (window.halfWays.size() > 8)
                    window.halfWays.pop_front();
            }
            gtk_window_move(gtkWindow, placement.rect.left, placement.rect.top);
            gtk_window_resize(gtkWindow, width, height);
            gtk_widget_set_size_request(window.area, placement.sizable ? 1 : width, placement.sizable ? 1 : height);
        }
        // A frameless window the program spreads over the whole screen (a full-screen preview)
        // is full screen for the desktop too, so that panels and docks give way; and back.
        RECT screen{};
        {
            std::lock_guard lock(m_mutex);
            screen = m_screen;
        }
        const bool fullScreen = placement.visible && !placement.captioned && SameRect(placement.rect, screen);
        if (fullScreen != window.fullScreen) {
            if (fullScreen)
                gtk_window_fullscreen(gtkWindow);
            else
                gtk_window_unfullscreen(gtkWindow);
            window.fullScreen = fullScreen;
        }
        // A minimised window stays mapped as far as we are concerned: the desktop shows its icon.
        const bool shown = placement.visible || placement.minimised;
        if (placement.minimised && !window.iconified)
            gtk_window_iconify(gtkWindow);
        if (shown && !gtk_widget_get_visible(window.window))
            gtk_widget_show(window.window);
        if (!placement.minimised && window.iconified && shown)
            gtk_window_deiconify(gtkWindow);
        if (!shown && gtk_widget_get_visible(window.window))
            gtk_widget_hide(window.window);
        window.applied = placement;
        window.placed = true;
    }

    // Display thread: asks GTK to draw what was presented since the last time.
    void QueueDraws()
    {
        std::lock_guard lock(m_mutex);
        m_drawDue = false;
        for (auto& [hwnd, presented] : m_presented) {
            if (!presented->damage)
                continue;
            auto window = m_windows.find(hwnd);
            GtkWidget* area = window != m_windows.end() ? window->second->area : nullptr;
            GdkWindow* gdkWindow = area ? gtk_widget_get_window(area) : nullptr;
            if (gdkWindow && ShowsViews(hwnd)) {
                // A paint outside GTK's frame would count, for GTK, as drawing the views over it
                // too: a page's update the view had asked to draw was at times never drawn.
                gtk_widget_queue_draw_region(area, presented->damage);
            } else if (gdkWindow && gdk_window_is_viewable(gdkWindow)) {
                // At once rather than at GTK's next frame: the program paints at its own pace.
                GdkDrawingContext* context = gdk_window_begin_draw_frame(gdkWindow, presented->damage);
                cairo_t* cr = gdk_drawing_context_get_cairo_context(context);
                cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
                cairo_set_source_surface(cr, presented->pixels, 0, 0);
                cairo_paint(cr);
                gdk_window_end_draw_frame(gdkWindow, context);
            }
            cairo_region_destroy(presented->damage);
            presented->damage = nullptr;
        }
    }

    void Draw(const DesktopWindow& window, cairo_t* cr)
    {
        std::lock_guard lock(m_mutex);
        auto presented = m_presented.find(window.hwnd);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        if (presented == m_presented.end() || !presented->second->pixels) {
            // Nothing painted yet.
            cairo_set_source_rgb(cr, 0, 0, 0);
            cairo_paint(cr);
            return;
        }
        cairo_set_source_surface(cr, presented->second->pixels, 0, 0);
        cairo_paint(cr);
    }

    GdkCursor* CursorFor(HCURSOR cursor)
    {
        unsigned id = 0;
        if (cursor && !IsStandardCursor(cursor, &id)) {
            if (GdkCursor* picture = PictureCursorFor(cursor))
                return picture;
            id = 32512;
        }
        GdkCursor*& made = m_cursors[id];
        if (!made) {
            GdkDisplay* display = gdk_display_get_default();
            made = id == 0 ? gdk_cursor_new_for_display(display, GDK_BLANK_CURSOR)
                           : gdk_cursor_new_from_name(display, CursorName(id));
            if (!made)
                made = gdk_cursor_new_from_name(display, "default");
        }
        return made;
    }

    // One of the program's own cursors (from its resources, say) as the desktop's cursor; null
    // when its picture cannot be read. Cursors of the program live as long as it does, so each
    // is made once.
    GdkCursor* PictureCursorFor(HCURSOR cursor)
    {
        auto known = m_pictureCursors.find(cursor);
        if (known != m_pictureCursors.end())
            return known->second;
        GdkCursor* made = nullptr;
        if (std::optional<CursorPicture> picture = PictureOfCursor(cursor)) {
            cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture->width, picture->height);
            unsigned char* data = cairo_image_surface_get_data(surface);
            const int stride = cairo_image_surface_get_stride(surface);
            for (int y = 0; y < picture->height; ++y)
                std::memcpy(data + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride),
                            picture->pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture->width),
                            static_cast<std::size_t>(picture->width) * 4);
            cairo_surface_mark_dirty(surface);
            made = gdk_cursor_new_from_surface(gdk_display_get_default(), surface, picture->hotspot.x, picture->hotspot.y);
            cairo_surface_destroy(surface);
        }
        m_pictureCursors[cursor] = made;
        return made;
    }

    void ApplyCursorTo(const DesktopWindow& window)
    {
        HCURSOR cursor = nullptr;
        {
            std::lock_guard lock(m_mutex);
            cursor = m_cursor;
        }
        if (GdkWindow* gdkWindow = gtk_widget_get_window(window.window))
            gdk_window_set_cursor(gdkWindow, CursorFor(cursor));
    }

    void ApplyCursor()
    {
        {
            std::lock_guard lock(m_mutex);
            m_cursorDue = false;
        }
        for (const auto& [hwnd, window] : m_windows)
            ApplyCursorTo(*window);
    }

public:
    // Display thread: views laid over windows (embedded_views.h).
    void Embed(GtkWidget* view, HWND topLevel, const RECT& place, bool visible)
    {
        EmbeddedView& embedded = m_embedded[view];
        embedded = EmbeddedView{topLevel, place, visible};
        LayOver(view, embedded);
    }

    void Unembed(GtkWidget* view)
    {
        if (m_embedded.erase(view) == 0)
            return;
        if (GtkWidget* parent = gtk_widget_get_parent(view))
            gtk_container_remove(GTK_CONTAINER(parent), view);
    }

private:
    struct EmbeddedView {
        HWND topLevel = nullptr;
        RECT place{};
        bool visible = false;
    };

    // Puts the view into the overlay of its window (when that window is on the desktop) where it
    // belongs.
    void LayOver(GtkWidget* view, const EmbeddedView& embedded)
    {
        auto window = m_windows.find(embedded.topLevel);
        GtkWidget* overlay = window != m_windows.end() && window->second ? window->second->overlay : nullptr;
        GtkWidget* parent = gtk_widget_get_parent(view);
        if (parent != overlay) {
            if (parent)
                gtk_container_remove(GTK_CONTAINER(parent), view);
            if (overlay)
                gtk_overlay_add_overlay(GTK_OVERLAY(overlay), view);
        }
        if (!overlay)
            return;
        const RECT& place = embedded.place;
        gtk_widget_set_visible(view, embedded.visible && place.right > place.left && place.bottom > place.top);
        gtk_widget_queue_resize(view);
    }

    // Whether a view is shown over the top-level window.
    bool ShowsViews(HWND topLevel) const
    {
        for (const auto& [view, embedded] : m_embedded) {
            if (embedded.topLevel == topLevel && gtk_widget_get_visible(view))
                return true;
        }
        return false;
    }

    // The window is going: its views stay with their owners, to come back with the window.
    void TakeOutViews(DesktopWindow& window)
    {
        for (const auto& [view, embedded] : m_embedded) {
            if (gtk_widget_get_parent(view) == window.overlay)
                gtk_container_remove(GTK_CONTAINER(window.overlay), view);
        }
    }

    // The overlay asks where a view goes: exactly at its place, whatever size the view would like.
    static gboolean PositionOfView(GtkOverlay*, GtkWidget* view, GdkRectangle* allocation, GtkDisplay* self)
    {
        auto embedded = self->m_embedded.find(view);
        if (embedded == self->m_embedded.end())
            return FALSE;
        const RECT& place = embedded->second.place;
        *allocation = GdkRectangle{place.left, place.top, std::max(0, static_cast<int>(place.right - place.left)),
                                   std::max(0, static_cast<int>(place.bottom - place.top))};
        return TRUE;
    }

    static HWND RootOf(HWND hwnd) { return hwnd && IsWindow(hwnd) ? GetAncestor(hwnd, GA_ROOT) : nullptr; }

    // Display thread: the GtkWindow a dialog owned by the top-level window stays above.
    GtkWindow* ParentFor(HWND owner) const
    {
        auto window = m_windows.find(owner);
        return window != m_windows.end() && window->second ? GTK_WINDOW(window->second->window) : nullptr;
    }

    // DesktopWindows, for the input of the display thread.
    RECT PlaceOf(HWND hwnd) const override
    {
        auto window = m_windows.find(hwnd);
        return window != m_windows.end() ? window->second->applied.rect : RECT{};
    }

    bool AnyActive() const override
    {
        return std::any_of(m_windows.begin(), m_windows.end(),
                           [](const auto& entry) { return gtk_window_is_active(GTK_WINDOW(entry.second->window)); });
    }

    std::mutex m_mutex;
    std::thread m_thread;  // the display thread
    std::promise<void> m_endedPromise;
    std::future<void> m_ended;  // ready once the display thread left GTK's loop
    // Under m_mutex: what window threads handed over.
    std::vector<TopLevelPlacement> m_placements;
    std::map<HWND, std::unique_ptr<PresentedPixels>> m_presented;
    HCURSOR m_cursor = nullptr;
    RECT m_screen{};
    RECT m_workArea{};
    bool m_arrangeDue = false;
    bool m_drawDue = false;
    bool m_cursorDue = false;

    // Display thread only.
    std::map<HWND, std::unique_ptr<DesktopWindow>> m_windows;
    std::vector<HWND> m_stacking; // bottom first, as last raised
    std::map<unsigned, GdkCursor*> m_cursors;
    std::map<HCURSOR, GdkCursor*> m_pictureCursors;
    std::map<GtkWidget*, EmbeddedView> m_embedded;

    SerialWorker m_worker;
};

std::atomic<GtkDisplay*> g_display{nullptr};

} // namespace

DisplayBackend* OpenDisplay()
{
    static GtkDisplay* const display = [] () -> GtkDisplay* {
        auto* made = new GtkDisplay();
        if (made->Start()) {
            g_display.store(made);
            std::atexit(+[] {
                if (GtkDisplay* started = g_display.load())
                    started->StopAtExit();
            });
            return made;
        }
        std::fprintf(stderr, "GTK cannot open the display \"%s\"\n", std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        delete made;
        return nullptr;
    }();
    return display;
}

void EmbedView(GtkWidget* view, HWND topLevel, const RECT& place, bool visible)
{
    if (GtkDisplay* display = g_display.load())
        display->Embed(view, topLevel, place, visible);
}

void UnembedView(GtkWidget* view)
{
    if (GtkDisplay* display = g_display.load())
        display->Unembed(view);
}

} // namespace zv::user::gtk
