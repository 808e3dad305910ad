// Handle and callback types of the window layer.
#pragma once

#include "platform/win32/types.h"

#ifndef CALLBACK
#define CALLBACK
#endif

// Window handles are opaque; their values stay below 2^32 because a window handle is kept in
// 32-bit fields of shared memory, and a value is never given out twice in one process.
struct HWND__;
using HWND = HWND__*;
struct HMENU__;
using HMENU = HMENU__*;
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;

using ATOM = WORD;
using SHORT = std::int16_t;

// Message parameters and results are pointer-sized: lParam often carries a pointer.
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
static_assert(sizeof(WPARAM) == sizeof(void*) && sizeof(LPARAM) == sizeof(void*));

using WNDPROC = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void(CALLBACK*)(HWND, UINT, UINT_PTR, DWORD);

// Error codes that only the window layer reports.
constexpr DWORD ERROR_TLW_WITH_WSCHILD = 1406;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_CLASS_HAS_WINDOWS = 1412;
constexpr DWORD ERROR_INVALID_INDEX = 1413;
constexpr DWORD ERROR_CONTROL_ID_NOT_FOUND = 1421;
constexpr DWORD ERROR_MESSAGE_SYNC_ONLY = 1159;

namespace zv::user {

// A window handle as it is stored in a 32-bit field, and back.
inline DWORD HandleToDword(HWND hwnd)
{
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(hwnd));
}
inline HWND HandleFromDword(DWORD value)
{
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
}

} // namespace zv::user
