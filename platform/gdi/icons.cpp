// Icon and cursor handles: made from bitmaps, described as bitmaps, destroyed and drawn.
#include <mutex>

#include "platform/gdi/area_fill.h"
#include "platform/gdi/context_state.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/handle_table.h"
#include "platform/gdi/icon.h"
#include "platform/gdi/paint_objects.h"
#include "platform/win32/last_error.h"

using namespace zv::gdi;

namespace {

// Larger icons are refused: their pixels would take too much memory.
constexpr int kMaxIconSide = 2048;
constexpr UINT kSupportedDrawFlags = DI_NORMAL | DI_COMPAT | DI_DEFAULTSIZE | DI_NOMIRROR;

std::shared_ptr<Surface> BitmapPixels(const HandleTable& table, HBITMAP bitmap)
{
    const std::shared_ptr<Bitmap> found = table.FindAs<Bitmap>(HandleId(bitmap));
    return found ? found->Pixels() : nullptr;
}

bool IsLit(const Surface& surface, int x, int y) { return Surface::IsLightColour(surface.GetPixel(x, y)); }

// Colour image, mask and (for 32-bit bitmaps with any alpha) alpha.
IconPixels FromColourAndMask(const Surface& colour, const Surface& mask)
{
    IconPixels p;
    p.width = colour.Width();
    p.height = colour.Height();
    const std::size_t count = static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height);
    p.colour.reserve(count);
    p.mask.reserve(count);
    bool anyAlpha = false;
    std::vector<BYTE> alpha;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            p.colour.push_back(colour.GetPixel(x, y));
            p.mask.push_back(IsLit(mask, x, y) ? 1 : 0);
            if (colour.Format() == PixelFormat::Bgrx32) {
                alpha.push_back(colour.Row(y)[x * 4 + 3]);
                anyAlpha = anyAlpha || alpha.back() != 0;
            }
        }
    if (anyAlpha)
        p.alpha = std::move(alpha);
    return p;
}

// A double-height monochrome mask: the AND mask above the XOR image.
IconPixels FromMonochromeMask(const Surface& mask)
{
    IconPixels p;
    p.width = mask.Width();
    p.height = mask.Height() / 2;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            p.mask.push_back(IsLit(mask, x, y) ? 1 : 0);
            p.colour.push_back(IsLit(mask, x, y + p.height) ? RGB(255, 255, 255) : RGB(0, 0, 0));
        }
    return p;
}

HBITMAP MaskBitmap(const IconPixels& p, bool withXorImage)
{
    const int rows = withXorImage ? 2 * p.height : p.height;
    const int stride = (p.width + 15) / 16 * 2;
    std::vector<BYTE> bits(static_cast<std::size_t>(stride) * rows);
    const auto set = [&](int x, int row) {
        bits[static_cast<std::size_t>(row) * stride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    };
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            if (p.mask[p.At(x, y)])
                set(x, y);
            if (withXorImage && Surface::IsLightColour(p.colour[p.At(x, y)]))
                set(x, y + p.height);
        }
    return CreateBitmap(p.width, rows, 1, 1, bits.data());
}

HBITMAP ColourBitmap(const IconPixels& p)
{
    std::vector<BYTE> bits(static_cast<std::size_t>(p.width) * p.height * 4);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const std::size_t i = p.At(x, y);
            BYTE* pixel = &bits[i * 4];
            pixel[0] = GetBValue(p.colour[i]);
            pixel[1] = GetGValue(p.colour[i]);
            pixel[2] = GetRValue(p.colour[i]);
            pixel[3] = p.alpha.empty() ? 0 : p.alpha[i];
        }
    return CreateBitmap(p.width, p.height, 1, 32, bits.data());
}

} // namespace

std::shared_ptr<const Icon> zv::gdi::FindIcon(HICON handle)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    return table.FindAs<const Icon>(HandleId(handle));
}

