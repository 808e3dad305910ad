// SetPixel and GetPixel.
#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"

using namespace zv::gdi;

namespace {

// The surface of a context whose pixel (x, y) is visible, with (x, y) moved onto it; null otherwise.
std::shared_ptr<Surface> VisiblePixelSurface(HDC hdc, int& x, int& y)
{
    ContextState state;
    if (!ReadPaintState(hdc, state) || !state.Visible().Contains(x + state.origin.x, y + state.origin.y))
        return nullptr;
    x += state.origin.x;
    y += state.origin.y;
    return state.target;
}

} // namespace

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour)
{
    const std::shared_ptr<Surface> surface = VisiblePixelSurface(hdc, x, y);
    if (!surface)
        return CLR_INVALID;
    surface->SetPixel(x, y, colour & 0x00FFFFFF);
    return surface->GetPixel(x, y);
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    const std::shared_ptr<Surface> surface = VisiblePixelSurface(hdc, x, y);
    return surface ? surface->GetPixel(x, y) : CLR_INVALID;
}
