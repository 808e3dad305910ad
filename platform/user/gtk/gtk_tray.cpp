#include "platform/user/gtk/gtk_tray.h"

#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_icons.h"
#include "platform/user/gtk/serial_worker.h"
#include "platform/user/messages.h"
#include "platform/user/shell_tray.h"

#include <gtk/gtk.h>
#include <libnotify/notify.h>

#include <algorithm>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zv::user::gtk {
namespace {

// Runs a job on the display thread (GTK's main loop on the default context) and waits for it.
template <class Result>
Result OnDisplayThread(std::function<Result()> job)
{
    std::packaged_task<Result()> task(std::move(job));
    std::future<Result> result = task.get_future();
    g_main_context_invoke_full(
        nullptr, G_PRIORITY_DEFAULT,
        +[](gpointer data) -> gboolean {
            (*static_cast<std::packaged_task<Result()>*>(data))();
            return G_SOURCE_REMOVE;
        },
        &task, nullptr);
    return result.get();
}

// The icon's pixels with their transparency; null when the handle gives none.
GdkPixbuf* PixbufOf(HICON icon)
{
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return nullptr;
    BITMAP size{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(size), &size);
    const int width = size.bmWidth;
    const int height = info.hbmColor ? size.bmHeight : size.bmHeight / 2;
    GdkPixbuf* pixbuf = nullptr;
    if (width > 0 && height > 0) {
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        format.bmiHeader.biWidth = width;
        format.bmiHeader.biHeight = -height;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        std::vector<DWORD> colour(static_cast<std::size_t>(width) * height);
        std::vector<DWORD> mask(colour.size());
        const HDC dc = CreateCompatibleDC(nullptr);
        const bool read = GetDIBits(dc, info.hbmMask, 0, height, mask.data(), &format, DIB_RGB_COLORS) == height &&
                          (!info.hbmColor ||
                           GetDIBits(dc, info.hbmColor, 0, height, colour.data(), &format, DIB_RGB_COLORS) == height);
        DeleteDC(dc);
        if (read) {
            const bool hasAlpha = std::any_of(colour.begin(), colour.end(), [](DWORD p) { return (p >> 24) != 0; });
            pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
            guchar* rows = gdk_pixbuf_get_pixels(pixbuf);
            const int stride = gdk_pixbuf_get_rowstride(pixbuf);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const std::size_t at = static_cast<std::size_t>(y) * width + x;
                    const DWORD p = colour[at];
                    guchar* out = rows + y * stride + x * 4;
                    out[0] = static_cast<guchar>(p >> 16);
                    out[1] = static_cast<guchar>(p >> 8);
                    out[2] = static_cast<guchar>(p);
                    out[3] = hasAlpha ? static_cast<guchar>(p >> 24) : ((mask[at] & 0xFFFFFF) ? 0 : 255);
                }
        }
    }
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    return pixbuf;
}

G_GNUC_BEGIN_IGNORE_DEPRECATIONS

