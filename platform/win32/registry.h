// The registry: keys under HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT (a view of
// HKEY_LOCAL_MACHINE\Software\Classes), kept in the store of the emulated machine
// (registry_store.h) and shared by every process of the same ZV_ROOT.
//
// Key and value names ignore ASCII case and keep the case they were created with. Values hold
// the bytes the caller gave, with their type. The functions return the error code (they leave
// the thread's last error alone), as on Windows. Keys are non-volatile only; last-write times and
// key classes are not kept (enumeration reports them empty).
#pragma once

#include "platform/win32/last_error.h"
#include "platform/win32/types.h"

#include <cstdint>

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;

// The predefined keys, sign-extended as the platform defines them.
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<LONG>(0x80000000)));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<LONG>(0x80000001)));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<LONG>(0x80000002)));

// Access rights of a key handle.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM DELETE = 0x00010000;
constexpr REGSAM READ_CONTROL = 0x00020000;
constexpr REGSAM KEY_READ = 0x00020019;
constexpr REGSAM KEY_WRITE = 0x00020006;
constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;
constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000;

// Value types.
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

// RegCreateKeyExA options and dispositions.
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Subkey paths are names joined by '\'. An empty or null subkey opens a new handle to `key`
// itself. A handle whose key was deleted fails every call with ERROR_KEY_DELETED.
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result);
// Creates the missing keys of the path (that needs KEY_CREATE_SUB_KEY on `key`) or opens the
// existing one; `disposition` tells which. Only REG_OPTION_NON_VOLATILE is taken.
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                        LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LSTATUS RegCloseKey(HKEY key);

// Null or empty value name: the key's default value. With `data` null, `dataSize` gets the size;
// a buffer too small gives ERROR_MORE_DATA with the size needed in `dataSize`.
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, BYTE* data, LPDWORD dataSize);
LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName);

// Subkeys in name order (case ignored); ERROR_NO_MORE_ITEMS past the last. `nameSize` counts
// the terminating zero on input and not on output; a name that does not fit gives ERROR_MORE_DATA.
LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR keyClass,
                      LPDWORD classSize, FILETIME* lastWriteTime);
LSTATUS RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize);

// Deletes a key without subkeys; one that has subkeys is refused with ERROR_ACCESS_DENIED.
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);
