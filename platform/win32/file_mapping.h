// Named file mappings on the paging file, over POSIX shared memory shared by every process of the
// same ZV_ROOT.
//
// CreateFileMappingA gives a new, zero-filled block unless a live process holds the name open; then
// it opens that block as it is and reports ERROR_ALREADY_EXISTS. A block that a dead process left
// behind is thrown away. An existing block smaller than asked for is refused, so no view can reach
// past its end. Only PAGE_READWRITE mappings of the paging file (INVALID_HANDLE_VALUE) with a name
// are supported: that is all the system makes.
#pragma once

#include "platform/win32/types.h"

constexpr DWORD PAGE_READONLY = 0x02;
constexpr DWORD PAGE_READWRITE = 0x04;
constexpr DWORD FILE_MAP_WRITE = 0x0002;
constexpr DWORD FILE_MAP_READ = 0x0004;
constexpr DWORD FILE_MAP_ALL_ACCESS = 0x000F001F;

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES attributes, DWORD protection, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCSTR name);
HANDLE OpenFileMappingA(DWORD desiredAccess, BOOL inheritHandle, LPCSTR name);

// Maps `bytes` from `offset` (0 bytes: to the end); the offset must be a multiple of the page size.
LPVOID MapViewOfFile(HANDLE mapping, DWORD desiredAccess, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes);
BOOL UnmapViewOfFile(LPCVOID baseAddress);
