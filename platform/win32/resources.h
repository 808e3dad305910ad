// Resources of a module (the program or a shared library): each carries its own set, embedded at
// build time by zv_add_resources (cmake/ZvResources.cmake). Types and names are ordinals
// (MAKEINTRESOURCEA, or "#123") or names matched without regard to case.
//
// A module handle is what GetModuleHandleA gives; NULL means the program itself. FindResourceA
// fails with ERROR_RESOURCE_DATA_NOT_FOUND when the module has no set, ERROR_RESOURCE_TYPE_NOT_FOUND
// or ERROR_RESOURCE_NAME_NOT_FOUND otherwise. The data stays valid while the module is loaded.
#pragma once

#include "platform/win32/last_error.h"
#include "platform/win32/types.h"

struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = void*;

constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

inline LPSTR MAKEINTRESOURCEA(WORD id)
{
    return reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(id));
}
inline LPSTR MAKEINTRESOURCE(WORD id)
{
    return MAKEINTRESOURCEA(id);
}
inline bool IS_INTRESOURCE(LPCSTR name)
{
    return (reinterpret_cast<ULONG_PTR>(name) >> 16) == 0;
}

// Standard resource types (published ordinals).
inline const LPCSTR RT_CURSOR = MAKEINTRESOURCEA(1);
inline const LPCSTR RT_BITMAP = MAKEINTRESOURCEA(2);
inline const LPCSTR RT_ICON = MAKEINTRESOURCEA(3);
inline const LPCSTR RT_MENU = MAKEINTRESOURCEA(4);
inline const LPCSTR RT_DIALOG = MAKEINTRESOURCEA(5);
inline const LPCSTR RT_STRING = MAKEINTRESOURCEA(6);
inline const LPCSTR RT_RCDATA = MAKEINTRESOURCEA(10);
inline const LPCSTR RT_GROUP_CURSOR = MAKEINTRESOURCEA(12);
inline const LPCSTR RT_GROUP_ICON = MAKEINTRESOURCEA(14);
inline const LPCSTR RT_VERSION = MAKEINTRESOURCEA(16);
inline const LPCSTR RT_HTML = MAKEINTRESOURCEA(23);

HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType);
HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
LPVOID LockResource(HGLOBAL hResData);
DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo);
// Embedded data is never freed: always FALSE, as for any resource of a loaded module.
BOOL FreeResource(HGLOBAL hResData);

// NULL: the program's own handle. Otherwise a loaded module by its full path or by its file name
// (without regard to case); ERROR_MOD_NOT_FOUND when none is loaded. No reference is added.
HMODULE GetModuleHandleA(LPCSTR lpModuleName);

namespace zv::win32 {

// The module whose code or data holds the address: how a shared library finds its own handle.
HMODULE ModuleOfAddress(const void* address);

// The bytes of a resource, or an empty view with the last error set.
struct ResourceBytes {
    const unsigned char* data = nullptr;
    DWORD size = 0;
};
ResourceBytes FindResourceBytes(HMODULE module, LPCSTR name, LPCSTR type);

} // namespace zv::win32
