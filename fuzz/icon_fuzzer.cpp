// libFuzzer target for icons and cursors: every input is tried as a whole .ico/.cur file and as
// the image of an icon and of a cursor resource; whatever is made is drawn once and destroyed.
#include "platform/gdi/gdi.h"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace {

void DrawAndDestroy(HDC dc, HICON icon)
{
    if (icon == nullptr)
        return;
    DrawIconEx(dc, 1, 1, icon, 0, 0, 0, nullptr, DI_NORMAL);
    ICONINFO info{};
    if (GetIconInfo(icon, &info)) {
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    DestroyIcon(icon);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > std::numeric_limits<DWORD>::max())
        return 0;
    static const HDC dc = [] {
        HDC memory = CreateCompatibleDC(nullptr);
        SelectObject(memory, CreateBitmap(40, 40, 1, 32, nullptr));
        return memory;
    }();
    DrawAndDestroy(dc, zv::gdi::CreateIconFromFileImage(data, size, 32, 32, 0));
    const DWORD length = static_cast<DWORD>(size);
    DrawAndDestroy(dc, CreateIconFromResourceEx(data, length, TRUE, kIconResourceVersion, 0, 0, 0));
    DrawAndDestroy(dc, CreateIconFromResourceEx(data, length, FALSE, kIconResourceVersion, 16, 16, 0));
    return 0;
}
