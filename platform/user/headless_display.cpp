#include "platform/user/headless_display.h"

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
        m_order.clear();
        for (const TopLevelPlacement& placement : topFirst) {
            ShownWindow& shown = kept[placement.hwnd];
            if (auto it = m_windows.find(placement.hwnd); it != m_windows.end())
                shown.pixels = std::move(it->second.pixels);
            shown.placement = placement;
            m_order.push_back(placement.hwnd);
        }
        m_windows = std::move(kept);
        ComposeLocked();
    }

    void Present(HWND hwnd, const gdi::Surface& surface, const RECT& area) override
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end())
            return;
        ShownWindow& shown = it->second;
        if (!shown.pixels || shown.pixels->Width() != surface.Width() || shown.pixels->Height() != surface.Height())
            shown.pixels = std::make_unique<gdi::Surface>(surface);
        else
            CopyArea(surface, *shown.pixels, gdi::IntersectRects(area, surface.Bounds()));
        ComposeLocked();
    }

    void Forget(HWND hwnd) override
    {
        std::lock_guard lock(m_mutex);
        m_windows.erase(hwnd);
        std::erase(m_order, hwnd);
        ComposeLocked();
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
        ComposeLocked();
    }

    // The screen is composed under the display's lock, so it is read under it too.
    COLORREF Pixel(int x, int y)
    {
        std::lock_guard lock(m_mutex);
        const std::shared_ptr<gdi::Surface> screen = gdi::ScreenSurface();
        if (x < 0 || y < 0 || x >= screen->Width() || y >= screen->Height())
            return CLR_INVALID;
        return screen->GetPixel(x, y);
    }

    std::unique_ptr<gdi::Surface> Screen()
    {
        std::lock_guard lock(m_mutex);
        return std::make_unique<gdi::Surface>(*gdi::ScreenSurface());
    }

private:
    // Both surfaces hold 32-bit pixels; `at` is where `from`'s (0, 0) lands on `to`, `area` the
    // part of `to` to fill (inside both).
    static void CopyArea(const gdi::Surface& from, gdi::Surface& to, const RECT& area, POINT at = {0, 0})
    {
        if (area.right <= area.left)
            return;
        const std::size_t bytes = static_cast<std::size_t>(area.right - area.left) * 4;
        for (int y = area.top; y < area.bottom; ++y)
            std::memcpy(to.Row(y) + static_cast<std::size_t>(area.left) * 4,
                        from.Row(y - at.y) + static_cast<std::size_t>(area.left - at.x) * 4, bytes);
    }

    // Paints the desktop, then every shown window from the bottom of the z-order up.
    void ComposeLocked()
    {
        const std::shared_ptr<gdi::Surface> screen = gdi::ScreenSurface();
        // One row of desktop, copied down the screen.
        screen->FillRect(RECT{0, 0, screen->Width(), 1}, kDesktopColour);
        for (int y = 1; y < screen->Height(); ++y)
            std::memcpy(screen->Row(y), screen->Row(0), static_cast<std::size_t>(screen->Width()) * 4);
        for (auto it = m_order.rbegin(); it != m_order.rend(); ++it) {
            const ShownWindow& shown = m_windows[*it];
            if (!shown.placement.visible || !shown.pixels)
                continue;
            const RECT& at = shown.placement.rect;
            const RECT onScreen = gdi::IntersectRects(at, screen->Bounds());
            const RECT drawn = gdi::IntersectRects(
                onScreen, RECT{at.left, at.top, at.left + shown.pixels->Width(), at.top + shown.pixels->Height()});
            CopyArea(*shown.pixels, *screen, drawn, POINT{at.left, at.top});
        }
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
