// Little-endian fields of file headers, read and written byte by byte so no layout or host order
// is assumed.
#pragma once

#include "platform/win32/types.h"

inline WORD LoadLE16(const BYTE* p)
{
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

inline DWORD LoadLE32(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
        (static_cast<DWORD>(p[3]) << 24);
}

inline void StoreLE16(BYTE* p, WORD value)
{
    p[0] = static_cast<BYTE>(value);
    p[1] = static_cast<BYTE>(value >> 8);
}

inline void StoreLE32(BYTE* p, DWORD value)
{
    p[0] = static_cast<BYTE>(value);
    p[1] = static_cast<BYTE>(value >> 8);
    p[2] = static_cast<BYTE>(value >> 16);
    p[3] = static_cast<BYTE>(value >> 24);
}

// The 40-byte info header as it stands in a file.
inline BITMAPINFOHEADER LoadInfoHeader(const BYTE* p)
{
    BITMAPINFOHEADER h{};
    h.biSize = LoadLE32(p);
    h.biWidth = static_cast<LONG>(LoadLE32(p + 4));
    h.biHeight = static_cast<LONG>(LoadLE32(p + 8));
    h.biPlanes = LoadLE16(p + 12);
    h.biBitCount = LoadLE16(p + 14);
    h.biCompression = LoadLE32(p + 16);
    h.biSizeImage = LoadLE32(p + 20);
    h.biXPelsPerMeter = static_cast<LONG>(LoadLE32(p + 24));
    h.biYPelsPerMeter = static_cast<LONG>(LoadLE32(p + 28));
    h.biClrUsed = LoadLE32(p + 32);
    h.biClrImportant = LoadLE32(p + 36);
    return h;
}

inline void StoreInfoHeader(BYTE* p, const BITMAPINFOHEADER& h)
{
    StoreLE32(p, h.biSize);
    StoreLE32(p + 4, static_cast<DWORD>(h.biWidth));
    StoreLE32(p + 8, static_cast<DWORD>(h.biHeight));
    StoreLE16(p + 12, h.biPlanes);
    StoreLE16(p + 14, h.biBitCount);
    StoreLE32(p + 16, h.biCompression);
    StoreLE32(p + 20, h.biSizeImage);
    StoreLE32(p + 24, static_cast<DWORD>(h.biXPelsPerMeter));
    StoreLE32(p + 28, static_cast<DWORD>(h.biYPelsPerMeter));
    StoreLE32(p + 32, h.biClrUsed);
    StoreLE32(p + 36, h.biClrImportant);
}
