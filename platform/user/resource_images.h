// Icons, cursors and bitmaps from a module's resources (the set zv_add_resources embeds).
//
// Icon and cursor resources are groups: a directory of pictures of several sizes, of which the
// one nearest the size asked for is taken (LoadIconA: SM_CXICON; LoadCursorA: SM_CXCURSOR).
// LoadIconA, LoadCursorA and LoadImageA with LR_SHARED give the same handle for the same
// resource and size each time; such handles live as long as the process and are not destroyed.
// A NULL instance is the program's own set for LoadImageA and LoadBitmapA; LoadCursorA reserves
// it for the standard IDC_* cursors (input.h).
//
// Failures: ERROR_RESOURCE_DATA_NOT_FOUND (the module has no set), ERROR_RESOURCE_TYPE_NOT_FOUND
// or ERROR_RESOURCE_NAME_NOT_FOUND (no such resource), ERROR_INVALID_DATA (a damaged resource).
#pragma once

#include "platform/gdi/gdi.h"
#include "platform/user/user_types.h"
#include "platform/win32/resources.h"

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT IMAGE_ICON = 1;
constexpr UINT IMAGE_CURSOR = 2;

// LoadImageA flags (LR_DEFAULTCOLOR, LR_DEFAULTSIZE and LR_SHARED are in gdi_icons.h).
constexpr UINT LR_MONOCHROME = 0x0001;
constexpr UINT LR_LOADFROMFILE = 0x0010;
constexpr UINT LR_CREATEDIBSECTION = 0x2000;

// An icon group of the module at the SM_CXICON size.
HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName);
// A bitmap resource as a bitmap the caller deletes (32 bits per pixel, like the screen).
HBITMAP LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName);
// IMAGE_BITMAP, IMAGE_ICON or IMAGE_CURSOR at cx x cy (0: the picture's own size, or the
// default size with LR_DEFAULTSIZE; bitmaps are stretched to a size given). Files
// (LR_LOADFROMFILE) and LR_MONOCHROME are refused with ERROR_NOT_SUPPORTED.
HANDLE LoadImageA(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad);

namespace zv::user {

// A shared icon or cursor group of the module (what LoadIconA and LoadCursorA give).
HICON LoadSharedIcon(HINSTANCE module, LPCSTR name, bool cursor, int cx, int cy);

} // namespace zv::user
