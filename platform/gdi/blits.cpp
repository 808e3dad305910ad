// BitBlt and StretchBlt between the surfaces of two device contexts.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/pixel_transfer.h"
#include "platform/gdi/screen_surface.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

// An unstretched copy between two colour surfaces goes row by row, as every window repaint from a
// picture in memory does. Pixels outside the source leave the destination alone, as in the
// general path.
void CopyColourRows(Surface& target, const Region& visible, const PixelRect& to, const Surface& source,
                    const PixelRect& from)
{
    const int targetBytes = target.BitsPerPixel() / 8;
    const int sourceBytes = source.BitsPerPixel() / 8;
    const std::int64_t shiftX = static_cast<std::int64_t>(from.x) - to.x;
    const std::int64_t shiftY = static_cast<std::int64_t>(from.y) - to.y;
    for (const RECT& clip : visible.Rects()) {
        const std::int64_t left = std::max<std::int64_t>({clip.left, to.x, -shiftX, 0});
        const std::int64_t right = std::min<std::int64_t>(
            {clip.right, static_cast<std::int64_t>(to.x) + to.width, source.Width() - shiftX, target.Width()});
        const std::int64_t top = std::max<std::int64_t>({clip.top, to.y, -shiftY, 0});
        const std::int64_t bottom = std::min<std::int64_t>(
            {clip.bottom, static_cast<std::int64_t>(to.y) + to.height, source.Height() - shiftY, target.Height()});
        if (left >= right)
            continue;
        const std::size_t count = static_cast<std::size_t>(right - left);
        for (std::int64_t y = top; y < bottom; ++y) {
            BYTE* out = target.Row(static_cast<int>(y)) + left * targetBytes;
            const BYTE* in = source.Row(static_cast<int>(y + shiftY)) + (left + shiftX) * sourceBytes;
            if (targetBytes == sourceBytes) {
                std::memcpy(out, in, count * static_cast<std::size_t>(targetBytes));
                continue;
            }
            for (std::size_t i = 0; i < count; ++i, out += targetBytes, in += sourceBytes) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                if (targetBytes == 4)
                    out[3] = 0;
            }
        }
    }
}

// The source rectangle on the screen, its sides clamped to what a RECT holds.
RECT ScreenArea(const PixelRect& from)
{
    auto side = [](std::int64_t v) {
        return static_cast<LONG>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
    };
    return RECT{side(from.x), side(from.y), side(from.x + from.width), side(from.y + from.height)};
}

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
    // The real display shows our windows and everyone else's: read what it shows now.
    if (origin.onScreen && !RefreshScreen(*origin.target, ScreenArea(from))) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    if (rop == SRCCOPY && from.width == to.width && from.height == to.height && origin.target != target.target &&
        !origin.target->IsMonochrome() && !target.target->IsMonochrome()) {
        CopyColourRows(*target.target, target.Visible(), to, *origin.target, from);
        return TRUE;
    }
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
