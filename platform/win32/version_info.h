// Version resources of files: the program, a loaded library, or a shared object on disk (loaded
// for the moment of reading, as the platform maps a file as data), such as the installed driver.
// Other programs' files cannot be read this way (a program cannot be loaded into another).
#pragma once

#include "platform/win32/last_error.h"
#include "platform/win32/types.h"

using PUINT = UINT*;

struct VS_FIXEDFILEINFO {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
constexpr DWORD VS_FF_DEBUG = 0x1;
constexpr DWORD VS_FF_PRERELEASE = 0x2;
constexpr DWORD VS_FF_PATCHED = 0x4;

// The size a caller gives GetFileVersionInfoA: the resource and room for its texts as UTF-8.
// 0 with ERROR_FILE_NOT_FOUND, ERROR_BAD_FORMAT (not a loadable module) or
// ERROR_RESOURCE_DATA_NOT_FOUND / _TYPE_ / _NAME_NOT_FOUND (no version resource).
DWORD GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle);
// dwLen must be at least what GetFileVersionInfoSizeA gave (ERROR_INSUFFICIENT_BUFFER).
BOOL GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData);
// "\\" gives the VS_FIXEDFILEINFO; "\\VarFileInfo\\Translation" and other paths of block keys
// (matched without regard to case) give binary values as stored and text values as UTF-8 (the
// length then counts characters with the NUL). FALSE when there is no such value.
BOOL VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen);

constexpr DWORD ERROR_BAD_FORMAT = 11;