class GtkTray final : public TrayArea {
public:
    bool Add(const TrayIconState& state) override
    {
        GtkStatusIcon* icon = OnDisplayThread<GtkStatusIcon*>([state] {
            GtkStatusIcon* made = gtk_status_icon_new();
            Show(made, state);
            auto* key = new std::pair<HWND, UINT>(state.hwnd, state.id);
            g_object_set_data_full(G_OBJECT(made), "zv-tray-key", key,
                                    +[](gpointer data) { delete static_cast<std::pair<HWND, UINT>*>(data); });
            g_signal_connect(made, "button-press-event", G_CALLBACK(&GtkTray::OnButton), key);
            g_signal_connect(made, "button-release-event", G_CALLBACK(&GtkTray::OnButton), key);
            return made;
        });
        // The desktop's tray takes the icon asynchronously; without one it never does.
        const auto deadline = std::chrono::steady_clock::now() + kTrayEmbedWait;
        while (!OnDisplayThread<bool>([icon] { return gtk_status_icon_is_embedded(icon) != FALSE; })) {
            if (std::chrono::steady_clock::now() >= deadline) {
                OnDisplayThread<bool>([icon] {
                    g_object_unref(icon);
                    return true;
                });
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::lock_guard lock(m_mutex);
        m_icons[{state.hwnd, state.id}] = icon;
        return true;
    }

    void Change(const TrayIconState& state) override
    {
        if (GtkStatusIcon* icon = Find(state.hwnd, state.id))
            OnDisplayThread<bool>([icon, state] {
                Show(icon, state);
                return true;
            });
    }

    void Remove(HWND hwnd, UINT id) override
    {
        GtkStatusIcon* icon = nullptr;
        {
            std::lock_guard lock(m_mutex);
            const auto found = m_icons.find({hwnd, id});
            if (found == m_icons.end())
                return;
            icon = found->second;
            m_icons.erase(found);
        }
        OnDisplayThread<bool>([icon] {
            gtk_status_icon_set_visible(icon, FALSE);
            g_object_unref(icon);
            return true;
        });
    }

    void ShowBalloon(const TrayIconState& state) override
    {
        m_notifier.Post([title = state.balloonTitle.empty() ? state.tip : state.balloonTitle,
                         text = state.balloonText, flags = state.balloonFlags, timeout = state.balloonTimeout] {
            Notify(title, text, flags, timeout);
        });
    }

    void Flush()
    {
        std::promise<void> done;
        m_notifier.Post([&done] { done.set_value(); });
        done.get_future().wait();
    }

private:
    static void Show(GtkStatusIcon* icon, const TrayIconState& state)
    {
        if (GdkPixbuf* pixels = PixbufOf(state.icon)) {
            gtk_status_icon_set_from_pixbuf(icon, pixels);
            g_object_unref(pixels);
        } else {
            gtk_status_icon_set_from_icon_name(icon, "application-x-executable");
        }
        gtk_status_icon_set_tooltip_text(icon, state.tip.c_str());
        gtk_status_icon_set_visible(icon, TRUE);
    }

    static gboolean OnButton(GtkStatusIcon*, GdkEventButton* event, gpointer data)
    {
        const auto* key = static_cast<std::pair<HWND, UINT>*>(data);
        UINT message = 0;
        const bool left = event->button == 1;
        const bool right = event->button == 3;
        if (event->type == GDK_2BUTTON_PRESS)
            message = left ? WM_LBUTTONDBLCLK : right ? WM_RBUTTONDBLCLK : 0;
        else if (event->type == GDK_BUTTON_PRESS)
            message = left ? WM_LBUTTONDOWN : right ? WM_RBUTTONDOWN : 0;
        else if (event->type == GDK_BUTTON_RELEASE)
            message = left ? WM_LBUTTONUP : right ? WM_RBUTTONUP : 0;
        if (message != 0)
            DeliverTrayMouse(key->first, key->second, message);
        return TRUE;
    }

    // Worker thread only. Without a notification service the show fails and the balloon is lost.
    static void Notify(const std::string& title, const std::string& text, DWORD flags, UINT timeout)
    {
        if (!notify_is_initted() && !notify_init(g_get_prgname() ? g_get_prgname() : "zelvante"))
            return;
        const char* iconName = flags == NIIF_WARNING ? "dialog-warning"
                               : flags == NIIF_ERROR ? "dialog-error"
                               : flags == NIIF_INFO  ? "dialog-information"
                                                     : nullptr;
        NotifyNotification* note = notify_notification_new(title.c_str(), text.c_str(), iconName);
        if (timeout > 0)
            notify_notification_set_timeout(note, static_cast<gint>(timeout));
        GError* error = nullptr;
        if (!notify_notification_show(note, &error) && error)
            g_error_free(error);
        g_object_unref(note);
    }

    GtkStatusIcon* Find(HWND hwnd, UINT id)
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_icons.find({hwnd, id});
        return found == m_icons.end() ? nullptr : found->second;
    }

    std::mutex m_mutex;
    std::map<std::pair<HWND, UINT>, GtkStatusIcon*> m_icons;
    SerialWorker m_notifier;
};

G_GNUC_END_IGNORE_DEPRECATIONS

GtkTray& TheTray()
{
    // Never destroyed: its icons belong to the display thread, which outlives static objects.
    static GtkTray* const tray = new GtkTray();
    return *tray;
}

} // namespace

TrayArea& Tray()
{
    return TheTray();
}

void FlushBalloons()
{
    TheTray().Flush();
}

} // namespace zv::user::gtk
