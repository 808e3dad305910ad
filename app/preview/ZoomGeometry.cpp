#include "app/preview/ZoomGeometry.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr double kMaxZoom = 0.99;

// The pixel counts are small enough for 64-bit products never to overflow; the divisions truncate
// toward zero as the window's own arithmetic does.
LONG MulDivTrunc(std::int64_t a, std::int64_t b, std::int64_t c)
{
    return static_cast<LONG>(a * b / c);
}

} // namespace

ZoomStepResult StepZoom(double zoom, double step)
{
    double next = zoom + step;
    if (next >= 1.0) {
        if (zoom == kMaxZoom) return {false, zoom};
        next = kMaxZoom;
    }
    if (next < 0.0) {
        if (zoom == 0.0) return {false, zoom};
        next = 0.0;
    }
    return {true, next};
}

ZoomCrop ComputeCrop(double zoom, LONG w, LONG h, LONG clientWidth, LONG clientHeight, LONG panX, LONG panY)
{
    ZoomCrop result{};
    result.crop = {0, 0, std::max<LONG>(w, 0), std::max<LONG>(h, 0)};
    if (w <= 0 || h <= 0 || clientWidth <= 0 || clientHeight <= 0) return result;
    zoom = std::clamp(zoom, 0.0, kMaxZoom);

    LONG cutX = 0;
    LONG cutY = 0;
    if (w < h) {
        cutY = static_cast<LONG>(zoom * h);
        const LONG shownWidth = MulDivTrunc(w, clientHeight, h - cutY);
        if (shownWidth > clientWidth) cutX = MulDivTrunc(shownWidth - clientWidth, h - cutY, clientHeight);
    } else {
        cutX = static_cast<LONG>(w * zoom);
        const LONG shownHeight = MulDivTrunc(h, clientWidth, w - cutX);
        if (shownHeight > clientHeight) cutY = MulDivTrunc(w - cutX, shownHeight - clientHeight, clientWidth);
    }
    // Cutting what does not fit never takes more than the side has.
    cutX = std::min(cutX, w - 1);
    cutY = std::min(cutY, h - 1);
    const LONG halfX = cutX / 2;
    const LONG halfY = cutY / 2;
    result.limits = {-halfX, halfX, -halfY, halfY};
    result.panX = std::clamp(panX, -halfX, halfX);
    result.panY = std::clamp(panY, -halfY, halfY);
    result.crop = {halfX + result.panX, halfY + result.panY, w - halfX + result.panX, h - halfY + result.panY};
    return result;
}

RECT FitPicture(LONG pictureWidth, LONG pictureHeight, LONG clientWidth, LONG clientHeight)
{
    if (pictureWidth <= 0 || pictureHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) return {0, 0, 0, 0};
    const double scale = 1.0 / std::max(static_cast<double>(pictureHeight) / clientHeight,
                                        static_cast<double>(pictureWidth) / clientWidth);
    const LONG width = static_cast<LONG>(pictureWidth * scale);
    const LONG height = static_cast<LONG>(pictureHeight * scale);
    const LONG left = (clientWidth - width) / 2;
    const LONG top = (clientHeight - height) / 2;
    return {left, top, left + width, top + height};
}

int GridCell(LONG x, LONG y, LONG clientWidth, LONG clientHeight)
{
    const LONG third = clientWidth / 3;
    const LONG row = clientHeight / 3;
    const int column = x > 2 * third ? 2 : x > third ? 1 : 0;
    const int line = y > 2 * row ? 2 : y > row ? 1 : 0;
    return line * 3 + column;
}
