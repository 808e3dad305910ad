// Icons and cursors: colour and mask images (or colours with alpha) drawn with transparency.
// Included from gdi.h.
#pragma once

#include <cstddef>

#include "platform/gdi/gdi_types.h"

struct ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
};
static_assert(offsetof(ICONINFO, hbmMask) == 16);

// DrawIconEx flags.
constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = DI_MASK | DI_IMAGE;
constexpr UINT DI_COMPAT = 0x0004;
constexpr UINT DI_DEFAULTSIZE = 0x0008;
constexpr UINT DI_NOMIRROR = 0x0010;

// Flags of CreateIconFromResourceEx and LookupIconIdFromDirectoryEx.
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_DEFAULTSIZE = 0x0040;
constexpr UINT LR_SHARED = 0x8000;

// The format version of icon and cursor resources.
constexpr DWORD kIconResourceVersion = 0x00030000;

// An icon or cursor from a mask bitmap and a colour bitmap. The mask's set (white) pixels let
// the screen show through, where the colour image is XORed onto it; a 32-bit colour bitmap whose
// fourth bytes are not all zero is drawn by that alpha instead. Without a colour bitmap the mask
// is twice as high: the AND mask above the XOR image. The bitmaps stay the caller's. Icons have
// their hotspot in the middle.
HICON CreateIconIndirect(const ICONINFO* info);
// New bitmaps the caller deletes: a 32-bit colour bitmap (alpha in the fourth bytes) and a
// monochrome mask, or, for a monochrome icon, only the double-height mask.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HCURSOR cursor);

// Draws at the default icon size, 32 x 32 (the SM_CXICON the window layer reports).
BOOL DrawIcon(HDC hdc, int x, int y, HICON icon);
// Draws stretched (nearest pixel) to cx x cy; 0 takes the icon's own size, or 32 with
// DI_DEFAULTSIZE. DI_MASK alone applies the mask, DI_IMAGE alone copies the colour image, DI_NORMAL
// draws with transparency. A brush first fills the icon's rectangle. step is for animated cursors,
// which do not exist here; DI_COMPAT and DI_NOMIRROR change nothing.
BOOL DrawIconEx(HDC hdc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH background, UINT flags);

// One image of an icon or cursor resource: a BITMAPINFOHEADER DIB at 1, 4, 8, 24 or 32 bits per
// pixel, twice as high as the image (colour rows, then the 1-bit AND mask; a 32-bit image may
// leave out the mask), preceded for a cursor by its hotspot (two WORDs). version is
// kIconResourceVersion. The image is stretched to cx x cy; 0 keeps its own size, or 32 with
// LR_DEFAULTSIZE. PNG images fail with ERROR_NOT_SUPPORTED; a damaged image (any field that
// does not fit the others or the size) with ERROR_INVALID_PARAMETER.
HICON CreateIconFromResourceEx(const BYTE* bits, DWORD size, BOOL icon, DWORD version, int cx, int cy, UINT flags);
// The resource id of the group directory's image that suits cx x cy best (0 and LR_DEFAULTSIZE:
// 32 x 32): the nearest size, a larger one before a smaller, then the most colours. The directory
// is trusted to hold as many entries as it says; 0 on failure.
int LookupIconIdFromDirectoryEx(const BYTE* directory, BOOL icon, int cx, int cy, UINT flags);

namespace zv::gdi {

// The default icon and cursor size.
constexpr int kDefaultIconSize = 32;

// LookupIconIdFromDirectoryEx over a directory of known size: entries past it are refused.
int LookupIconIdFromDirectory(const BYTE* directory, std::size_t size, bool icon, int cx, int cy, UINT flags);

// An icon or cursor from a whole .ico or .cur file in memory: the image that suits cx x cy best
// (as LookupIconIdFromDirectoryEx chooses), made as CreateIconFromResourceEx makes it; cursors
// take the hotspot of their directory entry. Null, with the last error set, for a damaged file.
HICON CreateIconFromFileImage(const BYTE* file, std::size_t size, int cx, int cy, UINT flags);

} // namespace zv::gdi
