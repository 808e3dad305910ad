// The 16-byte GUID as kernel streaming lays it out. Guarded so that one definition of `GUID`
// serves the whole program when another layer declares the same type.
#pragma once

#include <cstring>

#include "platform/win32/types.h"

#ifndef ZV_GUID_DEFINED
#define ZV_GUID_DEFINED
struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16);

inline bool operator==(const GUID& a, const GUID& b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool IsEqualGUID(const GUID& a, const GUID& b) { return a == b; }

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
#endif