HICON zv::gdi::AddIcon(IconPixels pixels, bool isIcon, POINT hotspot, bool monochrome)
{
    auto icon = std::make_shared<Icon>(std::move(pixels), isIcon, hotspot, monochrome);
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    return MakeHandle<HICON>(table.Add(std::move(icon)));
}

HICON CreateIconIndirect(const ICONINFO* info)
{
    if (info == nullptr || info->hbmMask == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<Surface> mask;
    std::shared_ptr<Surface> colour;
    {
        HandleTable& table = HandleTable::Instance();
        std::lock_guard lock(table.Mutex());
        mask = BitmapPixels(table, info->hbmMask);
        if (info->hbmColor != nullptr)
            colour = BitmapPixels(table, info->hbmColor);
    }
    if (!mask || (info->hbmColor != nullptr && !colour)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const Surface& size = colour ? *colour : *mask;
    const int height = colour ? size.Height() : size.Height() / 2;
    const bool maskFits = colour ? mask->Width() >= size.Width() && mask->Height() >= height : height > 0;
    if (!maskFits || size.Width() > kMaxIconSide || height > kMaxIconSide) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    IconPixels pixels = colour ? FromColourAndMask(*colour, *mask) : FromMonochromeMask(*mask);
    const POINT hotspot = info->fIcon ? POINT{pixels.width / 2, pixels.height / 2}
                                      : POINT{static_cast<LONG>(info->xHotspot), static_cast<LONG>(info->yHotspot)};
    return AddIcon(std::move(pixels), info->fIcon != FALSE, hotspot, !colour);
}

BOOL GetIconInfo(HICON handle, ICONINFO* info)
{
    const std::shared_ptr<const Icon> icon = FindIcon(handle);
    if (info == nullptr || !icon) {
        SetLastError(info == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const IconPixels& pixels = icon->Pixels();
    ICONINFO made{};
    made.fIcon = icon->IsIcon() ? TRUE : FALSE;
    made.xHotspot = static_cast<DWORD>(icon->Hotspot().x);
    made.yHotspot = static_cast<DWORD>(icon->Hotspot().y);
    made.hbmMask = MaskBitmap(pixels, icon->IsMonochrome());
    made.hbmColor = icon->IsMonochrome() ? nullptr : ColourBitmap(pixels);
    if (made.hbmMask == nullptr || (!icon->IsMonochrome() && made.hbmColor == nullptr)) {
        DeleteObject(made.hbmMask);
        DeleteObject(made.hbmColor);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    *info = made;
    return TRUE;
}

BOOL DestroyIcon(HICON handle)
{
    HandleTable& table = HandleTable::Instance();
    std::lock_guard lock(table.Mutex());
    const std::uintptr_t id = HandleId(handle);
    if (!table.FindAs<Icon>(id)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    table.Remove(id);
    return TRUE;
}

BOOL DestroyCursor(HCURSOR cursor) { return DestroyIcon(cursor); }

BOOL DrawIconEx(HDC hdc, int x, int y, HICON handle, int cx, int cy, UINT /*step*/, HBRUSH background, UINT flags)
{
    if ((flags & ~kSupportedDrawFlags) != 0 || (flags & DI_NORMAL) == 0 || cx < 0 || cy < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::shared_ptr<const Icon> icon = FindIcon(handle);
    std::shared_ptr<const Brush> brush;
    if (background != nullptr)
        brush = FindBrush(background);
    if (!icon || (background != nullptr && !brush)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const bool defaultSize = (flags & DI_DEFAULTSIZE) != 0;
    const int width = cx != 0 ? cx : defaultSize ? kDefaultIconSize : icon->Pixels().width;
    const int height = cy != 0 ? cy : defaultSize ? kDefaultIconSize : icon->Pixels().height;
    ContextState state;
    if (!ReadPaintState(hdc, state))
        return FALSE;
    Painter painter(*state.target, state.Visible(), state.origin);
    AreaFill(brush, state).Fill(painter, RectAt(x, y, width, height));
    icon->Draw(painter, x, y, width, height, flags);
    return TRUE;
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON icon)
{
    return DrawIconEx(hdc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}
