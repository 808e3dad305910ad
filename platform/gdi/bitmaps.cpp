// Creating bitmaps and reading them back as DIBs.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

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

// The one DIB format this layer exchanges: 24-bit BI_RGB with RGB colours.
bool IsSupportedDib(const BITMAPINFO* info, UINT usage)
{
    if (info == nullptr || usage != DIB_RGB_COLORS)
        return false;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    return header.biSize >= sizeof(BITMAPINFOHEADER) && header.biPlanes == 1 && header.biBitCount == 24 &&
           header.biCompression == BI_RGB && header.biWidth > 0 && header.biHeight != 0 &&
           header.biHeight != INT32_MIN;
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
    if (!IsSupportedDib(info, usage)) {
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

int GetDIBits(HDC hdc, HBITMAP handle, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage)
{
    std::shared_ptr<Surface> pixels;
    {
        HandleTable& table = HandleTable::Instance();
        std::lock_guard lock(table.Mutex());
        const std::shared_ptr<Bitmap> bitmap = table.FindAs<Bitmap>(HandleId(handle));
        if (!table.FindAs<DeviceContext>(HandleId(hdc)) || !bitmap) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        pixels = bitmap->Pixels();
    }
    if (bits == nullptr || !IsSupportedDib(info, usage)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const bool bottomUp = header.biHeight > 0;
    const std::int64_t dibHeight = std::abs(header.biHeight);
    const std::size_t stride = (static_cast<std::size_t>(header.biWidth) * 3 + 3) & ~std::size_t{3};
    const int columns = std::min<int>(header.biWidth, pixels->Width());
    // Scan lines run in the DIB's order: from the bottom for a bottom-up DIB. The buffer starts
    // with scan line start.
    const std::int64_t scanLines = std::min<std::int64_t>(dibHeight, pixels->Height());
    const std::int64_t first = start;
    const std::int64_t end = std::min<std::int64_t>(first + lines, scanLines);

    auto* out = static_cast<BYTE*>(bits);
    int copied = 0;
    for (std::int64_t line = first; line < end; ++line) {
        const int sourceRow = static_cast<int>(bottomUp ? pixels->Height() - 1 - line : line);
        BYTE* row = out + static_cast<std::size_t>(line - first) * stride;
        for (int x = 0; x < columns; ++x) {
            const COLORREF colour = pixels->GetPixel(x, sourceRow);
            row[x * 3] = GetBValue(colour);
            row[x * 3 + 1] = GetGValue(colour);
            row[x * 3 + 2] = GetRValue(colour);
        }
        ++copied;
    }
    return copied;
}
