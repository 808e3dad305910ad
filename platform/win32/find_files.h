// Searching a folder: FindFirstFileA, FindNextFileA, FindClose.
//
// The pattern's last component is matched the Windows way: case-insensitive, '*' for any run of
// characters, '?' for exactly one character, "*.*" for every name. Files and folders are found
// ("." and ".." are not), in case-insensitive name order, as a listing on Windows gives them.
#pragma once

#include "platform/win32/types.h"

#include <cstddef>
#include <string_view>

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    char cFileName[MAX_PATH];
    char cAlternateFileName[14];
};
static_assert(sizeof(WIN32_FIND_DATAA) == 320);
static_assert(offsetof(WIN32_FIND_DATAA, nFileSizeHigh) == 28);
static_assert(offsetof(WIN32_FIND_DATAA, cFileName) == 44);
static_assert(offsetof(WIN32_FIND_DATAA, cAlternateFileName) == 304);
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

// INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when nothing matches, ERROR_PATH_NOT_FOUND when
// the folder does not exist.
HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData);
// FALSE with ERROR_NO_MORE_FILES after the last match.
BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData);
BOOL FindClose(HANDLE findFile);

namespace zv::win32 {
// Whether a file name matches a pattern by the rules above.
bool MatchesWindowsPattern(std::string_view pattern, std::string_view name);
} // namespace zv::win32
