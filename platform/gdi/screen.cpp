#include "platform/gdi/screen.h"

#include <mutex>

#include "platform/gdi/screen_surface.h"

namespace zv::gdi {
namespace {

struct Screen {
    std::mutex mutex;
    std::shared_ptr<Surface> surface;
};

std::shared_ptr<Surface> NewScreen(int width, int height)
{
    return Surface::Create(width, height, PixelFormat::Bgrx32, RowOrder::TopDown, 4);
}

Screen& TheScreen()
{
    static Screen screen{{}, NewScreen(1024, 768)};
    return screen;
}

} // namespace

bool SetScreenSize(int width, int height)
{
    std::shared_ptr<Surface> surface = NewScreen(width, height);
    if (!surface)
        return false;
    Screen& screen = TheScreen();
    std::lock_guard lock(screen.mutex);
    screen.surface = std::move(surface);
    return true;
}

ScreenSize GetScreenSize()
{
    const std::shared_ptr<Surface> surface = ScreenSurface();
    return ScreenSize{surface->Width(), surface->Height()};
}

std::shared_ptr<Surface> ScreenSurface()
{
    Screen& screen = TheScreen();
    std::lock_guard lock(screen.mutex);
    return screen.surface;
}

namespace {

std::mutex g_readerMutex;
ScreenReader g_reader;

} // namespace

void SetScreenReader(ScreenReader reader)
{
    std::lock_guard lock(g_readerMutex);
    g_reader = std::move(reader);
}

bool RefreshScreen(Surface& screen, const RECT& area)
{
    ScreenReader reader;
    {
        std::lock_guard lock(g_readerMutex);
        reader = g_reader;
    }
    const RECT inside = IntersectRects(area, screen.Bounds());
    if (!reader || inside.right <= inside.left || inside.bottom <= inside.top)
        return true;
    return reader(screen, inside);
}

std::unique_lock<std::recursive_mutex> LockScreenPixels()
{
    static std::recursive_mutex pixels;
    return std::unique_lock(pixels);
}

} // namespace zv::gdi
