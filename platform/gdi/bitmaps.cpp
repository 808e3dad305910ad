// Creating device bitmaps and DIB sections.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

#include "platform/gdi/dib_layout.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

// Device bitmaps pad their rows to 2 bytes, DIBs to 4.
constexpr int kDeviceRowAlignment = 2;
constexpr int kDibRowAlignment = 4;

HBITMAP AddBitmap(std::unique_ptr<Surface> pixels, bool dibSection)
{
    if (!pixels) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    return MakeHandle<HBITMAP>(table.Add(std::make_shared<Bitmap>(std::move(pixels), dibSection)));
}

// DIB sections come in one format: 24-bit BI_RGB with RGB colours.
bool IsSupportedSection(const BITMAPINFO* info, UINT usage)
{
    const std::optional<DibLayout> layout = DibLayout::Describe(info, usage);
    return layout && layout->BitsPerPixel() == 24;
}

} // namespace

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy)
{
    PixelFormat format = PixelFormat::Bgrx32;
    {
        HandleTable& table = HandleTable::Instance();
        std::lock_guard lock(table.Mutex());
        const std::shared_ptr<DeviceContext> dc = table.FindAs<DeviceContext>(HandleId(hdc));
        if (!dc) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        // A fresh memory context holds a monochrome bitmap, so its compatible bitmaps are too.
        if (dc->isMemory && dc->bitmap && dc->bitmap->Pixels()->IsMonochrome())
            format = PixelFormat::Mono1;
    }
    if (cx <= 0 || cy <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return AddBitmap(Surface::Create(cx, cy, format, RowOrder::TopDown, kDeviceRowAlignment), false);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    PixelFormat format{};
    switch (bitsPerPixel) {
    case 1:
        format = PixelFormat::Mono1;
        break;
    case 24:
        format = PixelFormat::Bgr24;
        break;
    case 32:
        format = PixelFormat::Bgrx32;
        break;
    default:
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (planes != 1 || width <= 0 || height <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::unique_ptr<Surface> pixels = Surface::Create(width, height, format, RowOrder::TopDown, kDeviceRowAlignment);
    if (pixels && bits != nullptr)
        std::memcpy(pixels->Bits(), bits, pixels->ByteCount());
    return AddBitmap(std::move(pixels), false);
}

HBITMAP CreateDIBSection(HDC /*hdc*/, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD /*offset*/)
{
    if (bits != nullptr)
        *bits = nullptr;
    if (!IsSupportedSection(info, usage)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (section != nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED); // sections over file mappings are not needed
        return nullptr;
    }
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const RowOrder order = header.biHeight > 0 ? RowOrder::BottomUp : RowOrder::TopDown;
    std::unique_ptr<Surface> pixels =
        Surface::Create(header.biWidth, std::abs(header.biHeight), PixelFormat::Bgr24, order, kDibRowAlignment);
    BYTE* memory = pixels ? pixels->Bits() : nullptr;
    HBITMAP bitmap = AddBitmap(std::move(pixels), true);
    if (bitmap != nullptr && bits != nullptr)
        *bits = memory;
    return bitmap;
}
