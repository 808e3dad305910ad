#include "platform/user/headless_display.h"

#include "platform/gdi/region.h"
#include "platform/gdi/screen.h"
#include "platform/gdi/screen_surface.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace zv::user::headless {
namespace {

struct ShownWindow {
    TopLevelPlacement placement;
    std::unique_ptr<gdi::Surface> pixels; // what was presented last, window-sized
};

class HeadlessDisplay final : public DisplayBackend {
public:
    const char* Name() const override { return "headless"; }

    SIZE ScreenSize() override
    {
        const gdi::ScreenSize size = gdi::GetScreenSize();
        return SIZE{size.width, size.height};
    }

    RECT WorkArea() override
    {
        const SIZE size = ScreenSize();
        return RECT{0, 0, size.cx, size.cy};
    }

    void Arrange(const std::vector<TopLevelPlacement>& topFirst) override
    {
        std::lock_guard lock(m_mutex);
        std::map<HWND, ShownWindow> kept;
        std::vector<HWND> order;
        for (const TopLevelPlacement& placement : topFirst) {
            kept[placement.hwnd].placement = placement;
            order.push_back(placement.hwnd);
        }
        const gdi::Region changed = ChangedArea(order, kept);
        for (auto& [hwnd, shown] : kept) {
            if (auto it = m_windows.find(hwnd); it != m_windows.end())
                shown.pixels = std::move(it->second.pixels);
        }
        m_windows = std::move(kept);
        m_order = std::move(order);
        ComposeLocked(changed);
    }

    void Present(HWND hwnd, const gdi::Surface& surface, const RECT& area) override
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end())
            return;
        ShownWindow& shown = it->second;
        if (!shown.pixels || shown.pixels->Width() != surface.Width() || shown.pixels->Height() != surface.Height()) {
            // A picture of another size covers another part of the screen.
            const RECT before = ShownRect(shown);
            shown.pixels = std::make_unique<gdi::Surface>(surface);
            ComposeLocked(gdi::Region::Union(gdi::Region(before), gdi::Region(ShownRect(shown))));
            return;
        }
        const RECT copied = gdi::IntersectRects(area, surface.Bounds());
        CopyArea(surface, *shown.pixels, copied);
        if (!shown.placement.visible)
            return;
        // Only what shows of the window: windows above it keep their pixels.
        const RECT& at = shown.placement.rect;
        const RECT onScreen{at.left + copied.left, at.top + copied.top, at.left + copied.right, at.top + copied.bottom};
        gdi::Region visible(gdi::IntersectRects(onScreen, DrawnRect(shown)));
        for (HWND above : m_order) {
            if (above == hwnd)
                break;
            if (const ShownWindow& other = m_windows[above]; other.placement.visible && other.pixels)
                visible = gdi::Region::Subtract(visible, gdi::Region(DrawnRect(other)));
        }
        const auto screenLock = gdi::LockScreenPixels();
        const std::shared_ptr<gdi::Surface> screen = gdi::ScreenSurface();
        const gdi::Region onTheScreen = gdi::Region::Intersect(visible, gdi::Region(screen->Bounds()));
        for (const RECT& part : onTheScreen.Rects())
            CopyArea(*shown.pixels, *screen, part, POINT{at.left, at.top});
    }

    void Forget(HWND hwnd) override
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end())
            return;
        const gdi::Region uncovered(ShownRect(it->second));
        m_windows.erase(it);
        std::erase(m_order, hwnd);
        ComposeLocked(uncovered);
    }

    void ShowCursorShape(HCURSOR cursor) override
    {
        std::lock_guard lock(m_mutex);
        m_cursor = cursor;
    }

    bool AskCommonDialog(CommonDialogRequest& request) override
    {
        CommonDialogResponder responder;
        {
            std::lock_guard lock(m_mutex);
            responder = m_responder;
        }
        return responder ? responder(request) : false;
    }

    void SetResponder(CommonDialogResponder responder)
    {
        std::lock_guard lock(m_mutex);
        m_responder = std::move(responder);
    }

    HCURSOR Cursor()
    {
        std::lock_guard lock(m_mutex);
        return m_cursor;
    }

    std::unique_ptr<gdi::Surface> Window(HWND hwnd)
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end() || !it->second.pixels)
            return nullptr;
        return std::make_unique<gdi::Surface>(*it->second.pixels);
    }

    void Recompose()
    {
        std::lock_guard lock(m_mutex);
        ComposeLocked(gdi::Region(gdi::ScreenSurface()->Bounds()));
    }

    // The screen is composed under the screen's lock, so it is read under it too.
    COLORREF Pixel(int x, int y)
    {
        const auto screenLock = gdi::LockScreenPixels();
        const std::shared_ptr<gdi::Surface> screen = gdi::ScreenSurface();
        if (x < 0 || y < 0 || x >= screen->Width() || y >= screen->Height())
            return CLR_INVALID;
        return screen->GetPixel(x, y);
    }

    std::unique_ptr<gdi::Surface> Screen()
    {
        const auto screenLock = gdi::LockScreenPixels();
        return std::make_unique<gdi::Surface>(*gdi::ScreenSurface());
    }

