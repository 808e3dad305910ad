// GetDeviceCaps: every context describes the virtual screen.
#include <cmath>

#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/screen.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

constexpr double kMillimetresPerInch = 25.4;

int Millimetres(int pixels)
{
    return static_cast<int>(std::lround(pixels * kMillimetresPerInch / kLogicalPixelsPerInch));
}

} // namespace

LONG zv::gdi::FontHeightFromPoints(int tenthsOfPoint)
{
    return -static_cast<LONG>(std::lround(tenthsOfPoint * static_cast<double>(kLogicalPixelsPerInch) / 720.0));
}

int GetDeviceCaps(HDC hdc, int index)
{
    ContextState state;
    if (!ReadContextState(hdc, state)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const ScreenSize screen = GetScreenSize();
    switch (index) {
    case HORZRES:
        return screen.width;
    case VERTRES:
        return screen.height;
    case HORZSIZE:
        return Millimetres(screen.width);
    case VERTSIZE:
        return Millimetres(screen.height);
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return kLogicalPixelsPerInch;
    default:
        return 0;
    }
}
