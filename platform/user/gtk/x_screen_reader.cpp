#include "platform/user/gtk/x_screen_reader.h"

#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>

namespace zv::user::gtk {
namespace {

using Clock = std::chrono::steady_clock;
// Long enough for a full screen over a slow link, short enough that a stuck server shows as a
// failed read.
constexpr auto kAnswerTime = std::chrono::seconds(2);

// One colour channel of the root window's pixels: where it lies in the pixel and how wide it is.
struct Channel {
    int shift = 0;
    int bits = 0;

    static Channel Of(std::uint32_t mask)
    {
        return mask == 0 ? Channel{} : Channel{std::countr_zero(mask), std::popcount(mask)};
    }
    BYTE From(std::uint32_t pixel) const
    {
        if (bits == 0)
            return 0;
        const std::uint32_t value = (pixel >> shift) & ((1u << bits) - 1);
        return static_cast<BYTE>(bits >= 8 ? value >> (bits - 8) : value * 255 / ((1u << bits) - 1));
    }
};

} // namespace

struct XScreenReader::Connection {
    xcb_connection_t* x = nullptr;
    xcb_window_t root = 0;
    int rootWidth = 0;
    int rootHeight = 0;
    Channel red, green, blue;
    bool plainLayout = false; // 0x00RRGGBB, least significant byte first: our own 32-bit layout
    bool mostSignificantFirst = false;

    std::mutex mutex; // one request at a time; guards what follows
    bool sharedMemory = false;
    int shmId = -1;
    void* shmAddress = nullptr;
    std::size_t shmSize = 0;
    xcb_shm_seg_t segment = 0;

    ~Connection()
    {
        DropSegment();
        if (x)
            xcb_disconnect(x);
    }

    // Waits a bounded time for the answer to a request; null when it is an error, or late.
    void* Await(unsigned sequence)
    {
        xcb_flush(x);
        const auto deadline = Clock::now() + kAnswerTime;
        for (;;) {
            void* reply = nullptr;
            xcb_generic_error_t* error = nullptr;
            if (xcb_poll_for_reply(x, sequence, &reply, &error)) {
                std::free(error);
                return reply;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (xcb_connection_has_error(x) || left <= 0) {
                if (!xcb_connection_has_error(x))
                    xcb_discard_reply(x, sequence);
                return nullptr;
            }
            pollfd readable{xcb_get_file_descriptor(x), POLLIN, 0};
            poll(&readable, 1, static_cast<int>(left));
        }
    }

    // Errors of requests without answers come as events; nobody else reads this connection.
    void DropEvents()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x))
            std::free(event);
    }

    void DropSegment()
    {
        if (shmAddress) {
            if (x && segment)
                xcb_shm_detach(x, segment);
            shmdt(shmAddress);
        }
        if (shmId >= 0)
            shmctl(shmId, IPC_RMID, nullptr);
        shmAddress = nullptr;
        shmId = -1;
        shmSize = 0;
        segment = 0;
    }

    // A segment of at least `bytes` the server has been told of; false when none can be made.
    bool EnsureSegment(std::size_t bytes)
    {
        if (shmAddress && shmSize >= bytes)
            return true;
        DropSegment();
        shmId = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (shmId < 0)
            return false;
        void* address = shmat(shmId, nullptr, 0);
        if (address == reinterpret_cast<void*>(-1)) {
            DropSegment();
            return false;
        }
        shmAddress = address;
        shmSize = bytes;
        segment = xcb_generate_id(x);
        xcb_shm_attach(x, segment, static_cast<std::uint32_t>(shmId), 0);
        return true;
    }

    // Reads the rectangle of the root window and hands its 32-bit pixels, rows packed, to use.
    bool Fetch(int left, int top, int width, int height, const std::function<void(const BYTE* pixels)>& use)
    {
        const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
        if (sharedMemory && EnsureSegment(bytes)) {
            const auto cookie = xcb_shm_get_image(x, root, static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
                                                  static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height),
                                                  ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment, 0);
            auto* reply = static_cast<xcb_shm_get_image_reply_t*>(Await(cookie.sequence));
            // The server has attached the segment (or never will): it needs no name any more.
            shmctl(shmId, IPC_RMID, nullptr);
            if (reply) {
                std::free(reply);
                use(static_cast<const BYTE*>(shmAddress));
                return true;
            }
            // Refused (a server on another machine, say): plain images from now on.
            sharedMemory = false;
            DropSegment();
            DropEvents();
        }
        const auto cookie = xcb_get_image(x, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<std::int16_t>(left),
                                          static_cast<std::int16_t>(top), static_cast<std::uint16_t>(width),
                                          static_cast<std::uint16_t>(height), ~0u);
        auto* reply = static_cast<xcb_get_image_reply_t*>(Await(cookie.sequence));
        if (!reply)
            return false;
        const bool whole = static_cast<std::size_t>(xcb_get_image_data_length(reply)) >= bytes;
        if (whole)
            use(xcb_get_image_data(reply));
        std::free(reply);
        return whole;
    }
};