private:
    // Both surfaces hold 32-bit pixels; `at` is where `from`'s (0, 0) lands on `to`, `area` the
    // part of `to` to fill (inside both).
    static void CopyArea(const gdi::Surface& from, gdi::Surface& to, const RECT& area, POINT at = {0, 0})
    {
        if (gdi::IsEmptyRect(area))
            return;
        const std::size_t bytes = static_cast<std::size_t>(area.right - area.left) * 4;
        for (int y = area.top; y < area.bottom; ++y)
            std::memcpy(to.Row(y) + static_cast<std::size_t>(area.left) * 4,
                        from.Row(y - at.y) + static_cast<std::size_t>(area.left - at.x) * 4, bytes);
    }

    // The screen pixels the window's picture covers at that place (its rectangle, or less while
    // the picture is smaller than the window).
    static RECT DrawnRect(const TopLevelPlacement& placement, const gdi::Surface& picture)
    {
        const RECT& at = placement.rect;
        return gdi::IntersectRects(at, RECT{at.left, at.top, at.left + picture.Width(), at.top + picture.Height()});
    }
    static RECT DrawnRect(const ShownWindow& shown) { return DrawnRect(shown.placement, *shown.pixels); }

    // Where the window shows on the screen; empty while it does not.
    static RECT ShownRect(const TopLevelPlacement& placement, const gdi::Surface* picture)
    {
        return placement.visible && picture ? DrawnRect(placement, *picture) : RECT{};
    }
    static RECT ShownRect(const ShownWindow& shown) { return ShownRect(shown.placement, shown.pixels.get()); }

    // What an arrangement changes on the screen: where windows came, went, moved, showed or hid,
    // and where two windows that overlap swapped places in the z-order.
    // Called before the pictures move to the new windows, so each window's picture is still in
    // m_windows.
    gdi::Region ChangedArea(const std::vector<HWND>& newOrder, const std::map<HWND, ShownWindow>& newWindows)
    {
        const auto pictureOf = [&](HWND hwnd) -> const gdi::Surface* {
            const auto it = m_windows.find(hwnd);
            return it == m_windows.end() ? nullptr : it->second.pixels.get();
        };
        gdi::Region changed;
        for (const auto& [hwnd, old] : m_windows) {
            const auto now = newWindows.find(hwnd);
            const RECT before = ShownRect(old);
            const RECT after = now == newWindows.end() ? RECT{} : ShownRect(now->second.placement, old.pixels.get());
            if (std::memcmp(&before, &after, sizeof before) != 0)
                changed = gdi::Region::Union(changed, gdi::Region::Union(gdi::Region(before), gdi::Region(after)));
        }
        // Order among the windows shown before and after: a pair that swapped changes where both meet.
        std::map<HWND, std::size_t> oldPlace;
        for (std::size_t i = 0; i < m_order.size(); ++i)
            oldPlace[m_order[i]] = i;
        std::vector<std::pair<std::size_t, RECT>> stayed; // old place, rectangle; in the new order
        for (HWND hwnd : newOrder) {
            const auto old = oldPlace.find(hwnd);
            const RECT rect = ShownRect(newWindows.at(hwnd).placement, pictureOf(hwnd));
            if (old == oldPlace.end() || gdi::IsEmptyRect(rect))
                continue;
            for (const auto& [abovePlace, aboveRect] : stayed) {
                if (abovePlace > old->second)
                    changed = gdi::Region::Union(changed, gdi::Region(gdi::IntersectRects(rect, aboveRect)));
            }
            stayed.emplace_back(old->second, rect);
        }
        return changed;
    }

    // Paints the desktop over the area, then every shown window from the bottom of the z-order up.
    void ComposeLocked(const gdi::Region& area)
    {
        const auto screenLock = gdi::LockScreenPixels();
        const std::shared_ptr<gdi::Surface> screen = gdi::ScreenSurface();
        const gdi::Region onScreen = gdi::Region::Intersect(area, gdi::Region(screen->Bounds()));
        if (onScreen.IsEmpty())
            return;
        for (const RECT& part : onScreen.Rects())
            FillDesktop(*screen, part);
        for (auto it = m_order.rbegin(); it != m_order.rend(); ++it) {
            const ShownWindow& shown = m_windows[*it];
            if (!shown.placement.visible || !shown.pixels)
                continue;
            const POINT at{shown.placement.rect.left, shown.placement.rect.top};
            for (const RECT& part : onScreen.Rects())
                CopyArea(*shown.pixels, *screen, gdi::IntersectRects(part, DrawnRect(shown)), at);
        }
    }

    // One row of desktop, copied down the rectangle.
    static void FillDesktop(gdi::Surface& screen, const RECT& part)
    {
        screen.FillRect(RECT{part.left, part.top, part.right, part.top + 1}, kDesktopColour);
        const std::size_t offset = static_cast<std::size_t>(part.left) * 4;
        const std::size_t bytes = static_cast<std::size_t>(part.right - part.left) * 4;
        for (int y = part.top + 1; y < part.bottom; ++y)
            std::memcpy(screen.Row(y) + offset, screen.Row(part.top) + offset, bytes);
    }

    std::mutex m_mutex;
    std::map<HWND, ShownWindow> m_windows;
    std::vector<HWND> m_order; // top first
    HCURSOR m_cursor = nullptr;
    CommonDialogResponder m_responder;
};

HeadlessDisplay& TheHeadlessDisplay()
{
    // Never destroyed: windows of threads that end late still tell it.
    static auto* display = new HeadlessDisplay();
    return *display;
}

} // namespace

bool SetScreenSize(int width, int height)
{
    if (!gdi::SetScreenSize(width, height))
        return false;
    TheHeadlessDisplay().Recompose();
    return true;
}

COLORREF ScreenPixel(int x, int y)
{
    return TheHeadlessDisplay().Pixel(x, y);
}

std::unique_ptr<gdi::Surface> CaptureScreen()
{
    return TheHeadlessDisplay().Screen();
}

std::unique_ptr<gdi::Surface> CaptureWindow(HWND hwnd)
{
    return TheHeadlessDisplay().Window(hwnd);
}

void SetCommonDialogResponder(CommonDialogResponder responder)
{
    TheHeadlessDisplay().SetResponder(std::move(responder));
}

HCURSOR ShownCursor()
{
    return TheHeadlessDisplay().Cursor();
}

DisplayBackend& Backend()
{
    return TheHeadlessDisplay();
}

} // namespace zv::user::headless
