// Where things are: the program's own path and the folders of the emulated machine under ZV_ROOT.
//
// The folder functions return the length written (without the NUL); when the buffer is too small
// they write nothing and return the size needed, NUL included; 0 with the last error on failure.
#pragma once

#include "platform/win32/types.h"

// The path of a module: null for the program itself (/proc/self/exe); otherwise a handle of a
// loaded library as dlopen gives it. A path cut to fit the buffer is NUL-terminated, the result is
// the buffer size and the last error ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

// ZV_ROOT/tmp/, ending in '/'.
DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer);
// Creates a new empty file "<path>/<at most three characters of prefix><hex number>.tmp" and writes
// its name (MAX_PATH bytes at most) into `tempFileName`. With `unique` 0 the number is chosen so
// that no file of that name existed; otherwise the name is only made from it and no file is created.
// Returns the number, 0 on failure.
UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefixString, UINT unique, LPSTR tempFileName);
// ZV_ROOT/windows.
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
// ZV_ROOT/windows/system32.
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
