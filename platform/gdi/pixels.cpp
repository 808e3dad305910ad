// SetPixel and GetPixel.
#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/screen_surface.h"

using namespace zv::gdi;

namespace {

// The surface of a context whose pixel (x, y) is visible, with (x, y) moved onto it; null otherwise.
// The screen's pixels lock is handed out with it.
std::shared_ptr<Surface> VisiblePixelSurface(HDC hdc, int& x, int& y, ContextState& state)
{
    if (!ReadPaintState(hdc, state) || !state.Visible().Contains(x + state.origin.x, y + state.origin.y))
        return nullptr;
    x += state.origin.x;
    y += state.origin.y;
    return state.target;
}

} // namespace

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour)
{
    ContextState state;
    const std::shared_ptr<Surface> surface = VisiblePixelSurface(hdc, x, y, state);
    if (!surface)
        return CLR_INVALID;
    surface->SetPixel(x, y, colour & 0x00FFFFFF);
    return surface->GetPixel(x, y);
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    ContextState state;
    const std::shared_ptr<Surface> surface = VisiblePixelSurface(hdc, x, y, state);
    if (!surface || (state.onScreen && !RefreshScreen(*surface, RECT{x, y, x + 1, y + 1})))
        return CLR_INVALID;
    return surface->GetPixel(x, y);
}
