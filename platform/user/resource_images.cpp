#include "platform/user/resource_images.h"

#include "platform/user/menu.h"
#include "platform/user/system_metrics.h"
#include "platform/win32/last_error.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

namespace zv::user {
namespace {

// What names a shared picture: module, kind, resource name and size.
using SharedKey = std::tuple<HINSTANCE, bool, std::string, int, int>;

std::string NameKey(LPCSTR name)
{
    if (IS_INTRESOURCE(name)) {
        char number[16];
        std::snprintf(number, sizeof number, "#%u", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(name)));
        return number;
    }
    std::string key(name);
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

struct SharedPictures {
    std::mutex mutex;
    std::map<SharedKey, HICON> loaded;
};

SharedPictures& Shared()
{
    static auto* pictures = new SharedPictures(); // handed-out handles outlive static destruction
    return *pictures;
}

// A new icon or cursor from the group resource: the picture nearest cx x cy.
HICON LoadGroup(HINSTANCE module, LPCSTR name, bool cursor, int cx, int cy, UINT flags)
{
    const win32::ResourceBytes group = win32::FindResourceBytes(module, name, cursor ? RT_GROUP_CURSOR : RT_GROUP_ICON);
    if (!group.data)
        return nullptr;
    const int pictureId = gdi::LookupIconIdFromDirectory(group.data, group.size, !cursor, cx, cy, flags);
    if (pictureId <= 0 || pictureId > 0xFFFF) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    const win32::ResourceBytes picture = win32::FindResourceBytes(
        module, MAKEINTRESOURCEA(static_cast<WORD>(pictureId)), cursor ? RT_CURSOR : RT_ICON);
    if (!picture.data) {
        SetLastError(ERROR_INVALID_DATA); // the directory names a picture the set lacks
        return nullptr;
    }
    HICON made = CreateIconFromResourceEx(picture.data, picture.size, cursor ? FALSE : TRUE, kIconResourceVersion, cx,
                                          cy, flags & LR_DEFAULTSIZE);
    if (!made)
        SetLastError(ERROR_INVALID_DATA);
    return made;
}

int DefaultSide(bool cursor) { return GetSystemMetrics(cursor ? SM_CXCURSOR : SM_CXICON); }

// A bitmap of the DIB a bitmap resource holds (a BITMAPINFOHEADER, its palette, its rows),
// stretched to cx x cy when they are not 0.
HBITMAP BitmapFromDib(const BYTE* data, std::size_t size, int cx, int cy)
{
    BITMAPINFOHEADER header{};
    if (size < sizeof(header)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    std::memcpy(&header, data, sizeof(header));
    const long long width = header.biWidth;
    const long long height = header.biHeight < 0 ? -static_cast<long long>(header.biHeight) : header.biHeight;
    const int bits = header.biBitCount;
    const bool paletted = bits == 1 || bits == 4 || bits == 8;
    const long long paletteEntries = paletted ? (header.biClrUsed ? header.biClrUsed : (1LL << bits)) : 0;
    const long long stride = (width * bits + 31) / 32 * 4;
    const long long pixelsAt = static_cast<long long>(header.biSize) + paletteEntries * 4;
    const bool fits = header.biSize >= sizeof(header) && width > 0 && height > 0 && width <= 0x8000 &&
                      height <= 0x8000 && (paletted || bits == 24) && header.biCompression == BI_RGB &&
                      paletteEntries <= 256 && pixelsAt + stride * height <= static_cast<long long>(size);
    if (!fits) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    const int outWidth = cx > 0 ? cx : static_cast<int>(width);
    const int outHeight = cy > 0 ? cy : static_cast<int>(height);
    HBITMAP bitmap = CreateBitmap(outWidth, outHeight, 1, 32, nullptr);
    if (!bitmap)
        return nullptr;
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(hdc, bitmap);
    // The header is read from the DIB's memory as it stands, palette included.
    const auto* info = reinterpret_cast<const BITMAPINFO*>(data);
    const int lines = StretchDIBits(hdc, 0, 0, outWidth, outHeight, 0, 0, static_cast<int>(width),
                                    static_cast<int>(height), data + pixelsAt, info, DIB_RGB_COLORS, SRCCOPY);
    SelectObject(hdc, old);
    DeleteDC(hdc);
    if (lines == 0) {
        DeleteObject(bitmap);
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return bitmap;
}

} // namespace

HICON LoadSharedIcon(HINSTANCE module, LPCSTR name, bool cursor, int cx, int cy)
{
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    SharedPictures& shared = Shared();
    const SharedKey key{module, cursor, NameKey(name), cx, cy};
    std::lock_guard lock(shared.mutex);
    if (const auto found = shared.loaded.find(key); found != shared.loaded.end())
        return found->second;
    HICON made = LoadGroup(module, name, cursor, cx, cy, 0);
    if (made)
        shared.loaded.emplace(key, made);
    return made;
}

} // namespace zv::user

HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName)
{
    const int side = zv::user::DefaultSide(false);
    return zv::user::LoadSharedIcon(hInstance, lpIconName, false, side, side);
}

HBITMAP LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName)
{
    return static_cast<HBITMAP>(LoadImageA(hInstance, lpBitmapName, IMAGE_BITMAP, 0, 0, 0));
}

HANDLE LoadImageA(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad)
{
    if (fuLoad & (LR_LOADFROMFILE | LR_MONOCHROME)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (!name || cx < 0 || cy < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (type == IMAGE_BITMAP) {
        const zv::win32::ResourceBytes bytes = zv::win32::FindResourceBytes(hInst, name, RT_BITMAP);
        if (!bytes.data)
            return nullptr;
        return zv::user::BitmapFromDib(bytes.data, bytes.size, cx, cy);
    }
    if (type != IMAGE_ICON && type != IMAGE_CURSOR) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const bool cursor = type == IMAGE_CURSOR;
    if (fuLoad & LR_DEFAULTSIZE) {
        cx = cx ? cx : zv::user::DefaultSide(cursor);
        cy = cy ? cy : zv::user::DefaultSide(cursor);
    }
    if (fuLoad & LR_SHARED)
        return zv::user::LoadSharedIcon(hInst, name, cursor, cx, cy);
    return zv::user::LoadGroup(hInst, name, cursor, cx, cy, fuLoad & LR_DEFAULTSIZE);
}