std::unique_ptr<XScreenReader> XScreenReader::Connect()
{
    auto connection = std::make_unique<Connection>();
    int screenNumber = 0;
    connection->x = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection->x)) {
        std::fprintf(stderr, "the screen cannot be read: no connection to the X display\n");
        return nullptr;
    }
    const xcb_setup_t* setup = xcb_get_setup(connection->x);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return nullptr;
    const xcb_screen_t* screen = screens.data;
    connection->root = screen->root;
    connection->rootWidth = screen->width_in_pixels;
    connection->rootHeight = screen->height_in_pixels;

    int bitsPerPixel = 0;
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem; xcb_format_next(&formats)) {
        if (formats.data->depth == screen->root_depth)
            bitsPerPixel = formats.data->bits_per_pixel;
    }
    const xcb_visualtype_t* visual = nullptr;
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem && !visual; xcb_depth_next(&depths)) {
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals)) {
            if (visuals.data->visual_id == screen->root_visual)
                visual = visuals.data;
        }
    }
    if (bitsPerPixel != 32 || !visual) {
        std::fprintf(stderr, "the screen cannot be read: its pixels are not 32 bits wide\n");
        return nullptr;
    }
    connection->red = Channel::Of(visual->red_mask);
    connection->green = Channel::Of(visual->green_mask);
    connection->blue = Channel::Of(visual->blue_mask);
    connection->mostSignificantFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    connection->plainLayout = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST && visual->red_mask == 0xFF0000 &&
                              visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;

    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection->x, &xcb_shm_id);
    if (shm && shm->present) {
        const auto cookie = xcb_shm_query_version(connection->x);
        if (void* version = connection->Await(cookie.sequence)) {
            connection->sharedMemory = true;
            std::free(version);
        }
    }
    return std::unique_ptr<XScreenReader>(new XScreenReader(std::move(connection)));
}

XScreenReader::XScreenReader(std::unique_ptr<Connection> connection) : m_connection(std::move(connection)) {}

XScreenReader::~XScreenReader() = default;

bool XScreenReader::Read(gdi::Surface& surface, const RECT& area, POINT origin)
{
    Connection& c = *m_connection;
    std::lock_guard lock(c.mutex);
    const RECT wanted = gdi::IntersectRects(area, surface.Bounds());
    if (gdi::IsEmptyRect(wanted))
        return true;
    // What of it lies on the root window, in the surface's coordinates.
    const RECT root{-origin.x, -origin.y, c.rootWidth - origin.x, c.rootHeight - origin.y};
    const RECT shown = gdi::IntersectRects(wanted, root);
    surface.FillRect(wanted, RGB(0, 0, 0));
    if (gdi::IsEmptyRect(shown))
        return true;
    const int width = shown.right - shown.left;
    const int height = shown.bottom - shown.top;
    const bool fastCopy = c.plainLayout && surface.Format() == gdi::PixelFormat::Bgrx32;
    return c.Fetch(shown.left + origin.x, shown.top + origin.y, width, height, [&](const BYTE* pixels) {
        const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
        for (int y = 0; y < height; ++y) {
            const BYTE* in = pixels + rowBytes * static_cast<std::size_t>(y);
            if (fastCopy) {
                std::memcpy(surface.Row(shown.top + y) + static_cast<std::size_t>(shown.left) * 4, in, rowBytes);
                continue;
            }
            for (int x = 0; x < width; ++x) {
                std::uint32_t pixel = 0;
                std::memcpy(&pixel, in + static_cast<std::size_t>(x) * 4, 4);
                if (c.mostSignificantFirst)
                    pixel = __builtin_bswap32(pixel);
                surface.SetPixel(shown.left + x, shown.top + y, RGB(c.red.From(pixel), c.green.From(pixel), c.blue.From(pixel)));
            }
        }
    });
}

} // namespace zv::user::gtk
