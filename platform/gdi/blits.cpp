// BitBlt and StretchBlt between the surfaces of two device contexts.
#include <memory>

#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/pixel_transfer.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

BOOL Blit(HDC destination, PixelRect to, HDC source, PixelRect from, DWORD rop)
{
    const RasterOp op = FindRasterOp(rop);
    if (op == nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    ContextState target;
    ContextState origin;
    if (!ReadContextState(destination, target) || !ReadContextState(source, origin)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (to.width < 0 || to.height < 0 || from.width < 0 || from.height < 0) {
        SetLastError(ERROR_NOT_SUPPORTED); // mirroring is not needed
        return FALSE;
    }
    if (!target.target || !origin.target) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (to.width == 0 || to.height == 0 || from.width == 0 || from.height == 0)
        return TRUE;

    // Window contexts count from their origin on the surface.
    to.x += target.origin.x;
    to.y += target.origin.y;
    from.x += origin.origin.x;
    from.y += origin.origin.y;
    // Within one surface the source is read as it was before the blit started.
    std::shared_ptr<const Surface> pixels = origin.target;
    if (origin.target == target.target)
        pixels = std::make_shared<const Surface>(*origin.target);
    const ColourConversion convert{pixels->IsMonochrome(), target.target->IsMonochrome(), origin.bkColour,
                                   target.textColour, target.bkColour};
    const int width = pixels->Width();
    const int height = pixels->Height();
    StretchPixels(*target.target, target.Visible(), to, from, op, [&](int x, int y, COLORREF& colour) {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return false;
        colour = convert(pixels->GetPixel(x, y));
        return true;
    });
    return TRUE;
}

} // namespace

BOOL BitBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int xSource, int ySource, DWORD rop)
{
    return Blit(destination, PixelRect{x, y, cx, cy}, source, PixelRect{xSource, ySource, cx, cy}, rop);
}

BOOL StretchBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int xSource, int ySource, int cxSource,
                int cySource, DWORD rop)
{
    return Blit(destination, PixelRect{x, y, cx, cy}, source, PixelRect{xSource, ySource, cxSource, cySource}, rop);
}

int SetStretchBltMode(HDC hdc, int mode)
{
    ContextState state;
    if (!ReadContextState(hdc, state)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (mode != COLORONCOLOR) {
        SetLastError(mode >= BLACKONWHITE && mode <= HALFTONE ? ERROR_NOT_SUPPORTED : ERROR_INVALID_PARAMETER);
        return 0;
    }
    return COLORONCOLOR;
}
